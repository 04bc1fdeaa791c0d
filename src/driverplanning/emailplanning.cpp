#include "emailplanning.h"

#include "model/modelcontext.h"
#include "model/records.h"
#include "platform/filehelpers.h"
#include "platform/maillink.h"

#include <QLocale>

namespace kv {

ModelesEmail ModelesEmail::parDefaut()
{
    return ModelesEmail{
        QStringLiteral("Planning du {{dateLongue}} – {{prenom}} {{nom}}"),
        QStringLiteral("Bonjour {{prenom}},\n\nVoici ton planning pour le {{dateLongue}}.\n\n"),
        QStringLiteral("• {{typeOperation}} – {{client}} – {{adresse}} – {{volume}} m³"),
        QStringLiteral("Merci,\n\nKestrovan"),
    };
}

ModelesEmail ModelesEmail::de(const EmailChauffeurPreferences& prefs)
{
    return ModelesEmail{prefs.subjectTemplate(), prefs.headerTemplate(), prefs.operationLineTemplate(),
                        prefs.footerTemplate()};
}

void ModelesEmail::ecrireDans(EmailChauffeurPreferences& prefs) const
{
    prefs.setSubjectTemplate(sujet);
    prefs.setHeaderTemplate(entete);
    prefs.setOperationLineTemplate(ligneOperation);
    prefs.setFooterTemplate(pied);
}

EmailChauffeurPreferences* preferencesEmailParDefaut(ModelContext* context, QString* erreur)
{
    const QList<EmailChauffeurPreferences*> existants = context->fetch<EmailChauffeurPreferences>();
    if (!existants.isEmpty())
        return existants.first();
    const ModelesEmail d = ModelesEmail::parDefaut();
    auto* prefs = new EmailChauffeurPreferences(d.sujet, d.entete, d.ligneOperation, d.pied);
    context->insert(prefs);
    QString raison;
    if (!context->save(&raison)) {
        // A record that never reached the file would be written by the next save of anything
        // else; take it back so that the failure leaves nothing behind.
        context->discardInsertion(prefs);
        if (erreur)
            *erreur = raison;
        return nullptr;
    }
    return prefs;
}

QString remplirModele(const QString& modele, const QHash<QString, QString>& valeurs)
{
    const QLatin1String ouvre("{{"), ferme("}}");
    QString out;
    out.reserve(modele.size());
    qsizetype i = 0;
    while (i < modele.size()) {
        const qsizetype debut = modele.indexOf(ouvre, i);
        if (debut < 0) {
            out.append(QStringView(modele).mid(i));
            break;
        }
        out.append(QStringView(modele).mid(i, debut - i));
        const qsizetype fin = modele.indexOf(ferme, debut + 2);
        if (fin < 0) {
            out.append(QStringView(modele).mid(debut));
            break;
        }
        const auto it = valeurs.constFind(modele.mid(debut + 2, fin - debut - 2));
        if (it != valeurs.constEnd()) {
            out.append(it.value());
            i = fin + 2;
        } else {
            // Not a key: keep the first brace and look again from the next character, so that
            // "{{{nom}}" still finds "{{nom}}".
            out.append(modele[debut]);
            i = debut + 1;
        }
    }
    return out;
}

namespace {

QHash<QString, QString> valeursStandard(const Chauffeur* chauffeur, const QDateTime& date,
                                        const QTimeZone& fuseau)
{
    const QLocale fr(QLocale::French, QLocale::France);
    const QDate jour = localDayOf(date.toMSecsSinceEpoch(), fuseau);
    return {
        {QStringLiteral("prenom"), chauffeur ? chauffeur->prenom() : QString()},
        {QStringLiteral("nom"), chauffeur ? chauffeur->nom() : QString()},
        {QStringLiteral("date"), fr.toString(jour, QLocale::ShortFormat)},
        {QStringLiteral("dateLongue"), fr.toString(jour, QLocale::LongFormat)},
    };
}

} // namespace

QString renderTemplate(const QString& modele, const Chauffeur* chauffeur, const QDateTime& date,
                       const QHash<QString, QString>& extras, const QTimeZone& fuseau)
{
    QHash<QString, QString> valeurs = valeursStandard(chauffeur, date, fuseau);
    for (auto it = extras.constBegin(); it != extras.constEnd(); ++it)
        valeurs.insert(it.key(), it.value());
    return remplirModele(modele, valeurs);
}

QString renderOperationLine(const QString& modele, const PlanningOperation& operation,
                            const QDateTime& maintenant, const QTimeZone& fuseau)
{
    const QHash<QString, QString> extras{
        {QStringLiteral("typeOperation"), rawValue(operation.kind)},
        {QStringLiteral("client"), operation.clientNom},
        {QStringLiteral("adresse"), operation.adresse},
        {QStringLiteral("volume"), QString::number(operation.volumeM3)},
    };
    return renderTemplate(modele, nullptr, maintenant, extras, fuseau);
}

QString buildEmailBody(const ModelesEmail& modeles, const Chauffeur* chauffeur, const QDateTime& date,
                       const QList<PlanningOperation>& operations, const QDateTime& maintenant,
                       const QTimeZone& fuseau)
{
    QStringList parties;
    parties << renderTemplate(modeles.entete, chauffeur, date, {}, fuseau);
    if (operations.isEmpty()) {
        parties << kAucuneOperation;
    } else {
        for (const PlanningOperation& op : operations)
            parties << renderOperationLine(modeles.ligneOperation, op, maintenant, fuseau);
        parties << QString();
    }
    parties << renderTemplate(modeles.pied, chauffeur, date, {}, fuseau);
    return parties.join(QLatin1Char('\n'));
}

ResultatComposition composeEmail(const QString& adresse, const QString& sujet, const QString& corps)
{
    const std::optional<QUrl> lien = MailLink::build(adresse, sujet, corps);
    if (!lien)
        return ResultatComposition::adresseRefusee;
    return MailLink::open(*lien) ? ResultatComposition::ouvert : ResultatComposition::echecOuverture;
}

QString MessageNonOuvert::texte() const
{
    return QStringLiteral("À\u00A0: %1\nObjet\u00A0: %2\n\n%3").arg(adresse, sujet, corps);
}

QString MessageNonOuvert::nomFichier(const QDateTime& date, const QTimeZone& fuseau) const
{
    const QString jour = date.toTimeZone(fuseau).date().toString(QStringLiteral("yyyy-MM-dd"));
    return FileHelpers::fileName(QStringLiteral("Planning "), nom, QStringLiteral(" %1.txt").arg(jour));
}

QString BilanTransmission::message() const
{
    QStringList lignes = autresLignes();
    if (!echecsOuverture.isEmpty())
        lignes << QStringLiteral("Le message n’a pas pu être ouvert dans la messagerie pour\u00A0: %1.")
                      .arg(echecsOuverture.join(QStringLiteral(", ")));
    return lignes.join(QLatin1Char('\n'));
}

QString BilanTransmission::resume() const
{
    QStringList lignes = autresLignes();
    if (!echecsOuverture.isEmpty())
        lignes << (echecsOuverture.size() == 1
                       ? QStringLiteral("Aucune messagerie n’a ouvert le message ci-dessous.")
                       : QStringLiteral("Aucune messagerie n’a ouvert les %1 messages ci-dessous.")
                             .arg(echecsOuverture.size()));
    return lignes.join(QLatin1Char('\n'));
}

QStringList BilanTransmission::autresLignes() const
{
    QStringList lignes;
    if (!erreurModeles.isEmpty())
        lignes << QStringLiteral("Échec de la sauvegarde: %1").arg(erreurModeles)
               << QStringLiteral("Les modèles par défaut ont été utilisés.");
    if (!adressesRefusees.isEmpty())
        lignes << QStringLiteral("Adresse e-mail refusée, aucun message préparé pour\u00A0: %1.")
                      .arg(adressesRefusees.join(QStringLiteral(", ")));
    if (!sansAdresse.isEmpty())
        lignes << QStringLiteral("Non joint, faute d’adresse e-mail dans sa fiche\u00A0: %1.")
                      .arg(sansAdresse.join(QStringLiteral(", ")));
    if (!rienAEnvoyer.isEmpty())
        lignes << rienAEnvoyer;
    return lignes;
}

BilanTransmission transmettrePlanning(const QList<Chauffeur*>& chauffeurs, const QDateTime& date,
                                      ModelContext* context, const ComposeurEmail& composer,
                                      const QDateTime& maintenant, const QTimeZone& fuseau)
{
    BilanTransmission bilan;
    const EmailChauffeurPreferences* prefs = preferencesEmailParDefaut(context, &bilan.erreurModeles);
    const ModelesEmail modeles = prefs ? ModelesEmail::de(*prefs) : ModelesEmail::parDefaut();
    int actifs = 0;
    bool travail = false;
    for (const Chauffeur* chauffeur : chauffeurs) {
        if (!chauffeur || !chauffeur->actif())
            continue;
        ++actifs;
        const QList<PlanningOperation> ops = operationsDuJour(chauffeur, date, fuseau);
        if (ops.isEmpty())
            continue;
        travail = true;
        const QString nom = chauffeur->prenom() + QLatin1Char(' ') + chauffeur->nom();
        const QString adresse = chauffeur->email().value_or(QString()).trimmed();
        if (adresse.isEmpty()) {
            // He has work that day and will not hear of it: the user must know.
            bilan.sansAdresse << nom;
            continue;
        }
        const QString sujet = renderTemplate(modeles.sujet, chauffeur, date, {}, fuseau);
        const QString corps = buildEmailBody(modeles, chauffeur, date, ops, maintenant, fuseau);
        switch (composer(adresse, sujet, corps)) {
        case ResultatComposition::ouvert:
            ++bilan.messagesOuverts;
            break;
        case ResultatComposition::adresseRefusee:
            bilan.adressesRefusees << QStringLiteral("%1 <%2>").arg(nom, adresse.simplified());
            break;
        case ResultatComposition::echecOuverture:
            bilan.echecsOuverture << nom;
            bilan.messagesNonOuverts << MessageNonOuvert{nom, adresse, sujet, corps};
            break;
        }
    }
    // A click that prepares nothing says why, and where the missing piece is made.
    const QString jour = QLocale(QLocale::French, QLocale::France)
                             .toString(localDayOf(date.toMSecsSinceEpoch(), fuseau), QLocale::LongFormat);
    if (actifs == 0)
        bilan.rienAEnvoyer = QStringLiteral("Aucun message préparé\u00A0: aucun chauffeur actif. Ajoutez vos chauffeurs, "
                                            "ou rendez-les actifs, dans « Liste des chauffeurs ».");
    else if (!travail)
        bilan.rienAEnvoyer = QStringLiteral("Aucun message préparé\u00A0: aucune pose ni aucun enlèvement n’est attribué "
                                            "à un chauffeur le %1. Pour en confier un, faites glisser sa carte de "
                                            "« À attribuer » sur la ligne d’un chauffeur, ou choisissez « Attribuer à… » "
                                            "dans son menu.")
                                 .arg(jour);
    return bilan;
}

} // namespace kv
