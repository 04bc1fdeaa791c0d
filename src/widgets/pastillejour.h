#pragma once

#include "glass/glass.h"

#include <QAbstractButton>

#include <functional>
#include <optional>

namespace kv {

// Gives a tile's background its two looks: raised (a plain window-coloured rounded tile) and
// pressed (a brighter tile on blue glass with a blue shadow).
struct ReliefModifier {
    bool isPressed = false;

    // Paints the background within `rect`; `brightness` is added to every colour component of
    // what is drawn (−1 … 1).
    void paint(QPainter& painter, const QRectF& rect, const QColor& windowColor,
               double brightness = 0) const;
};

// Adds `amount` to the red, green and blue components of a colour, clamped to 0 … 1.
QColor adjustBrightness(const QColor& color, double amount);

// The selectable day pill: a label over a date, raised when idle, lit, glassy and 5 % larger
// when selected. It keeps no selection of its own: the caller sets it and redraws.
class PastilleJour : public QAbstractButton {
    Q_OBJECT
public:
    PastilleJour(bool selected, const QString& label, const QString& date,
                 std::function<void()> action, QWidget* parent = nullptr);

    bool selected() const { return m_selected; }
    void setSelected(bool selected);
    QString label() const { return m_label; }
    QString date() const { return m_date; }
    void setLabel(const QString& label);
    void setDate(const QString& date);
    void setAction(std::function<void()> action) { m_action = std::move(action); }

    // The tile within the widget (the widget keeps room around it for the scale and shadow).
    QRectF tileRect() const;
    qreal scale() const { return m_selected ? 1.05 : 1.0; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    // Only the tile (as drawn, at its scale) takes clicks, not the room kept around it.
    bool hitButton(const QPoint& pos) const override;
    void changeEvent(QEvent* event) override;
    // ↓ is left to the strip's owner, which goes down to what stands under the strip (a
    // button would take it as Tab); Return, left by every button, is the owner's too.
    void keyPressEvent(QKeyEvent* event) override;

    void nextCheckState() override;

private:
    void nameForReaders();
    QSizeF tileSize() const;
    QSizeF measureTile() const;
    bool m_selected;
    QString m_label;
    QString m_date;
    std::function<void()> m_action;
    mutable std::optional<QSizeF> m_tile;
};

} // namespace kv
