#pragma once

// What a screen reader reads of the planning grid, a painted view: the grid names itself and
// holds the skip column, the header of days (one item per day), the keyboard's cell (announced
// as it moves: its skip, its day, the rental on it) and one row per skip, named as its label
// reads, each holding one item per rental bar, named as the bar's tool tip reads (the client
// told apart from its look-alikes, the dates, the drivers).

#include <QAccessible>
#include <QHash>
#include <QString>

#include <functional>

class QAccessibleEvent;
class QObject;

namespace kv {
class LocationDeBenne;
}

namespace kv::planning {

class GrillePlanning;

// The interfaces of a painted widget's items, made the first time each is asked for, kept by
// index, and dropped with the widget's own interface.
class EnfantsAccessibles {
public:
    EnfantsAccessibles() = default;
    EnfantsAccessibles(const EnfantsAccessibles&) = delete;
    EnfantsAccessibles& operator=(const EnfantsAccessibles&) = delete;
    ~EnfantsAccessibles();
    QAccessibleInterface* enfant(int index, const std::function<QAccessibleInterface*()>& fabrique) const;
    int indexDe(const QAccessibleInterface* enfant) const;

private:
    mutable QHash<int, QAccessible::Id> m_ids;
};

// Installs the grid's accessible interfaces once for the application.
void installerAccessibiliteGrille();

// Where the grid's announcements go: QAccessible::updateAccessibility, unless a test reads them
// (a platform without an accessibility bridge drops them).
using Annonceur = void (*)(QAccessibleEvent* event);
void setAnnonceurGrille(Annonceur annonceur);

// Says to readers that the keys are on `objet`, as its focused item (the column's current label).
void annoncerFocus(QObject* objet);

// What a rental's bar reads.
QString texteAccessibleBarre(const GrillePlanning* grille, const LocationDeBenne* location);
// What the keyboard's cell reads: the skip, the day, and the rental on it or « libre ».
QString texteAccessibleCurseur(GrillePlanning* grille);

} // namespace kv::planning
