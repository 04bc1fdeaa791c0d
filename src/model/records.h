#pragma once

// The sixteen persisted record types of the office.
//
// Stored values live in each record's `d` member; to-many lists that mirror a to-one end on the
// other record (a client's contacts, a skip's rentals, ...) are kept in step by the setters and
// are not stored themselves. Writing one end of a paired relationship updates the other at once.

#include "prix.h"
#include "record.h"

#include <QStringList>
#include <QTimeZone>

namespace kv {

class Client;
class Contact;
class Benne;
class DispositifSpecial;
class LocationDeBenne;
class BonDePesee;
class CentreTraitement;
class TypeDechet;
class Chauffeur;
class Qualification;
class Specialisation;
class Formation;
class FormationChauffeur;
class Disponibilite;
class HistoriqueEnvoiRapport;
class EmailChauffeurPreferences;
struct Relationships;
struct StoreSchema;

// ---------------------------------------------------------------------------------------------
// Client and contact

class Client final : public Record {
public:
    static constexpr EntityType kType = EntityType::Client;
    Client(const QUuid& id, const QString& nom, const QString& couleur, const QString& adresse,
           const QString& codePostal, const QString& ville, const QString& telephone,
           const std::optional<QString>& email, const std::optional<QString>& numeroTVA);
    EntityType entityType() const override { return kType; }

    KV_FIELD(QUuid, id, setId)
    KV_FIELD(QString, nom, setNom)
    KV_FIELD(QString, couleur, setCouleur)
    KV_FIELD(QString, adresse, setAdresse)
    KV_FIELD(QString, codePostal, setCodePostal)
    KV_FIELD(QString, ville, setVille)
    KV_FIELD(QString, telephone, setTelephone)
    KV_FIELD(std::optional<QString>, email, setEmail)
    KV_FIELD(std::optional<QString>, numeroTVA, setNumeroTVA)

public:
    const QList<Contact*>& contacts() const { return m_contacts; }
    void setContacts(const QList<Contact*>& list);
    const QList<LocationDeBenne*>& locations() const { return m_locations; }
    void setLocations(const QList<LocationDeBenne*>& list);


private:
    friend class ModelContext;
    friend struct StoreSchema;
    friend struct Relationships;
    friend class Contact;
    friend class LocationDeBenne;
    Client() = default;
    struct Data {
        QUuid id;
        QString nom, couleur, adresse, codePostal, ville, telephone;
        std::optional<QString> email, numeroTVA;
    } d;
    QList<Contact*> m_contacts;
    QList<LocationDeBenne*> m_locations;
    KV_SNAPSHOT
};

class Contact final : public Record {
public:
    static constexpr EntityType kType = EntityType::Contact;
    Contact(const QString& prenom, const QString& nom, const QString& telephone, const QString& email,
            Client* client);
    EntityType entityType() const override { return kType; }

    KV_FIELD(QString, prenom, setPrenom)
    KV_FIELD(QString, nom, setNom)
    KV_FIELD(QString, telephone, setTelephone)
    KV_FIELD(QString, email, setEmail)

public:
    Client* client() const { return d.client; }
    void setClient(Client* client);


private:
    friend class ModelContext;
    friend struct StoreSchema;
    friend struct Relationships;
    friend class Client;
    Contact() = default;
    struct Data {
        QString prenom, nom, telephone, email;
        Client* client = nullptr;
        qint64 clientOrd = 0;
    } d;
    KV_SNAPSHOT
};

// ---------------------------------------------------------------------------------------------
// Skip, skip state, special device

enum class EtatBenne { neuf, correct, sale, inutilisable };

// "Neuf", "Correct", "Sale", "Inutilisable".
QString texteEtat(EtatBenne etat);
// The state whose text is exactly `texte`, or none.
std::optional<EtatBenne> etatDepuisTexte(const QString& texte);
// Every state, in the order neuf, correct, sale, inutilisable.
QList<EtatBenne> tousLesEtats();

class DispositifSpecial final : public Record {
public:
    static constexpr EntityType kType = EntityType::DispositifSpecial;
    explicit DispositifSpecial(const QString& descriptionDispositif);
    EntityType entityType() const override { return kType; }

