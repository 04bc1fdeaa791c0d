#pragma once

// The map of rented skips: one marker per rental with coordinates, under one of the six filters
// of the segmented row, framed on the markers when shown, when the filter, the period or the
// rentals change, and on the toolbar's "Zoom sur toutes les bennes". Reads the store only.

#include "model/daywindow.h"
#include "model/horloge.h"
#include "model/query.h"
#include "model/records.h"
#include "platform/mapwidget.h"
#include "widgets/cartebennesfiltre.h"
#include "widgets/observable.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QPixmap>
#include <QPointer>
#include <QGlyphRun>
#include <QRawFont>
#include <QStaticText>
#include <QTimeZone>
#include <QUuid>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class QDateEdit;
class QLabel;
class QStackedWidget;

namespace kv {

class PickerSegmentedCustom;

// One marker of the map.
struct RepereLocationBenne {
    QUuid id;               // the rental's
    GeoPoint coordinate;
    QString titre;          // the client's name
    std::optional<QString> sousTitre; // the site address, carried but not shown
    QString couleurHex;     // the skip's colour text, as stored
    // A namesake's name card gives way from what namesakes share (see nomClientDistinct); none
    // for a name of its own.
    std::function<QString(const std::function<bool(const QString&)>&)> ajuster = {};
};

class CarteBennesLouees : public QWidget {
    Q_OBJECT
public:
    // `locations` is the main window's live list of every rental; `demandeZoom` is set by the
    // window's toolbar button. `horloge` gives "now" and the calendar's time zone (the system's
    // by default).
    CarteBennesLouees(Query<LocationDeBenne>* locations, Observable<bool> demandeZoom,
                      QWidget* parent = nullptr, const Horloge& horloge = Horloge::systeme());
    ~CarteBennesLouees() override;

    // --- The rules, plain functions of the rentals, now and the time zone.
    // [start of today, start of tomorrow) in the time zone's calendar.
    static DayWindow aujourdhui(const QDateTime& maintenant, const QTimeZone& zone);
    // The rentals the filter keeps, in the list's order. The period runs from the start of the
    // `du` day to the end of the `au` day.
    static QList<LocationDeBenne*> locationsFiltrees(const QList<LocationDeBenne*>& locations,
                                                     CarteBennesFiltre filtre, const QDate& du,
                                                     const QDate& au, const QDateTime& maintenant,
                                                     const QTimeZone& zone);
    // Today's removals each with the first placement of today for the same client at the same
    // address, removal first, each rental once.
    static QList<LocationDeBenne*> rotationsDuJour(const QList<LocationDeBenne*>& locations,
                                                   const DayWindow& jour);
    // One marker per rental with a valid coordinate, in order.
    static QList<RepereLocationBenne> reperes(const QList<LocationDeBenne*>& locations);
    // The region framing the markers; none without markers.
    static std::optional<MapRegion> ajusterRegion(const QList<RepereLocationBenne>& reperes);

    // --- The screen's state
    CarteBennesFiltre filtre() const { return m_filtre.get(); }
    void setFiltre(CarteBennesFiltre filtre) { m_filtre.set(filtre); }
    QDate periodeDebut() const;
    QDate periodeFin() const;
    // What the period row says while the period is refused (hidden otherwise).
    QLabel* erreurPeriode() const { return m_erreurPeriode; }
    void setPeriode(const QDate& du, const QDate& au);
    MapRegion region() const { return m_region; }
    // The markers of the current filter.
    const QList<RepereLocationBenne>& reperesAffiches() const { return m_reperes; }

    MapWidget* carte() const { return m_carte; }
    PickerSegmentedCustom* picker() const { return m_picker; }
    QLabel* texteVide() const { return m_vide; }
    // How many shown rentals have no coordinates (hidden when none).
    QLabel* ligneSansCoordonnees() const { return m_sansCoordonnees; }
    bool carteVisible() const;

public slots:
    // Frames the current filter's markers; leaves the region as it is when there are none.
    void zoomerSurToutesLesBennes();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildFilterRow();
    QWidget* buildMap();
    void refresh(bool zoom);
    void verifierPeriode();
    // A marker's disc, then, over every disc, its name card.
    void paintMarker(QPainter& painter, int index, const QPointF& at);
    void paintNom(QPainter& painter, int index, const QPointF& at);
    // The parts of a marker, drawn once each: the disc of a colour, the card of a size.
    const QPixmap& disque(QRgb couleur, qreal dpr);
    const QPixmap& fondCarte(const QSizeF& carte, qreal dpr);
    // Lets go of everything kept to draw the markers.
    void oublierDessins();

    QPointer<Query<LocationDeBenne>> m_locations;
    Observable<bool> m_demandeZoom;
    Horloge m_horloge;
    Observable<CarteBennesFiltre> m_filtre{CarteBennesFiltre::enCours};
    MapRegion m_region{44.8378, -0.5792, 0.1, 0.1};
    QList<RepereLocationBenne> m_reperes;   // of the filtered rentals, handed to the map
    bool m_aJour = false;                   // m_reperes follows the rentals, filter and period
    bool m_libere = false;                  // hidden: no markers kept

    PickerSegmentedCustom* m_picker = nullptr;
    QWidget* m_periodeRow = nullptr;
    QDateEdit* m_du = nullptr;
    QDateEdit* m_au = nullptr;
    // Beside the period while its start is after its end.
    QLabel* m_erreurPeriode = nullptr;
    QStackedWidget* m_pages = nullptr;
    QLabel* m_vide = nullptr;
    MapWidget* m_carte = nullptr;
    QLabel* m_sansCoordonnees = nullptr;

    QFont m_cardFont;
    // One per client name among the markers: its card's size and, once drawn, its laid-out text.
    struct Nom {
        QString titre;
        QString affiche; // the name as its card shows it: cut with "…" past the card's width
        QSizeF carte;
        bool prepare = false;
        std::optional<QGlyphRun> glyphes;
        std::optional<QStaticText> texte;
        qreal largeurTexte = 0;
    };
    void preparerNom(Nom& nom);
    // Where a marker's stack (its disc, its card under it) starts when its point lies at `at`.
    static QPointF originePile(const Nom& nom, const QPointF& at);
    QRawFont m_police; // the cards' font, for names drawn straight from its glyphs
    qreal m_ascent = 0;
    qreal m_descent = 0;
    std::vector<Nom> m_noms;
    QHash<QString, int> m_indexNoms;
    // One per marker of m_reperes.
    struct Aspect {
        int nom = 0;
        QRgb couleur = 0;
    };
    std::vector<Aspect> m_aspects;
    QHash<QRgb, QPixmap> m_disques;
    QHash<QPair<int, int>, QPixmap> m_cartes;
    qreal m_dprPieces = 0;
};

} // namespace kv
