#pragma once

// The frame of a record editor: a header bar (symbol, title, "Annuler", the save button) above
// a scrolling column of sections. Ctrl+Return presses the save button while it is enabled;
// Ctrl+Escape presses "Annuler" (an editor may choose other keys). Escape in an open list, menu or
// dialog of the editor closes only that. The editor supplies the sections' fields.

#include <QKeySequence>
#include <QWidget>

class QGridLayout;
class QLayoutItem;
class QLabel;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

namespace kv::forms {

class WindowKey;

// A titled box of the editor body: a header (symbol and title) above a framed box whose
// content is either rows of label and field (addRow) or free widgets (content()).
class FormSection : public QWidget {
    Q_OBJECT
public:
    FormSection(const QString& title, const QString& symbol, QWidget* parent = nullptr);

    QString title() const { return m_title; }
    // The box's own layout (margin 12).
    QVBoxLayout* content() const { return m_content; }
    // Appends a row starting with a field label; returns the row index.
    int addRow(const QString& label, QWidget* field);
    int addRow(const QString& label, QLayout* field);
    void setLabelWidth(int width) { m_labelWidth = width; }

private:
    QGridLayout* grid();
    void placeMessages(QLayoutItem* fields);
    QString m_title;
    QVBoxLayout* m_content = nullptr;
    QGridLayout* m_grid = nullptr;
    int m_labelWidth = 120;
};

class EditorFrame : public QWidget {
    Q_OBJECT
public:
    EditorFrame(const QString& symbol, const QString& title, QWidget* parent = nullptr);
    ~EditorFrame() override;

    // The keys that press "Annuler" (Ctrl+Escape unless set).
    void setCancelKeys(const QKeySequence& keys);
    void setTitle(const QString& title);
    QString title() const;
    void setSaveText(const QString& text);
    void setSaveEnabled(bool enabled);
    QPushButton* saveButton() const { return m_save; }
    QPushButton* cancelButton() const { return m_cancel; }

    // Appends a section to the body.
    FormSection* addSection(const QString& title, const QString& symbol);
    // The section with this title, or null.
    FormSection* section(const QString& title) const;

signals:
    void saveRequested();
    void cancelRequested();

private:
    WindowKey* m_cancelKey = nullptr;
    QLabel* m_title = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_save = nullptr;
    QVBoxLayout* m_body = nullptr;
};

// A red button for the "Danger zone" sections.
QPushButton* makeDangerButton(const QString& text, QWidget* parent = nullptr);

// Outlines a widget (a field or a row) in red at half opacity, drawn over it, or removes it.
void setInvalidOutline(QWidget* target, bool invalid);
bool hasInvalidOutline(const QWidget* target);

} // namespace kv::forms
