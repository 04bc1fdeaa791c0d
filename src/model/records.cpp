#include "records.h"

#include "helpers.h"
#include "modelcontext.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace kv {

namespace {

// Moves `child` from its current parent's list to `newParent`'s (a to-one end paired with a
// to-many list on the other record).
template <class Child, class Parent>
void relinkParent(Child* child, Parent*& slot, qint64& ord, Parent* newParent,
                  QList<Child*>& (*listOf)(Parent*))
{
    if (slot == newParent)
        return;
    child->aboutToChange();
    if (slot && listOf(slot).removeOne(child))
        slot->derivedListChanged();
    slot = newParent;
    ord = nextListOrder();
    // A deleted record keeps what it is given, but never enters a live record's list again.
    if (newParent && !child->isDeleted()) {
        listOf(newParent).append(child);
        Record::joinContexts(child, newParent);
        newParent->derivedListChanged();
    }
}

// Replaces a whole to-many list whose items carry the to-one end: items leaving the list lose
// their parent, items in the new list get it, in the new list's order.
template <class Child, class Parent>
void replaceChildren(Parent* parent, QList<Child*>& current, const QList<Child*>& wanted,
                     void (*setParentOf)(Child*, Parent*), qint64& (*ordOf)(Child*))
{
    const QList<Child*> before = current;
    for (Child* c : before)
        if (!wanted.contains(c))
            setParentOf(c, nullptr);
    QList<Child*> unique;
    for (Child* c : wanted)
        if (c && !unique.contains(c))
            unique.append(c);
    for (Child* c : unique) {
        setParentOf(c, parent);
        c->aboutToChange();
        ordOf(c) = nextListOrder();
    }
    current = unique;
}


} // namespace

// ---------------------------------------------------------------------------------------------
// Client

Client::Client(const QUuid& id, const QString& nom, const QString& couleur, const QString& adresse,
               const QString& codePostal, const QString& ville, const QString& telephone,
               const std::optional<QString>& email, const std::optional<QString>& numeroTVA)
{
    d.id = id;
    d.nom = nom;
    d.couleur = couleur;
    d.adresse = adresse;
    d.codePostal = codePostal;
    d.ville = ville;
    d.telephone = telephone;
    d.email = email;
    d.numeroTVA = numeroTVA;
}

void Client::setContacts(const QList<Contact*>& list)
{
    replaceChildren<Contact, Client>(
        this, m_contacts, list, [](Contact* c, Client* p) { c->setClient(p); },
        [](Contact* c) -> qint64& { return c->d.clientOrd; });
}

void Client::setLocations(const QList<LocationDeBenne*>& list)
{
    replaceChildren<LocationDeBenne, Client>(
        this, m_locations, list, [](LocationDeBenne* l, Client* p) { l->setClient(p); },
        [](LocationDeBenne* l) -> qint64& { return l->d.clientOrd; });
}


// ---------------------------------------------------------------------------------------------
// Contact

Contact::Contact(const QString& prenom, const QString& nom, const QString& telephone,
                 const QString& email, Client* client)
{
    d.prenom = prenom;
    d.nom = nom;
    d.telephone = telephone;
    d.email = email;
    setClient(client);
}

void Contact::setClient(Client* client)
{
    relinkParent<Contact, Client>(this, d.client, d.clientOrd, client,
                                  [](Client* c) -> QList<Contact*>& { return c->m_contacts; });
}


// ---------------------------------------------------------------------------------------------
// Skip state, device, skip

QString texteEtat(EtatBenne etat)
{
    switch (etat) {
    case EtatBenne::neuf:
        return QStringLiteral("Neuf");
    case EtatBenne::correct:
        return QStringLiteral("Correct");
    case EtatBenne::sale:
        return QStringLiteral("Sale");
    case EtatBenne::inutilisable:
        return QStringLiteral("Inutilisable");
    }
    return {};
}

