#include "referencestore.h"

#include <QTimeZone>

#include <cstdio>

using namespace kv;

namespace ref {

namespace {

QDateTime at(int y, int m, int d, int h = 0, int min = 0)
{
    return QDateTime(QDate(y, m, d), QTime(h, min), QTimeZone("Europe/Paris"));
}

QUuid uuid(int n)
{
    return QUuid(QStringLiteral("{00000000-0000-4000-8000-%1}").arg(n, 12, 10, QLatin1Char('0')));
}

} // namespace

bool buildReferenceStore(ModelContext* ctx, QString* error)
{
    auto* dupont = new Client(uuid(1), "Dupont BTP", "FF0000", "1 rue Haute", "69001", "Lyon", "0102030405",
                              QStringLiteral("contact@dupont.fr"), QStringLiteral("FR12345678901"));
    auto* martin = new Client(uuid(2), "Martin & Fils", "", "", "", "", "", QString(), std::nullopt);
    auto* eclair = new Client(uuid(3), "Éclair — Démolition", "00ff00", "Zone «Nord»\nBât. 2", "38000",
                              "Grenoble", "", std::nullopt, QString());
    for (Client* c : {dupont, martin, eclair})
        ctx->insert(c);
    auto* jean = new Contact("Jean", "Dupont", "0601", "jean@dupont.fr", dupont);
    auto* marie = new Contact("Marie", "Durand", "", "", dupont);
    auto* zoe = new Contact("Zoé", "Ñúñez", "0701", "", eclair);
    dupont->setContacts({marie, jean}); // the client's own order
    Q_UNUSED(zoe);

    auto* grue = new DispositifSpecial("Grue auxiliaire");
    auto* crochet = new DispositifSpecial("Crochet");
    ctx->insert(crochet);
    auto* b10 = new Benne(10, "808080", EtatBenne::correct, "", grue);
    auto* b75 = new Benne(7.5, "#112233", EtatBenne::sale, "Fond percé\nà réparer", nullptr);
    auto* b30 = new Benne(30, "", EtatBenne::inutilisable, "", crochet);
    auto* b3 = new Benne(3, "FFFFFF", EtatBenne::neuf, "", nullptr);
    for (Benne* b : {b10, b75, b30, b3})
        ctx->insert(b);

    auto* nord = new CentreTraitement("Centre Nord", QUrl("https://nord.exemple.fr/accueil?x=1"), "2 route du Nord",
                                      std::nullopt, "69100", "Villeurbanne", "France", "0472000000",
                                      "nord@exemple.fr", "12345678900011", "TD-42", 45.7667, 4.8833);
    auto* sud = new CentreTraitement("Centre Sud", std::nullopt, std::nullopt, QString(), std::nullopt,
                                     std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                                     std::nullopt, std::nullopt, std::nullopt);
    ctx->insert(nord);
    ctx->insert(sud);
    auto* gravats = new TypeDechet("Gravats", "Béton, briques", "Inertes", "17 01 07", 150.0, std::nullopt, 2.0,
                                   40.0, 7, 5.0, 20.0, true, QStringList{"Amiante", "Plâtre"}, false,
                                   "Pas de plâtre", QStringList{"Lyon", "Villeurbanne"}, QList<double>{10, 7.5},
                                   QStringList{"BSD"}, "A0522D");
    auto* dib = new TypeDechet("DIB", std::nullopt, "DIB", std::nullopt, std::nullopt, 95.5, std::nullopt,
                               std::nullopt, std::nullopt, std::nullopt, 10.0, false, std::nullopt, false,
                               std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt);
    auto* amiante = new TypeDechet("Amiante", QString(), "Dangereux", "17 06 05*", 0.0, 300.0, 0.0, 0.0, 0, 0.0,
                                   5.5, true, QStringList{}, true, QString(), QStringList{}, QList<double>{},
                                   QStringList{}, QString());
    for (TypeDechet* t : {gravats, dib, amiante})
        ctx->insert(t);
    gravats->setCentres({sud, nord});
    nord->setTypesAcceptes({gravats, amiante}); // nord lists gravats first, gravats lists sud first
    gravats->setCentreFavori(nord);
    amiante->setCentreFavoriID(uuid(999)); // a favourite that is none of its centres

    auto* permis = new Qualification("Permis C");
    auto* superLourd = new Qualification("Permis CE");
    ctx->insert(superLourd);
    auto* speGrue = new Specialisation("Grue");
    auto* speAdr = new Specialisation("ADR");
    auto* conges = new Disponibilite(false, at(2026, 8, 1), at(2026, 8, 15, 18));
    auto* astreinte = new Disponibilite(true, at(2026, 9, 1, 6), std::nullopt);
    auto* paul = new Chauffeur("Martin", "Paul", permis, {speAdr, speGrue}, {}, {astreinte, conges}, 80.0, "0600",
                               "paul@exemple.fr", "Préfère le matin", true);
    auto* luc = new Chauffeur("Bernard", "Luc", nullptr, {}, {}, {}, 0.0, std::nullopt, std::nullopt,
                              std::nullopt, false);
    ctx->insert(paul);
    ctx->insert(luc);
    auto* caces = new Formation("CACES R490");
    auto* fimo = new Formation("FIMO");
    auto* fc1 = new FormationChauffeur(paul, caces, at(2027, 6, 30, 12));
    auto* fc2 = new FormationChauffeur(paul, fimo, at(2028, 1, 1));
    new FormationChauffeur(luc, fimo, at(2026, 12, 31, 23, 59));
    paul->setFormationsSuivies({fc2, fc1});

    auto* l1 = new LocationDeBenne(dupont, b10, 45.75, 4.85, QStringLiteral("3 chemin du Chantier"), 120, 90,
                                   0, at(2026, 3, 2, 8, 30), at(2026, 3, 12, 17), gravats);
    l1->setChauffeurPose(paul);
    l1->setChauffeurEnlevement(luc);
    l1->ajouterBonDePesee(at(2026, 3, 12, 18), QStringLiteral("P-001"), 12500, 4200, std::nullopt,
                          QStringLiteral("/Tickets/P-001.pdf"));
    l1->ajouterBonDePesee(at(2026, 3, 13, 9), std::nullopt, std::nullopt, std::nullopt, 800.25, std::nullopt);
    auto* l2 = new LocationDeBenne(dupont, b75, std::nullopt, std::nullopt, std::nullopt, 0, 0, 12.5,
                                   at(2026, 3, 29, 1, 30), std::nullopt, nullptr);
    auto* l3 = new LocationDeBenne(eclair, b10, -0.0, 0.0, QString(), 0, 0, 0, at(2025, 10, 26, 2, 30),
                                   at(2025, 11, 2), amiante);
    l3->setChauffeurPose(paul);
    l3->setChauffeurEnlevement(paul);
    auto* l4 = new LocationDeBenne(martin, b3, 44.0, 5.0, QStringLiteral("Parking"), 50, 50, 3,
                                   at(2026, 1, 5, 7), at(2026, 1, 20, 16), dib);
    l4->setChauffeurPose(luc);
    l4->ajouterBonDePesee(at(2026, 1, 20, 17), QStringLiteral("X"), 5000, 5500, std::nullopt, std::nullopt);
    dupont->setLocations({l2, l1}); // the client's own order
    b10->setLocations({l3, l1});
    new HistoriqueEnvoiRapport(uuid(50), dupont, at(2026, 2, 1), at(2026, 3, 1, 10, 15));
    new HistoriqueEnvoiRapport(uuid(51), eclair, at(2026, 2, 1), at(2026, 3, 1, 10, 16));
    ctx->insert(new EmailChauffeurPreferences("Planning du {date}", "Bonjour {prenom},\n",
                                              "• {heure} {client} — {adresse}\n", "Bonne journée"));
    // Fixed identifiers for every record, in store order.
    int n = 100;
    auto fix = [&n](auto list) {
        for (auto* r : list)
            r->setId(uuid(n++));
    };
    fix(ctx->all<DispositifSpecial>());
    fix(ctx->all<Benne>());
    fix(ctx->all<LocationDeBenne>());
    fix(ctx->all<BonDePesee>());
    fix(ctx->all<CentreTraitement>());
    fix(ctx->all<TypeDechet>());
    fix(ctx->all<Chauffeur>());
    fix(ctx->all<Qualification>());
    fix(ctx->all<Specialisation>());
    fix(ctx->all<Formation>());
    fix(ctx->all<FormationChauffeur>());
    fix(ctx->all<Disponibilite>());
    fix(ctx->all<EmailChauffeurPreferences>());
    gravats->setCentreFavori(nord); // the favourite is kept by id
    if (!ctx->save(error))
        return false;

    // Records deleted after a first save leave gaps among the identifiers.
    auto* jetable = new Client(uuid(4), "Jetable", "", "", "", "", "", std::nullopt, std::nullopt);
    ctx->insert(jetable);
    auto* lJetable = new LocationDeBenne(jetable, b30, std::nullopt, std::nullopt, std::nullopt, 1, 1, 1,
                                         at(2026, 5, 1), std::nullopt, dib);
    lJetable->setId(uuid(90));
    auto* speOubli = new Specialisation("Oubliée");
    speOubli->setId(uuid(91));
    luc->setSpecialisations({speOubli});
    if (!ctx->save(error))
        return false;
    ctx->remove(jetable);
    ctx->remove(speOubli);
    l2->setDateEnlevement(at(2026, 4, 3, 11));
    return ctx->save(error);
}

namespace {

QString text(const QString& s)
{
    QString e = s;
    e.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('\n'), QLatin1String("\\n"));
    return QLatin1Char('"') + e + QLatin1Char('"');
}
QString text(const std::optional<QString>& s) { return s ? text(*s) : QStringLiteral("absent"); }
QString num(double v) { return QString::number(v, 'g', 17); }
QString num(const std::optional<double>& v) { return v ? num(*v) : QStringLiteral("absent"); }
QString num(const std::optional<qint64>& v) { return v ? QString::number(*v) : QStringLiteral("absent"); }
QString id(const QUuid& u) { return u.toString(QUuid::WithoutBraces); }
QString id(const std::optional<QUuid>& u) { return u ? id(*u) : QStringLiteral("absent"); }
QString yes(bool b) { return b ? QStringLiteral("oui") : QStringLiteral("non"); }
QString link(const Record* r)
{
    return r ? QLatin1Char('#') + QString::number(r->persistentModelID()) : QStringLiteral("aucun");
}
template <class T>
QString links(const QList<T*>& list)
{
    QStringList out;
    for (const T* r : list)
        out << link(r);
    return QLatin1Char('[') + out.join(QLatin1Char(',')) + QLatin1Char(']');
}

struct Line {
    explicit Line(const Record* r, const char* type)
        : s(QString::fromLatin1(type) + QLatin1Char(' ') + link(r))
    {
    }
    Line& operator()(const char* name, const QString& value)
    {
        s += QLatin1Char(' ') + QString::fromLatin1(name) + QLatin1Char('=') + value;
        return *this;
    }
    QString s;
};

} // namespace

