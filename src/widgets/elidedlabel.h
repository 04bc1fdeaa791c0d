#pragma once

// A one-line label of plain text that gives way to its neighbours: when the room is short its
// text is cut with "…" at the end, and the whole text is its tool tip. Its width asks for the
// whole text but settles for a few characters, so a long name never widens a screen.

#include <QWidget>

#include <functional>

namespace kv {

class ElidedLabel : public QWidget {
    Q_OBJECT
public:
    explicit ElidedLabel(const QString& text = QString(), QWidget* parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString& text);
    // Where the whole text does not find room, the longest form `fit` gives that does (given a
    // test of room) is shown instead, cut with "…" only when even that is too long: a label that
    // names a record gives way from what look-alikes share (see nomClientDistinct).
    using Fit = std::function<QString(const std::function<bool(const QString&)>&)>;
    void setText(const QString& text, Fit fit);
    // The text as painted now ("…" at its end when cut).
    QString shownText() const;
    bool isElided() const { return shownText() != m_text; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void updateToolTip();

    QString m_text;
    Fit m_fit;
};

} // namespace kv