std::optional<EtatBenne> etatDepuisTexte(const QString& texte)
{
    for (EtatBenne e : tousLesEtats())
        if (texteEtat(e) == texte)
            return e;
    return std::nullopt;
}

QList<EtatBenne> tousLesEtats()
{
    return {EtatBenne::neuf, EtatBenne::correct, EtatBenne::sale, EtatBenne::inutilisable};
}

DispositifSpecial::DispositifSpecial(const QString& descriptionDispositif)
{
    d.id = QUuid::createUuid();
    d.descriptionDispositif = descriptionDispositif;
}

Benne::Benne(double volume, const QString& couleur, EtatBenne etat, const QString& notes,
             DispositifSpecial* dispositifSpecial)
{
    d.id = QUuid::createUuid();
    d.volume = volume;
    d.couleur = couleur;
    d.etat = texteEtat(etat);
    d.notes = notes;
    setDispositifSpecial(dispositifSpecial);
}

void Benne::setEtat(EtatBenne etat)
{
    const QString t = texteEtat(etat);
    if (d.etat == t)
        return;
    aboutToChange();
    d.etat = t;
}

void Benne::setDispositifSpecial(DispositifSpecial* dispositif)
{
    if (d.dispositifSpecial == dispositif)
        return;
    aboutToChange();
    d.dispositifSpecial = dispositif;
    if (dispositif)
        joinContexts(this, dispositif);
}

void Benne::setLocations(const QList<LocationDeBenne*>& list)
{
    replaceChildren<LocationDeBenne, Benne>(
        this, m_locations, list, [](LocationDeBenne* l, Benne* p) { l->setBenne(p); },
        [](LocationDeBenne* l) -> qint64& { return l->d.benneOrd; });
}

QString Benne::libelleFacturation() const
{
    QStringList parts;
    const double v = d.volume;
    // Truncation toward zero; a volume that is not finite or does not fit 64 bits is shown as it is.
    if (std::isfinite(v) && v > -9.2233720368547758e18 && v < 9.2233720368547758e18) {
        parts << QString::number(static_cast<qint64>(std::trunc(v))) + QStringLiteral(" m³");
    } else {
        parts << QString::number(v) + QStringLiteral(" m³");
    }
    const QString couleur = trimBlanks(d.couleur, true);
    if (!couleur.isEmpty())
        parts << couleur;
    if (d.dispositifSpecial) {
        const QString desc = trimBlanks(d.dispositifSpecial->descriptionDispositif(), true);
        if (!desc.isEmpty())
            parts << QLatin1Char('(') + desc + QLatin1Char(')');
    }
    return parts.join(QLatin1Char(' '));
}


// ---------------------------------------------------------------------------------------------
// Rental

LocationDeBenne::LocationDeBenne(Client* client, Benne* benne, const std::optional<double>& latitude,
                                 const std::optional<double>& longitude,
                                 const std::optional<QString>& adresse, double tarifPose,
                                 double tarifEnlevement, double tarifJournalier,
                                 const QDateTime& datePose,
                                 const std::optional<QDateTime>& dateEnlevement,
                                 TypeDechet* typeDechet)
{
    d.id = QUuid::createUuid();
    d.latitude = latitude;
    d.longitude = longitude;
    d.adresse = adresse;
    d.tarifPose = tarifPose;
    d.tarifEnlevement = tarifEnlevement;
    d.tarifJournalier = tarifJournalier;
    d.datePose = msFromDate(datePose);
    if (dateEnlevement)
        d.dateEnlevement = msFromDate(*dateEnlevement);
    setClient(client);
    setBenne(benne);
    setTypeDechet(typeDechet);
}

void LocationDeBenne::setClient(Client* client)
{
    relinkParent<LocationDeBenne, Client>(
        this, d.client, d.clientOrd, client,
        [](Client* c) -> QList<LocationDeBenne*>& { return c->m_locations; });
}

void LocationDeBenne::setBenne(Benne* benne)
{
    relinkParent<LocationDeBenne, Benne>(
        this, d.benne, d.benneOrd, benne,
        [](Benne* b) -> QList<LocationDeBenne*>& { return b->m_locations; });
}

