#include "storeschema.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>

namespace kv {

Record* KeyLookup::find(EntityType type, qint64 key) const
{
    // The identifiers of each type are kept side by side, in loading (increasing) order, so
    // that a look-up reads no record.
    const auto& keys = loaded->pks[int(type)];
    const auto it = std::lower_bound(keys.begin(), keys.end(), key);
    if (it == keys.end() || *it != key)
        throw StoreError(QStringLiteral("référence introuvable (%1)").arg(key));
    return loaded->byType[int(type)][std::size_t(it - keys.begin())].get();
}

namespace {

QString named(const ColumnDef& c)
{
    return QString::fromLatin1(c.name);
}

// How one kind of value of a record goes to and from a backend's row.
template <class V>
struct Codec;

template <>
struct Codec<QString> {
    static constexpr ColumnKind kind = ColumnKind::Text;
    static void put(RowWriter& w, int i, const QString& v, const ColumnDef&) { w.text(i, v.toUtf8()); }
    static void get(RowReader& r, int i, QString& v, const KeyLookup&, const ColumnDef&)
    {
        const QByteArrayView u = r.text(i);
        v = QString::fromUtf8(u.data(), u.size());
    }
};

template <>
struct Codec<double> {
    static constexpr ColumnKind kind = ColumnKind::Real;
    static void put(RowWriter& w, int i, double v, const ColumnDef& c)
    {
        // A number that is not finite is never stored (SQLite would turn a NaN into NULL).
        if (!std::isfinite(v))
            throw StoreError(QStringLiteral("la valeur du champ « %1 » n’est pas un nombre fini").arg(named(c)));
        w.real(i, v);
    }
    static void get(RowReader& r, int i, double& v, const KeyLookup&, const ColumnDef& c)
    {
        v = r.real(i);
        if (!std::isfinite(v))
            throw StoreError(QStringLiteral("« %1 » n’est pas un nombre fini").arg(named(c)));
    }
};

// Integers, and dates in milliseconds (the same C++ type, told apart by the column's kind).
template <>
struct Codec<qint64> {
    static constexpr ColumnKind kind = ColumnKind::Integer;
    static void put(RowWriter& w, int i, qint64 v, const ColumnDef& c)
    {
        if (c.kind == ColumnKind::Date)
            w.date(i, v);
        else
            w.integer(i, v);
    }
    static void get(RowReader& r, int i, qint64& v, const KeyLookup&, const ColumnDef& c)
    {
        v = c.kind == ColumnKind::Date ? r.date(i) : r.integer(i);
    }
};

template <>
struct Codec<bool> {
    static constexpr ColumnKind kind = ColumnKind::Boolean;
    static void put(RowWriter& w, int i, bool v, const ColumnDef&) { w.boolean(i, v); }
    static void get(RowReader& r, int i, bool& v, const KeyLookup&, const ColumnDef&) { v = r.boolean(i); }
};

template <>
struct Codec<QUuid> {
    static constexpr ColumnKind kind = ColumnKind::Uuid;
    static void put(RowWriter& w, int i, const QUuid& v, const ColumnDef&) { w.uuid(i, v); }
    static void get(RowReader& r, int i, QUuid& v, const KeyLookup&, const ColumnDef&) { v = r.uuid(i); }
};

template <>
struct Codec<QUrl> {
    static constexpr ColumnKind kind = ColumnKind::Text;
    static void put(RowWriter& w, int i, const QUrl& v, const ColumnDef& c) { Codec<QString>::put(w, i, v.toString(), c); }
    static void get(RowReader& r, int i, QUrl& v, const KeyLookup& l, const ColumnDef& c)
    {
        QString s;
        Codec<QString>::get(r, i, s, l, c);
        v = QUrl(s);
    }
};

template <class V>
struct Codec<std::optional<V>> {
    static constexpr ColumnKind kind = Codec<V>::kind;
    static void put(RowWriter& w, int i, const std::optional<V>& v, const ColumnDef& c)
    {
        if (v)
            Codec<V>::put(w, i, *v, c);
        else
            w.null(i);
    }
    static void get(RowReader& r, int i, std::optional<V>& v, const KeyLookup& l, const ColumnDef& c)
    {
        if (r.isNull(i)) {
            v.reset();
            return;
        }
        V x{};
        Codec<V>::get(r, i, x, l, c);
        v = std::move(x);
    }
};

template <class V>
struct Codec<Compact<V>> {
    static constexpr ColumnKind kind = Codec<V>::kind;
    static void put(RowWriter& w, int i, const Compact<V>& v, const ColumnDef& c)
    {
        Codec<std::optional<V>>::put(w, i, v.get(), c);
    }
    static void get(RowReader& r, int i, Compact<V>& v, const KeyLookup& l, const ColumnDef& c)
    {
        std::optional<V> x;
        Codec<std::optional<V>>::get(r, i, x, l, c);
        v = x;
    }
};

// An optional text kept compact goes to and from the row as its bytes.
template <>
struct Codec<Compact<QString>> {
    static constexpr ColumnKind kind = ColumnKind::Text;
    static void put(RowWriter& w, int i, const Compact<QString>& v, const ColumnDef&)
    {
        if (v)
            w.text(i, v.utf8());
        else
            w.null(i);
    }
    static void get(RowReader& r, int i, Compact<QString>& v, const KeyLookup&, const ColumnDef&)
    {
        if (r.isNull(i))
            v.reset();
        else
            v = Compact<QString>::fromUtf8(r.text(i));
    }
};

// A to-one end: the persistent identifier of the target, absent when there is none.
template <class T>
struct Codec<T*> {
    static constexpr ColumnKind kind = ColumnKind::Link;
    static void put(RowWriter& w, int i, const T* v, const ColumnDef&)
    {
        if (v)
            w.link(i, v->persistentModelID());
        else
            w.null(i);
    }
    static void get(RowReader& r, int i, T*& v, const KeyLookup& l, const ColumnDef&)
    {
        v = r.isNull(i) ? nullptr : static_cast<T*>(l.find(T::kType, r.link(i)));
    }
};

template <class V>
constexpr bool isOptional()
{
    return std::is_pointer_v<V> || requires(V v) { v.has_value(); };
}

template <class V, class D, class Get>
ColumnDef column(const char* name, Get get, V D::*member, ColumnKind kind = Codec<V>::kind)
{
    ColumnDef c{name, kind, isOptional<V>(), nullptr, {}, {}, {}};
    c.write = [get, member, c](const Record* r, RowWriter& w, int i) {
        const V& v = get(const_cast<Record*>(r)).*member;
        if constexpr (std::is_pointer_v<V>)
            StoreSchema::checkTarget(r, v, c.name);
        Codec<V>::put(w, i, v, c);
    };
    c.read = [get, member, c](Record* r, RowReader& row, int i, const KeyLookup& l) {
        Codec<V>::get(row, i, get(r).*member, l, c);
    };
    c.same = [get, member](const Record* r, const void* before) {
        return get(const_cast<Record*>(r)).*member == static_cast<const D*>(before)->*member;
    };
    return c;
}

// A date column: milliseconds since the epoch in the record.
template <class V, class D, class Get>
ColumnDef date(const char* name, Get get, V D::*member)
{
    return column(name, get, member, ColumnKind::Date);
}

} // namespace

const std::vector<TableDef>& StoreSchema::tables()
{
    static const std::vector<TableDef> defs = [] {
        std::vector<TableDef> t;
#define KV_GET(Type) [](Record* r) -> Type::Data& { return static_cast<Type*>(r)->d; }
        {
            auto g = KV_GET(DispositifSpecial);
            using D = DispositifSpecial::Data;
            t.push_back({EntityType::DispositifSpecial, "DispositifSpecial",
                         {column("id", g, &D::id),
                          column("descriptionDispositif", g, &D::descriptionDispositif)},
                         [] { return new DispositifSpecial(); }});
        }
        {
            auto g = KV_GET(Qualification);
            using D = Qualification::Data;
            t.push_back({EntityType::Qualification, "Qualification",
                         {column("id", g, &D::id), column("nom", g, &D::nom)},
                         [] { return new Qualification(); }});
        }
        {
            auto g = KV_GET(Specialisation);
            using D = Specialisation::Data;
            t.push_back({EntityType::Specialisation, "Specialisation",
                         {column("id", g, &D::id), column("nom", g, &D::nom)},
                         [] { return new Specialisation(); }});
        }
        {
            auto g = KV_GET(Formation);
            using D = Formation::Data;
            t.push_back({EntityType::Formation, "Formation",
                         {column("id", g, &D::id), column("nom", g, &D::nom)},
                         [] { return new Formation(); }});
        }
        {
            auto g = KV_GET(Disponibilite);
            using D = Disponibilite::Data;
            t.push_back({EntityType::Disponibilite, "Disponibilite",
                         {column("id", g, &D::id), column("disponible", g, &D::disponible),
                          date("dateDebut", g, &D::dateDebut), date("dateFin", g, &D::dateFin)},
                         [] { return new Disponibilite(); }});
        }
        {
            auto g = KV_GET(EmailChauffeurPreferences);
            using D = EmailChauffeurPreferences::Data;
            t.push_back({EntityType::EmailChauffeurPreferences, "EmailChauffeurPreferences",
                         {column("id", g, &D::id), column("subjectTemplate", g, &D::subjectTemplate),
                          column("headerTemplate", g, &D::headerTemplate),
                          column("operationLineTemplate", g, &D::operationLineTemplate),
                          column("footerTemplate", g, &D::footerTemplate)},
                         [] { return new EmailChauffeurPreferences(); }});
        }
        {
            auto g = KV_GET(Client);
            using D = Client::Data;
            t.push_back({EntityType::Client, "Client",
                         {column("id", g, &D::id), column("nom", g, &D::nom),
                          column("couleur", g, &D::couleur), column("adresse", g, &D::adresse),
                          column("codePostal", g, &D::codePostal), column("ville", g, &D::ville),
                          column("telephone", g, &D::telephone), column("email", g, &D::email),
                          column("numeroTVA", g, &D::numeroTVA)},
                         [] { return new Client(); }});
        }
        {
            auto g = KV_GET(Contact);
            using D = Contact::Data;
            t.push_back({EntityType::Contact, "Contact",
                         {column("prenom", g, &D::prenom), column("nom", g, &D::nom),
                          column("telephone", g, &D::telephone), column("email", g, &D::email),
                          column("client", g, &D::client), column("clientOrd", g, &D::clientOrd)},
                         [] { return new Contact(); }});
        }
        {
            auto g = KV_GET(Benne);
            using D = Benne::Data;
            t.push_back({EntityType::Benne, "Benne",
                         {column("id", g, &D::id), column("volume", g, &D::volume),
                          column("couleur", g, &D::couleur), column("etat", g, &D::etat),
                          column("notes", g, &D::notes),
                          column("dispositifSpecial", g, &D::dispositifSpecial)},
                         [] { return new Benne(); }});
        }
        {
            auto g = KV_GET(CentreTraitement);
            using D = CentreTraitement::Data;
            t.push_back({EntityType::CentreTraitement, "CentreTraitement",
                         {column("id", g, &D::id), column("nom", g, &D::nom),
                          column("siteWeb", g, &D::siteWeb), column("adresseLigne1", g, &D::adresseLigne1),
                          column("adresseLigne2", g, &D::adresseLigne2),
                          column("codePostal", g, &D::codePostal), column("ville", g, &D::ville),
                          column("pays", g, &D::pays), column("telephone", g, &D::telephone),
                          column("email", g, &D::email), column("siret", g, &D::siret),
                          column("numeroTrackdechets", g, &D::numeroTrackdechets),
                          column("latitude", g, &D::latitude), column("longitude", g, &D::longitude)},
                         [] { return new CentreTraitement(); }});
        }
        {
            auto g = KV_GET(TypeDechet);
            using D = TypeDechet::Data;
            t.push_back({EntityType::TypeDechet, "TypeDechet",
                         {column("id", g, &D::id), column("libelle", g, &D::libelle),
                          column("details", g, &D::details), column("categorie", g, &D::categorie),
                          column("codeCED", g, &D::codeCED),
                          column("prixBaseForfait", g, &D::prixBaseForfait),
                          column("prixBaseParTonne", g, &D::prixBaseParTonne),
                          column("franchiseTonnage", g, &D::franchiseTonnage),
                          column("supplementTonnage", g, &D::supplementTonnage),
                          column("dureeIncluse", g, &D::dureeIncluse),
                          column("supplementJour", g, &D::supplementJour), column("tva", g, &D::tva),
                          column("melangeInterdit", g, &D::melangeInterdit),
                          column("dechetsInterditsString", g, &D::dechetsInterditsString),
                          column("zonesCompatiblesString", g, &D::zonesCompatiblesString),
                          column("bennesCompatiblesString", g, &D::bennesCompatiblesString),
                          column("documentsObligatoiresString", g, &D::documentsObligatoiresString),
                          column("estDangereux", g, &D::estDangereux),
                          column("consignes", g, &D::consignes), column("couleur", g, &D::couleur),
                          column("centreFavoriID", g, &D::centreFavoriID)},
                         [] { return new TypeDechet(); }});
        }
        {
            auto g = KV_GET(Chauffeur);
            using D = Chauffeur::Data;
            t.push_back({EntityType::Chauffeur, "Chauffeur",
                         {column("id", g, &D::id), column("nom", g, &D::nom),
                          column("prenom", g, &D::prenom),
                          column("qualification", g, &D::qualification),
                          column("distanceMax", g, &D::distanceMax),
                          column("telephone", g, &D::telephone), column("email", g, &D::email),
                          column("notes", g, &D::notes), column("actif", g, &D::actif)},
                         [] { return new Chauffeur(); }});
        }
        {
            auto g = KV_GET(LocationDeBenne);
            using D = LocationDeBenne::Data;
            t.push_back({EntityType::LocationDeBenne, "LocationDeBenne",
                         {column("id", g, &D::id), column("client", g, &D::client),
                          column("clientOrd", g, &D::clientOrd), column("benne", g, &D::benne),
                          column("benneOrd", g, &D::benneOrd), column("typeDechet", g, &D::typeDechet),
                          column("chauffeurPose", g, &D::chauffeurPose),
                          column("chauffeurPoseOrd", g, &D::chauffeurPoseOrd),
                          column("chauffeurEnlevement", g, &D::chauffeurEnlevement),
                          column("chauffeurEnlevementOrd", g, &D::chauffeurEnlevementOrd),
                          column("latitude", g, &D::latitude), column("longitude", g, &D::longitude),
                          column("adresse", g, &D::adresse), column("tarifPose", g, &D::tarifPose),
                          column("tarifEnlevement", g, &D::tarifEnlevement),
                          column("tarifJournalier", g, &D::tarifJournalier),
                          date("datePose", g, &D::datePose),
                          date("dateEnlevement", g, &D::dateEnlevement)},
                         [] { return new LocationDeBenne(); }});
        }
        {
            auto g = KV_GET(BonDePesee);
            using D = BonDePesee::Data;
            t.push_back({EntityType::BonDePesee, "BonDePesee",
                         {column("id", g, &D::id), column("location", g, &D::location),
                          column("locationOrd", g, &D::locationOrd), date("date", g, &D::date),
                          column("numero", g, &D::numero),
                          column("poidsArriveePontKg", g, &D::poidsArriveePontKg),
                          column("poidsApresVidagePontKg", g, &D::poidsApresVidagePontKg),
                          column("poidsDechetsKg", g, &D::poidsDechetsKg),
                          column("cheminFichierTicket", g, &D::cheminFichierTicket),
                          column("centreTraitement", g, &D::centreTraitement)},
                         [] { return new BonDePesee(); }});
            t.back().columns.back().since = 2;
        }
        {
            auto g = KV_GET(FormationChauffeur);
            using D = FormationChauffeur::Data;
            t.push_back({EntityType::FormationChauffeur, "FormationChauffeur",
                         {column("id", g, &D::id), column("chauffeur", g, &D::chauffeur),
                          column("chauffeurOrd", g, &D::chauffeurOrd),
                          column("formation", g, &D::formation),
                          date("dateExpiration", g, &D::dateExpiration)},
                         [] { return new FormationChauffeur(); }});
        }
        {
            auto g = KV_GET(HistoriqueEnvoiRapport);
            using D = HistoriqueEnvoiRapport::Data;
            t.push_back({EntityType::HistoriqueEnvoiRapport, "HistoriqueEnvoiRapport",
                         {column("id", g, &D::id), column("client", g, &D::client),
                          date("mois", g, &D::mois), date("dateEnvoi", g, &D::dateEnvoi)},
                         [] { return new HistoriqueEnvoiRapport(); }});
        }
#undef KV_GET
        // The columns of to-one ends take what they need to know from the relationship table.
        for (TableDef& td : t)
            for (ColumnDef& c : td.columns)
                if (const Relationship* rel = relationshipNamed(td.type, c.name); rel && !rel->toMany)
                    c.link = rel;
        return t;
    }();
    return defs;
}

const TableDef& StoreSchema::table(EntityType type)
{
    static const std::array<int, kEntityTypeCount> index = [] {
        std::array<int, kEntityTypeCount> a{};
        const auto& t = tables();
        for (int i = 0; i < int(t.size()); ++i)
            a[int(t[i].type)] = i;
        return a;
    }();
    return tables()[index[int(type)]];
}

void StoreSchema::checkTarget(const Record* source, const Record* target, const char* name)
{
    // Anything else would leave a reference that the next opening could not resolve.
    if (!target)
        return;
    if (target->isDeleted())
        throw StoreError(QStringLiteral("le champ « %1 » désigne un enregistrement supprimé")
                             .arg(QString::fromLatin1(name)));
    if (target->modelContext() != source->modelContext())
        throw StoreError(QStringLiteral("le champ « %1 » désigne un enregistrement d’un autre magasin")
                             .arg(QString::fromLatin1(name)));
}

void StoreSchema::checkRequiredLinks(const TableDef& t, const Record* r)
{
    for (const ColumnDef& c : t.columns)
        if (c.link && c.link->required && !c.link->targetOf(r))
            throw StoreError(QStringLiteral("le champ obligatoire « %1 » est vide").arg(QString::fromLatin1(c.name)));
}

void StoreSchema::checkLinks(const TableDef& t, const Record* r)
{
    for (const ColumnDef& c : t.columns)
        if (c.link)
            checkTarget(r, c.link->targetOf(r), c.name);
    checkRequiredLinks(t, r);
}

std::unique_ptr<Record> StoreSchema::make(const TableDef& t, qint64 key)
{
    std::unique_ptr<Record> r(t.make());
    r->m_pk = key;
    return r;
}

void StoreSchema::readRow(const TableDef& t, std::unique_ptr<Record> r, RowReader& row, int first,
                          const KeyLookup& lookup, LoadedRecords& loaded)
{
    // What the writer would refuse is refused here too, naming the row.
    try {
        if (r->m_pk <= 0 || r->m_pk > kMaxKey)
            throw StoreError(QStringLiteral("identifiant hors limites"));
        const int n = int(t.columns.size());
        for (int i = 0; i < n; ++i)
            t.columns[i].read(r.get(), row, first + i, lookup);
        checkRequiredLinks(t, r.get());
        for (const Relationship* rel : relationshipsFrom(t.type))
            if (rel->pairedToOne() && rel->order(r.get()) > kMaxKey)
                throw StoreError(QStringLiteral("position dans la liste « %1 » hors limites")
                                     .arg(QString::fromLatin1(rel->inverse)));
    } catch (const StoreError& e) {
        throw StoreError(QStringLiteral("table « %1 », ligne %2 : %3")
                             .arg(QString::fromLatin1(t.name))
                             .arg(r->m_pk)
                             .arg(QString::fromUtf8(e.what())));
    }
    // Given to its context now, while the record is at hand.
    r->m_context = loaded.owner;
    r->m_state = Record::State::Stored;
    loaded.pks[int(t.type)].push_back(r->m_pk);
    loaded.byType[int(t.type)].push_back(std::move(r));
}

StoreSchema::JoinPlan StoreSchema::planJoin(const Relationship& rel, const ChangeSet& changes)
{
    JoinPlan plan;
    // The rows of every changed record are written again, from both ends of a many-to-many
    // relationship; each pair once.
    std::vector<Record*> sources, targets;
    for (const RecordChange& c : changes) {
        Record* r = c.record;
        const bool stored = c.kind != RecordChange::Insert;
        const bool live = c.kind != RecordChange::Delete;
        if (r->entityType() == rel.source) {
            if (stored)
                plan.deleteBySource.push_back(r->m_pk);
            if (live)
                sources.push_back(r);
        }
        if (r->entityType() == rel.target) {
            if (rel.manyToMany()) {
                if (stored)
                    plan.deleteByTarget.push_back(r->m_pk);
                if (live)
                    targets.push_back(r);
            } else if (!live) {
                plan.deleteByTarget.push_back(r->m_pk);
            }
        }
    }
    std::set<std::pair<Record*, Record*>> written;
    auto add = [&](Record* s, Record* t) {
        if (!written.insert({s, t}).second)
            return;
        checkTarget(s, t, rel.name);
        const qint64 sp = rel.targetsOf(s).indexOf(t);
        if (!rel.manyToMany()) {
            plan.rows.push_back({s, t, sp, 0});
            return;
        }
        checkTarget(t, s, rel.inverse);
        const qint64 tp = rel.inverseOf(t).indexOf(s);
        plan.rows.push_back({s, t, sp < 0 ? 0 : sp, tp < 0 ? 0 : tp});
    };
    for (Record* s : sources) {
        const QList<Record*> list = rel.targetsOf(s);
        for (Record* t : list)
            checkTarget(s, t, rel.name);
        for (Record* t : list)
            add(s, t);
    }
    for (Record* t : targets)
        for (Record* s : rel.inverseOf(t))
            add(s, t);
    return plan;
}

void StoreSchema::fillLists(const Relationship& rel, std::vector<JoinRow>& rows)
{
    std::stable_sort(rows.begin(), rows.end(), [](const JoinRow& a, const JoinRow& b) { return a.sourcePos < b.sourcePos; });
    for (const JoinRow& row : rows)
        rel.appendTargetRaw(row.source, row.target);
    if (rel.manyToMany()) {
        std::stable_sort(rows.begin(), rows.end(),
                         [](const JoinRow& a, const JoinRow& b) { return a.targetPos < b.targetPos; });
        for (const JoinRow& row : rows)
            rel.appendInverseRaw(row.target, row.source);
    }
}

ChangeSet StoreSchema::upgradeRecords(LoadedRecords& loaded, int version)
{
    ChangeSet filled;
    if (version < 2) {
        // A ticket showed the preferred centre of its rental's waste type: it keeps that name.
        for (const auto& r : loaded.byType[int(EntityType::BonDePesee)]) {
            auto* bon = static_cast<BonDePesee*>(r.get());
            const TypeDechet* type = bon->location() ? bon->location()->typeDechet() : nullptr;
            const CentreTraitement* centre = type ? type->centreFavori() : nullptr;
            if (!centre)
                continue;
            bon->d.centreTraitement = std::optional<QString>(centre->nom()); // before the context, unobserved
            filled.push_back({RecordChange::Update, bon});
        }
    }
    return filled;
}

void StoreSchema::reportUnknownStates(const LoadedRecords& loaded)
{
    for (const auto& r : loaded.byType[int(EntityType::Benne)]) {
        auto* b = static_cast<Benne*>(r.get());
        if (!b->etat())
            std::printf("⚠️ État de benne inconnu « %s » (benne %s) : conservé tel quel.\n",
                        qPrintable(b->etatTexte()), qPrintable(b->id().toString(QUuid::WithoutBraces)));
    }
    std::fflush(stdout);
}

} // namespace kv
