#pragma once

// The "Carte de chaleur" statistic: one circle per place where skips were placed, growing with
// the number of rentals at that exact place, on a map centred on the rentals.

#include "model/records.h"
#include "platform/mapwidget.h"

#include <QHash>
#include <QList>
#include <QPixmap>
#include <QWidget>

class QLabel;

namespace kv {

class ModelContext;
struct CerclesDeChaleur;

// One circle: a place and how many rentals were placed there.
struct LocationPoint {
    double latitude = 0;
    double longitude = 0;
    qint64 count = 0;
    // The site address of the first rental placed there (may be empty).
    QString adresse;
};

class StatistiqueCarteChaleurView : public QWidget {
    Q_OBJECT
public:
    // `locations`: every rental of the store, as the statistics hub hands them.
    // `context`, when given, is the store whose rentals without coordinates are looked for again;
    // a failed save of what was found is said under the map.
    explicit StatistiqueCarteChaleurView(const QList<LocationDeBenne*>& locations, QWidget* parent = nullptr,
                                         ModelContext* context = nullptr);

    // The hub hands in a new list whenever its rentals change.
    void setLocations(const QList<LocationDeBenne*>& locations);
    // The map back on the region it showed first, as a new one would show it.
    void revenirAuDepart();

    // --- The rules, plain functions of the rentals.
    // One point per distinct exact coordinate, in the order the places first appear. Rentals
    // without a valid coordinate are left out.
    static QList<LocationPoint> compterParCoordonnees(const QList<LocationDeBenne*>& locations);
    // The town of a site address as people name a place: the words after its postal code, else
    // its last part after a comma, else the address itself.
    static QString ville(const QString& adresse);
    // Centred on the mean of the valid coordinates (46.5, 2.5 without any), 2° by 2°.
    static MapRegion regionInitiale(const QList<LocationDeBenne*>& locations);
    // 16 + 8 points per rental, at most 120.
    static double diametre(qint64 count);
    static constexpr double diametreMaximal = 120;

    // Whether the places of the last list handed in are still being counted: a list of many
    // rentals (MapWidget::kMarkersAside and more) is counted on a worker thread, from a copy of
    // the coordinates, while the view shows its frame, its title and « Calcul en cours… ». Its
    // points then carry no address: a circle read aloud reads its first rental's when asked.
    bool calculEnCours() const { return m_calculEnCours; }

    const QList<LocationPoint>& points() const { return m_points; }
    // The points in painting order: largest first, so that small circles stay on top.
    const QList<int>& ordreDePeinture() const { return m_ordre; }
    MapWidget* carte() const { return m_carte; }
    // How many rentals have no coordinates (hidden when none).
    QLabel* ligneSansCoordonnees() const { return m_sansCoordonnees; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The counted places handed to the map, from `locations` as handed in.
    void appliquer(CerclesDeChaleur&& cercles, const QList<LocationDeBenne*>& locations);
    // The site address of the first rental placed at point `point`.
    QString adresse(int point) const;
    // A circle, then, over every circle, its count when there is room for it.
    void paintPoint(QPainter& painter, int index, const QPointF& at);
    void paintCompte(QPainter& painter, int index, const QPointF& at);
    // The circle of a count, and the count's text, drawn once per count and pixel ratio.
    const QPixmap& cercle(qint64 count, qreal dpr);
    const QPixmap& compte(qint64 count, qreal dpr);
    QSizeF tailleCercle(qint64 count) const;
    // The room of a count's text, centred on its circle, with a margin that keeps two counts
    // from reading as one number.
    QRectF texteCompte(qint64 count) const;

    QList<LocationPoint> m_points;
    QList<int> m_ordre;
    QList<const LocationDeBenne*> m_premieres; // per point, when counted aside
    MapRegion m_regionInitiale;
    MapWidget* m_carte = nullptr;
    QLabel* m_sansCoordonnees = nullptr;
    QLabel* m_attente = nullptr;
    bool m_calculEnCours = false;
    quint64 m_generation = 0; // counts the lists handed in: an older count is dropped
    QFont m_countFont;
    QHash<QPair<qint64, qreal>, QPixmap> m_cercles;
    QHash<QPair<qint64, qreal>, QPixmap> m_comptes;
};

} // namespace kv
