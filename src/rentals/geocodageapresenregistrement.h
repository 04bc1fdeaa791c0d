#pragma once

// The second phase of a new rental's save: geocodes the site address after the form has
// closed and stores the coordinate found on the rental. It lives as long as the store (one per
// model context, a child of it), not as long as the form, so its answer always has somewhere
// to go; the answer looks the rental up again by id and does nothing when it is gone.

#include <QObject>
#include <QUuid>

namespace kv {

class AdresseService;
class LocationDeBenne;
class ModelContext;

class GeocodageApresEnregistrement : public QObject {
    Q_OBJECT
public:
    // The one of this context, created on first use.
    static GeocodageApresEnregistrement* pour(ModelContext* context);

    // Asks the service for `adresse` and, when a place comes back, saves its coordinate on the
    // rental.
    void lancer(LocationDeBenne* location, const QString& adresse);

    AdresseService* service() const { return m_service; }
    int enAttente() const { return m_enAttente; }

signals:
    // One request ended (found or not, saved or not).
    void termine(const QUuid& locationId);

private:
    explicit GeocodageApresEnregistrement(ModelContext* context);
    ModelContext* m_context;
    AdresseService* m_service;
    int m_enAttente = 0;
};

} // namespace kv
