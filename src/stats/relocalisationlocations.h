#pragma once

// Locates again the rentals that were saved without coordinates but with an address (typed with
// no network, or an address the service did not know then), so that they reach the maps once
// the address service answers. A pass asks the service a few addresses at a time; each place
// found is written on its rental and saved through the store's save, whose failure is reported.
// A pass stops at the first answer that says the service cannot be reached: the next pass (at
// the next start, or when a map opens) tries again.

#include "model/records.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QUuid>

class QLabel;
class QWidget;

namespace kv {

class AdresseService;
class ModelContext;

class RelocalisationLocations : public QObject {
    Q_OBJECT
public:
    // The one of this store, made on first use (the address service of the settings).
    static RelocalisationLocations* pour(ModelContext* context);
    // Starts a pass for this store unless one is running: the one call that start-up and the
    // map screens make.
    static void relancer(ModelContext* context);

    // A rental that needs it: no valid coordinate and an address that is not blank.
    static bool aRelocaliser(const LocationDeBenne* location);

    // The line under a map that says how many of the rentals it shows have no coordinates
    // (hidden when none), that the address service could not be reached when that is why they
    // still have none, and a failed save of found coordinates. (A map says itself when its
    // background cannot be loaded.)
    static QLabel* nouvelleLigne(ModelContext* context, QWidget* parent);
    // `n` rentals without coordinates, `avecAdresse` of them with an address to locate.
    static void afficherSansCoordonnees(QLabel* ligne, int n, int avecAdresse);
    // How many of `locations` wait for a place: aRelocaliser() holds for them.
    static int aLocaliser(const QList<LocationDeBenne*>& locations);

    // Starts a pass unless one is running. The rentals are looked up after the current event,
    // so that a screen opening asks nothing of it before its first paint.
    void lancer();
    bool enCours() const { return m_enCours; }
    // The last pass ended on an answer saying the address service could not be reached; false
    // again once a pass reaches it.
    bool serviceInjoignable() const { return m_serviceInjoignable; }
    // Requests at most in flight at once.
    static constexpr int kParLot = 3;

    AdresseService* service() const { return m_service; }

signals:
    // A rental got its coordinates and they were saved.
    void localisee(const QUuid& id);
    // The save of found coordinates failed; the coordinates stay pending in the store.
    void echecSauvegarde(const QString& erreur);
    // The pass is over (every rental asked, or the service out of reach).
    void passeTerminee();

private:
    RelocalisationLocations(ModelContext* context, QObject* parent);
    void demarrerPasse();
    void suivantes();
    void terminer();

    ModelContext* m_context;
    AdresseService* m_service;
    bool m_enCours = false;
    bool m_injoignable = false;        // this pass stops asking
    bool m_serviceInjoignable = false; // … because the service was out of reach
    int m_enVol = 0;
    QList<LocationDeBenne*> m_file;
    // The last look through the rentals found none to locate, and none changed since.
    bool m_aucuneARelocaliser = false;
    // Addresses the service answered without a place: not asked again until the next start.
    QSet<QUuid> m_inconnues;
};

} // namespace kv
