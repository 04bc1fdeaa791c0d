#pragma once

// A row of widgets that goes on to a new line when the width runs short, instead of pushing the
// screen wider: each line is filled in order, aligned on the leading or the trailing side.

#include <QLayout>
#include <QList>

namespace kv {

class FlowLayout : public QLayout {
public:
    explicit FlowLayout(QWidget* parent = nullptr, int hSpacing = 12, int vSpacing = 8);
    ~FlowLayout() override;

    // Lines aligned on the trailing side (true) rather than the leading one.
    void setTrailing(bool trailing) { m_trailing = trailing; invalidate(); }

    void addItem(QLayoutItem* item) override;
    int count() const override { return int(m_items.size()); }
    QLayoutItem* itemAt(int index) const override { return m_items.value(index); }
    QLayoutItem* takeAt(int index) override;
    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize minimumSize() const override;
    QSize sizeHint() const override;
    void setGeometry(const QRect& rect) override;

private:
    // Lays the items out in `rect` (only measures when `apply` is false); returns the height used.
    int layOut(const QRect& rect, bool apply) const;

    QList<QLayoutItem*> m_items;
    int m_hSpacing;
    int m_vSpacing;
    bool m_trailing = false;
};

} // namespace kv
