#pragma once

// The on-screen preview of one client's month: a title, then either "Aucune location ce mois."
// or the number of rentals and one row per rental, latest placement first.

#include <QAbstractTableModel>
#include <QTimeZone>
#include <QWidget>

class QGroupBox;
class QLabel;
class QTreeView;

namespace kv {

class Client;
class LocationDeBenne;

// The rows of the preview: placement day, removal day, volume, waste type, address. A new list
// updates the rows it touches (rows removed, inserted, or moved), never the whole list.
class LocationDetailRowsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Colonne { pose, enlevement, volume, dechet, adresse, nombreDeColonnes };

    explicit LocationDetailRowsModel(const QTimeZone& zone, QObject* parent = nullptr);

    void setLocations(const QList<LocationDeBenne*>& locations);
    const QList<LocationDeBenne*>& locations() const { return m_lignes; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    QTimeZone m_zone;
    QList<LocationDeBenne*> m_lignes;
};

class ElidedLabel;

class RapportMensuelApercuView : public QWidget {
    Q_OBJECT
public:
    explicit RapportMensuelApercuView(const QTimeZone& zone = QTimeZone::systemTimeZone(),
                                      QWidget* parent = nullptr);

    // Shows the client's rentals placed in the month of `moisMs`, read again from the store.
    void afficher(const Client* client, qint64 moisMs);

    LocationDetailRowsModel* lignes() const { return m_lignes; }
    QString titre() const;
    QTreeView* liste() const { return m_liste; }
    // The title as shown: a long client name is cut, whole in its tool tip.
    ElidedLabel* titreAffiche() const { return m_titre; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The width a column keeps at least (the address column takes what is left).
    static int largeurMinimale(int colonne);
    // The least a column keeps when the list is narrow.
    static int plancher(int colonne);
    // Gives each column but the address the room of its widest text; the waste type's name no
    // more than half of what the dates and volume leave, so that no name widens the list.
    void ajusterColonnes();

    QTimeZone m_zone;
    ElidedLabel* m_titre;
    QLabel* m_vide;
    QLabel* m_nombre;
    QGroupBox* m_detail;
    QTreeView* m_liste;
    LocationDetailRowsModel* m_lignes;
    QList<int> m_largeursVoulues; // per column before the address: the room of its widest text
};

} // namespace kv
