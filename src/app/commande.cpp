#include "commande.h"

namespace kv {

QList<Commande> toutesLesCommandes()
{
    return {Commande::defaut,        Commande::bonDePesee,        Commande::exportFacturation,
            Commande::planification, Commande::planningChauffeur, Commande::cartebenneslouees,
            Commande::statistiques,  Commande::bennes,            Commande::clients,
            Commande::chauffeurs,    Commande::dechets,           Commande::centreDechets,
            Commande::preferences};
}

QString titre(Commande commande)
{
    switch (commande) {
    case Commande::defaut: return QStringLiteral("Planning");
    case Commande::bonDePesee: return QStringLiteral("Bons de pesée");
    case Commande::exportFacturation: return QStringLiteral("→Facturation");
    case Commande::planification: return QStringLiteral("Vue par client");
    case Commande::planningChauffeur: return QStringLiteral("Planning des chauffeurs");
    case Commande::cartebenneslouees: return QStringLiteral("Carte des bennes louées");
    case Commande::statistiques: return QStringLiteral("Statistiques");
    case Commande::bennes: return QStringLiteral("Liste des bennes");
    case Commande::clients: return QStringLiteral("Liste des clients");
    case Commande::chauffeurs: return QStringLiteral("Liste des chauffeurs");
    case Commande::dechets: return QStringLiteral("Type de déchets");
    case Commande::centreDechets: return QStringLiteral("Centres de traitement");
    case Commande::preferences: return QStringLiteral("Préférences");
    }
    return {};
}

QString symbole(Commande commande)
{
    switch (commande) {
    case Commande::defaut: return QStringLiteral("calendar");
    case Commande::bonDePesee: return QStringLiteral("scalemass.fill");
    case Commande::exportFacturation: return QStringLiteral("creditcard");
    case Commande::planification: return QStringLiteral("list.clipboard");
    case Commande::planningChauffeur: return QStringLiteral("truck.box.badge.clock");
    case Commande::cartebenneslouees: return QStringLiteral("mappin.and.ellipse");
    case Commande::statistiques: return QStringLiteral("cellularbars");
    case Commande::bennes: return QStringLiteral("cube.box");
    case Commande::clients: return QStringLiteral("person");
    case Commande::chauffeurs: return QStringLiteral("truck.box");
    case Commande::dechets: return QStringLiteral("arrow.up.trash");
    case Commande::centreDechets: return QStringLiteral("arrow.trianglehead.2.clockwise");
    case Commande::preferences: return QStringLiteral("gear");
    }
    return {};
}

} // namespace kv
