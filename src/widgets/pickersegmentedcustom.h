#pragma once

#include "cartebennesfiltre.h"
#include "observable.h"

#include <QAbstractButton>
#include <QWidget>

class QGridLayout;

namespace kv {

// One segment of the filter picker: a plain button painting its own look.
class FiltreSegment : public QAbstractButton {
    Q_OBJECT
public:
    FiltreSegment(CarteBennesFiltre filtre, QWidget* parent = nullptr);
    CarteBennesFiltre filtre() const { return m_filtre; }
    bool isFilled() const { return m_filled; }
    void setFilled(bool filled);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // The title as painted in a label `width` wide: one line when it fits, else two, the words
    // shared so that both lines are as short as can be; a second line still too long ends
    // with "…".
    QStringList lines(int width) const;
    // The lines painted now.
    QStringList shownLines() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void nextCheckState() override;

private:
    // The narrowest width that shows the whole title on two lines at most.
    int twoLineWidth() const;
    int labelWidth() const;

    CarteBennesFiltre m_filtre;
    bool m_filled = false;
    mutable int m_twoLineWidth = -1; // for the current font; -1 until measured
};

// The segmented picker of the map filter: one segment per filter, side by side, the selected one
// filled with the filter's colour. A click writes the segment's filter into `selection`, also when
// it is already the selected one. When the width cannot hold every title on two lines at most,
// the segments stand on two rows of three, or three of two.
class PickerSegmentedCustom : public QWidget {
    Q_OBJECT
public:
    explicit PickerSegmentedCustom(Observable<CarteBennesFiltre> selection, QWidget* parent = nullptr);

    Observable<CarteBennesFiltre> selection() const { return m_selection; }
    QList<FiltreSegment*> segments() const { return m_segments; }
    // Segments per row now.
    int columns() const { return m_columns; }

    QSize sizeHint() const override;

signals:
    // A segment was clicked and its filter written into the selection.
    void selectionWritten(kv::CarteBennesFiltre filtre);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void refresh();
    void arrange(int width);
    Observable<CarteBennesFiltre> m_selection;
    QList<FiltreSegment*> m_segments;
    QGridLayout* m_grid = nullptr;
    int m_columns = 0;
};

} // namespace kv