void LocationDeBenne::setTypeDechet(TypeDechet* type)
{
    if (d.typeDechet == type)
        return;
    aboutToChange();
    d.typeDechet = type;
    if (type)
        joinContexts(this, type);
}

void LocationDeBenne::setChauffeurPose(Chauffeur* chauffeur)
{
    relinkParent<LocationDeBenne, Chauffeur>(
        this, d.chauffeurPose, d.chauffeurPoseOrd, chauffeur,
        [](Chauffeur* c) -> QList<LocationDeBenne*>& { return c->m_posesAssurees; });
}

void LocationDeBenne::setChauffeurEnlevement(Chauffeur* chauffeur)
{
    relinkParent<LocationDeBenne, Chauffeur>(
        this, d.chauffeurEnlevement, d.chauffeurEnlevementOrd, chauffeur,
        [](Chauffeur* c) -> QList<LocationDeBenne*>& { return c->m_enlevementsAssures; });
}

void LocationDeBenne::setBonsDePesee(const QList<BonDePesee*>& list)
{
    replaceChildren<BonDePesee, LocationDeBenne>(
        this, m_bonsDePesee, list, [](BonDePesee* b, LocationDeBenne* p) { b->setLocation(p); },
        [](BonDePesee* b) -> qint64& { return b->d.locationOrd; });
}

BonDePesee* LocationDeBenne::ajouterBonDePesee(const QDateTime& date,
                                               const std::optional<QString>& numero,
                                               const std::optional<double>& poidsArriveePontKg,
                                               const std::optional<double>& poidsApresVidagePontKg,
                                               const std::optional<double>& poidsDechetsKg,
                                               const std::optional<QString>& cheminFichierTicket)
{
    // The ticket's constructor links it to this rental, which appends it to bonsDePesee.
    return new BonDePesee(this, date, numero, poidsArriveePontKg, poidsApresVidagePontKg,
                          poidsDechetsKg, cheminFichierTicket);
}

double LocationDeBenne::poidsTotalKg() const
{
    double total = 0;
    for (const BonDePesee* b : m_bonsDePesee)
        total += b->poidsNetKg();
    return total;
}

// ---------------------------------------------------------------------------------------------
// Weighbridge ticket

BonDePesee::BonDePesee(LocationDeBenne* location, const QDateTime& date,
                       const std::optional<QString>& numero,
                       const std::optional<double>& poidsArriveePontKg,
                       const std::optional<double>& poidsApresVidagePontKg,
                       const std::optional<double>& poidsDechetsKg,
                       const std::optional<QString>& cheminFichierTicket)
{
    d.id = QUuid::createUuid();
    d.date = msFromDate(date);
    d.numero = numero;
    d.poidsArriveePontKg = poidsArriveePontKg;
    d.poidsApresVidagePontKg = poidsApresVidagePontKg;
    d.poidsDechetsKg = poidsDechetsKg;
    d.cheminFichierTicket = cheminFichierTicket;
    setLocation(location);
}

void BonDePesee::setLocation(LocationDeBenne* location)
{
    relinkParent<BonDePesee, LocationDeBenne>(
        this, d.location, d.locationOrd, location,
        [](LocationDeBenne* l) -> QList<BonDePesee*>& { return l->m_bonsDePesee; });
}

double BonDePesee::poidsNetKg() const
{
    if (d.poidsDechetsKg) {
        const double p = *d.poidsDechetsKg;
        return p >= 0 ? p : 0;
    }
    if (d.poidsArriveePontKg && d.poidsApresVidagePontKg) {
        const double diff = *d.poidsArriveePontKg - *d.poidsApresVidagePontKg;
        return diff >= 0 ? diff : 0;
    }
    return 0;
}


// ---------------------------------------------------------------------------------------------
// Treatment centre and waste type

