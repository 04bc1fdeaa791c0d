#pragma once

// The small map of a site: one red marker at the coordinate held by a latitude text and a
// longitude text, the map centred on it at street scale. It only displays: no click, drag or
// zoom reaches it, and it writes nothing back.

#include "coordonnees.h"
#include "localisationmanager.h"

#include <QWidget>

namespace kv {

class MapWidget;

class CarteAvecRepere : public QWidget {
    Q_OBJECT
public:
    // Street scale around the default centre.
    static RegionCarte regionParDefaut() { return RegionCarte{kCentreParDefaut, 0.01, 0.01}; }

    explicit CarteAvecRepere(const RegionCarte& regionInitiale = regionParDefaut(), QWidget* parent = nullptr);

    // New texts: the marker follows, and the map jumps to a readable coordinate.
    void setTextes(const QString& latitude, const QString& longitude);
    QString latitude() const { return m_latitude; }
    QString longitude() const { return m_longitude; }

    // The marker's place, or none.
    std::optional<Coordonnee> repere() const { return m_repere; }
    const RegionCarte& region() const { return m_region; }
    MapWidget* carte() const { return m_carte; }

    QSize sizeHint() const override { return {400, 200}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void mettreAJourRegion();

    QString m_latitude;
    QString m_longitude;
    std::optional<Coordonnee> m_repere;
    RegionCarte m_region;
    MapWidget* m_carte;
};

} // namespace kv
