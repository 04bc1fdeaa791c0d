#include "storefile.h"

#include "relationships.h"

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Exception.h>
#include <sqlite3.h>

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <limits>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <map>
#include <set>
#include <thread>
#include <tuple>
#include <unordered_set>

namespace kv {

namespace {

struct StoreError : std::runtime_error {
    explicit StoreError(const QString& m) : std::runtime_error(m.toStdString()) {}
};

QString sqliteMessage(sqlite3* db)
{
    return QString::fromUtf8(sqlite3_errmsg(db));
}

// Every binding is checked: a value that could not be bound (no memory) must fail the save,
// never leave NULL in its place.
void bound(int rc, sqlite3_stmt* st)
{
    if (rc != SQLITE_OK)
        throw StoreError(QString::fromUtf8(sqlite3_errstr(rc)));
    Q_UNUSED(st);
}

// Looks records up by persistent identifier while a store loads. The identifiers of each type
// are kept side by side, in loading (increasing) order, so that a look-up reads no record.
struct Loader {
    LoadedRecords* loaded = nullptr;
    Record* find(EntityType type, qint64 pk) const
    {
        const auto& keys = loaded->pks[int(type)];
        const auto it = std::lower_bound(keys.begin(), keys.end(), pk);
        if (it == keys.end() || *it != pk)
            throw StoreError(QStringLiteral("référence introuvable (%1)").arg(pk));
        return loaded->byType[int(type)][std::size_t(it - keys.begin())].get();
    }
};

// How one kind of value goes to and from a column.
template <class V>
struct Sql;

template <>
struct Sql<QString> {
    static constexpr const char* type = "TEXT NOT NULL";
    static void bind(sqlite3_stmt* st, int i, const QString& v, const char*)
    {
        const QByteArray u = v.toUtf8();
        bound(sqlite3_bind_text(st, i, u.constData(), int(u.size()), SQLITE_TRANSIENT), st);
    }
    static void load(sqlite3_stmt* st, int i, QString& v, const Loader&)
    {
        const char* p = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
        v = p ? QString::fromUtf8(p, sqlite3_column_bytes(st, i)) : QString();
    }
};

template <>
struct Sql<double> {
    static constexpr const char* type = "REAL NOT NULL";
    static void bind(sqlite3_stmt* st, int i, double v, const char* name)
    {
        // SQLite would turn a NaN into NULL: never store a number that is not finite.
        if (!std::isfinite(v))
            throw StoreError(QStringLiteral("la valeur du champ « %1 » n’est pas un nombre fini")
                                 .arg(QString::fromLatin1(name)));
        bound(sqlite3_bind_double(st, i, v), st);
    }
    static void load(sqlite3_stmt* st, int i, double& v, const Loader&)
    {
        const int type = sqlite3_column_type(st, i);
        v = sqlite3_column_double(st, i);
        if ((type != SQLITE_FLOAT && type != SQLITE_INTEGER) || !std::isfinite(v))
            throw StoreError(QStringLiteral("« %1 » n’est pas un nombre fini")
                                 .arg(QString::fromUtf8(sqlite3_column_name(st, i))));
    }
};

// Identifiers and list positions grow by one from the highest stored: far below the 64-bit limit.
constexpr qint64 kMaxKey = qint64(1) << 62;

// An integer column holds an integer, nothing read as one by conversion.
void requireInteger(sqlite3_stmt* st, int i)
{
    if (sqlite3_column_type(st, i) != SQLITE_INTEGER)
        throw StoreError(QStringLiteral("« %1 » n’est pas un entier").arg(QString::fromUtf8(sqlite3_column_name(st, i))));
}

template <>
struct Sql<qint64> {
    static constexpr const char* type = "INTEGER NOT NULL";
    static void bind(sqlite3_stmt* st, int i, qint64 v, const char*) { bound(sqlite3_bind_int64(st, i, v), st); }
    static void load(sqlite3_stmt* st, int i, qint64& v, const Loader&)
    {
        requireInteger(st, i);
        v = sqlite3_column_int64(st, i);
    }
};

template <>
struct Sql<bool> {
    static constexpr const char* type = "INTEGER NOT NULL";
    static void bind(sqlite3_stmt* st, int i, bool v, const char*) { bound(sqlite3_bind_int(st, i, v ? 1 : 0), st); }
    static void load(sqlite3_stmt* st, int i, bool& v, const Loader&)
    {
        requireInteger(st, i);
        v = sqlite3_column_int(st, i) != 0;
    }
};

template <>
struct Sql<QUuid> {
    static constexpr const char* type = "BLOB NOT NULL";
    static void bind(sqlite3_stmt* st, int i, const QUuid& v, const char*)
    {
        const QByteArray b = v.toRfc4122();
        bound(sqlite3_bind_blob(st, i, b.constData(), int(b.size()), SQLITE_TRANSIENT), st);
    }
    static void load(sqlite3_stmt* st, int i, QUuid& v, const Loader&)
    {
        const int n = sqlite3_column_bytes(st, i);
        const char* p = static_cast<const char*>(sqlite3_column_blob(st, i));
        if (n != 16 || !p)
            throw StoreError(QStringLiteral("identifiant illisible"));
        v = QUuid::fromRfc4122(QByteArrayView(p, n));
    }
};

template <>
struct Sql<QUrl> {
    static void bind(sqlite3_stmt* st, int i, const QUrl& v, const char* n)
    {
        Sql<QString>::bind(st, i, v.toString(), n);
    }
    static void load(sqlite3_stmt* st, int i, QUrl& v, const Loader& l)
    {
        QString s;
        Sql<QString>::load(st, i, s, l);
        v = QUrl(s);
    }
};

template <class V>
struct Sql<std::optional<V>> {
    static void bind(sqlite3_stmt* st, int i, const std::optional<V>& v, const char* n)
    {
        if (v)
            Sql<V>::bind(st, i, *v, n);
        else
            bound(sqlite3_bind_null(st, i), st);
    }
    static void load(sqlite3_stmt* st, int i, std::optional<V>& v, const Loader& l)
    {
        if (sqlite3_column_type(st, i) == SQLITE_NULL) {
            v.reset();
            return;
        }
        V x{};
        Sql<V>::load(st, i, x, l);
        v = std::move(x);
    }
};

template <class V>
struct Sql<Compact<V>> {
    static void bind(sqlite3_stmt* st, int i, const Compact<V>& v, const char* n)
    {
        Sql<std::optional<V>>::bind(st, i, v.get(), n);
    }
    static void load(sqlite3_stmt* st, int i, Compact<V>& v, const Loader& l)
    {
        std::optional<V> x;
        Sql<std::optional<V>>::load(st, i, x, l);
        v = x;
    }
};

// An optional text kept compact goes to and from the column as its bytes.
template <>
struct Sql<Compact<QString>> {
    static void bind(sqlite3_stmt* st, int i, const Compact<QString>& v, const char*)
    {
        if (!v) {
            bound(sqlite3_bind_null(st, i), st);
            return;
        }
        const QByteArrayView u = v.utf8();
        bound(sqlite3_bind_text(st, i, u.empty() ? "" : u.data(), int(u.size()), SQLITE_TRANSIENT), st);
    }
    static void load(sqlite3_stmt* st, int i, Compact<QString>& v, const Loader&)
    {
        if (sqlite3_column_type(st, i) == SQLITE_NULL) {
            v.reset();
            return;
        }
        const char* p = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
        v = Compact<QString>::fromUtf8(QByteArrayView(p ? p : "", p ? sqlite3_column_bytes(st, i) : 0));
    }
};

// A to-one relationship: the persistent identifier of the target, NULL when absent.
template <class T>
struct Sql<T*> {
    static void bind(sqlite3_stmt* st, int i, T* v, const char*)
    {
        if (v)
            bound(sqlite3_bind_int64(st, i, v->persistentModelID()), st);
        else
            bound(sqlite3_bind_null(st, i), st);
    }
    static void load(sqlite3_stmt* st, int i, T*& v, const Loader& l)
    {
        if (sqlite3_column_type(st, i) == SQLITE_NULL) {
            v = nullptr;
            return;
        }
        requireInteger(st, i);
        v = static_cast<T*>(l.find(T::kType, sqlite3_column_int64(st, i)));
    }
};

template <class V>
constexpr const char* columnType()
{
    if constexpr (std::is_same_v<V, QString> || std::is_same_v<V, QUrl>)
        return "TEXT NOT NULL";
    else if constexpr (std::is_same_v<V, double>)
        return "REAL NOT NULL";
    else if constexpr (std::is_same_v<V, QUuid>)
        return "BLOB NOT NULL";
    else if constexpr (std::is_same_v<V, std::optional<QString>> || std::is_same_v<V, std::optional<QUrl>>
                       || std::is_same_v<V, Compact<QString>>)
        return "TEXT";
    else if constexpr (std::is_same_v<V, std::optional<double>> || std::is_same_v<V, Compact<double>>)
        return "REAL";
    else if constexpr (std::is_same_v<V, std::optional<QUuid>>)
        return "BLOB";
    else if constexpr (std::is_same_v<V, std::optional<qint64>> || std::is_same_v<V, Compact<qint64>>)
        return "INTEGER";
    else if constexpr (std::is_pointer_v<V>)
        return "INTEGER";
    else
        return "INTEGER NOT NULL";
}

} // namespace

struct ColumnDef {
    const char* name;
    const char* sqlType;
    const Relationship* link = nullptr; // a to-one end: its relationship
    std::function<void(Record*, sqlite3_stmt*, int)> bind;
    std::function<void(Record*, sqlite3_stmt*, int, const Loader&)> load;
};

struct TableDef {
    EntityType type;
    const char* name;
    std::vector<ColumnDef> columns;
    std::function<Record*()> make;
};

namespace {

// A link may only point at a live record of the same store: anything else would leave a
// reference that the next opening could not resolve.
void checkTarget(const Record* source, const Record* target, const char* name)
{
    if (!target)
        return;
    if (target->isDeleted())
        throw StoreError(QStringLiteral("le champ « %1 » désigne un enregistrement supprimé")
                             .arg(QString::fromLatin1(name)));
    if (target->modelContext() != source->modelContext())
        throw StoreError(QStringLiteral("le champ « %1 » désigne un enregistrement d’un autre magasin")
                             .arg(QString::fromLatin1(name)));
}

// A record is not written without the targets its required ends need.
void checkRequiredLinks(const TableDef& t, Record* r)
{
    for (const ColumnDef& c : t.columns)
        if (c.link && c.link->required && !c.link->targetOf(r))
            throw StoreError(QStringLiteral("le champ obligatoire « %1 » est vide").arg(QString::fromLatin1(c.name)));
}

template <class V, class D, class Get>
ColumnDef column(const char* name, Get get, V D::*member)
{
    ColumnDef c;
    c.name = name;
    c.sqlType = columnType<V>();
    c.bind = [get, member, name](Record* r, sqlite3_stmt* st, int i) {
        const V& v = get(r).*member;
        if constexpr (std::is_pointer_v<V>)
            checkTarget(r, v, name);
        Sql<V>::bind(st, i, v, name);
    };
    c.load = [get, member](Record* r, sqlite3_stmt* st, int i, const Loader& l) {
        Sql<V>::load(st, i, get(r).*member, l);
    };
    return c;
}

} // namespace

// The tables, in loading order: every to-one target is loaded before the records that point
// at it.
const std::vector<TableDef>& StoreFile::tables()
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
                          column("dateDebut", g, &D::dateDebut), column("dateFin", g, &D::dateFin)},
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
                          column("datePose", g, &D::datePose),
                          column("dateEnlevement", g, &D::dateEnlevement)},
                         [] { return new LocationDeBenne(); }});
        }
        {
            auto g = KV_GET(BonDePesee);
            using D = BonDePesee::Data;
            t.push_back({EntityType::BonDePesee, "BonDePesee",
                         {column("id", g, &D::id), column("location", g, &D::location),
                          column("locationOrd", g, &D::locationOrd), column("date", g, &D::date),
                          column("numero", g, &D::numero),
                          column("poidsArriveePontKg", g, &D::poidsArriveePontKg),
                          column("poidsApresVidagePontKg", g, &D::poidsApresVidagePontKg),
                          column("poidsDechetsKg", g, &D::poidsDechetsKg),
                          column("cheminFichierTicket", g, &D::cheminFichierTicket)},
                         [] { return new BonDePesee(); }});
        }
        {
            auto g = KV_GET(FormationChauffeur);
            using D = FormationChauffeur::Data;
            t.push_back({EntityType::FormationChauffeur, "FormationChauffeur",
                         {column("id", g, &D::id), column("chauffeur", g, &D::chauffeur),
                          column("chauffeurOrd", g, &D::chauffeurOrd),
                          column("formation", g, &D::formation),
                          column("dateExpiration", g, &D::dateExpiration)},
                         [] { return new FormationChauffeur(); }});
        }
        {
            auto g = KV_GET(HistoriqueEnvoiRapport);
            using D = HistoriqueEnvoiRapport::Data;
            t.push_back({EntityType::HistoriqueEnvoiRapport, "HistoriqueEnvoiRapport",
                         {column("id", g, &D::id), column("client", g, &D::client),
                          column("mois", g, &D::mois), column("dateEnvoi", g, &D::dateEnvoi)},
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

const TableDef& StoreFile::table(EntityType type)
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

// ---------------------------------------------------------------------------------------------

StoreFile::~StoreFile()
{
    finalizeStatements();
}

void StoreFile::exec(const char* sql)
{
    char* msg = nullptr;
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, &msg) != SQLITE_OK) {
        const QString m = msg ? QString::fromUtf8(msg) : sqliteMessage(m_db);
        sqlite3_free(msg);
        throw StoreError(m);
    }
}

void StoreFile::prepareStatements()
{
    // All or nothing: a statement that fails to prepare leaves no half-filled cache behind.
    std::vector<sqlite3_stmt*> made;
    std::vector<Cached> cache(kEntityTypeCount);
    auto prepare = [&](const std::string& sql) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.c_str(), int(sql.size()), &st, nullptr) != SQLITE_OK || !st) {
            const QString message = sqliteMessage(m_db);
            for (sqlite3_stmt* done : made)
                sqlite3_finalize(done);
            throw StoreError(message);
        }
        made.push_back(st);
        return st;
    };
    for (const TableDef& t : tables()) {
        Cached& c = cache[int(t.type)];
        std::string cols = "pk", marks = "?", sets;
        for (const ColumnDef& col : t.columns) {
            cols += std::string(", \"") + col.name + "\"";
            marks += ", ?";
            if (!sets.empty())
                sets += ", ";
            sets += std::string("\"") + col.name + "\" = ?";
        }
        c.insert = prepare("INSERT INTO \"" + std::string(t.name) + "\" (" + cols + ") VALUES (" + marks + ")");
        c.update = prepare("UPDATE \"" + std::string(t.name) + "\" SET " + sets + " WHERE pk = ?");
        c.remove = prepare("DELETE FROM \"" + std::string(t.name) + "\" WHERE pk = ?");
    }
    m_statements = std::move(made);
    m_cache = std::move(cache);
}

