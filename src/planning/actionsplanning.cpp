#include "actionsplanning.h"

#include "model/daywindow.h"
#include "model/helpers.h"
#include "model/modelcontext.h"
#include "widgets/forms/dialogs.h"
#include "widgets/plaintext.h"

#include <QLocale>

#include <algorithm>
#include <cstdio>

namespace kv::planning {

ActionsPlanning::ActionsPlanning(ModelContext* context, Horloge horloge)
    : m_context(context), m_horloge(std::move(horloge))
{
}

void ActionsPlanning::ecrire(const QString& ligne) const
{
    if (m_journal) {
        m_journal(ligne);
        return;
    }
    std::fputs((ligne + QLatin1Char('\n')).toUtf8().constData(), stdout);
    std::fflush(stdout);
}

qint64 ActionsPlanning::debutAujourdhui() const
{
    return startOfDayMs(m_horloge.maintenant(), m_horloge.zone);
}

// ---------------------------------------------------------------------------------------------
// Drags

std::optional<DatesLocation> ActionsPlanning::datesApresGlissement(const LocationDeBenne* location, Prise prise,
                                                                   double translation) const
{
    const int k = joursDeTranslation(translation);
    if (!location || k == 0)
        return std::nullopt;
    const QTimeZone& zone = m_horloge.zone;
    DatesLocation d{location->datePoseMs(), location->dateEnlevementMs()};
    switch (prise) {
    case Prise::corps:
        d.pose = ajouterJours(d.pose, k, zone);
        if (d.enlevement)
            d.enlevement = ajouterJours(*d.enlevement, k, zone);
        break;
    case Prise::debut:
        if (!d.enlevement)
            return std::nullopt;
        // A placement pushed past the removal stops at the removal instant.
        d.pose = std::min(ajouterJours(d.pose, k, zone), *d.enlevement);
        break;
    case Prise::fin: {
        const qint64 nouvelleFin = ajouterJours(d.enlevement.value_or(d.pose), k, zone);
        if (nouvelleFin < d.pose)
            return std::nullopt; // never a removal before the placement
        d.enlevement = nouvelleFin;
        break;
    }
    }
    if (d == DatesLocation{location->datePoseMs(), location->dateEnlevementMs()})
        return std::nullopt;
    return d;
}

bool ActionsPlanning::appliquer(LocationDeBenne* location, const DatesLocation& dates) const
{
    if (!location)
        return false;
    bool change = false;
    if (dates.pose != location->datePoseMs()) {
        location->setDatePose(instantLocal(dates.pose, m_horloge.zone));
        change = true;
    }
    if (dates.enlevement != location->dateEnlevementMs()) {
        location->setDateEnlevement(dates.enlevement ? std::optional(instantLocal(*dates.enlevement, m_horloge.zone))
                                                     : std::nullopt);
        change = true;
    }
    return change;
}

bool ActionsPlanning::deplacerLocation(LocationDeBenne* location, double translation)
{
    const std::optional<DatesLocation> d = datesApresGlissement(location, Prise::corps, translation);
    return d && appliquer(location, *d);
}

bool ActionsPlanning::redimensionnerDebut(LocationDeBenne* location, double translation)
{
    const std::optional<DatesLocation> d = datesApresGlissement(location, Prise::debut, translation);
    return d && appliquer(location, *d);
}

bool ActionsPlanning::redimensionnerFin(LocationDeBenne* location, double translation)
{
    const std::optional<DatesLocation> d = datesApresGlissement(location, Prise::fin, translation);
    return d && appliquer(location, *d);
}

// ---------------------------------------------------------------------------------------------
// Deletion

Issue ActionsPlanning::supprimerLocation(LocationDeBenne* location)
{
    if (!location || location->isDeleted())
        return {};
    QString erreur;
    if (!m_context->remove(location, &erreur) || !m_context->save(&erreur)) {
        ecrire(QStringLiteral("❌ Erreur lors de la suppression : ") + erreur);
        return {false, forms::deleteFailedText(erreur), {}};
    }
    ecrire(QStringLiteral("✅ Location supprimée."));
    return {};
}

// ---------------------------------------------------------------------------------------------
// Duplication as a rotation

bool ActionsPlanning::chevauchement(const LocationDeBenne* candidat, qint64 finProposee, qint64 debutNouvelle) const
{
    const qint64 jourPose = startOfDayMs(candidat->datePoseMs(), m_horloge.zone);
    if (jourPose >= finProposee)
        return false;
    if (jourPose >= debutNouvelle)
        return true; // placed within the period: it holds the skip on its placement day at least
    const std::optional<qint64> fin = finDeTenueMs(candidat);
    // Without removal date (and no later placement of the skip) the booking runs for ever.
    return !fin || startOfDayMs(*fin, m_horloge.zone) > debutNouvelle;
}

IssueDuplication ActionsPlanning::dupliquerEnRotation(LocationDeBenne* source, QString* messageErreur,
                                                      LocationDeBenne** creee, LocationDeBenne** bloquante)
{
    if (creee)
        *creee = nullptr;
    if (bloquante)
        *bloquante = nullptr;
    const auto impossible = [messageErreur](const QString& pourquoi) {
        if (messageErreur)
            *messageErreur = pourquoi;
        return IssueDuplication::impossible;
    };
    if (!source || source->isDeleted())
        return impossible(QStringLiteral("Cette location n'existe plus."));
    if (!source->benne() || !source->client())
        return impossible(source->benne() ? QStringLiteral("Cette location n'a plus de client\u00A0: une rotation reprend "
                                                           "le client de la location.")
                                          : QStringLiteral("Cette location n'a plus de benne\u00A0: une rotation reprend "
                                                           "la benne de la location."));
    const std::optional<qint64> fin = source->dateEnlevementMs();
    if (!fin)
        return impossible(QStringLiteral("Cette location n'a pas de date d'enlèvement\u00A0: une rotation commence le jour "
                                         "de l'enlèvement et dure autant que la location. Fixez d'abord sa date "
                                         "d'enlèvement\u00A0: menu de la barre (clic droit ou touche Menu), "
                                         "«\u00A0Fixer la date d'enlèvement…\u00A0»."));
    const QDate jourPose = localDayOf(source->datePoseMs(), m_horloge.zone);
    const QDate jourFin = localDayOf(*fin, m_horloge.zone);
    const qint64 duree = jourPose.daysTo(jourFin);
    if (duree <= 0)
        return impossible(QStringLiteral("Cette location est enlevée le jour même de sa pose\u00A0: une rotation dure "
                                         "autant que la location, il n'y a aucun jour à reprendre."));
    const qint64 debutNouvelle = startOfDayMs(jourFin, m_horloge.zone);
    const qint64 finProposee = startOfDayMs(jourFin.addDays(duree), m_horloge.zone);

    // The other bookings of the same skip that run into the proposed period, earliest first.
    QList<LocationDeBenne*> conflits;
    for (LocationDeBenne* l : source->benne()->locations()) {
        if (l == source || l->isDeleted() || l->id() == source->id())
            continue;
        if (chevauchement(l, finProposee, debutNouvelle))
            conflits.append(l);
    }
    std::stable_sort(conflits.begin(), conflits.end(), [](const LocationDeBenne* a, const LocationDeBenne* b) {
        return a->datePoseMs() < b->datePoseMs();
    });

    qint64 finNouvelle = finProposee;
    if (!conflits.isEmpty()) {
        const qint64 joursDispo = jourFin.daysTo(localDayOf(conflits.first()->datePoseMs(), m_horloge.zone));
        if (joursDispo <= 0) {
            if (bloquante)
                *bloquante = conflits.first();
            return IssueDuplication::refusee;
        }
        finNouvelle = startOfDayMs(jourFin.addDays(joursDispo), m_horloge.zone);
    }

    auto* copie = new LocationDeBenne(source->client(), source->benne(), source->latitude(), source->longitude(),
                                      source->adresse(), source->tarifPose(), source->tarifEnlevement(),
                                      source->tarifJournalier(), instantLocal(debutNouvelle, m_horloge.zone),
                                      instantLocal(finNouvelle, m_horloge.zone), source->typeDechet());
    m_context->insert(copie);
    QString erreur;
    if (!m_context->save(&erreur)) {
        // Nothing of the failed copy stays behind: no pending record, no bar.
        m_context->discardInsertion(copie);
        ecrire(QStringLiteral("❌ Erreur lors de la duplication : ") + erreur);
        if (messageErreur)
            *messageErreur = forms::saveFailedText(erreur);
        return IssueDuplication::echecSauvegarde;
    }
    ecrire(QStringLiteral("✅ Location dupliquée avec succès."));
    if (creee)
        *creee = copie;
    return IssueDuplication::creee;
}

// ---------------------------------------------------------------------------------------------
// Driver dropped on a rental

Issue ActionsPlanning::attribuerChauffeurDepose(LocationDeBenne* location, const QUuid& chauffeurId)
{
    if (!location || location->isDeleted())
        return {};
    const qint64 aujourdhui = debutAujourdhui();
    Chauffeur* chauffeur = m_context->find<Chauffeur>(chauffeurId);
    if (!chauffeur) {
        ecrire(QStringLiteral("❌ Chauffeur non trouvé avec l'ID ") + texteUuid(chauffeurId));
        Issue issue;
        issue.avis = QStringLiteral("Aucun changement\u00A0: ce chauffeur n'existe plus (supprimé entre-temps).");
        return issue;
    }
    ecrire(QStringLiteral("📆 Date pose: ") + texteInstantConsole(location->datePoseMs()));
    ecrire(QStringLiteral("📆 Aujourd'hui (UTC): ") + texteInstantConsole(aujourdhui));
    ecrire(QStringLiteral("👤 chauffeurPose: ")
           + (location->chauffeurPose() ? location->chauffeurPose()->nom() : QStringLiteral("nil")));

    const std::optional<qint64> fin = location->dateEnlevementMs();
    Issue issue;
    bool change = true;
    if (location->datePoseMs() >= aujourdhui && !location->chauffeurPose()) {
        location->setChauffeurPose(chauffeur);
        ecrire(QStringLiteral("✅ Chauffeur ") + chauffeur->nom() + QStringLiteral(" attribué à la pose."));
    } else if (fin && *fin >= aujourdhui && !location->chauffeurEnlevement()) {
        location->setChauffeurEnlevement(chauffeur);
        ecrire(QStringLiteral("✅ Chauffeur ") + chauffeur->nom() + QStringLiteral(" attribué à l'enlèvement."));
    } else {
        ecrire(QStringLiteral("⚠️ Aucun changement nécessaire (pose passée ou déjà attribuée)."));
        change = false;
    }
    // The rental that follows at the same address may still take him as placing driver.
    if (detecterRotation(location, chauffeur))
        change = true;
    if (!change)
        issue.avis = texteAucunChangement(location, chauffeur, aujourdhui);

    QString erreur;
    if (!m_context->save(&erreur)) {
        ecrire(QStringLiteral("❌ Erreur lors de la sauvegarde : ") + erreur);
        return {false, forms::saveFailedText(erreur), {}};
    }
    return issue;
}

QString nomChauffeur(const Chauffeur* chauffeur)
{
    const QString nom = chauffeur ? (chauffeur->prenom() + QLatin1Char(' ') + chauffeur->nom()).simplified() : QString();
    return nom.isEmpty() ? QStringLiteral("Chauffeur sans nom") : nom;
}

QStringList lignesChauffeurs(const LocationDeBenne* location)
{
    QStringList lignes;
    if (!location)
        return lignes;
    if (const Chauffeur* c = location->chauffeurPose())
        lignes << QStringLiteral("Pose\u00A0: ") + quotedBeginning(nomChauffeur(c), 60);
    if (const Chauffeur* c = location->chauffeurEnlevement())
        lignes << QStringLiteral("Enlèvement\u00A0: ") + quotedBeginning(nomChauffeur(c), 60);
    return lignes;
}

Issue ActionsPlanning::retirerChauffeur(LocationDeBenne* location, bool pose)
{
    if (!location || location->isDeleted())
        return {};
    Chauffeur* avant = pose ? location->chauffeurPose() : location->chauffeurEnlevement();
    if (!avant)
        return {};
    const auto mettre = [&](Chauffeur* c) {
        if (pose)
            location->setChauffeurPose(c);
        else
            location->setChauffeurEnlevement(c);
    };
    mettre(nullptr);
    QString erreur;
    if (!m_context->save(&erreur)) {
        ecrire(QStringLiteral("❌ Erreur lors de la sauvegarde : ") + erreur);
        mettre(avant);
        return {false, forms::saveFailedText(erreur), {}};
    }
    ecrire(QStringLiteral("✅ Chauffeur ") + avant->nom()
           + (pose ? QStringLiteral(" retiré de la pose.") : QStringLiteral(" retiré de l'enlèvement.")));
    return {};
}

QString ActionsPlanning::texteLocation(const LocationDeBenne* location) const
{
    const auto jour = [this](qint64 ms) {
        return QLocale().toString(localDayOf(ms, m_horloge.zone), QStringLiteral("dd/MM/yyyy"));
    };
    const Client* client = location->client();
    QString texte = client ? nomClientDistinct(client, 60) : QStringLiteral("client inconnu");
    if (const std::optional<qint64> fin = location->dateEnlevementMs())
        return texte + QStringLiteral(" du ") + jour(location->datePoseMs()) + QStringLiteral(" au ") + jour(*fin);
    return texte + QStringLiteral(", posée le ") + jour(location->datePoseMs());
}

QString ActionsPlanning::texteAucunChangement(const LocationDeBenne* location, const Chauffeur* chauffeur,
                                              qint64 aujourdhui) const
{
    // Says why for each of the two jobs, naming who holds it.
    const auto nom = [](const Chauffeur* c) {
        const QString n = (c->prenom() + QLatin1Char(' ') + c->nom()).simplified();
        return quotedBeginning(n.isEmpty() ? QStringLiteral("sans nom") : n, 60);
    };
    // « la pose » is feminine, « l'enlèvement » masculine.
    const auto tache = [&](const Chauffeur* titulaire, std::optional<qint64> date, bool feminin) -> QString {
        const QString e = feminin ? QStringLiteral("e") : QString();
        if (titulaire == chauffeur)
            return QStringLiteral("est déjà confié") + e + QStringLiteral(" à ce chauffeur");
        if (titulaire)
            return QStringLiteral("est déjà confié") + e + QStringLiteral(" à ") + nom(titulaire);
        if (!date)
            return QStringLiteral("n'est pas prévu") + e;
        if (*date < aujourdhui)
            return QStringLiteral("est passé") + e;
        return QStringLiteral("est libre");
    };
    return QStringLiteral("Aucun changement pour ") + nom(chauffeur) + QStringLiteral(" sur la location de ")
           + texteLocation(location) + QStringLiteral("\u00A0: la pose ")
           + tache(location->chauffeurPose(), location->datePoseMs(), true) + QStringLiteral(" et l'enlèvement ")
           + tache(location->chauffeurEnlevement(), location->dateEnlevementMs(), false) + QLatin1Char('.');
}

bool ActionsPlanning::correspondRotation(const LocationDeBenne* candidat, const LocationDeBenne* location,
                                         qint64 dateEnlevementMs, const QString& adresse)
{
    if (candidat->id() == location->id() || candidat->datePoseMs() != dateEnlevementMs)
        return false;
    const std::optional<QString>& a = candidat->adresse();
    return a && a->normalized(QString::NormalizationForm_C) == adresse.normalized(QString::NormalizationForm_C);
}

bool ActionsPlanning::detecterRotation(LocationDeBenne* location, Chauffeur* chauffeur)
{
    const std::optional<qint64> fin = location->dateEnlevementMs();
    const std::optional<QString>& adresse = location->adresse();
    if (!fin || !adresse) {
        ecrire(QStringLiteral("🔁 Pas de rotation : données manquantes."));
        return false;
    }
    ecrire(QStringLiteral("🔍 Vérification rotation pour location ID ") + texteUuid(location->id()));
    ecrire(QStringLiteral("📅 Date exacte à chercher : ") + texteInstantConsole(*fin));
    ecrire(QStringLiteral("📍 Adresse recherchée : ") + *adresse);

    QList<LocationDeBenne*> candidats;
    for (LocationDeBenne* l : m_context->all<LocationDeBenne>())
        if (correspondRotation(l, location, *fin, *adresse))
            candidats.append(l);
    ecrire(QStringLiteral("🔎 Locations trouvées : ") + QString::number(candidats.size()));
    if (candidats.isEmpty()) {
        ecrire(QStringLiteral("🚫 Aucune rotation trouvée avec ces critères."));
        return false;
    }
    LocationDeBenne* suivante = candidats.first();
    if (suivante->chauffeurPose()) {
        ecrire(QStringLiteral("✅ Rotation détectée mais pose déjà affectée à ") + suivante->chauffeurPose()->nom());
        return false;
    }
    ecrire(QStringLiteral("🔄 Rotation détectée → Attribution du chauffeur à la pose de la location ID ")
           + texteUuid(suivante->id()));
    suivante->setChauffeurPose(chauffeur);
    return true;
}

} // namespace kv::planning
