#pragma once

// A one-line label of plain text that gives way to its neighbours: when the room is short its
// text is cut with "…" at the end, and the whole text is its tool tip. Its width asks for the
// whole text but settles for a few characters, so a long name never widens a screen.

#include <QWidget>

namespace kv {

class ElidedLabel : public QWidget {
    Q_OBJECT
public:
    explicit ElidedLabel(const QString& text = QString(), QWidget* parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString& text);
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
};

} // namespace kv
