#pragma once

#include "observable.h"

#include <QPointF>
#include <QScrollArea>

#include <functional>

namespace kv {

// A scroll area whose scroll position is a shared value: a scroll by the user writes the
// position (the origin of the visible area within the content, top-left, y downwards) into
// `offset`, and a write to `offset` by anyone else moves the view. Two views sharing one offset
// scroll together. A move made by the view itself is never written back.
class SyncNSScrollView : public QScrollArea {
    Q_OBJECT
public:
    SyncNSScrollView(Qt::Orientations axes, Observable<QPointF> offset,
                     std::function<QWidget*()> content, QWidget* parent = nullptr);

    Qt::Orientations axes() const { return m_axes; }
    Observable<QPointF> offset() const { return m_offset; }
    // The visible origin as it stands.
    QPointF currentOrigin() const;

    // Applies the bound offset (moving nothing when the view already stands there) and builds
    // the content afresh.
    void updateView();

protected:
    // Once laid out, the view stands at the bound offset.
    void showEvent(QShowEvent* event) override;

private:
    void applyOffset();
    void didScroll();

    Qt::Orientations m_axes;
    Observable<QPointF> m_offset;
    std::function<QWidget*()> m_content;
    bool m_isProgrammaticScroll = false;
};

} // namespace kv