CentreTraitement::CentreTraitement(
    const QString& nom, const std::optional<QUrl>& siteWeb, const std::optional<QString>& adresseLigne1,
    const std::optional<QString>& adresseLigne2, const std::optional<QString>& codePostal,
    const std::optional<QString>& ville, const std::optional<QString>& pays,
    const std::optional<QString>& telephone, const std::optional<QString>& email,
    const std::optional<QString>& siret, const std::optional<QString>& numeroTrackdechets,
    const std::optional<double>& latitude, const std::optional<double>& longitude)
{
    d.id = QUuid::createUuid();
    d.nom = nom;
    d.siteWeb = siteWeb;
    d.adresseLigne1 = adresseLigne1;
    d.adresseLigne2 = adresseLigne2;
    d.codePostal = codePostal;
    d.ville = ville;
    d.pays = pays;
    d.telephone = telephone;
    d.email = email;
    d.siret = siret;
    d.numeroTrackdechets = numeroTrackdechets;
    d.latitude = latitude;
    d.longitude = longitude;
}

namespace {

// Keeps the two ends of the centre / waste-type many-to-many relationship in step.
template <class A, class B>
void replaceManyToMany(A* self, QList<B*>& mine, const QList<B*>& wanted, QList<A*>& (*theirs)(B*))
{
    QList<B*> unique;
    for (B* b : wanted)
        if (b && !unique.contains(b))
            unique.append(b);
    if (unique == mine)
        return;
    self->aboutToChange();
    const QList<B*> before = mine;
    // A deleted record keeps what it is given, but never enters a live record's list again.
    const bool deleted = self->isDeleted();
    for (B* b : before) {
        if (!unique.contains(b) && !deleted) {
            b->aboutToChange();
            theirs(b).removeAll(self);
        }
    }
    for (B* b : unique) {
        if (!before.contains(b) && !deleted) {
            b->aboutToChange();
            if (!theirs(b).contains(self))
                theirs(b).append(self);
        }
    }
    mine = unique;
    if (!deleted)
        for (B* b : unique)
            Record::joinContexts(self, b);
}

} // namespace

void CentreTraitement::setTypesAcceptes(const QList<TypeDechet*>& list)
{
    replaceManyToMany<CentreTraitement, TypeDechet>(
        this, d.typesAcceptes, list,
        [](TypeDechet* t) -> QList<CentreTraitement*>& { return t->d.centres; });
}

bool CentreTraitement::memeCentre(const CentreTraitement* a, const CentreTraitement* b)
{
    if (!a || !b)
        return a == b;
    return a->id() == b->id();
}


QString joindreListeRegles(const QStringList& items)
{
    return items.join(QLatin1Char('|'));
}

QString texteVolumeRegle(double volume)
{
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, volume);
    QString s = QString::fromLatin1(buf, res.ptr - buf);
    if (!s.contains(QLatin1Char('.')) && !s.contains(QLatin1Char('e')) && std::isfinite(volume))
        s += QStringLiteral(".0");
    return s;
}

