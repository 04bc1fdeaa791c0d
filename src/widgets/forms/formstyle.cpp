#include "formstyle.h"

#include "model/helpers.h"

#include <QHash>

namespace kv::forms {

QFont fontFor(TextStyle style, const QFont& base)
{
    QFont f = base;
    const qreal size = base.pointSizeF() > 0 ? base.pointSizeF() : 10.0;
    switch (style) {
    case TextStyle::Body:
        break;
    case TextStyle::Headline:
        f.setWeight(QFont::DemiBold);
        break;
    case TextStyle::Callout:
        f.setPointSizeF(size * 0.92);
        break;
    case TextStyle::Subheadline:
        f.setPointSizeF(size * 0.85);
        break;
    case TextStyle::Caption:
        f.setPointSizeF(size * 0.78);
        break;
    case TextStyle::Title3:
        f.setPointSizeF(size * 1.45);
        f.setBold(true);
        break;
    }
    return f;
}

QColor toneColor(Tone tone, const QColor& text)
{
    QColor c = text;
    switch (tone) {
    case Tone::Primary:
        break;
    case Tone::Secondary:
        c.setAlphaF(0.62f);
        break;
    case Tone::Tertiary:
        c.setAlphaF(0.42f);
        break;
    case Tone::Quaternary:
        c.setAlphaF(0.22f);
        break;
    }
    return c;
}

QIcon symbolIcon(const QString& name)
{
    // Symbol names of the screens mapped to freedesktop icon names.
    static const QHash<QString, QString> themeNames = {
        {"plus", "list-add"},
        {"trash", "edit-delete"},
        {"doc.on.doc", "edit-copy"},
        {"checkmark.circle.fill", "emblem-ok"},
        {"person.2", "system-users"},
        {"person.crop.square", "avatar-default"},
        {"person.text.rectangle", "contact-new"},
        {"person.2.crop.square.stack", "system-users"},
        {"person.crop.rectangle.stack", "system-users"},
        {"plus.circle.fill", "list-add"},
        {"mappin.and.ellipse", "find-location"},
        {"phone", "call-start"},
        {"envelope", "mail-unread"},
        {"exclamationmark.triangle", "dialog-warning"},
        {"shippingbox", "package-x-generic"},
        {"shippingbox.fill", "package-x-generic"},
        {"eye", "view-reveal"},
        {"wrench.and.screwdriver", "preferences-system"},
        {"puzzlepiece.extension", "application-x-addon"},
        {"note.text", "accessories-text-editor"},
        {"xmark.circle.fill", "edit-clear"},
    };
    const QString theme = themeNames.value(name, name);
    QIcon icon = QIcon::fromTheme(theme);
    if (icon.isNull())
        icon = QIcon::fromTheme(theme + QStringLiteral("-symbolic"));
    return icon;
}

std::optional<QColor> colorFromHex(const QString& text)
{
    const std::optional<CouleurRVB> c = couleurDepuisHex(text);
    if (!c)
        return std::nullopt;
    return QColor::fromRgbF(float(c->rouge), float(c->vert), float(c->bleu));
}

QString hexFromColor(const QColor& color)
{
    if (!color.isValid())
        return QStringLiteral("000000");
    // The 8-bit components divided by 255 give back exactly the same bytes when multiplied again.
    const QColor rgb = color.toRgb();
    return hexDepuisCouleur({rgb.red() / 255.0, rgb.green() / 255.0, rgb.blue() / 255.0});
}

QColor standardGreen()
{
    return QColor(0x00, 0xFF, 0x00);
}

QColor standardGrey()
{
    return QColor(0x80, 0x80, 0x80);
}

QLabel* makeFieldLabel(const QString& text, int width, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setFixedWidth(width);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, toneColor(Tone::Secondary, p.color(QPalette::WindowText)));
    label->setPalette(p);
    return label;
}

} // namespace kv::forms
