#pragma once

// The card of one placement or one removal in a driver's column: client and skip volume over
// the site address, on the skip's colour. Dragging it carries the operation to another column.

#include "prestationdragitem.h"

#include <QImage>
#include <QPoint>
#include <QRectF>
#include <QWidget>

namespace kv {

class LocationDeBenne;

// The relief of a card or badge of `taille` (corners of `rayon`) at `dpr`: a light shadow above
// left and a dark one below right, in a picture 6 larger than the shape on every side. Blurred
// once per narrow size; a wide one is stretched from a narrow one, column for column the same.
QImage ombresDeCarte(const QSizeF& taille, qreal rayon, qreal dpr);

class PrestationCard : public QWidget {
    Q_OBJECT
public:
    PrestationCard(LocationDeBenne* location, TypePrestation type, QWidget* parent = nullptr);

    LocationDeBenne* location() const { return m_location; }
    TypePrestation type() const { return m_type; }

    // The texts shown: client, "8 m³", address.
    QString texteClient() const;
    QString texteVolume() const;
    QString texteAdresse() const;
    // The card's fill: the skip's colour, grey when its text is not a colour.
    QColor couleurFond() const;
    // Where the card paints, at its present width: the coloured rectangle, the client's label
    // and the volume badge; the address line, on the card's fill.
    QRectF rectangleCarte() const;
    QRectF rectangleClient() const;
    QRectF rectangleVolume() const;
    QRectF rectangleAdresse() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // The card's tool tip: its client, told apart from clients of the same name by the town (or
    // what else the pickers use), then the address. Empty when the card shows all of it.
    QString texteInfobulle() const;

signals:
    // Around the drag, so that whoever rebuilds the columns waits until the card is let go.
    void glisserCommence();
    void glisserTermine();
    // The card's menu was asked for (right click, menu key, Shift+F10, Enter or Space): the
    // keyboard's way to give the operation to another driver.
    void menuDemande(const QPoint& positionGlobale);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    struct Geometrie;
    Geometrie geometrie(qreal largeur) const;
    QImage rendu() const;

    LocationDeBenne* m_location;
    TypePrestation m_type;
    QPoint m_pressPos;
    bool m_press = false;
    mutable QImage m_cache;
};

} // namespace kv