    KV_FIELD(QUuid, id, setId)
    KV_FIELD(QString, descriptionDispositif, setDescriptionDispositif)


private:
    friend class ModelContext;
    friend struct StoreSchema;
    friend struct Relationships;
    DispositifSpecial() = default;
    struct Data {
        QUuid id;
        QString descriptionDispositif;
    } d;
    KV_SNAPSHOT
};

class Benne final : public Record {
public:
    static constexpr EntityType kType = EntityType::Benne;
    Benne(double volume, const QString& couleur, EtatBenne etat, const QString& notes,
          DispositifSpecial* dispositifSpecial);
    EntityType entityType() const override { return kType; }

    KV_FIELD(QUuid, id, setId)
    KV_FIELD(double, volume, setVolume)
    KV_FIELD(QString, couleur, setCouleur)
    KV_FIELD(QString, notes, setNotes)

public:
    // The state; none when the stored text is none of the four states.
    std::optional<EtatBenne> etat() const { return etatDepuisTexte(d.etat); }
    void setEtat(EtatBenne etat);
    // The state as stored (kept unchanged when it is not a known state).
    const QString& etatTexte() const { return d.etat; }

    DispositifSpecial* dispositifSpecial() const { return d.dispositifSpecial; }
    void setDispositifSpecial(DispositifSpecial* dispositif);

    const QList<LocationDeBenne*>& locations() const { return m_locations; }
    void setLocations(const QList<LocationDeBenne*>& list);

    // Label of the skip in the billing export: "10 m³ #808080 (Grue)".
    QString libelleFacturation() const;


private:
    friend class ModelContext;
    friend struct StoreSchema;
    friend struct Relationships;
    friend class LocationDeBenne;
    Benne() = default;
    struct Data {
        QUuid id;
        double volume = 0;
        QString couleur;
        QString etat;
        QString notes;
        DispositifSpecial* dispositifSpecial = nullptr;
    } d;
    QList<LocationDeBenne*> m_locations;
    KV_SNAPSHOT
};

// ---------------------------------------------------------------------------------------------
// Rental, weighbridge ticket and price breakdown

class LocationDeBenne final : public Record {
public:
    static constexpr EntityType kType = EntityType::LocationDeBenne;
    LocationDeBenne(Client* client, Benne* benne, const std::optional<double>& latitude,
                    const std::optional<double>& longitude, const std::optional<QString>& adresse,
                    double tarifPose, double tarifEnlevement, double tarifJournalier,
                    const QDateTime& datePose, const std::optional<QDateTime>& dateEnlevement,
                    TypeDechet* typeDechet);
    EntityType entityType() const override { return kType; }

    KV_FIELD(QUuid, id, setId)
    KV_COMPACT_FIELD(double, latitude, setLatitude)
    KV_COMPACT_FIELD(double, longitude, setLongitude)
    KV_COMPACT_FIELD(QString, adresse, setAdresse)
    KV_FIELD(double, tarifPose, setTarifPose)
    KV_FIELD(double, tarifEnlevement, setTarifEnlevement)
    KV_FIELD(double, tarifJournalier, setTarifJournalier)
    KV_DATE(datePose, setDatePose)
    KV_OPTIONAL_DATE(dateEnlevement, setDateEnlevement)

public:
    Client* client() const { return d.client; }
    void setClient(Client* client);
    Benne* benne() const { return d.benne; }
    void setBenne(Benne* benne);
    TypeDechet* typeDechet() const { return d.typeDechet; }
    void setTypeDechet(TypeDechet* type);
    Chauffeur* chauffeurPose() const { return d.chauffeurPose; }
    void setChauffeurPose(Chauffeur* chauffeur);
    Chauffeur* chauffeurEnlevement() const { return d.chauffeurEnlevement; }
    void setChauffeurEnlevement(Chauffeur* chauffeur);

    const QList<BonDePesee*>& bonsDePesee() const { return m_bonsDePesee; }
    void setBonsDePesee(const QList<BonDePesee*>& list);

    // Creates a ticket of this rental and appends it to bonsDePesee. Inserts and saves nothing:
    // the ticket joins this rental's context and is stored at the next save.
    BonDePesee* ajouterBonDePesee(const QDateTime& date, const std::optional<QString>& numero,
                                  const std::optional<double>& poidsArriveePontKg,
                                  const std::optional<double>& poidsApresVidagePontKg,
                                  const std::optional<double>& poidsDechetsKg,
                                  const std::optional<QString>& cheminFichierTicket);

