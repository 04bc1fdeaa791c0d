#include "aboutwindow.h"

#include "platform/desktopopener.h"
#include "widgets/forms/dialogs.h"
#include "widgets/icons.h"
#include "widgets/textstyles.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QShortcut>
#include <QVBoxLayout>

#ifndef KESTROVAN_BUILD
#define KESTROVAN_BUILD ""
#endif

namespace kv {

namespace {

QString orFallback(const QString& value, const char* fallback)
{
    return value.isEmpty() ? QString::fromUtf8(fallback) : value;
}

// The application's icon, 64 × 64, cut to a rounded square.
QPixmap roundedIcon(qreal dpr)
{
    QIcon icon = QApplication::windowIcon();
    if (icon.isNull())
        icon = applicationIcon();
    const QPixmap source = icon.pixmap(QSize(64, 64), dpr);
    QPixmap out(QSize(64, 64) * dpr);
    out.setDevicePixelRatio(dpr);
    out.fill(Qt::transparent);
    QPainter p(&out);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    QPainterPath clip;
    clip.addRoundedRect(QRectF(0, 0, 64, 64), 12, 12);
    p.setClipPath(clip);
    p.drawPixmap(QRectF(0, 0, 64, 64), source, QRectF(source.rect()));
    return out;
}

QPointer<QWidget>& slot()
{
    static QPointer<QWidget> window;
    return window;
}

void centre(QWidget* w)
{
    QScreen* screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QSize size = w->frameGeometry().size().isValid() ? w->frameGeometry().size() : w->sizeHint();
    w->move(area.center() - QPoint(size.width() / 2, size.height() / 2));
}

} // namespace

AboutInfo AboutInfo::current()
{
    AboutInfo info;
    info.bundleName = orFallback(QCoreApplication::applicationName(), "Kestrovan");
    info.bundleShortVersion = orFallback(QCoreApplication::applicationVersion(), "1.0");
    info.bundleVersion = orFallback(QString::fromUtf8(KESTROVAN_BUILD), "1");
    return info;
}

QString AboutInfo::versionLine() const
{
    return QStringLiteral("Version %1 (%2)").arg(bundleShortVersion, bundleVersion);
}

QUrl supportUrl()
{
    const QString configured = QSettings().value(QStringLiteral("about/supportUrl")).toString().trimmed();
    return QUrl(configured.isEmpty() ? QStringLiteral("https://kestrovan.fr/support") : configured);
}

AboutView::AboutView(QWidget* parent) : QWidget(parent)
{
    const AboutInfo info = AboutInfo::current();
    setFixedWidth(480);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(12);

    auto* header = new QHBoxLayout;
    header->setSpacing(12);
    header->addStretch(1);
    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("icon"));
    icon->setPixmap(roundedIcon(devicePixelRatioF()));
    icon->setFixedSize(64, 64);
    header->addWidget(icon, 0, Qt::AlignVCenter);
    auto* names = new QVBoxLayout;
    auto* name = new QLabel(info.bundleName, this);
    name->setObjectName(QStringLiteral("name"));
    QFont nameFont = fontForStyle(TextStyle::title2, font());
    nameFont.setBold(true);
    name->setFont(nameFont);
    auto* version = new QLabel(info.versionLine(), this);
    version->setObjectName(QStringLiteral("version"));
    QPalette pal = version->palette();
    QColor secondary = pal.color(QPalette::WindowText);
    secondary.setAlphaF(0.6f);
    pal.setColor(QPalette::WindowText, secondary);
    version->setPalette(pal);
    names->addWidget(name);
    names->addWidget(version);
    header->addLayout(names);
    header->addStretch(1);
    column->addLayout(header);

    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);
    divider->setObjectName(QStringLiteral("divider"));
    column->addSpacing(6);
    column->addWidget(divider);

    auto* links = new QHBoxLayout;
    links->setSpacing(10);
    m_support = new QPushButton(QStringLiteral("Site support"), this);
    m_support->setAutoDefault(false);
    links->addWidget(m_support);
    links->addStretch(1);
    column->addLayout(links);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    m_close = new QPushButton(QStringLiteral("Fermer"), this);
    m_close->setAutoDefault(false);
    bottom->addWidget(m_close);
    column->addLayout(bottom);

    connect(m_support, &QPushButton::clicked, this, &AboutView::openSupportSite);
    connect(m_close, &QPushButton::clicked, this, &AboutView::closeWindow);
}

void AboutView::openSupportSite()
{
    const QUrl url = supportUrl();
    const bool usable = url.isValid() && !url.scheme().isEmpty() && !url.host().isEmpty();
    // With no browser to take the page, the user reads where to go instead of nothing at all.
    if (!usable || !DesktopOpener::openUrl(url))
        forms::showError(this, QStringLiteral("Le site support n’a pas pu être ouvert : aucun navigateur n’a répondu.\n"
                                              "Adresse : %1").arg(url.toString()));
}

void AboutView::closeWindow()
{
    // The window of this very view, whichever window has the focus.
    if (QWidget* w = window())
        w->close();
}

void AboutWindowController::show()
{
    QPointer<QWidget>& window = slot();
    if (!window) {
        // A small titled, closable window without minimise or resize controls, kept when closed.
        window = new QWidget(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                                          | Qt::WindowCloseButtonHint);
        window->setObjectName(QStringLiteral("aboutWindow"));
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        window->setWindowTitle(QStringLiteral("À propos de Kestrovan"));
        auto* layout = new QVBoxLayout(window);
        layout->setContentsMargins(0, 0, 0, 0);
        window->setFixedSize(500, 320);
        // Escape closes it, as it closes a dialog.
        auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
        QObject::connect(escape, &QShortcut::activated, window, &QWidget::close);
    }
    // Fresh content each time.
    auto* layout = static_cast<QVBoxLayout*>(window->layout());
    while (QLayoutItem* item = layout->takeAt(0)) {
        if (QWidget* w = item->widget())
            w->deleteLater();
        delete item;
    }
    layout->addWidget(new AboutView(window), 0, Qt::AlignCenter);
    centre(window);
    window->show();
    window->raise();
    window->activateWindow();
}

QWidget* AboutWindowController::window()
{
    return slot().data();
}

} // namespace kv
