#pragma once

// A number typed in the user's locale ("12,5" in French). The text is read when the field
// commits (Return or leaving it): empty means no value for an optional field; a text that does
// not read as a finite number is refused, the value kept is shown again and a short message
// says so until the next accepted text. Whole fields take 64-bit integers. A field given a range
// refuses a typed value outside it: the text stays for the user to mend, the value is unchanged
// and the message names the field and the range. A text left as shown is not read again, so a
// stored value outside the range stays as it is until the user types another.

#include "model/plages.h"

#include <QWidget>

#include <optional>

class QLabel;
class QLineEdit;

namespace kv::forms {

class NumberField : public QWidget {
    Q_OBJECT
public:
    enum class Kind { Decimal, Whole };
    explicit NumberField(Kind kind = Kind::Decimal, bool optional = true, QWidget* parent = nullptr);
    ~NumberField() override;

    std::optional<double> value() const { return m_value; }
    std::optional<qint64> wholeValue() const { return m_whole; }
    // Shows a value (no signal). A value that is not finite is shown as empty.
    void setValue(std::optional<double> value);
    void setWholeValue(std::optional<qint64> value);

    // Reads what is typed. Returns false when the text was refused (the value is unchanged).
    bool commit();
    // The message shown after a refused text; empty otherwise.
    QString message() const;
    // Whether the field holds a typed text refused for lying outside its range.
    bool outOfRange() const { return m_outOfRange; }

    // The values accepted from what is typed, and the field's name in the message.
    void setRange(const Plage& plage, const QString& nomChamp);

    // Shows decimal values with exactly this many fraction digits (-1, the default: as few as
    // the value needs).
    void setFixedDecimals(int decimals);

    QLineEdit* lineEdit() const { return m_edit; }
    // The label of the message. It stands under the field; a form row puts it on a line of its
    // own under its fields, as wide as they are (FormSection does).
    QLabel* messageLabel() const { return m_message; }
    void setFieldWidth(int width);
    void setPlaceholderText(const QString& text);

signals:
    // A committed text changed the value.
    void valueChanged();
    // A text was read (accepted or refused): a form enables its save by outOfRange() of every
    // field, the same rule for each.
    void committed();

protected:
    void changeEvent(QEvent* event) override;

private:
    bool readText();
    void display();
    void showMessage(const QString& text);
    static QString shortened(const QString& typed);
    std::optional<double> parseDecimal(const QString& text, bool* ok) const;
    std::optional<qint64> parseWhole(const QString& text, bool* ok) const;
    bool inRange(double v) const;

    Kind m_kind;
    bool m_optional;
    int m_fixedDecimals = -1;
    std::optional<Plage> m_plage;
    QString m_nomChamp;
    QString m_shown; // the text display() last wrote
    bool m_outOfRange = false;
    std::optional<double> m_value;
    std::optional<qint64> m_whole;
    QLineEdit* m_edit = nullptr;
    QLabel* m_message = nullptr;
};

} // namespace kv::forms