    // Sum of the tickets' net weights, in kilograms.
    double poidsTotalKg() const;
    // Whole days from placement to removal in the local calendar; 0 while on site.
    qint64 joursFactures() const;
    qint64 joursFactures(const QTimeZone& zone) const;
    DetailPrix detailPrix() const;
    DetailPrix detailPrix(const QTimeZone& zone) const;


private:
    friend class ModelContext;
    friend struct StoreSchema;
    friend struct Relationships;
    friend class Client;
    friend class Benne;
    friend class Chauffeur;
    friend class BonDePesee;
    LocationDeBenne() = default;
    struct Data {
        QUuid id;
        Client* client = nullptr;
        qint64 clientOrd = 0;
        Benne* benne = nullptr;
        qint64 benneOrd = 0;
        TypeDechet* typeDechet = nullptr;
        Chauffeur* chauffeurPose = nullptr;
        qint64 chauffeurPoseOrd = 0;
        Chauffeur* chauffeurEnlevement = nullptr;
        qint64 chauffeurEnlevementOrd = 0;
        Compact<double> latitude, longitude;
        Compact<QString> adresse;
        double tarifPose = 0, tarifEnlevement = 0, tarifJournalier = 0;
        qint64 datePose = 0;
        Compact<qint64> dateEnlevement;
    } d;
    QList<BonDePesee*> m_bonsDePesee;
    KV_SNAPSHOT
};

class BonDePesee final : public Record {
public:
    static constexpr EntityType kType = EntityType::BonDePesee;
    BonDePesee(LocationDeBenne* location, const QDateTime& date, const std::optional<QString>& numero,
               const std::optional<double>& poidsArriveePontKg,
               const std::optional<double>& poidsApresVidagePontKg,
               const std::optional<double>& poidsDechetsKg,
               const std::optional<QString>& cheminFichierTicket);
    EntityType entityType() const override { return kType; }

    KV_FIELD(QUuid, id, setId)
    KV_DATE(date, setDate)
    KV_COMPACT_FIELD(QString, numero, setNumero)
    KV_COMPACT_FIELD(double, poidsArriveePontKg, setPoidsArriveePontKg)
    KV_COMPACT_FIELD(double, poidsApresVidagePontKg, setPoidsApresVidagePontKg)
    KV_COMPACT_FIELD(double, poidsDechetsKg, setPoidsDechetsKg)
    KV_COMPACT_FIELD(QString, cheminFichierTicket, setCheminFichierTicket)
    // The name of the treatment centre the waste was taken to, as it was when the ticket was
    // made: a plain text, which the centre's later renaming or deletion leaves as it is.
    KV_COMPACT_FIELD(QString, centreTraitement, setCentreTraitement)

public:
    LocationDeBenne* location() const { return d.location; }
    void setLocation(LocationDeBenne* location);

    // Net weight in kilograms, never negative.
    double poidsNetKg() const;


private:
    friend class ModelContext;
    friend struct StoreSchema;
    friend struct Relationships;
    friend class LocationDeBenne;
    BonDePesee() = default;
    struct Data {
        QUuid id;
        LocationDeBenne* location = nullptr;
        qint64 locationOrd = 0;
        qint64 date = 0;
        Compact<QString> numero;
        Compact<double> poidsArriveePontKg, poidsApresVidagePontKg, poidsDechetsKg;
        Compact<QString> cheminFichierTicket;
        Compact<QString> centreTraitement;
    } d;
    KV_SNAPSHOT
};

// ---------------------------------------------------------------------------------------------
// Treatment centre and waste type

class CentreTraitement final : public Record {
public:
    static constexpr EntityType kType = EntityType::CentreTraitement;
    CentreTraitement(const QString& nom, const std::optional<QUrl>& siteWeb,
                     const std::optional<QString>& adresseLigne1,
                     const std::optional<QString>& adresseLigne2,
                     const std::optional<QString>& codePostal, const std::optional<QString>& ville,
                     const std::optional<QString>& pays, const std::optional<QString>& telephone,
                     const std::optional<QString>& email, const std::optional<QString>& siret,
                     const std::optional<QString>& numeroTrackdechets,
                     const std::optional<double>& latitude, const std::optional<double>& longitude);
    EntityType entityType() const override { return kType; }

