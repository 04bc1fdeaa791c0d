#pragma once

// The strip of drivers above the planning grid: one painted chip per driver (inactive ones
// too), in a row that scrolls sideways. A chip is dragged onto a rental bar as the driver's
// identifier in plain text. Either wheel scrolls the row.

#include <QScrollArea>

class QAccessibleInterface;
class QMimeData;

namespace kv {

class Chauffeur;
template <class T>
class Query;

namespace planning {

class ActionsPlanning;

class BandeauChauffeurs : public QScrollArea {
    Q_OBJECT
public:
    BandeauChauffeurs(Query<Chauffeur>* chauffeurs, ActionsPlanning* actions, QWidget* parent = nullptr);

    // What a chip's drag carries: the driver's identifier in its upper-case text.
    static QMimeData* donneesGlissement(const Chauffeur* chauffeur);
    // Where the pointer stands on a chip's drag picture: outside it, above and left of it, so
    // that the picture never hides the bars (and their lanes) under the pointer.
    static QPoint pointChaudGlissement();
    // Where each chip stands in the strip's content.
    QList<QRect> rectsPuces() const;
    // The drivers of the chips, as the screens name them.
    QStringList nomsPuces() const;
    QWidget* contenu() const { return widget(); }

protected:
    void wheelEvent(QWheelEvent* event) override;

private:
    class Puces;
    Puces* m_puces;
};

// What a reader finds of the chips (a list of named drivers), for the grid's factory.
QAccessibleInterface* accessiblePuces(QObject* objet);

} // namespace planning
} // namespace kv