QStringList dumpStore(const ModelContext& ctx)
{
    QStringList out;
    for (const Client* c : ctx.all<Client>())
        out << Line(c, "Client")("id", id(c->id()))("nom", text(c->nom()))("couleur", text(c->couleur()))(
                   "adresse", text(c->adresse()))("codePostal", text(c->codePostal()))("ville", text(c->ville()))(
                   "telephone", text(c->telephone()))("email", text(c->email()))("numeroTVA", text(c->numeroTVA()))(
                   "contacts", links(c->contacts()))("locations", links(c->locations()))
                   .s;
    for (const Contact* c : ctx.all<Contact>())
        out << Line(c, "Contact")("prenom", text(c->prenom()))("nom", text(c->nom()))(
                   "telephone", text(c->telephone()))("email", text(c->email()))("client", link(c->client()))
                   .s;
    for (const DispositifSpecial* d : ctx.all<DispositifSpecial>())
        out << Line(d, "DispositifSpecial")("id", id(d->id()))("description", text(d->descriptionDispositif())).s;
    for (const Benne* b : ctx.all<Benne>())
        out << Line(b, "Benne")("id", id(b->id()))("volume", num(b->volume()))("couleur", text(b->couleur()))(
                   "etat", text(b->etatTexte()))("notes", text(b->notes()))(
                   "dispositif", link(b->dispositifSpecial()))("locations", links(b->locations()))
                   .s;
    for (const LocationDeBenne* l : ctx.all<LocationDeBenne>())
        out << Line(l, "LocationDeBenne")("id", id(l->id()))("client", link(l->client()))("benne", link(l->benne()))(
                   "type", link(l->typeDechet()))("pose", link(l->chauffeurPose()))(
                   "enlevement", link(l->chauffeurEnlevement()))("latitude", num(l->latitude()))(
                   "longitude", num(l->longitude()))("adresse", text(l->adresse()))("tarifPose", num(l->tarifPose()))(
                   "tarifEnlevement", num(l->tarifEnlevement()))("tarifJournalier", num(l->tarifJournalier()))(
                   "datePose", QString::number(l->datePoseMs()))("dateEnlevement", num(l->dateEnlevementMs()))(
                   "bons", links(l->bonsDePesee()))
                   .s;
    for (const BonDePesee* b : ctx.all<BonDePesee>())
        out << Line(b, "BonDePesee")("id", id(b->id()))("location", link(b->location()))(
                   "date", QString::number(b->dateMs()))("numero", text(b->numero()))(
                   "arrivee", num(b->poidsArriveePontKg()))("apresVidage", num(b->poidsApresVidagePontKg()))(
                   "dechets", num(b->poidsDechetsKg()))("fichier", text(b->cheminFichierTicket()))
                   .s;
    for (const CentreTraitement* c : ctx.all<CentreTraitement>())
        out << Line(c, "CentreTraitement")("id", id(c->id()))("nom", text(c->nom()))(
                   "siteWeb", c->siteWeb() ? text(c->siteWeb()->toString()) : QStringLiteral("absent"))(
                   "ligne1", text(c->adresseLigne1()))("ligne2", text(c->adresseLigne2()))(
                   "codePostal", text(c->codePostal()))("ville", text(c->ville()))("pays", text(c->pays()))(
                   "telephone", text(c->telephone()))("email", text(c->email()))("siret", text(c->siret()))(
                   "trackdechets", text(c->numeroTrackdechets()))("latitude", num(c->latitude()))(
                   "longitude", num(c->longitude()))("types", links(c->typesAcceptes()))
                   .s;
    for (const TypeDechet* t : ctx.all<TypeDechet>())
        out << Line(t, "TypeDechet")("id", id(t->id()))("libelle", text(t->libelle()))("details", text(t->details()))(
                   "categorie", text(t->categorie()))("codeCED", text(t->codeCED()))(
                   "forfait", num(t->prixBaseForfait()))("parTonne", num(t->prixBaseParTonne()))(
                   "franchise", num(t->franchiseTonnage()))("suppTonnage", num(t->supplementTonnage()))(
                   "dureeIncluse", num(t->dureeIncluse()))("suppJour", num(t->supplementJour()))("tva", num(t->tva()))(
                   "melangeInterdit", yes(t->melangeInterdit()))("interdits", text(t->dechetsInterditsString()))(
                   "zones", text(t->zonesCompatiblesString()))("bennes", text(t->bennesCompatiblesString()))(
                   "documents", text(t->documentsObligatoiresString()))("dangereux", yes(t->estDangereux()))(
                   "consignes", text(t->consignes()))("couleur", text(t->couleur()))(
                   "favori", id(t->centreFavoriID()))("centres", links(t->centres()))
                   .s;
    for (const Chauffeur* c : ctx.all<Chauffeur>())
        out << Line(c, "Chauffeur")("id", id(c->id()))("nom", text(c->nom()))("prenom", text(c->prenom()))(
                   "qualification", link(c->qualification()))("specialisations", links(c->specialisations()))(
                   "disponibilites", links(c->disponibilites()))("distanceMax", num(c->distanceMax()))(
                   "telephone", text(c->telephone()))("email", text(c->email()))("notes", text(c->notes()))(
                   "actif", yes(c->actif()))("poses", links(c->posesAssurees()))(
                   "enlevements", links(c->enlevementsAssures()))("formations", links(c->formationsSuivies()))
                   .s;
    for (const Qualification* q : ctx.all<Qualification>())
        out << Line(q, "Qualification")("id", id(q->id()))("nom", text(q->nom())).s;
    for (const Specialisation* q : ctx.all<Specialisation>())
        out << Line(q, "Specialisation")("id", id(q->id()))("nom", text(q->nom())).s;
    for (const Formation* q : ctx.all<Formation>())
        out << Line(q, "Formation")("id", id(q->id()))("nom", text(q->nom())).s;
    for (const FormationChauffeur* f : ctx.all<FormationChauffeur>())
        out << Line(f, "FormationChauffeur")("id", id(f->id()))("chauffeur", link(f->chauffeur()))(
                   "formation", link(f->formation()))("expiration", QString::number(f->dateExpirationMs()))
                   .s;
    for (const Disponibilite* d : ctx.all<Disponibilite>())
        out << Line(d, "Disponibilite")("id", id(d->id()))("disponible", yes(d->disponible()))(
                   "debut", QString::number(d->dateDebutMs()))("fin", num(d->dateFinMs()))
                   .s;
    for (const HistoriqueEnvoiRapport* h : ctx.all<HistoriqueEnvoiRapport>())
        out << Line(h, "HistoriqueEnvoiRapport")("id", id(h->id()))("client", link(h->client()))(
                   "mois", QString::number(h->moisMs()))("envoi", QString::number(h->dateEnvoiMs()))
                   .s;
    for (const EmailChauffeurPreferences* e : ctx.all<EmailChauffeurPreferences>())
        out << Line(e, "EmailChauffeurPreferences")("id", id(e->id()))("sujet", text(e->subjectTemplate()))(
                   "entete", text(e->headerTemplate()))("ligne", text(e->operationLineTemplate()))(
                   "pied", text(e->footerTemplate()))
                   .s;
    return out;
}

} // namespace ref