    KV_FIELD(QUuid, id, setId)
    KV_FIELD(QString, nom, setNom)
    KV_FIELD(std::optional<QUrl>, siteWeb, setSiteWeb)
    KV_FIELD(std::optional<QString>, adresseLigne1, setAdresseLigne1)
    KV_FIELD(std::optional<QString>, adresseLigne2, setAdresseLigne2)
    KV_FIELD(std::optional<QString>, codePostal, setCodePostal)
    KV_FIELD(std::optional<QString>, ville, setVille)
    KV_FIELD(std::optional<QString>, pays, setPays)
    KV_FIELD(std::optional<QString>, telephone, setTelephone)
    KV_FIELD(std::optional<QString>, email, setEmail)
    KV_FIELD(std::optional<QString>, siret, setSiret)
    KV_FIELD(std::optional<QString>, numeroTrackdechets, setNumeroTrackdechets)
    KV_FIELD(std::optional<double>, latitude, setLatitude)
    KV_FIELD(std::optional<double>, longitude, setLongitude)

public:
    const QList<TypeDechet*>& typesAcceptes() const { return d.typesAcceptes; }
    void setTypesAcceptes(const QList<TypeDechet*>& list);

    // Centres compare by id.
    static bool memeCentre(const CentreTraitement* a, const CentreTraitement* b);


private:
    friend class ModelContext;
    friend struct StoreSchema;
    friend struct Relationships;
    friend class TypeDechet;
    CentreTraitement() { d.pays = QStringLiteral("France"); }
    struct Data {
        QUuid id;
        QString nom;
        std::optional<QUrl> siteWeb;
        std::optional<QString> adresseLigne1, adresseLigne2, codePostal, ville, pays, telephone,
            email, siret, numeroTrackdechets;
        std::optional<double> latitude, longitude;
        QList<TypeDechet*> typesAcceptes;
    } d;
    KV_SNAPSHOT
};

class TypeDechet final : public Record {
public:
    static constexpr EntityType kType = EntityType::TypeDechet;
    TypeDechet(const QString& libelle, const std::optional<QString>& details, const QString& categorie,
               const std::optional<QString>& codeCED, const std::optional<double>& prixBaseForfait,
               const std::optional<double>& prixBaseParTonne,
               const std::optional<double>& franchiseTonnage,
               const std::optional<double>& supplementTonnage,
               const std::optional<qint64>& dureeIncluse, const std::optional<double>& supplementJour,
               double tva, bool melangeInterdit, const std::optional<QStringList>& dechetsInterdits,
               bool estDangereux, const std::optional<QString>& consignes,
               const std::optional<QStringList>& zonesCompatibles,
               const std::optional<QList<double>>& bennesCompatibles,
               const std::optional<QStringList>& documentsObligatoires,
               const std::optional<QString>& couleur);
    EntityType entityType() const override { return kType; }

    KV_FIELD(QUuid, id, setId)
    KV_FIELD(QString, libelle, setLibelle)
    KV_FIELD(std::optional<QString>, details, setDetails)
    KV_FIELD(QString, categorie, setCategorie)
    KV_FIELD(std::optional<QString>, codeCED, setCodeCED)
    KV_FIELD(std::optional<double>, prixBaseForfait, setPrixBaseForfait)
    KV_FIELD(std::optional<double>, prixBaseParTonne, setPrixBaseParTonne)
    KV_FIELD(std::optional<double>, franchiseTonnage, setFranchiseTonnage)
    KV_FIELD(std::optional<double>, supplementTonnage, setSupplementTonnage)
    KV_FIELD(std::optional<qint64>, dureeIncluse, setDureeIncluse)
    KV_FIELD(std::optional<double>, supplementJour, setSupplementJour)
    KV_FIELD(double, tva, setTva)
    KV_FIELD(bool, melangeInterdit, setMelangeInterdit)
    KV_FIELD(std::optional<QString>, dechetsInterditsString, setDechetsInterditsString)
    KV_FIELD(std::optional<QString>, zonesCompatiblesString, setZonesCompatiblesString)
    KV_FIELD(std::optional<QString>, bennesCompatiblesString, setBennesCompatiblesString)
    KV_FIELD(std::optional<QString>, documentsObligatoiresString, setDocumentsObligatoiresString)
    KV_FIELD(bool, estDangereux, setEstDangereux)
    KV_FIELD(std::optional<QString>, consignes, setConsignes)
    KV_FIELD(std::optional<QString>, couleur, setCouleur)
    KV_FIELD(std::optional<QUuid>, centreFavoriID, setCentreFavoriID)

public:
    const QList<CentreTraitement*>& centres() const { return d.centres; }
    void setCentres(const QList<CentreTraitement*>& list);

    // The forbidden wastes, cut at "|" (empty pieces dropped, blanks trimmed).
    QStringList dechetsInterdits() const;
    // The preferred centre: the one whose id is centreFavoriID, else the first centre.
    CentreTraitement* centreFavori() const;
    void setCentreFavori(CentreTraitement* centre);

