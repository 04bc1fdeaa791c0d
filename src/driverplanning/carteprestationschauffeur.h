#pragma once

// The small map of a driver's day: one round marker per place, on the region that holds them.

#include "carteprestations.h"

#include <QWidget>

namespace kv {

class Chauffeur;
class MapWidget;

// The map itself: the places given, the region set from them each time they are given.
class CartePrestationsView : public QWidget {
    Q_OBJECT
public:
    explicit CartePrestationsView(const QList<CarteLieuPrestation>& lieux, QWidget* parent = nullptr);

    void setLieux(const QList<CarteLieuPrestation>& lieux);
    const QList<CarteLieuPrestation>& lieux() const { return m_lieux; }
    MapWidget* carte() const { return m_carte; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    class Contour;
    QList<CarteLieuPrestation> m_lieux;
    MapWidget* m_carte;
    Contour* m_contour;
};

class CartePrestationsChauffeur : public CartePrestationsView {
    Q_OBJECT
public:
    CartePrestationsChauffeur(Chauffeur* chauffeur, const DayWindow& jour, QWidget* parent = nullptr);
    void setJour(const DayWindow& jour);
    // Reads the driver's places again.
    void actualiser();
    QSize sizeHint() const override { return {300, 220}; }

private:
    Chauffeur* m_chauffeur;
    DayWindow m_jour;
};

} // namespace kv