void StoreFile::finalizeStatements()
{
    for (sqlite3_stmt* st : m_statements)
        sqlite3_finalize(st);
    m_statements.clear();
    m_cache.clear();
}

namespace {

using Connection = std::unique_ptr<sqlite3, int (*)(sqlite3*)>;

// Double-quoted unknown names would read as strings: a missing column must be an error.
void strictIdentifiers(sqlite3* db)
{
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 0, static_cast<int*>(nullptr));
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DDL, 0, static_cast<int*>(nullptr));
}

// An error of the system (input/output, space, permissions) rather than of the file's content.
bool isSystemError(int rc)
{
    switch (rc & 0xFF) {
    case SQLITE_IOERR:
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_FULL:
    case SQLITE_READONLY:
    case SQLITE_NOMEM:
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_AUTH:
        return true;
    default:
        return false;
    }
}

QString systemText(sqlite3* db, int rc)
{
    QString text = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
    if (db && sqlite3_system_errno(db) != 0)
        text += QStringLiteral(" (") + qt_error_string(sqlite3_system_errno(db)) + QLatin1Char(')');
    return text;
}

struct SchemaObject {
    std::string type;  // "table" or "index"
    std::string table; // the table an index belongs to
    // Tables: name → (declared type, not null, part of the primary key).
    std::map<std::string, std::tuple<std::string, bool, bool>> columns;
};