    double prixEstime(double tonnes, qint64 jours) const;

    // Waste types compare by id.
    static bool memeType(const TypeDechet* a, const TypeDechet* b);


private:
    friend class ModelContext;
    friend struct StoreSchema;
    friend struct Relationships;
    friend class CentreTraitement;
    TypeDechet() = default;
    struct Data {
        QUuid id;
        QString libelle;
        std::optional<QString> details;
        QString categorie;
        std::optional<QString> codeCED;
        std::optional<double> prixBaseForfait, prixBaseParTonne, franchiseTonnage, supplementTonnage;
        std::optional<qint64> dureeIncluse;
        std::optional<double> supplementJour;
        double tva = 0;
        bool melangeInterdit = false;
        std::optional<QString> dechetsInterditsString, zonesCompatiblesString,
            bennesCompatiblesString, documentsObligatoiresString;
        bool estDangereux = false;
        std::optional<QString> consignes, couleur;
        QList<CentreTraitement*> centres;
        std::optional<QUuid> centreFavoriID;
    } d;
    KV_SNAPSHOT
};

// Joins rule-list items with "|"; a skip volume is written as its shortest decimal text with a
// point ("10.0", "7.5").
QString joindreListeRegles(const QStringList& items);
QString texteVolumeRegle(double volume);

// ---------------------------------------------------------------------------------------------
// Drivers and their reference lists

#define KV_NAMED_RECORD(Name)                                                     \
    class Name final : public Record {                                            \
    public:                                                                       \
        static constexpr EntityType kType = EntityType::Name;                     \
        explicit Name(const QString& nom)                                         \
        {                                                                         \
            d.id = QUuid::createUuid();                                           \
            d.nom = nom;                                                          \
        }                                                                         \
        EntityType entityType() const override { return kType; }                  \
        KV_FIELD(QUuid, id, setId)                                                \
        KV_FIELD(QString, nom, setNom)                                            \
    private:                                                                      \
        friend class ModelContext;                                                \
        friend struct Relationships;                                              \
        friend struct StoreSchema;                                                   \
        Name() = default;                                                         \
        struct Data {                                                             \
            QUuid id;                                                             \
            QString nom;                                                          \
        } d;                                                                      \
        KV_SNAPSHOT                                                               \
    };

KV_NAMED_RECORD(Qualification)
KV_NAMED_RECORD(Specialisation)
KV_NAMED_RECORD(Formation)
#undef KV_NAMED_RECORD

class Disponibilite final : public Record {
public:
    static constexpr EntityType kType = EntityType::Disponibilite;
    Disponibilite(bool disponible, const QDateTime& dateDebut, const std::optional<QDateTime>& dateFin);
    EntityType entityType() const override { return kType; }

    KV_FIELD(QUuid, id, setId)
    KV_FIELD(bool, disponible, setDisponible)
    KV_DATE(dateDebut, setDateDebut)
    KV_OPTIONAL_DATE(dateFin, setDateFin)


private:
    friend class ModelContext;
    friend struct StoreSchema;
    friend struct Relationships;
    Disponibilite() = default;
    struct Data {
        QUuid id;
        bool disponible = false;
        qint64 dateDebut = 0;
        std::optional<qint64> dateFin;
    } d;
    KV_SNAPSHOT
};

class Chauffeur final : public Record {
public:
    static constexpr EntityType kType = EntityType::Chauffeur;
    Chauffeur(const QString& nom, const QString& prenom, Qualification* qualification,
              const QList<Specialisation*>& specialisations,
              const QList<FormationChauffeur*>& formationsSuivies,
              const QList<Disponibilite*>& disponibilites, double distanceMax,
              const std::optional<QString>& telephone, const std::optional<QString>& email,
              const std::optional<QString>& notes, bool actif);
    EntityType entityType() const override { return kType; }

    KV_FIELD(QUuid, id, setId)
    KV_FIELD(QString, nom, setNom)
    KV_FIELD(QString, prenom, setPrenom)
    KV_FIELD(double, distanceMax, setDistanceMax)
    KV_FIELD(std::optional<QString>, telephone, setTelephone)
    KV_FIELD(std::optional<QString>, email, setEmail)
    KV_FIELD(std::optional<QString>, notes, setNotes)
    KV_FIELD(bool, actif, setActif)

public:
    Qualification* qualification() const { return d.qualification; }
    void setQualification(Qualification* q);
    const QList<Specialisation*>& specialisations() const { return d.specialisations; }
    void setSpecialisations(const QList<Specialisation*>& list);
    const QList<Disponibilite*>& disponibilites() const { return d.disponibilites; }
    void setDisponibilites(const QList<Disponibilite*>& list);

