#pragma once

// The colour row of the editors: a picker button (a colour dialog without opacity), a swatch
// of 28 by 20 and the colour text, whose context menu offers "Copier le code couleur".
//
// The field keeps two values, as the editors do: the colour shown (picker and swatch) and the
// colour text that is saved. Whenever the shown colour changes, by the picker or by loading,
// the text becomes its six upper-case hexadecimal digits.

#include <QColor>
#include <QColorDialog>
#include <QPointer>
#include <QWidget>


class QLabel;
class QToolButton;

namespace kv::forms {

class ColorField : public QWidget {
    Q_OBJECT
public:
    explicit ColorField(QWidget* parent = nullptr);
    ~ColorField() override;

    QColor color() const { return m_color; }
    // The text that is saved (and copied).
    QString hexText() const { return m_hex; }

    // Shows `color`; when it differs from the colour shown, the text becomes its hex digits.
    void setColor(const QColor& color);
    // Loads a stored colour text: a valid text changes the colour shown (see setColor); then
    // the text is the stored one, unless the colour shown changed.
    void loadStoredText(const QString& stored);
    // Loads a default colour: shown, and the text is its hex digits.
    void loadDefault(const QColor& color);
    // Replaces the text without touching the colour.
    void setHexText(const QString& text);
    // How the text is shown (it is shown unchanged unless set).
    void setDisplayTransform(std::function<QString(const QString&)> transform);

    QToolButton* pickerButton() const { return m_picker; }
    QLabel* hexLabel() const { return m_label; }

    // Clears the clipboard, then puts the colour text on it.
    void copyHexText() const;
    // The picker's dialog while it is open (also for tests), else null.
    QColorDialog* openDialog() const { return m_dialog; }

signals:
    // The user picked a colour.
    void colorPicked(const QColor& color);
    // The colour shown or the text changed.
    void changed();

private:
    void openPicker();
    void refresh();

    QColor m_color;
    QString m_hex;
    std::function<QString(const QString&)> m_display;
    QToolButton* m_picker = nullptr;
    QWidget* m_swatch = nullptr;
    QLabel* m_label = nullptr;
    QPointer<QColorDialog> m_dialog;
};

} // namespace kv::forms
