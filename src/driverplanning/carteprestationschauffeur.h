#pragma once

// The small map of a driver's day: one round marker per place, on the region that holds them.

#include "carteprestations.h"

#include <QWidget>

class QLabel;

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
    // What the map says of the places it cannot show, for want of coordinates; empty when it
    // shows them all.
    QString noteSansCoordonnees() const;
    // Whose map it is, first words of the name a screen reader reads, before what it shows.
    void setTitre(const QString& titre);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    class Contour;
    // The region of the places, shown whole; while the map says over its top that its
    // background cannot be loaded, the places keep to the half under that line.
    void cadrer();
    void placerNote();
    void nommer();
    QString m_titre;
    QList<CarteLieuPrestation> m_lieux;
    // The places with both coordinates, the only ones marked, in the markers' order.
    QList<CarteLieuPrestation> m_places;
    MapWidget* m_carte;
    Contour* m_contour;
    QLabel* m_note;
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
