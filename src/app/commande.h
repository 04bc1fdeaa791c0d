#pragma once

#include <QList>
#include <QString>

namespace kv {

// The commands of the main window's sidebar.
enum class Commande {
    defaut,
    bonDePesee,
    exportFacturation,
    planification,
    planningChauffeur,
    cartebenneslouees,
    statistiques,
    bennes,
    clients,
    chauffeurs,
    dechets,
    centreDechets,
    preferences,
};

// Every command, in declaration order.
QList<Commande> toutesLesCommandes();
QString titre(Commande commande);
// The symbol name of the command's icon.
QString symbole(Commande commande);

} // namespace kv
