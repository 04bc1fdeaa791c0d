#include "desktop.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QTranslator>
#include <QWidget>

namespace kv {

bool installQtTranslations(const QLocale& locale)
{
    auto* translator = new QTranslator(qApp);
    if (!translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

namespace {

QRect centredIn(const QRect& area, QSize size, QSize minimum)
{
    size = size.boundedTo(QSize(area.width() * 9 / 10, area.height() * 9 / 10)).expandedTo(minimum).boundedTo(area.size());
    QRect r(QPoint(0, 0), size);
    r.moveCenter(area.center());
    return r;
}

} // namespace

QRect placeWindow(const std::optional<QRect>& saved, const QList<QRect>& available, const QRect& primary,
                  QSize preferred, QSize minimum)
{
    if (saved && saved->isValid()) {
        for (const QRect& area : available) {
            if (!area.contains(saved->center()))
                continue;
            QRect r(saved->topLeft(), saved->size().expandedTo(minimum).boundedTo(area.size()));
            r.moveLeft(std::clamp(r.left(), area.left(), area.right() - r.width() + 1));
            r.moveTop(std::clamp(r.top(), area.top(), area.bottom() - r.height() + 1));
            return r;
        }
        return centredIn(primary, saved->size(), minimum);
    }
    return centredIn(primary, preferred, minimum);
}

void saveWindowGeometry(const QWidget* window, QSettings& settings, const QString& key)
{
    // The frame the window has when it is neither maximised nor full screen, and whether it is
    // maximised: restoring puts the window back where it was, then maximises it again.
    const bool maximized = window->isMaximized();
    settings.setValue(key + QStringLiteral("/frame"), maximized ? window->normalGeometry() : window->geometry());
    settings.setValue(key + QStringLiteral("/maximized"), maximized);
}

void restoreWindowGeometry(QWidget* window, const QSettings& settings, const QString& key)
{
    QList<QRect> available;
    for (QScreen* s : QGuiApplication::screens())
        available.append(s->availableGeometry());
    const QScreen* primaryScreen = QGuiApplication::primaryScreen();
    const QRect primary = primaryScreen ? primaryScreen->availableGeometry() : QRect(0, 0, 1280, 800);
    std::optional<QRect> saved;
    if (const QVariant frame = settings.value(key + QStringLiteral("/frame")); frame.canConvert<QRect>())
        saved = frame.toRect();
    window->setGeometry(placeWindow(saved, available, primary, kDefaultWindowSize, window->minimumSize()));
    if (settings.value(key + QStringLiteral("/maximized")).toBool())
        window->setWindowState(window->windowState() | Qt::WindowMaximized);
}

void keepSplitterState(QSplitter* splitter, QSettings* settings, const QString& key)
{
    if (!settings)
        return;
    const QByteArray state = settings->value(key).toByteArray();
    if (!state.isEmpty())
        splitter->restoreState(state);
    QObject::connect(splitter, &QSplitter::splitterMoved, splitter,
                     [splitter, settings, key] { settings->setValue(key, splitter->saveState()); });
}

} // namespace kv
