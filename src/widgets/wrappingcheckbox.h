#pragma once

#include <QCheckBox>

namespace kv {

// A check box whose text wraps onto more lines in a narrow panel rather than being cut: the
// whole text always shows (its height follows its width), and the box answers a click anywhere
// on it.
class WrappingCheckBox : public QCheckBox {
public:
    explicit WrappingCheckBox(const QString& text, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    // As narrow as its longest word.
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
    void paintEvent(QPaintEvent* event) override;

private:
    // The box, its spacing and the style's margins: what the check box adds to its text.
    int margin() const;
};

} // namespace kv