    const QList<LocationDeBenne*>& posesAssurees() const { return m_posesAssurees; }
    void setPosesAssurees(const QList<LocationDeBenne*>& list);
    const QList<LocationDeBenne*>& enlevementsAssures() const { return m_enlevementsAssures; }
    void setEnlevementsAssures(const QList<LocationDeBenne*>& list);
    const QList<FormationChauffeur*>& formationsSuivies() const { return m_formationsSuivies; }
    void setFormationsSuivies(const QList<FormationChauffeur*>& list);


private:
    friend class ModelContext;
    friend struct StoreSchema;
    friend struct Relationships;
    friend class LocationDeBenne;
    friend class FormationChauffeur;
    Chauffeur() = default;
    struct Data {
        QUuid id;
        QString nom, prenom;
        Qualification* qualification = nullptr;
        QList<Specialisation*> specialisations;
        QList<Disponibilite*> disponibilites;
        double distanceMax = 0;
        std::optional<QString> telephone, email, notes;
        bool actif = true;
    } d;
    QList<LocationDeBenne*> m_posesAssurees;
    QList<LocationDeBenne*> m_enlevementsAssures;
    QList<FormationChauffeur*> m_formationsSuivies;
    KV_SNAPSHOT
};

class FormationChauffeur final : public Record {
public:
    static constexpr EntityType kType = EntityType::FormationChauffeur;
    FormationChauffeur(Chauffeur* chauffeur, Formation* formation, const QDateTime& dateExpiration);
    EntityType entityType() const override { return kType; }

    KV_FIELD(QUuid, id, setId)
    KV_DATE(dateExpiration, setDateExpiration)

public:
    Chauffeur* chauffeur() const { return d.chauffeur; }
    void setChauffeur(Chauffeur* chauffeur);
    Formation* formation() const { return d.formation; }
    void setFormation(Formation* formation);


private:
    friend class ModelContext;
    friend struct StoreSchema;
    friend struct Relationships;
    friend class Chauffeur;
    FormationChauffeur() = default;
    struct Data {
        QUuid id;
        Chauffeur* chauffeur = nullptr;
        qint64 chauffeurOrd = 0;
        Formation* formation = nullptr;
        qint64 dateExpiration = 0;
    } d;
    KV_SNAPSHOT
};

// ---------------------------------------------------------------------------------------------
// Report history and planning e-mail templates

class HistoriqueEnvoiRapport final : public Record {
public:
    static constexpr EntityType kType = EntityType::HistoriqueEnvoiRapport;
    HistoriqueEnvoiRapport(const QUuid& id, Client* client, const QDateTime& mois,
                           const QDateTime& dateEnvoi);
    EntityType entityType() const override { return kType; }

    KV_FIELD(QUuid, id, setId)
    KV_DATE(mois, setMois)
    KV_DATE(dateEnvoi, setDateEnvoi)

public:
    Client* client() const { return d.client; }
    void setClient(Client* client);


private:
    friend class ModelContext;
    friend struct StoreSchema;
    friend struct Relationships;
    HistoriqueEnvoiRapport() = default;
    struct Data {
        QUuid id;
        Client* client = nullptr;
        qint64 mois = 0;
        qint64 dateEnvoi = 0;
    } d;
    KV_SNAPSHOT
};

class EmailChauffeurPreferences final : public Record {
public:
    static constexpr EntityType kType = EntityType::EmailChauffeurPreferences;
    EmailChauffeurPreferences(const QString& subjectTemplate, const QString& headerTemplate,
                              const QString& operationLineTemplate, const QString& footerTemplate);
    EntityType entityType() const override { return kType; }

    KV_FIELD(QUuid, id, setId)
    KV_FIELD(QString, subjectTemplate, setSubjectTemplate)
    KV_FIELD(QString, headerTemplate, setHeaderTemplate)
    KV_FIELD(QString, operationLineTemplate, setOperationLineTemplate)
    KV_FIELD(QString, footerTemplate, setFooterTemplate)


private:
    friend class ModelContext;
    friend struct StoreSchema;
    friend struct Relationships;
    EmailChauffeurPreferences() = default;
    struct Data {
        QUuid id;
        QString subjectTemplate, headerTemplate, operationLineTemplate, footerTemplate;
    } d;
    KV_SNAPSHOT
};

} // namespace kv
