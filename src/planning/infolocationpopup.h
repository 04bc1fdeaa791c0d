#pragma once

// The read-only summary of a rental shown over the planning grid: client, address, waste type,
// weight of its tickets, client's phone, first contact and the drivers. It reads the record
// again whenever the store changes.

#include <QWidget>

class QGridLayout;

namespace kv {

class LocationDeBenne;
class ModelContext;

namespace planning {

class InfoLocationPopup : public QWidget {
    Q_OBJECT
public:
    struct Ligne {
        enum class Genre { texte, chauffeurPose, chauffeurEnlevement };
        Genre genre = Genre::texte;
        QString libelle; // empty for a driver's row, whose first column is his badge
        QString valeur;
        bool operator==(const Ligne&) const = default;
    };
    // The rows shown for a rental, top to bottom.
    static QList<Ligne> lignes(const LocationDeBenne* location);
    // "12 kg" for 12.5 kg: the whole kilograms, no grouping.
    static QString textePoids(double kg);
    // What a reader hears of the card: its rows one after another, as they read.
    static QString texteLu(const LocationDeBenne* location);

    explicit InfoLocationPopup(LocationDeBenne* location, QWidget* parent = nullptr);

    LocationDeBenne* location() const { return m_location; }
    void actualiser();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

signals:
    // The rows were made again (their number may differ).
    void actualise();

private:
    LocationDeBenne* m_location;
    QGridLayout* m_grille;
};

} // namespace planning
} // namespace kv
