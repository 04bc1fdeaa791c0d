#pragma once

// The e-mail of a driver's day, built from the four templates of the store's
// EmailChauffeurPreferences record, and its hand-over to the mail application.

#include "planningoperation.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace kv {

class Chauffeur;
class EmailChauffeurPreferences;
class ModelContext;

// The four templates as plain texts.
struct ModelesEmail {
    QString sujet;
    QString entete;
    QString ligneOperation;
    QString pied;

    static ModelesEmail parDefaut();
    static ModelesEmail de(const EmailChauffeurPreferences& prefs);
    // Writes the four texts into the record (subject, header, operation line, footer).
    void ecrireDans(EmailChauffeurPreferences& prefs) const;
    bool operator==(const ModelesEmail&) const = default;
};

// The template record: the first one of the store, or a new one with the default texts, inserted
// and saved. When that save fails the new record is taken back, `erreur` receives the reason and
// the result is null: callers then work with ModelesEmail::parDefaut().
EmailChauffeurPreferences* preferencesEmailParDefaut(ModelContext* context, QString* erreur = nullptr);

// Fills a template in one pass: each "{{key}}" whose key is known is replaced by its value, and
// a value is never looked at again (a client named "{{nom}}" stays "{{nom}}"). Unknown keys and
// odd braces stay as typed.
QString remplirModele(const QString& modele, const QHash<QString, QString>& valeurs);

// Fills a template for a driver (null: blank names) and a day: "prenom", "nom", "date" (short
// date) and "dateLongue" (full date), both in `fuseau`, in French; `extras` add or override keys.
QString renderTemplate(const QString& modele, const Chauffeur* chauffeur, const QDateTime& date,
                       const QHash<QString, QString>& extras = {},
                       const QTimeZone& fuseau = fuseauHorairePlanning());

// Fills the operation-line template for one operation; its date keys show `maintenant`, the day
// the e-mail is prepared.
QString renderOperationLine(const QString& modele, const PlanningOperation& operation,
                            const QDateTime& maintenant,
                            const QTimeZone& fuseau = fuseauHorairePlanning());

inline const QString kAucuneOperation = QStringLiteral("— Aucune opération prévue —\n");

// Header, one line per operation (or the no-operation line), an empty line, footer, joined by
// line ends.
QString buildEmailBody(const ModelesEmail& modeles, const Chauffeur* chauffeur, const QDateTime& date,
                       const QList<PlanningOperation>& operations, const QDateTime& maintenant,
                       const QTimeZone& fuseau = fuseauHorairePlanning());

// How the hand-over of one message went.
enum class ResultatComposition { ouvert, adresseRefusee, echecOuverture };

// Hands one message (recipient, subject, body) to the mail application.
using ComposeurEmail =
    std::function<ResultatComposition(const QString& adresse, const QString& sujet, const QString& corps)>;

// The mail application, through a mailto link encoded part by part; an address holding "?",
// "&", "%", a CR or an LF is refused and nothing is opened.
ResultatComposition composeEmail(const QString& adresse, const QString& sujet, const QString& corps);

// A driver's message that no mail program took: the user hands it over another way.
struct MessageNonOuvert {
    QString nom;     // "Prénom Nom"
    QString adresse;
    QString sujet;
    QString corps;

    // Recipient, subject and body as one text, to paste into any mail program.
    QString texte() const;
    // A file name for the message saved as text, made from the driver's name and the day.
    QString nomFichier(const QDateTime& date, const QTimeZone& fuseau = fuseauHorairePlanning()) const;
};

// What a sending did.
struct BilanTransmission {
    int messagesOuverts = 0;
    QStringList adressesRefusees;   // "Prénom Nom <adresse>" of each driver refused
    QStringList echecsOuverture;    // "Prénom Nom" of each message that could not be opened
    QList<MessageNonOuvert> messagesNonOuverts; // those messages, in the same order
    QStringList sansAdresse;        // "Prénom Nom" of each driver with work but no address
    QString erreurModeles;          // the default templates could not be saved
    QString rienAEnvoyer;           // why no message was prepared at all, and where to go

    // The one message shown after the run; empty when everything went through.
    QString message() const;
    // The same above the list of the messages not opened, which names them: counted only.
    QString resume() const;

private:
    // The lines of what went wrong but the messages not opened.
    QStringList autresLignes() const;
};

// One message per active driver of the list who has an address and operations that day, in the
// list's order; an active driver with operations but no address is named as not reached.
BilanTransmission transmettrePlanning(const QList<Chauffeur*>& chauffeurs, const QDateTime& date,
                                      ModelContext* context, const ComposeurEmail& composer,
                                      const QDateTime& maintenant,
                                      const QTimeZone& fuseau = fuseauHorairePlanning());

} // namespace kv
