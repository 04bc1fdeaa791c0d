#pragma once

// A picker as wide as its longest entry, and never wider than the room its layout gives it:
// beyond that the current entry is elided, and its whole text shows in the tool tip. It widens
// and narrows as entries come and go.

#include <QComboBox>

namespace kv::forms {

class FittingComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit FittingComboBox(QWidget* parent = nullptr);

    // Room for a few letters: the layout may give less than the longest entry.
    QSize minimumSizeHint() const override;

    // True when the current entry does not show whole.
    bool currentTextElided() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int textRoom() const;
    void updateToolTip();
};

} // namespace kv::forms
