#include "numberfield.h"

#include "model/helpers.h"
#include "widgets/plaintext.h"

#include "widgets/focusguard.h"

#include "formstyle.h"

#include <QEvent>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QVBoxLayout>

#include <cmath>

namespace kv::forms {

NumberField::NumberField(Kind kind, bool optional, QWidget* parent)
    : QWidget(parent), m_kind(kind), m_optional(optional)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    m_edit = new QLineEdit(this);
    m_edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont f = fontFor(TextStyle::Callout, font());
    f.setStyleHint(QFont::Monospace);
    m_edit->setFont(f);
    layout->addWidget(m_edit);
    m_message = new QLabel(this);
    m_message->setFont(fontFor(TextStyle::Caption, font()));
    m_message->setStyleSheet(
        QStringLiteral("color: %1;").arg(dangerTextColor(palette().color(QPalette::Window)).name()));
    m_message->setWordWrap(true);
    m_message->setObjectName(QStringLiteral("numberFieldMessage"));
    m_message->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_message->hide();
    layout->addWidget(m_message);
    setFocusProxy(m_edit);

    connect(m_edit, &QLineEdit::editingFinished, this, &NumberField::commit);
    display();
}

void NumberField::setValue(std::optional<double> value)
{
    if (value && !std::isfinite(*value))
        value.reset();
    m_value = value;
    if (m_kind == Kind::Whole)
        m_whole = value ? std::optional<qint64>(qint64(std::trunc(*value))) : std::nullopt;
    display();
}

void NumberField::setWholeValue(std::optional<qint64> value)
{
    m_whole = value;
    m_value = value ? std::optional<double>(double(*value)) : std::nullopt;
    display();
}

bool NumberField::commit()
{
    const bool ok = readText();
    emit committed();
    return ok;
}

bool NumberField::readText()
{
    const QString text = m_edit->text().trimmed();
    // A text left as shown holds the kept value: it is not read again, so a stored value (even
    // one outside the range, or with more decimals than shown) stays exactly as it is.
    // Typed back after a refused one, it is the kept value again: the refusal goes with it.
    if (!text.isEmpty() && m_edit->text() == m_shown) {
        m_outOfRange = false;
        showMessage(QString());
        return true;
    }
    bool ok = false;
    std::optional<double> v;
    std::optional<qint64> whole;
    if (text.isEmpty()) {
        ok = m_optional;
    } else if (m_kind == Kind::Whole) {
        whole = parseWhole(text, &ok);
        if (ok) {
            v = double(*whole);
        } else if (const std::optional<double> beyond = parseDecimal(text, &ok); ok && m_plage
                   && !m_plage->contient(*beyond)) {
            // A number too large to be read as a whole one is a number all the same: it is told
            // its range, as a smaller one past the range is.
            m_outOfRange = true;
            showMessage(textePlage(m_nomChamp, *m_plage));
            return false;
        } else {
            ok = false;
        }
    } else {
        v = parseDecimal(text, &ok);
    }
    if (!ok) {
        showMessage(text.isEmpty()
                        ? QStringLiteral("Valeur obligatoire : la valeur précédente est conservée.")
                        : QStringLiteral("« %1 » n’est pas un nombre : la valeur précédente est conservée.")
                              .arg(shortened(text)));
        display();
        return false;
    }
    if (v && !inRange(*v)) {
        // The text stays for the user to mend; the value is unchanged.
        m_outOfRange = true;
        showMessage(textePlage(m_nomChamp, *m_plage));
        return false;
    }
    bool changed = false;
    if (text.isEmpty()) {
        changed = m_value.has_value() || m_whole.has_value();
        m_value.reset();
        m_whole.reset();
    } else if (m_kind == Kind::Whole) {
        changed = m_whole != whole;
        m_whole = whole;
        m_value = v;
    } else {
        changed = m_value != v;
        m_value = v;
    }
    showMessage(QString());
    display();
    if (changed)
        emit valueChanged();
    return true;
}

void NumberField::showMessage(const QString& text)
{
    m_message->setText(text);
    m_message->setVisible(!text.isEmpty());
}

void NumberField::setRange(const Plage& plage, const QString& nomChamp)
{
    m_plage = plage;
    m_nomChamp = nomChamp;
}

bool NumberField::inRange(double v) const
{
    return !m_plage || m_plage->contient(v);
}

QString NumberField::message() const
{
    return m_message->isHidden() ? QString() : m_message->text();
}

void NumberField::setFieldWidth(int width)
{
    m_edit->setFixedWidth(width);
}

void NumberField::setFixedDecimals(int decimals)
{
    m_fixedDecimals = decimals;
    display();
}

void NumberField::setPlaceholderText(const QString& text)
{
    m_edit->setPlaceholderText(text);
}

void NumberField::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LocaleChange)
        display();
    QWidget::changeEvent(event);
}

void NumberField::display()
{
    const QLocale locale;
    if (m_kind == Kind::Whole)
        m_shown = m_whole ? locale.toString(*m_whole) : QString();
    else
        m_shown = m_value ? locale.toString(*m_value, 'f',
                                            m_fixedDecimals >= 0 ? m_fixedDecimals : QLocale::FloatingPointShortest)
                          : QString();
    m_edit->setText(m_shown);
    m_outOfRange = false;
}

QString NumberField::shortened(const QString& typed)
{
    // A message never grows with what was typed: a long text is quoted by its beginning.
    return quotedBeginning(typed, 12);
}

std::optional<double> NumberField::parseDecimal(const QString& text, bool* ok) const
{
    return lireNombre(text, ok);
}

std::optional<qint64> NumberField::parseWhole(const QString& text, bool* ok) const
{
    const std::optional<QString> compact = sansGroupes(text);
    const qint64 v = compact ? QLocale::c().toLongLong(*compact, ok) : 0;
    *ok = compact && *ok;
    return *ok ? std::optional<qint64>(v) : std::nullopt;
}

NumberField::~NumberField()
{
    releaseFocusWithin(this);
}

} // namespace kv::forms