// Splits "TEXT NOT NULL" into its type and its constraint.
std::pair<std::string, bool> typeOf(const char* sqlType)
{
    const std::string t(sqlType);
    const auto space = t.find(' ');
    return {t.substr(0, space), t.find("NOT NULL") != std::string::npos};
}

} // namespace

// Every object of a store of the current format: its tables with their columns, their indexes.
static std::map<std::string, SchemaObject> expectedSchema(const std::vector<TableDef>& tables)
{
    std::map<std::string, SchemaObject> out;
    for (const TableDef& t : tables) {
        SchemaObject table{"table", t.name, {}};
        table.columns["pk"] = {"INTEGER", false, true};
        for (const ColumnDef& c : t.columns) {
            const auto [type, notNull] = typeOf(c.sqlType);
            table.columns[c.name] = {type, notNull, false};
        }
        out[t.name] = table;
        if (t.type != EntityType::Contact)
            out[std::string(t.name) + "_id"] = {"index", t.name, {}};
    }
    for (const Relationship& rel : relationships()) {
        if (!rel.toMany)
            continue;
        const JoinTable& j = rel.join;
        SchemaObject table{"table", j.name, {}};
        for (const char* c : {j.sourceColumn, j.targetColumn, j.sourcePosition, j.targetPosition})
            if (c)
                table.columns[c] = {"INTEGER", true, false};
        out[j.name] = table;
        out[j.sourceIndex] = {"index", j.name, {}};
        if (j.targetIndex)
            out[j.targetIndex] = {"index", j.name, {}};
    }
    return out;
}