TypeDechet::TypeDechet(const QString& libelle, const std::optional<QString>& details,
                       const QString& categorie, const std::optional<QString>& codeCED,
                       const std::optional<double>& prixBaseForfait,
                       const std::optional<double>& prixBaseParTonne,
                       const std::optional<double>& franchiseTonnage,
                       const std::optional<double>& supplementTonnage,
                       const std::optional<qint64>& dureeIncluse,
                       const std::optional<double>& supplementJour, double tva,
                       bool melangeInterdit, const std::optional<QStringList>& dechetsInterdits,
                       bool estDangereux, const std::optional<QString>& consignes,
                       const std::optional<QStringList>& zonesCompatibles,
                       const std::optional<QList<double>>& bennesCompatibles,
                       const std::optional<QStringList>& documentsObligatoires,
                       const std::optional<QString>& couleur)
{
    d.id = QUuid::createUuid();
    d.libelle = libelle;
    d.details = details;
    d.categorie = categorie;
    d.codeCED = codeCED;
    d.prixBaseForfait = prixBaseForfait;
    d.prixBaseParTonne = prixBaseParTonne;
    d.franchiseTonnage = franchiseTonnage;
    d.supplementTonnage = supplementTonnage;
    d.dureeIncluse = dureeIncluse;
    d.supplementJour = supplementJour;
    d.tva = tva;
    d.melangeInterdit = melangeInterdit;
    d.estDangereux = estDangereux;
    d.consignes = consignes;
    d.couleur = couleur;
    if (dechetsInterdits)
        d.dechetsInterditsString = joindreListeRegles(*dechetsInterdits);
    if (zonesCompatibles)
        d.zonesCompatiblesString = joindreListeRegles(*zonesCompatibles);
    if (documentsObligatoires)
        d.documentsObligatoiresString = joindreListeRegles(*documentsObligatoires);
    if (bennesCompatibles) {
        QStringList volumes;
        for (double v : *bennesCompatibles)
            volumes << texteVolumeRegle(v);
        d.bennesCompatiblesString = joindreListeRegles(volumes);
    }
}

void TypeDechet::setCentres(const QList<CentreTraitement*>& list)
{
    replaceManyToMany<TypeDechet, CentreTraitement>(
        this, d.centres, list,
        [](CentreTraitement* c) -> QList<TypeDechet*>& { return c->d.typesAcceptes; });
}

QStringList TypeDechet::dechetsInterdits() const
{
    const QString texte = d.dechetsInterditsString.value_or(QString());
    QStringList out;
    for (const QString& piece : texte.split(QLatin1Char('|'), Qt::SkipEmptyParts))
        out << trimBlanks(piece, true);
    return out;
}

CentreTraitement* TypeDechet::centreFavori() const
{
    if (d.centreFavoriID) {
        for (CentreTraitement* c : d.centres)
            if (c->id() == *d.centreFavoriID)
                return c;
    }
    return d.centres.isEmpty() ? nullptr : d.centres.first();
}

void TypeDechet::setCentreFavori(CentreTraitement* centre)
{
    if (!centre) {
        setCentreFavoriID(std::nullopt);
        return;
    }
    bool present = false;
    for (CentreTraitement* c : d.centres)
        if (c->id() == centre->id())
            present = true;
    if (!present) {
        QList<CentreTraitement*> list = d.centres;
        list.append(centre);
        setCentres(list);
    }
    setCentreFavoriID(centre->id());
}

bool TypeDechet::memeType(const TypeDechet* a, const TypeDechet* b)
{
    if (!a || !b)
        return a == b;
    return a->id() == b->id();
}


// ---------------------------------------------------------------------------------------------
// Drivers

Disponibilite::Disponibilite(bool disponible, const QDateTime& dateDebut,
                             const std::optional<QDateTime>& dateFin)
{
    d.id = QUuid::createUuid();
    d.disponible = disponible;
    d.dateDebut = msFromDate(dateDebut);
    if (dateFin)
        d.dateFin = msFromDate(*dateFin);
}

Chauffeur::Chauffeur(const QString& nom, const QString& prenom, Qualification* qualification,
                     const QList<Specialisation*>& specialisations,
                     const QList<FormationChauffeur*>& formationsSuivies,
                     const QList<Disponibilite*>& disponibilites, double distanceMax,
                     const std::optional<QString>& telephone, const std::optional<QString>& email,
                     const std::optional<QString>& notes, bool actif)
{
    d.id = QUuid::createUuid();
    d.nom = nom;
    d.prenom = prenom;
    d.distanceMax = distanceMax;
    d.telephone = telephone;
    d.email = email;
    d.notes = notes;
    d.actif = actif;
    setQualification(qualification);
    setSpecialisations(specialisations);
    setFormationsSuivies(formationsSuivies);
    setDisponibilites(disponibilites);
}

void Chauffeur::setQualification(Qualification* q)
{
    if (d.qualification == q)
        return;
    aboutToChange();
    d.qualification = q;
    if (q)
        joinContexts(this, q);
}

