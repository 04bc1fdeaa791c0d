#pragma once

// One client's rentals as swinging skip tiles ("Benne 10,0 m³ / Chantier : …"), all of them or
// only those in progress. The tile of the rental chosen by the host swings; a tap hands the
// rental to the host. Tiles are kept per rental id and updated in place when the store changes.

#include "model/horloge.h"

#include <QHash>
#include <QUuid>
#include <QWidget>

#include <functional>

class QMenu;
class QVBoxLayout;

namespace kv {

class BenneOscillanteView;
class Client;
class LocationDeBenne;

class ListeBennesView : public QWidget {
    Q_OBJECT
public:
    // The narrowest list: one tile and the room of its swing (a tile's own width).
    static constexpr int kLargeurTuile = 240;

    ListeBennesView(Client* client, std::function<QString(double)> formatter,
                    std::function<void(LocationDeBenne*)> onSelect, QWidget* parent = nullptr,
                    Horloge horloge = Horloge::systeme());

    // A rental is in progress while its removal (or, without one, the start of today) is not
    // before the start of today.
    static bool estEnCours(const LocationDeBenne* location, qint64 debutDuJourMs);

    void setAfficherUniquementEnCours(bool enCours);
    bool afficherUniquementEnCours() const { return m_enCours; }
    void setSelectedLocation(LocationDeBenne* location);

    // The rentals shown, in store order.
    QList<LocationDeBenne*> locationsFiltrees() const;
    BenneOscillanteView* tuile(const LocationDeBenne* location) const;
    // The tile's text of a rental: its volume, then its site (the tile fits it in).
    QString texteTuile(const LocationDeBenne* location) const;

    // Re-reads the list (the clock may have passed midnight).
    void actualiser();

    // A tile's menu (« Modifier la location… »), from a right-click, the Menu key or Shift+F10.
    QMenu* ouvrirMenu(BenneOscillanteView* tuile, const QPoint& positionGlobale);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    LocationDeBenne* locationDe(const QObject* tuile) const;

    Client* m_client;
    std::function<QString(double)> m_formatter;
    std::function<void(LocationDeBenne*)> m_onSelect;
    Horloge m_horloge;
    bool m_enCours = false;
    QUuid m_selection;
    QVBoxLayout* m_pile;
    QHash<QUuid, BenneOscillanteView*> m_tuiles;
};

} // namespace kv