// What is read while a store opens: the read-only connection of its inspection, which the load
// reads through; the check of its pages, running beside on a connection of its own; and, when
// the write-ahead log needed recovery, the connection that recovered it, kept open so that the
// recovered index stays in use.
struct StoreFile::Opening {
    Connection reader{nullptr, sqlite3_close};
    Connection recovery{nullptr, sqlite3_close};
    std::thread check;
    Inspection checkResult;

    ~Opening()
    {
        if (check.joinable())
            check.join();
    }
};

StoreFile::StoreFile() = default;

namespace {

// Messages of the inspection, each naming the file.
struct Verdicts {
    QString path;
    StoreFile::Inspection& result;
    StoreFile::Inspection fail(OpenFailure kind, const QString& message)
    {
        result.failure = kind;
        result.error = message;
        return result;
    }
    StoreFile::Inspection damaged(const QString& why)
    {
        return fail(OpenFailure::Damaged, QStringLiteral("Le magasin de données « %1 » est endommagé : %2").arg(path, why));
    }
    StoreFile::Inspection foreign()
    {
        return fail(OpenFailure::NotAStore, QStringLiteral("« %1 » n’est pas un magasin de données Kestrovan.").arg(path));
    }
    StoreFile::Inspection unreadable(const QString& why)
    {
        return fail(OpenFailure::CannotOpen, QStringLiteral("Impossible de lire « %1 » : %2").arg(path, why));
    }
};

// Runs a query; `row` sees each row. Returns the SQLite code of the failure, or SQLITE_OK.
int query(sqlite3* db, const std::string& sql, const std::function<void(sqlite3_stmt*)>& row)
{
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
    if (rc != SQLITE_OK)
        return rc;
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> guard(st, sqlite3_finalize);
    while ((rc = sqlite3_step(st)) == SQLITE_ROW)
        row(st);
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

// A read-only connection that reads the file through a memory map rather than copying it page
// by page. Null, with SQLite's code in `rc`, when it cannot be opened. Each reader is used by one
// thread only (the load, or the page check beside it), so it goes without SQLite's lock on every
// call: that lock alone made opening a large store a third slower.
Connection openReader(const QString& path, int* rc)
{
    sqlite3* raw = nullptr;
    *rc = sqlite3_open_v2(path.toUtf8().constData(), &raw, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
    Connection db(raw, sqlite3_close);
    if (raw)
        sqlite3_extended_result_codes(raw, 1);
    if (*rc != SQLITE_OK)
        return db;
    strictIdentifiers(raw);
    sqlite3_busy_timeout(raw, 2000);
    sqlite3_exec(raw, "PRAGMA mmap_size=1073741824", nullptr, nullptr, nullptr);
    return db;
}

} // namespace

StoreFile::Inspection StoreFile::inspect(const QString& path)
{
    Opening opening;
    Inspection result = inspectStructure(path, opening);
    if (result.failure != OpenFailure::None || result.empty)
        return result;
    const Inspection pages = checkPages(path);
    if (pages.failure != OpenFailure::None)
        return pages;
    return result;
}

namespace {

// True when a rollback journal beside the file says that the file was empty when the save it
// journals began: everything in the file was written by that save, so rolling it back takes
// nothing from anyone. (The journal's header: its magic number, then at byte 16 the size of the
// file in pages before the save.)
bool journalStartedEmpty(const QString& path)
{
    QFile journal(path + QStringLiteral("-journal"));
    if (!journal.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return false;
    const QByteArray header = journal.read(28);
    static const QByteArray magic("\xd9\xd5\x05\xf9\x20\xa1\x63\xd7", 8);
    return header.size() == 28 && header.startsWith(magic) && header.mid(16, 4) == QByteArray(4, '\0');
}

// A save cut short in rollback-journal mode leaves a hot journal, which a reader cannot play
// back. A writing connection plays it back as SQLite does for any opener: the file is restored
// as it was before the cut save, nothing is added. The connection is closed at once: the file
// is inspected again from its first byte.
int rollBackHotJournal(const QString& path, QString* error)
{
    sqlite3* raw = nullptr;
    int rc = sqlite3_open_v2(path.toUtf8().constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    Connection rw(raw, sqlite3_close);
    if (rc == SQLITE_OK) {
        sqlite3_extended_result_codes(raw, 1);
        // Closing must not write a log back into a file not yet found sound.
        sqlite3_db_config(raw, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, static_cast<int*>(nullptr));
        sqlite3_busy_timeout(raw, 2000);
        rc = query(raw, "SELECT count(*) FROM sqlite_master", [](sqlite3_stmt*) {});
    }
    if (rc != SQLITE_OK)
        *error = systemText(raw, rc);
    return rc;
}

} // namespace

StoreFile::Inspection StoreFile::inspectStructure(const QString& path, Opening& opening, bool mayRollBack)
{
    Inspection result;
    Verdicts verdict{path, result};
    const QFileInfo info(path);
    if (path == QLatin1String(":memory:") || !info.exists()) {
        result.empty = true;
        return result;
    }
    // A folder, a pipe or a device in the store's place is no file to read: SQLite would wait
    // forever on a pipe.
    if (!info.isFile())
        return verdict.unreadable(QStringLiteral("ce n’est pas un fichier ordinaire"));

    // The header as bytes first: only a file that does not start as SQLite's, or whose
    // application identifier is not ours, is foreign.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return verdict.unreadable(file.errorString());
    const QByteArray header = file.read(100);
    if (header.size() < 100 && file.error() != QFileDevice::NoError)
        return verdict.unreadable(file.errorString());
    file.close();
    static const QByteArray magic("SQLite format 3\0", 16);
    // The first save of a new store, cut short, may have left anything in the file: its
    // journal, which says so, decides.
    const bool cutFirstSave = mayRollBack && !header.isEmpty() && journalStartedEmpty(path);
    if (!header.isEmpty() && !magic.startsWith(header.left(16)) && !cutFirstSave)
        return verdict.foreign();
    if (!header.isEmpty() && header.size() < 100 && !cutFirstSave)
        return verdict.damaged(QStringLiteral("fichier tronqué (%1 octets)").arg(header.size()));
    auto bigEndian = [&header](int at) {
        return qint32((quint32(quint8(header[at])) << 24) | (quint32(quint8(header[at + 1])) << 16)
                      | (quint32(quint8(header[at + 2])) << 8) | quint32(quint8(header[at + 3])));
    };
    const bool oursByHeader = header.size() == 100 && bigEndian(68) == kApplicationId;

    // Then through a read-only connection, which never writes the file nor its journal.
    int appId = 0, version = 0, objects = 0;
    for (int attempt = 0;; ++attempt) {
        int rc = SQLITE_OK;
        opening.reader = openReader(path, &rc);
        sqlite3* raw = opening.reader.get();
        if (rc == SQLITE_OK) {
            for (auto [sql, out] : {std::pair{"PRAGMA application_id", &appId}, std::pair{"PRAGMA user_version", &version},
                                    std::pair{"SELECT count(*) FROM sqlite_master", &objects}}) {
                rc = query(raw, sql, [out](sqlite3_stmt* st) { *out = sqlite3_column_int(st, 0); });
                if (rc != SQLITE_OK)
                    break;
            }
        }
        if (rc == SQLITE_OK)
            break;
        if (rc == SQLITE_READONLY_ROLLBACK) {
            opening.reader.reset();
            if (!mayRollBack || !(oursByHeader || cutFirstSave))
                return verdict.foreign(); // nothing of it is ours to play back
            QString why;
            if (rollBackHotJournal(path, &why) != SQLITE_OK)
                return verdict.unreadable(why);
            return inspectStructure(path, opening, false);
        }
        // A write-ahead log left by a crash, with its index missing or stale, cannot be
        // recovered by a reader. For a store of ours, a writing connection recovers it (this
        // rebuilds the index and changes no data) and stays open while the file is read.
        const bool needsRecovery = rc == SQLITE_READONLY_RECOVERY || rc == SQLITE_READONLY_CANTINIT;
        if (needsRecovery && oursByHeader && attempt == 0) {
            opening.reader.reset();
            sqlite3* rw = nullptr;
            const int openRc = sqlite3_open_v2(path.toUtf8().constData(), &rw, SQLITE_OPEN_READWRITE, nullptr);
            opening.recovery = Connection(rw, sqlite3_close);
            if (openRc == SQLITE_OK) {
                // Closing must not write the log back into a file not yet found sound.
                sqlite3_db_config(rw, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, static_cast<int*>(nullptr));
                sqlite3_busy_timeout(rw, 2000);
                if (query(rw, "SELECT count(*) FROM sqlite_master", [](sqlite3_stmt*) {}) == SQLITE_OK)
                    continue;
            }
            return verdict.unreadable(systemText(rw, openRc == SQLITE_OK ? sqlite3_errcode(rw) : openRc));
        }
        if (!raw || isSystemError(rc))
            return verdict.unreadable(systemText(raw, rc));
        if (oursByHeader)
            return verdict.damaged(QString::fromUtf8(sqlite3_errmsg(raw)));
        return verdict.foreign();
    }
    sqlite3* raw = opening.reader.get();
    auto contentFailure = [&](int rc) {
        if (isSystemError(rc))
            return verdict.unreadable(systemText(raw, rc));
        if (oursByHeader)
            return verdict.damaged(QString::fromUtf8(sqlite3_errmsg(raw)));
        return verdict.foreign();
    };
    // Nothing in it yet: a new store, or one whose first save was cut before its schema.
    if ((appId == 0 || appId == kApplicationId) && version == 0 && objects == 0) {
        result.empty = true;
        return result;
    }
    if (appId != kApplicationId)
        return verdict.foreign();
    if (version > kSchemaVersion)
        return verdict.fail(OpenFailure::NewerVersion,
                            QStringLiteral("« %1 » a été écrit par une version plus récente de Kestrovan "
                                           "(format %2, celle-ci lit jusqu’au format %3).")
                                .arg(path)
                                .arg(version)
                                .arg(kSchemaVersion));
    result.version = version;

    // Every object is ours and as we made it: no view, trigger or stranger in place of a table.
    const std::map<std::string, SchemaObject> expected = expectedSchema(tables());
    std::map<std::string, SchemaObject> found;
    int rc = query(raw, "SELECT type, name, tbl_name FROM sqlite_master", [&](sqlite3_stmt* st) {
        auto text = [st](int i) {
            const char* p = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
            return std::string(p ? p : "");
        };
        const std::string name = text(1);
        if (name.rfind("sqlite_", 0) == 0)
            return; // SQLite's own
        found[name] = {text(0), text(2), {}};
    });
    if (rc != SQLITE_OK)
        return contentFailure(rc);
    if (version == kSchemaVersion) {
        for (const auto& [name, object] : found) {
            const auto it = expected.find(name);
            if (it == expected.end() || it->second.type != object.type || it->second.table != object.table)
                return verdict.damaged(QStringLiteral("objet inattendu « %1 » (%2)")
                                           .arg(QString::fromStdString(name), QString::fromStdString(object.type)));
        }
        for (const auto& [name, object] : expected) {
            if (!found.count(name))
                return verdict.damaged(QStringLiteral("« %1 » manque").arg(QString::fromStdString(name)));
            if (object.type != "table")
                continue;
            std::map<std::string, std::tuple<std::string, bool, bool>> columns;
            rc = query(raw, "PRAGMA table_info(\"" + name + "\")", [&](sqlite3_stmt* st) {
                const char* n = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
                const char* t = reinterpret_cast<const char*>(sqlite3_column_text(st, 2));
                columns[n ? n : ""] = {t ? t : "", sqlite3_column_int(st, 3) != 0, sqlite3_column_int(st, 5) != 0};
            });
            if (rc != SQLITE_OK)
                return contentFailure(rc);
            for (const auto& [column, shape] : object.columns) {
                const auto c = columns.find(column);
                if (c == columns.end())
                    return verdict.damaged(QStringLiteral("la colonne « %1 » de la table « %2 » manque")
                                               .arg(QString::fromStdString(column), QString::fromStdString(name)));
                if (c->second != shape)
                    return verdict.damaged(QStringLiteral("la colonne « %1 » de la table « %2 » n’a pas le bon type")
                                               .arg(QString::fromStdString(column), QString::fromStdString(name)));
            }
            if (columns.size() != object.columns.size())
                return verdict.damaged(
                    QStringLiteral("la table « %1 » a des colonnes inconnues").arg(QString::fromStdString(name)));
        }
    }
    return result;
}

StoreFile::Inspection StoreFile::checkPages(const QString& path)
{
    Inspection result;
    Verdicts verdict{path, result};
    int rc = SQLITE_OK;
    Connection db = openReader(path, &rc);
    if (rc != SQLITE_OK)
        return verdict.unreadable(systemText(db.get(), rc));
    QStringList faults;
    rc = query(db.get(), "PRAGMA quick_check(5)", [&](sqlite3_stmt* st) {
        const char* p = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        faults << QString::fromUtf8(p ? p : "");
    });
    if (rc != SQLITE_OK) {
        if (isSystemError(rc))
            return verdict.unreadable(systemText(db.get(), rc));
        return verdict.damaged(QString::fromUtf8(sqlite3_errmsg(db.get())));
    }
    if (faults != QStringList{QStringLiteral("ok")})
        return verdict.damaged(faults.join(QStringLiteral(" ; ")));
    return result;
}

bool StoreFile::openConnection(bool create, QString* error)
{
    finalizeStatements();
    m_database.reset();
    m_db = nullptr;
    try {
        int flags = SQLite::OPEN_READWRITE;
        if (create)
            flags |= SQLite::OPEN_CREATE;
        m_database = std::make_unique<SQLite::Database>(m_path.toStdString(), flags);
        m_db = m_database->getHandle();
    } catch (const SQLite::Exception& e) {
        if (error)
            *error = QStringLiteral("Impossible d’ouvrir « %1 » : %2").arg(m_path, QString::fromUtf8(e.what()));
        return false;
    }
    sqlite3_busy_timeout(m_db, 2000);
    strictIdentifiers(m_db);
    if (m_opening)
        sqlite3_db_config(m_db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, static_cast<int*>(nullptr));
    if (m_path != QLatin1String(":memory:")) {
        // An acknowledged save survives a power cut.
        sqlite3_exec(m_db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
        if (sqlite3_db_readonly(m_db, "main") == 1) {
            if (error)
                *error = QStringLiteral("Le magasin de données « %1 » ne peut pas être écrit : le fichier est en "
                                        "lecture seule.")
                             .arg(m_path);
            return false;
        }
    }
    m_dataVersion = dataVersion();
    return true;
}

qint64 StoreFile::dataVersion()
{
    qint64 version = -1;
    if (query(m_db, "PRAGMA data_version", [&](sqlite3_stmt* st) { version = sqlite3_column_int64(st, 0); }) != SQLITE_OK)
        throw StoreError(sqliteMessage(m_db));
    return version;
}

std::unique_ptr<StoreFile> StoreFile::open(const QString& path, QString* error, OpenFailure* failure)
{
    auto fail = [&](OpenFailure kind, const QString& message) -> std::unique_ptr<StoreFile> {
        if (error)
            *error = message;
        if (failure)
            *failure = kind;
        return nullptr;
    };
    std::unique_ptr<StoreFile> f(new StoreFile());
    f->m_path = path;
    f->m_opening = std::make_unique<Opening>();
    // Nothing is written to a file before it is known to be a sound store of ours.
    const Inspection inspection = inspectStructure(path, *f->m_opening);
    if (inspection.failure != OpenFailure::None)
        return fail(inspection.failure, inspection.error);
    f->m_isNew = inspection.empty;
    f->m_fileVersion = inspection.version;
    if (!inspection.empty) {
        // The pages are checked while the records are read.
        Opening* opening = f->m_opening.get();
        opening->check = std::thread([opening, path] { opening->checkResult = checkPages(path); });
        return f;
    }
    f->m_opening.reset();
    QString message;
    if (!f->openConnection(true, &message))
        return fail(OpenFailure::CannotOpen, message);
    try {
        if (path != QLatin1String(":memory:")) {
            // The first save writes the schema through the write-ahead log, as every later save
            // does: cut short, it leaves the file as it was. Only the two steps before it go
            // through a rollback journal, each on the first page alone, which is marked ours
            // first: whatever a cut leaves, the next opening plays it back.
            f->exec(("PRAGMA application_id = " + std::to_string(kApplicationId)).c_str());
            f->exec("PRAGMA journal_mode=WAL");
        }
        f->createSchema();
    } catch (const std::exception& e) {
        return fail(OpenFailure::CannotOpen,
                    QStringLiteral("Impossible de créer « %1 » : %2").arg(path, QString::fromUtf8(e.what())));
    }
    return f;
}

void StoreFile::createSchema()
{
    std::string sql = "BEGIN;";
    for (const TableDef& t : tables()) {
        sql += "CREATE TABLE \"" + std::string(t.name) + "\" (pk INTEGER PRIMARY KEY";
        for (const ColumnDef& c : t.columns)
            sql += std::string(", \"") + c.name + "\" " + c.sqlType;
        sql += ");";
        if (t.type != EntityType::Contact)
            sql += "CREATE UNIQUE INDEX \"" + std::string(t.name) + "_id\" ON \"" + t.name + "\"(id);";
    }
    for (const Relationship& rel : relationships()) {
        if (!rel.toMany)
            continue;
        const JoinTable& j = rel.join;
        sql += std::string("CREATE TABLE ") + j.name + " (" + j.sourceColumn + " INTEGER NOT NULL, " + j.targetColumn
               + " INTEGER NOT NULL, " + j.sourcePosition + " INTEGER NOT NULL";
        if (j.targetPosition)
            sql += std::string(", ") + j.targetPosition + " INTEGER NOT NULL";
        sql += ");";
        sql += std::string("CREATE INDEX ") + j.sourceIndex + " ON " + j.name + "(" + j.sourceColumn + ");";
        if (j.targetIndex)
            sql += std::string("CREATE INDEX ") + j.targetIndex + " ON " + j.name + "(" + j.targetColumn + ");";
    }
    sql += "PRAGMA application_id = " + std::to_string(kApplicationId) + ";";
    sql += "PRAGMA user_version = " + std::to_string(kSchemaVersion) + ";";
    sql += "COMMIT;";
    exec(sql.c_str());
}

bool StoreFile::load(LoadedRecords& out, QString* error, OpenFailure* failure)
{
    Loader loader;
    loader.loaded = &out;
    sqlite3* const db = m_opening && m_opening->reader ? m_opening->reader.get() : m_db;
    auto run = [db](const char* sql) {
        if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            throw StoreError(sqliteMessage(db));
    };
    // Whatever the load finds, the check of the pages has its say first: a damaged page
    // explains a strange row better than the row does.
    auto pagesChecked = [this]() -> Inspection {
        if (!m_opening || !m_opening->check.joinable())
            return {};
        m_opening->check.join();
        return m_opening->checkResult;
    };
    auto refuse = [&](OpenFailure kind, const QString& message) {
        if (error)
            *error = message;
        if (failure)
            *failure = kind;
        out.byType = {};
        out.pks = {};
        return false;
    };
    try {
        run("BEGIN");
        for (const TableDef& t : tables()) {
            std::string sql = "SELECT pk";
            for (const ColumnDef& c : t.columns)
                sql += std::string(", \"") + c.name + "\"";
            sql += " FROM \"" + std::string(t.name) + "\" ORDER BY pk";
            sqlite3_stmt* st = nullptr;
            if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
                throw StoreError(sqliteMessage(db));
            std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> guard(st, sqlite3_finalize);
            auto& records = out.byType[int(t.type)];
            const int n = int(t.columns.size());
            int rc;
            while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
                std::unique_ptr<Record> r(t.make());
                r->m_pk = sqlite3_column_int64(st, 0);
                // What the writer would refuse is refused here too, naming the row.
                try {
                    if (r->m_pk <= 0 || r->m_pk > kMaxKey)
                        throw StoreError(QStringLiteral("identifiant hors limites"));
                    for (int i = 0; i < n; ++i)
                        t.columns[i].load(r.get(), st, i + 1, loader);
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
                r->m_context = out.owner;
                r->m_state = Record::State::Stored;
                out.pks[int(t.type)].push_back(r->m_pk);
                records.push_back(std::move(r));
            }
            if (rc != SQLITE_DONE)
                throw StoreError(sqliteMessage(db));
        }
        // Lists stored in join tables, in the order of their positions.
        for (const Relationship& rel : relationships()) {
            if (!rel.toMany)
                continue;
            const JoinTable& j = rel.join;
            std::string sql = std::string("SELECT ") + j.sourceColumn + ", " + j.targetColumn + ", " + j.sourcePosition
                              + ", " + (j.targetPosition ? j.targetPosition : "0") + " FROM " + j.name;
            sqlite3_stmt* st = nullptr;
            if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
                throw StoreError(sqliteMessage(db));
            std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> guard(st, sqlite3_finalize);
            struct Row {
                Record* source;
                Record* target;
                qint64 sourcePos, targetPos;
            };
            std::vector<Row> rows;
            int rc;
            while ((rc = sqlite3_step(st)) == SQLITE_ROW)
                rows.push_back({loader.find(rel.source, sqlite3_column_int64(st, 0)),
                                loader.find(rel.target, sqlite3_column_int64(st, 1)), sqlite3_column_int64(st, 2),
                                sqlite3_column_int64(st, 3)});
            if (rc != SQLITE_DONE)
                throw StoreError(sqliteMessage(db));
            std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.sourcePos < b.sourcePos; });
            for (const Row& row : rows)
                rel.appendTargetRaw(row.source, row.target);
            if (rel.manyToMany()) {
                std::stable_sort(rows.begin(), rows.end(),
                                 [](const Row& a, const Row& b) { return a.targetPos < b.targetPos; });
                for (const Row& row : rows)
                    rel.appendInverseRaw(row.target, row.source);
            }
        }
        run("COMMIT");
    } catch (const std::exception& e) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        const Inspection pages = pagesChecked();
        if (pages.failure != OpenFailure::None)
            return refuse(pages.failure, pages.error);
        return refuse(OpenFailure::Damaged, QStringLiteral("Le magasin de données « %1 » est endommagé : %2")
                                                .arg(m_path, QString::fromUtf8(e.what())));
    }
    if (const Inspection pages = pagesChecked(); pages.failure != OpenFailure::None)
        return refuse(pages.failure, pages.error);

    // A skip state that is none of the known texts is kept as it is.
    for (const auto& r : out.byType[int(EntityType::Benne)]) {
        auto* b = static_cast<Benne*>(r.get());
        if (!b->etat())
            std::printf("⚠️ État de benne inconnu « %s » (benne %s) : conservé tel quel.\n",
                        qPrintable(b->etatTexte()), qPrintable(b->id().toString(QUuid::WithoutBraces)));
    }
    std::fflush(stdout);
    return true;
}

bool StoreFile::finishOpening(QString* error)
{
    if (m_path == QLatin1String(":memory:"))
        return true;
    if (!m_db) {
        if (!openConnection(false, error))
            return false;
    }
    // The reading connections are done; the writing one holds the recovered index from now on.
    m_opening.reset();
    try {
        exec("PRAGMA journal_mode=WAL");
        // Forward migrations go here, one step per schema version.
        // A store that cannot be written is said now, not at the first save: taking the write
        // lock creates the write-ahead log beside the file.
        exec("BEGIN IMMEDIATE");
        exec("ROLLBACK");
        m_dataVersion = dataVersion();
    } catch (const std::exception& e) {
        if (error)
            *error = QStringLiteral("Le magasin de données « %1 » ne peut pas être écrit : %2")
                         .arg(m_path, QString::fromUtf8(e.what()));
        return false;
    }
    // Opened: closing the store from now on writes its log back into it.
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 0, static_cast<int*>(nullptr));
    return true;
}

bool StoreFile::write(const std::vector<Record*>& pending, QString* error)
{
    try {
        if (!recoverConnection())
            throw StoreError(QStringLiteral("la connexion au magasin de données est perdue"));
        if (m_cache.empty())
            prepareStatements();
        // Binds a row and runs its statement; the statement is left reset and unbound either way.
        auto execute = [this](sqlite3_stmt* st, const std::function<void()>& bindRow) {
            int rc = SQLITE_OK;
            try {
                bindRow();
                rc = sqlite3_step(st);
            } catch (...) {
                sqlite3_reset(st);
                sqlite3_clear_bindings(st);
                throw;
            }
            sqlite3_reset(st);
            sqlite3_clear_bindings(st);
            if (rc != SQLITE_DONE)
                throw StoreError(sqliteMessage(m_db));
        };
        exec("BEGIN IMMEDIATE");
        try {
            // Another program wrote into the store since this connection last read or wrote it:
            // what is pending was made on records that may no longer be those of the file.
            if (dataVersion() != m_dataVersion)
                throw StoreError(QStringLiteral("Le magasin a été modifié par un autre programme"));
            // Deletions first, so that a new record may take a freed identifier.
            for (Record* r : pending) {
                if (r->m_state != Record::State::Deleted || !r->m_wasStoredBeforeDelete)
                    continue;
                sqlite3_stmt* st = m_cache[int(r->entityType())].remove;
                execute(st, [&] { bound(sqlite3_bind_int64(st, 1, r->m_pk), st); });
            }
            for (Record* r : pending) {
                if (r->m_state != Record::State::Inserted)
                    continue;
                const TableDef& t = table(r->entityType());
                sqlite3_stmt* st = m_cache[int(t.type)].insert;
                execute(st, [&] {
                    checkRequiredLinks(t, r);
                    bound(sqlite3_bind_int64(st, 1, r->m_pk), st);
                    for (int i = 0; i < int(t.columns.size()); ++i)
                        t.columns[i].bind(r, st, i + 2);
                });
            }
            for (Record* r : pending) {
                if (r->m_state != Record::State::Stored)
                    continue;
                const TableDef& t = table(r->entityType());
                sqlite3_stmt* st = m_cache[int(t.type)].update;
                const int n = int(t.columns.size());
                execute(st, [&] {
                    checkRequiredLinks(t, r);
                    for (int i = 0; i < n; ++i)
                        t.columns[i].bind(r, st, i + 1);
                    bound(sqlite3_bind_int64(st, n + 1, r->m_pk), st);
                });
            }
            writeJoinTables(pending);
            exec("COMMIT");
        } catch (...) {
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
            recoverConnection();
            throw;
        }
    } catch (const std::exception& e) {
        if (error)
            *error = QString::fromUtf8(e.what());
        return false;
    }
    return true;
}

bool StoreFile::recoverConnection()
{
    if (m_db && sqlite3_get_autocommit(m_db))
        return true;
    if (m_db) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        if (sqlite3_get_autocommit(m_db))
            return true;
    }
    // Still inside the transaction (or no connection left): closing the connection rolls it
    // back; a fresh one follows.
    QString ignored;
    return openConnection(false, &ignored);
}

