#pragma once

// A label of plain text on a few lines at most: a longer text is cut with "…" at the end of its
// last line and shown whole in the tool tip. Its height follows its width, so that a layout gives
// it the lines it will show, never more.

#include <QLabel>

#include <functional>

namespace kv {

class ElidedLinesLabel : public QLabel {
    Q_OBJECT
public:
    ElidedLinesLabel(const QString& text, int maxLines, QWidget* parent = nullptr);

    // The whole text (text() is what shows).
    QString fullText() const { return m_text; }
    // Where the whole text takes more lines than allowed, the longest form `fit` gives that does
    // not (given a test of room) is shown instead: a record's name gives way from what
    // look-alikes share (see nomClientDistinct) before anything is cut with "…".
    using Fit = std::function<QString(const std::function<bool(const QString&)>&)>;
    void setFit(Fit fit);

    int heightForWidth(int width) const override;

    // `text` on `lines` lines of `width` at most, the last one cut with "…" when it goes on.
    static QString cutToLines(const QString& text, const QFont& font, int width, int lines);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void cut();
    QString shownAt(int width) const;

    QString m_text;
    int m_maxLines;
    Fit m_fit;
};

} // namespace kv
