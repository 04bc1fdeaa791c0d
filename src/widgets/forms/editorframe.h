#pragma once

// The frame of a record editor: a header bar (symbol, title, "Annuler", the save button) above
// a scrolling column of sections. Ctrl+Return presses the save button while it is enabled;
// Ctrl+Escape presses "Annuler" (an editor may choose other keys). Escape in an open list, menu or
// dialog of the editor closes only that. The editor supplies the sections' fields.

#include <QKeySequence>
#include <QLayout>
#include <QScrollArea>
#include <QWidget>

class QAbstractButton;
class QLayoutItem;
class QLabel;
class QPushButton;
class QVBoxLayout;

namespace kv {
class ElidedLabel;
}

namespace kv::forms {

class WindowKey;

// A row of a leading part, which takes the room left, and a trailing part (buttons), which keeps
// its width. Too narrow for the trailing part beside the least of the leading one, the trailing
// part goes on a line of its own under it, on the trailing side: buttons stay whole, and the
// row's minimum width is that of the wider part alone. Its height follows its width. A lead
// given a readable width (setLeadReadableWidth) goes on a line of its own as soon as the trailing
// part would leave it less than that; once alone it may still narrow to its minimum.
class TrailingWrapLayout : public QLayout {
public:
    explicit TrailingWrapLayout(QWidget* parent = nullptr);
    ~TrailingWrapLayout() override;

    // The layout takes the items (a QLayout is one) and their widgets.
    void setLead(QLayoutItem* item);
    void setTrail(QLayoutItem* item);
    void setLead(QWidget* w) { setLead(new QWidgetItem(w)); }
    void setTrail(QWidget* w) { setTrail(new QWidgetItem(w)); }
    // The least width the lead keeps beside the trailing part (its size hint when smaller).
    void setLeadReadableWidth(int width);
    QLayoutItem* lead() const { return m_lead; }
    // True when both parts stand on one line at this width of the layout.
    bool oneLineAt(int width) const;

    void addItem(QLayoutItem*) override {}
    int count() const override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    Qt::Orientations expandingDirections() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize minimumSize() const override;
    QSize sizeHint() const override;
    void setGeometry(const QRect& rect) override;

private:
    static bool shown(const QLayoutItem* item);
    void take(QLayoutItem* item);
    QList<QLayoutItem*> present() const;
    int layOut(const QRect& rect, bool apply) const;

    QLayoutItem* m_lead = nullptr;
    QLayoutItem* m_trail = nullptr;
    int m_leadReadable = 0;
};

// A scroll area that scrolls its form up and down only: its minimum width is the form's, so
// that what stands beside it gives way first.
class VerticalScrollArea : public QScrollArea {
public:
    explicit VerticalScrollArea(QWidget* parent = nullptr);
    QSize minimumSizeHint() const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// Rows of a label and its field. Where the width allows, the labels stand in a column of their
// own (at least `labelWidth` wide, aligned to its trailing edge) beside their fields; where it is
// too narrow for both side by side, each label stands above its field. Its minimum width is
// that of the stacked form, so a narrow pane never scrolls sideways; its height follows its width.
class FormRowsLayout : public QLayout {
public:
    explicit FormRowsLayout(QWidget* parent = nullptr);
    ~FormRowsLayout() override;

    void setLabelWidth(int width);
    int labelWidth() const { return m_labelWidth; }
    // Appends a row; `label` may be null (a row of fields under the previous ones). A field that
    // cannot grow keeps its own width, on the leading side.
    void addRow(QLabel* label, QLayoutItem* field);
    void addRow(QLabel* label, QWidget* field);
    // Appends a line under the fields, as wide as they are (a message); it takes no room while hidden.
    void addUnderFields(QWidget* widget);
    // Inserts a row holding `widget` right under the row whose field is `field` (a widget or a
    // layout); false when no row holds it.
    bool insertUnder(const QObject* field, QWidget* widget);
    // True when the labels stand beside their fields at this width of the layout.
    bool labelsBesideAt(int width) const;
    bool labelsBeside() const { return m_beside; }
    int rowCount() const { return int(m_rows.size()); }

    void addItem(QLayoutItem* item) override;
    int count() const override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    Qt::Orientations expandingDirections() const override { return Qt::Horizontal; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize minimumSize() const override;
    QSize sizeHint() const override;
    void setGeometry(const QRect& rect) override;
    void invalidate() override;

private:
    struct Row {
        QLayoutItem* label = nullptr;
        QLayoutItem* field = nullptr;
    };
    int labelColumn() const;
    int widestField() const;
    // Places the rows in `rect` (only measures when `apply` is false); returns the height used.
    int layOut(const QRect& rect, bool apply) const;

    QList<Row> m_rows;
    int m_labelWidth = 120;
    bool m_beside = true;
    mutable int m_cachedWidth = -1;
    mutable int m_cachedHeight = 0;
};

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
    void setLabelWidth(int width);

    // The rows' layout (made with the first row).
    FormRowsLayout* rows();

private:
    void placeMessages(QLayoutItem* fields);
    QString m_title;
    QVBoxLayout* m_content = nullptr;
    FormRowsLayout* m_rows = nullptr;
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
    // The width at which the header shows its title whole beside its buttons.
    int wholeHeaderWidth() const;
    void setSaveText(const QString& text);
    void setSaveEnabled(bool enabled);
    QPushButton* saveButton() const { return m_save; }
    // The record edited was deleted elsewhere: says so under the header, and saves nothing more.
    void showRecordGone();
    bool recordGone() const { return m_gone; }
    QPushButton* cancelButton() const { return m_cancel; }

    // Appends a section to the body.
    FormSection* addSection(const QString& title, const QString& symbol);
    // The section with this title, or null.
    FormSection* section(const QString& title) const;

signals:
    void saveRequested();
    void cancelRequested();

protected:
    void changeEvent(QEvent* event) override;

private:
    // The title keeps room for its first words beside the buttons, else stands above them.
    void keepTitleReadable();

    WindowKey* m_cancelKey = nullptr;
    TrailingWrapLayout* m_bar = nullptr;
    QWidget* m_symbol = nullptr;
    // Cut with "…" (the whole title in its tool tip) so that the buttons stay whole.
    ElidedLabel* m_title = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_save = nullptr;
    QVBoxLayout* m_body = nullptr;
    bool m_gone = false;
};

// The keys that save an editor: Ctrl+Return (Enter on the keypad too) and Ctrl+S press `save`
// while it is enabled and `owner` is shown, within `context`.
void addSaveKeys(QWidget* owner, QAbstractButton* save, Qt::ShortcutContext context = Qt::WindowShortcut);

// The look of a form's main action: a flat fill of `fill` (a gradient would lighten it), written in
// the ink the contrast rule picks for it, greyed when disabled, a dark line round it when focused.
QString accentButtonStyle(const QColor& fill);

// A red button for the "Danger zone" sections.
QPushButton* makeDangerButton(const QString& text, QWidget* parent = nullptr);

// Outlines a widget (a field or a row) in red at half opacity, drawn over it, or removes it.
void setInvalidOutline(QWidget* target, bool invalid);
bool hasInvalidOutline(const QWidget* target);

} // namespace kv::forms
