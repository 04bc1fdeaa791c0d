#include "colorfield.h"

#include "widgets/focusguard.h"

#include "formstyle.h"

#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QToolButton>

namespace kv::forms {

namespace {

class Swatch : public QWidget {
public:
    explicit Swatch(QWidget* parent) : QWidget(parent) { setFixedSize(28, 20); }
    QColor color;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        // Outlined where the colour alone would not stand out from the panel.
        p.setPen(QPen(inkOnAll(color, {palette().color(QPalette::Window), palette().color(QPalette::AlternateBase)}, 3.0), 1));
        p.setBrush(color);
        p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    }
};

} // namespace

ColorField::ColorField(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);

    m_picker = new QToolButton(this);
    m_picker->setObjectName(QStringLiteral("colorPicker"));
    m_picker->setAccessibleName(QStringLiteral("Couleur"));
    m_picker->setToolTip(QStringLiteral("Choisir la couleur"));
    m_picker->setFixedSize(44, 24);
    layout->addWidget(m_picker);

    m_swatch = new Swatch(this);
    layout->addWidget(m_swatch);

    m_label = new QLabel(this);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPointSizeF(fontFor(TextStyle::Caption, font()).pointSizeF());
    m_label->setFont(mono);
    QPalette p = m_label->palette();
    p.setColor(QPalette::WindowText, toneColor(Tone::Secondary, p.color(QPalette::WindowText)));
    m_label->setPalette(p);
    m_label->setTextInteractionFlags(Qt::NoTextInteraction);
    m_label->setContextMenuPolicy(Qt::CustomContextMenu);
    layout->addWidget(m_label);
    layout->addStretch(1);

    connect(m_picker, &QToolButton::clicked, this, &ColorField::openPicker);
    connect(m_label, &QLabel::customContextMenuRequested, this, [this](const QPoint& pos) {
        auto* menu = new QMenu(this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->addAction(symbolIcon(QStringLiteral("doc.on.doc")),
                        QStringLiteral("Copier le code couleur"), this, &ColorField::copyHexText);
        menu->popup(m_label->mapToGlobal(pos));
    });
    refresh();
}

void ColorField::setColor(const QColor& color)
{
    if (color.isValid() && color.toRgb() == m_color.toRgb() && m_color.isValid())
        return;
    m_color = color;
    m_hex = toHex(color);
    refresh();
}

void ColorField::loadStoredText(const QString& stored)
{
    const QColor before = m_color;
    if (const std::optional<QColor> parsed = colorFromHex(stored))
        m_color = *parsed;
    m_hex = stored;
    const bool colorChanged = before.isValid() != m_color.isValid()
                              || (m_color.isValid() && before.toRgb() != m_color.toRgb());
    if (colorChanged)
        m_hex = toHex(m_color);
    refresh();
}

void ColorField::loadDefault(const QColor& color)
{
    m_color = color;
    m_hex = toHex(color);
    refresh();
}

void ColorField::setHexText(const QString& text)
{
    m_hex = text;
    refresh();
}

void ColorField::setDisplayTransform(std::function<QString(const QString&)> transform)
{
    m_display = std::move(transform);
    refresh();
}

void ColorField::copyHexText() const
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(m_hex);
}

void ColorField::openPicker()
{
    if (m_dialog) {
        m_dialog->raise();
        return;
    }
    m_dialog = new QColorDialog(m_color.isValid() ? m_color : QColor(Qt::white), this);
    m_dialog->setAttribute(Qt::WA_DeleteOnClose);
    m_dialog->setWindowTitle(QStringLiteral("Couleur"));
    m_dialog->setOption(QColorDialog::ShowAlphaChannel, false);
    connect(m_dialog, &QColorDialog::colorSelected, this, [this](const QColor& c) {
        QColor opaque = c.toRgb();
        opaque.setAlpha(255);
        setColor(opaque);
        emit colorPicked(opaque);
    });
    m_dialog->open();
}

void ColorField::refresh()
{
    static_cast<Swatch*>(m_swatch)->color = m_color;
    m_swatch->update();
    // Reached with Tab, the button shows a focus frame like any other control.
    // Its edge stands out from the panel whatever the colour; the focus frame is in the ink that
    // reads on the colour.
    const QPalette& p = palette();
    const QColor fond = m_color.isValid() ? m_color : p.color(QPalette::Base);
    m_picker->setStyleSheet(QStringLiteral("QToolButton#colorPicker { background: %1;"
                                           " border: 1px solid %2;"
                                           " border-radius: 4px; }"
                                           "QToolButton#colorPicker:focus { border: 2px solid %3; }")
                                .arg(m_color.isValid() ? m_color.name() : QStringLiteral("transparent"),
                                     inkOnAll(fond, {p.color(QPalette::Window), p.color(QPalette::AlternateBase)}, 3.0).name(),
                                     textColorOn(fond).name()));
    m_label->setText(m_display ? m_display(m_hex) : m_hex);
    emit changed();
}

ColorField::~ColorField()
{
    releaseFocusWithin(this);
}

} // namespace kv::forms