void StoreFile::writeJoinTables(const std::vector<Record*>& pending)
{
    auto runSql = [this](const std::string& sql, std::initializer_list<qint64> values) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.c_str(), int(sql.size()), &st, nullptr) != SQLITE_OK)
            throw StoreError(sqliteMessage(m_db));
        std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> guard(st, sqlite3_finalize);
        int i = 1;
        for (qint64 v : values)
            bound(sqlite3_bind_int64(st, i++, v), st);
        if (sqlite3_step(st) != SQLITE_DONE)
            throw StoreError(sqliteMessage(m_db));
    };
    auto live = [](Record* r) {
        return r->m_state == Record::State::Inserted || r->m_state == Record::State::Stored;
    };
    auto stored = [](Record* r) {
        return r->m_state == Record::State::Stored
               || (r->m_state == Record::State::Deleted && r->m_wasStoredBeforeDelete);
    };
    for (const Relationship& rel : relationships()) {
        if (!rel.toMany)
            continue;
        const JoinTable& j = rel.join;
        const std::string deleteBySource = std::string("DELETE FROM ") + j.name + " WHERE " + j.sourceColumn + " = ?";
        const std::string deleteByTarget = std::string("DELETE FROM ") + j.name + " WHERE " + j.targetColumn + " = ?";
        // The rows of every changed record are written again, from both ends of a many-to-many
        // relationship; each pair once.
        std::vector<Record*> sources, targets;
        for (Record* r : pending) {
            if (r->entityType() == rel.source) {
                if (stored(r))
                    runSql(deleteBySource, {r->m_pk});
                if (live(r))
                    sources.push_back(r);
            }
            if (r->entityType() == rel.target) {
                if (rel.manyToMany()) {
                    if (stored(r))
                        runSql(deleteByTarget, {r->m_pk});
                    if (live(r))
                        targets.push_back(r);
                } else if (stored(r) && !live(r)) {
                    runSql(deleteByTarget, {r->m_pk});
                }
            }
        }
        std::string insert = std::string("INSERT INTO ") + j.name + " (" + j.sourceColumn + ", " + j.targetColumn
                             + ", " + j.sourcePosition;
        if (j.targetPosition)
            insert += std::string(", ") + j.targetPosition + ") VALUES (?, ?, ?, ?)";
        else
            insert += ") VALUES (?, ?, ?)";
        std::set<std::pair<Record*, Record*>> written;
        auto writePair = [&](Record* s, Record* t) {
            if (!written.insert({s, t}).second)
                return;
            checkTarget(s, t, rel.name);
            const qint64 sp = rel.targetsOf(s).indexOf(t);
            if (!j.targetPosition) {
                runSql(insert, {s->m_pk, t->m_pk, sp});
                return;
            }
            checkTarget(t, s, rel.inverse);
            const qint64 tp = rel.inverseOf(t).indexOf(s);
            runSql(insert, {s->m_pk, t->m_pk, sp < 0 ? 0 : sp, tp < 0 ? 0 : tp});
        };
        for (Record* s : sources) {
            const QList<Record*> list = rel.targetsOf(s);
            for (Record* t : list)
                checkTarget(s, t, rel.name);
            for (Record* t : list)
                writePair(s, t);
        }
        for (Record* t : targets)
            for (Record* s : rel.inverseOf(t))
                writePair(s, t);
    }
}

} // namespace kv
