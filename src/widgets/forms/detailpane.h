#pragma once

#include <functional>

// The detail side of a list screen: an empty-state placeholder (symbol, title, description)
// or the editor of the record chosen. The pane owns the editor; going back to the placeholder
// destroys it, so the next editor starts afresh.

#include <QWidget>

class QKeyEvent;
class QLabel;
class QSplitter;
class QStackedLayout;

namespace kv::forms {

class EmptyState : public QWidget {
    Q_OBJECT
public:
    EmptyState(const QString& symbol, const QString& title, const QString& description,
               QWidget* parent = nullptr);
    QString title() const { return m_title; }

    // The symbol at a size in points and in one colour, the title in the secondary colour (the
    // look of the waste types' placeholder).
    void setSymbolLook(qreal points, const QColor& color);
    void setTitleSecondary();

    QLabel* symbolLabel() const { return m_symbolLabel; }
    QLabel* titleLabel() const { return m_titleLabel; }

private:
    QString m_title;
    QString m_symbol;
    QLabel* m_symbolLabel = nullptr;
    QLabel* m_titleLabel = nullptr;
};

class DetailPane : public QWidget {
    Q_OBJECT
public:
    explicit DetailPane(EmptyState* placeholder, QWidget* parent = nullptr);
    ~DetailPane() override;

    QWidget* editor() const { return m_editor; }
    bool showsPlaceholder() const { return !m_editor; }
    // Shows `editor` in place of the current one (which is destroyed); takes ownership.
    void setEditor(QWidget* editor);
    void showPlaceholder();
    // Scrolls the editor's forms back to their top.
    void scrollEditorToTop();
    // Scrolls the editor so that the widget holding the focus is in view.
    void revealFocus();

signals:
    // Escape in the editor that nothing in it took (no open list, no date being typed): the
    // keyboard goes back to where the record was chosen. The editor stays open, its typed work
    // kept.
    void escaped();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QStackedLayout* m_stack = nullptr;
    QWidget* m_placeholder = nullptr;
    QWidget* m_editor = nullptr;
};

// The sidebar and the detail pane side by side; the sidebar's width is kept within min…max.
// With `sidebarWanted`, the width the sidebar's rows need to show whole: the sidebar takes it
// (within min…max) before the detail takes the rest; call refitSplitView() when it changes.
QSplitter* makeSplitView(QWidget* sidebar, QWidget* detail, int minWidth, int idealWidth,
                         int maxWidth, QWidget* parent = nullptr, std::function<int()> sidebarWanted = {});
void refitSplitView(QSplitter* split);

} // namespace kv::forms