void Chauffeur::setSpecialisations(const QList<Specialisation*>& list)
{
    QList<Specialisation*> unique;
    for (auto* s : list)
        if (s && !unique.contains(s))
            unique.append(s);
    if (unique == d.specialisations)
        return;
    aboutToChange();
    d.specialisations = unique;
    for (auto* s : unique)
        joinContexts(this, s);
}

void Chauffeur::setDisponibilites(const QList<Disponibilite*>& list)
{
    QList<Disponibilite*> unique;
    for (auto* s : list)
        if (s && !unique.contains(s))
            unique.append(s);
    if (unique == d.disponibilites)
        return;
    aboutToChange();
    d.disponibilites = unique;
    for (auto* s : unique)
        joinContexts(this, s);
}

void Chauffeur::setPosesAssurees(const QList<LocationDeBenne*>& list)
{
    replaceChildren<LocationDeBenne, Chauffeur>(
        this, m_posesAssurees, list, [](LocationDeBenne* l, Chauffeur* c) { l->setChauffeurPose(c); },
        [](LocationDeBenne* l) -> qint64& { return l->d.chauffeurPoseOrd; });
}

void Chauffeur::setEnlevementsAssures(const QList<LocationDeBenne*>& list)
{
    replaceChildren<LocationDeBenne, Chauffeur>(
        this, m_enlevementsAssures, list,
        [](LocationDeBenne* l, Chauffeur* c) { l->setChauffeurEnlevement(c); },
        [](LocationDeBenne* l) -> qint64& { return l->d.chauffeurEnlevementOrd; });
}

void Chauffeur::setFormationsSuivies(const QList<FormationChauffeur*>& list)
{
    replaceChildren<FormationChauffeur, Chauffeur>(
        this, m_formationsSuivies, list,
        [](FormationChauffeur* f, Chauffeur* c) { f->setChauffeur(c); },
        [](FormationChauffeur* f) -> qint64& { return f->d.chauffeurOrd; });
}


FormationChauffeur::FormationChauffeur(Chauffeur* chauffeur, Formation* formation,
                                       const QDateTime& dateExpiration)
{
    d.id = QUuid::createUuid();
    d.dateExpiration = msFromDate(dateExpiration);
    setChauffeur(chauffeur);
    setFormation(formation);
}

void FormationChauffeur::setChauffeur(Chauffeur* chauffeur)
{
    relinkParent<FormationChauffeur, Chauffeur>(
        this, d.chauffeur, d.chauffeurOrd, chauffeur,
        [](Chauffeur* c) -> QList<FormationChauffeur*>& { return c->m_formationsSuivies; });
}

void FormationChauffeur::setFormation(Formation* formation)
{
    if (d.formation == formation)
        return;
    aboutToChange();
    d.formation = formation;
    if (formation)
        joinContexts(this, formation);
}


// ---------------------------------------------------------------------------------------------
// History and templates

HistoriqueEnvoiRapport::HistoriqueEnvoiRapport(const QUuid& id, Client* client, const QDateTime& mois,
                                               const QDateTime& dateEnvoi)
{
    d.id = id;
    d.mois = msFromDate(mois);
    d.dateEnvoi = msFromDate(dateEnvoi);
    setClient(client);
}

void HistoriqueEnvoiRapport::setClient(Client* client)
{
    if (d.client == client)
        return;
    aboutToChange();
    d.client = client;
    if (client)
        joinContexts(this, client);
}


EmailChauffeurPreferences::EmailChauffeurPreferences(const QString& subjectTemplate,
                                                     const QString& headerTemplate,
                                                     const QString& operationLineTemplate,
                                                     const QString& footerTemplate)
{
    d.id = QUuid::createUuid();
    d.subjectTemplate = subjectTemplate;
    d.headerTemplate = headerTemplate;
    d.operationLineTemplate = operationLineTemplate;
    d.footerTemplate = footerTemplate;
}

} // namespace kv
