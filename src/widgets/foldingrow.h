#pragma once

// A row of widgets that stands in one line when the room allows and folds into a column when it
// does not, so that a narrow window never scrolls sideways to reach the row's end.

#include <QWidget>

class QBoxLayout;
class QLayoutItem;

namespace kv {

class FoldingRow : public QWidget {
public:
    explicit FoldingRow(QWidget* parent = nullptr);

    // The row's layout: add the widgets here (stretches and spacing are kept).
    QBoxLayout* row() const { return m_row; }
    bool folded() const;

    // Worked out from the widgets each time, in one line or folded as the row stands: a hint kept
    // from before a fold would give the row less room than it asks for until something else lays
    // its parent out again.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QList<QLayoutItem*> items() const;
    int widthInOneLine() const;
    void fold(int width);

    QBoxLayout* m_row;
};

} // namespace kv
