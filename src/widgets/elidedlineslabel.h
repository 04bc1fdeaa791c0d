#pragma once

// A label of plain text on a few lines at most: a longer text is cut with "…" at the end of its
// last line and shown whole in the tool tip. Its height follows its width, so that a layout gives
// it the lines it will show, never more.

#include <QLabel>

namespace kv {

class ElidedLinesLabel : public QLabel {
    Q_OBJECT
public:
    ElidedLinesLabel(const QString& text, int maxLines, QWidget* parent = nullptr);

    // The whole text (text() is what shows).
    QString fullText() const { return m_text; }

    int heightForWidth(int width) const override;

    // `text` on `lines` lines of `width` at most, the last one cut with "…" when it goes on.
    static QString cutToLines(const QString& text, const QFont& font, int width, int lines);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void cut();

    QString m_text;
    int m_maxLines;
};

} // namespace kv
