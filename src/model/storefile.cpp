#include "storefile.h"

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Exception.h>
#include <sqlite3.h>

#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <set>
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

// Looks records up by persistent identifier while a store loads.
struct Loader {
    ModelContext* context = nullptr;
    std::array<std::vector<Record*>, kEntityTypeCount>* live = nullptr;
    Record* find(EntityType type, qint64 pk) const
    {
        const auto& v = (*live)[int(type)];
        auto it = std::lower_bound(v.begin(), v.end(), pk,
                                   [](Record* r, qint64 value) { return r->persistentModelID() < value; });
        if (it == v.end() || (*it)->persistentModelID() != pk)
            throw StoreError(QStringLiteral("référence introuvable (%1)").arg(pk));
        return *it;
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
        sqlite3_bind_text(st, i, u.constData(), int(u.size()), SQLITE_TRANSIENT);
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
        sqlite3_bind_double(st, i, v);
    }
    static void load(sqlite3_stmt* st, int i, double& v, const Loader&) { v = sqlite3_column_double(st, i); }
};

template <>
struct Sql<qint64> {
    static constexpr const char* type = "INTEGER NOT NULL";
    static void bind(sqlite3_stmt* st, int i, qint64 v, const char*) { sqlite3_bind_int64(st, i, v); }
    static void load(sqlite3_stmt* st, int i, qint64& v, const Loader&) { v = sqlite3_column_int64(st, i); }
};

template <>
struct Sql<bool> {
    static constexpr const char* type = "INTEGER NOT NULL";
    static void bind(sqlite3_stmt* st, int i, bool v, const char*) { sqlite3_bind_int(st, i, v ? 1 : 0); }
    static void load(sqlite3_stmt* st, int i, bool& v, const Loader&) { v = sqlite3_column_int(st, i) != 0; }
};

template <>
struct Sql<QUuid> {
    static constexpr const char* type = "BLOB NOT NULL";
    static void bind(sqlite3_stmt* st, int i, const QUuid& v, const char*)
    {
        const QByteArray b = v.toRfc4122();
        sqlite3_bind_blob(st, i, b.constData(), int(b.size()), SQLITE_TRANSIENT);
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
            sqlite3_bind_null(st, i);
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

// A to-one relationship: the persistent identifier of the target, NULL when absent.
template <class T>
struct Sql<T*> {
    static void bind(sqlite3_stmt* st, int i, T* v, const char*)
    {
        if (v)
            sqlite3_bind_int64(st, i, v->persistentModelID());
        else
            sqlite3_bind_null(st, i);
    }
    static void load(sqlite3_stmt* st, int i, T*& v, const Loader& l)
    {
        if (sqlite3_column_type(st, i) == SQLITE_NULL)
            v = nullptr;
        else
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
    else if constexpr (std::is_same_v<V, std::optional<QString>> || std::is_same_v<V, std::optional<QUrl>>)
        return "TEXT";
    else if constexpr (std::is_same_v<V, std::optional<double>>)
        return "REAL";
    else if constexpr (std::is_same_v<V, std::optional<QUuid>>)
        return "BLOB";
    else if constexpr (std::is_same_v<V, std::optional<qint64>>)
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
    bool required = false; // a required relationship: refused when absent
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

template <class V, class D, class Get>
ColumnDef column(const char* name, Get get, V D::*member, bool required = false)
{
    ColumnDef c;
    c.name = name;
    c.sqlType = columnType<V>();
    c.required = required;
    c.bind = [get, member, name, required](Record* r, sqlite3_stmt* st, int i) {
        const V& v = get(r).*member;
        if constexpr (std::is_pointer_v<V>) {
            if (required && !v)
                throw StoreError(QStringLiteral("le champ obligatoire « %1 » est vide")
                                     .arg(QString::fromLatin1(name)));
            checkTarget(r, v, name);
        }
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
                         {column("id", g, &D::id), column("client", g, &D::client, true),
                          column("clientOrd", g, &D::clientOrd), column("benne", g, &D::benne, true),
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
                         {column("id", g, &D::id), column("location", g, &D::location, true),
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
                          column("formation", g, &D::formation, true),
                          column("dateExpiration", g, &D::dateExpiration)},
                         [] { return new FormationChauffeur(); }});
        }
        {
            auto g = KV_GET(HistoriqueEnvoiRapport);
            using D = HistoriqueEnvoiRapport::Data;
            t.push_back({EntityType::HistoriqueEnvoiRapport, "HistoriqueEnvoiRapport",
                         {column("id", g, &D::id), column("client", g, &D::client, true),
                          column("mois", g, &D::mois), column("dateEnvoi", g, &D::dateEnvoi)},
                         [] { return new HistoriqueEnvoiRapport(); }});
        }
#undef KV_GET
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
    for (sqlite3_stmt* st : m_statements)
        sqlite3_finalize(st);
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

sqlite3_stmt* StoreFile::prepare(const std::string& sql)
{
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(m_db, sql.c_str(), int(sql.size()), &st, nullptr) != SQLITE_OK)
        throw StoreError(sqliteMessage(m_db));
    m_statements.push_back(st);
    return st;
}

std::unique_ptr<StoreFile> StoreFile::open(const QString& path, QString* error, OpenFailure* failure)
{
    std::unique_ptr<StoreFile> f(new StoreFile());
    f->m_path = path;
    const bool memory = (path == QLatin1String(":memory:"));
    const QFileInfo info(path);
    const bool existed = !memory && info.exists() && info.size() > 0;
    try {
        f->m_database = std::make_unique<SQLite::Database>(
            path.toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        f->m_db = f->m_database->getHandle();
    } catch (const std::exception& e) {
        if (error)
            *error = QStringLiteral("Impossible d’ouvrir « %1 » : %2").arg(path, QString::fromUtf8(e.what()));
        if (failure)
            *failure = OpenFailure::CannotOpen;
        return nullptr;
    }
    sqlite3_busy_timeout(f->m_db, 2000);

    // Read the header before anything is written: a file that is not ours is left untouched.
    int appId = 0, version = 0, tableCount = 0;
    {
        auto readInt = [&](const char* sql, int* out) -> bool {
            sqlite3_stmt* st = nullptr;
            if (sqlite3_prepare_v2(f->m_db, sql, -1, &st, nullptr) != SQLITE_OK)
                return false;
            const int rc = sqlite3_step(st);
            if (rc == SQLITE_ROW)
                *out = sqlite3_column_int(st, 0);
            sqlite3_finalize(st);
            return rc == SQLITE_ROW || rc == SQLITE_DONE;
        };
        if (!readInt("PRAGMA application_id", &appId) || !readInt("PRAGMA user_version", &version)
            || !readInt("SELECT count(*) FROM sqlite_master", &tableCount)) {
            if (error)
                *error = QStringLiteral("« %1 » n’est pas un magasin de données Kestrovan (%2).")
                             .arg(path, sqliteMessage(f->m_db));
            if (failure)
                *failure = OpenFailure::NotAStore;
            return nullptr;
        }
    }
    const bool empty = tableCount == 0 && appId == 0 && version == 0;
    if (!empty && appId != kApplicationId) {
        if (error)
            *error = QStringLiteral("« %1 » n’est pas un magasin de données Kestrovan.").arg(path);
        if (failure)
            *failure = OpenFailure::NotAStore;
        return nullptr;
    }
    if (!empty && version > kSchemaVersion) {
        if (error)
            *error = QStringLiteral("« %1 » a été écrit par une version plus récente de Kestrovan "
                                    "(format %2, celle-ci lit jusqu’au format %3).")
                         .arg(path)
                         .arg(version)
                         .arg(kSchemaVersion);
        if (failure)
            *failure = OpenFailure::NewerVersion;
        return nullptr;
    }
    f->m_isNew = empty;
    f->m_fileVersion = version;
    Q_UNUSED(existed);
    if (empty) {
        try {
            f->createSchema();
        } catch (const std::exception& e) {
            if (error)
                *error = QStringLiteral("Impossible de créer « %1 » : %2").arg(path, QString::fromUtf8(e.what()));
            if (failure)
                *failure = OpenFailure::CannotOpen;
            return nullptr;
        }
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
    sql += "CREATE TABLE CentreTypeDechet (centre INTEGER NOT NULL, typeDechet INTEGER NOT NULL, "
           "centrePos INTEGER NOT NULL, typePos INTEGER NOT NULL);"
           "CREATE INDEX CentreTypeDechet_centre ON CentreTypeDechet(centre);"
           "CREATE INDEX CentreTypeDechet_type ON CentreTypeDechet(typeDechet);"
           "CREATE TABLE ChauffeurSpecialisation (chauffeur INTEGER NOT NULL, "
           "specialisation INTEGER NOT NULL, pos INTEGER NOT NULL);"
           "CREATE INDEX ChauffeurSpecialisation_chauffeur ON ChauffeurSpecialisation(chauffeur);"
           "CREATE TABLE ChauffeurDisponibilite (chauffeur INTEGER NOT NULL, "
           "disponibilite INTEGER NOT NULL, pos INTEGER NOT NULL);"
           "CREATE INDEX ChauffeurDisponibilite_chauffeur ON ChauffeurDisponibilite(chauffeur);";
    sql += "PRAGMA application_id = " + std::to_string(kApplicationId) + ";";
    sql += "PRAGMA user_version = " + std::to_string(kSchemaVersion) + ";";
    sql += "COMMIT;";
    exec(sql.c_str());
}

bool StoreFile::load(ModelContext& ctx, QString* error)
{
    Loader loader;
    loader.context = &ctx;
    loader.live = &ctx.m_live;
    qint64 maxOrd = 0;
    try {
        exec("BEGIN");
        for (const TableDef& t : tables()) {
            std::string sql = "SELECT pk";
            for (const ColumnDef& c : t.columns)
                sql += std::string(", \"") + c.name + "\"";
            sql += " FROM \"" + std::string(t.name) + "\" ORDER BY pk";
            sqlite3_stmt* st = nullptr;
            if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
                throw StoreError(sqliteMessage(m_db));
            std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> guard(st, sqlite3_finalize);
            const int n = int(t.columns.size());
            int rc;
            while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
                Record* r = t.make();
                r->m_pk = sqlite3_column_int64(st, 0);
                try {
                    for (int i = 0; i < n; ++i)
                        t.columns[i].load(r, st, i + 1, loader);
                } catch (...) {
                    delete r;
                    throw;
                }
                ctx.adopt(r, true);
            }
            if (rc != SQLITE_DONE)
                throw StoreError(sqliteMessage(m_db));
        }
        // Many-to-many and one-way lists.
        {
            std::vector<std::tuple<CentreTraitement*, TypeDechet*, qint64, qint64>> rows;
            sqlite3_stmt* st = nullptr;
            if (sqlite3_prepare_v2(m_db,
                                   "SELECT centre, typeDechet, centrePos, typePos FROM CentreTypeDechet",
                                   -1, &st, nullptr) != SQLITE_OK)
                throw StoreError(sqliteMessage(m_db));
            std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> guard(st, sqlite3_finalize);
            while (sqlite3_step(st) == SQLITE_ROW) {
                auto* c = static_cast<CentreTraitement*>(
                    loader.find(EntityType::CentreTraitement, sqlite3_column_int64(st, 0)));
                auto* ty = static_cast<TypeDechet*>(
                    loader.find(EntityType::TypeDechet, sqlite3_column_int64(st, 1)));
                rows.emplace_back(c, ty, sqlite3_column_int64(st, 2), sqlite3_column_int64(st, 3));
            }
            std::stable_sort(rows.begin(), rows.end(),
                             [](auto& a, auto& b) { return std::get<2>(a) < std::get<2>(b); });
            for (auto& [c, ty, cp, tp] : rows)
                c->d.typesAcceptes.append(ty);
            std::stable_sort(rows.begin(), rows.end(),
                             [](auto& a, auto& b) { return std::get<3>(a) < std::get<3>(b); });
            for (auto& [c, ty, cp, tp] : rows)
                ty->d.centres.append(c);
        }
        auto loadOneWay = [&](const char* sql, EntityType targetType, auto listOf) {
            sqlite3_stmt* st = nullptr;
            if (sqlite3_prepare_v2(m_db, sql, -1, &st, nullptr) != SQLITE_OK)
                throw StoreError(sqliteMessage(m_db));
            std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> guard(st, sqlite3_finalize);
            while (sqlite3_step(st) == SQLITE_ROW) {
                auto* ch = static_cast<Chauffeur*>(
                    loader.find(EntityType::Chauffeur, sqlite3_column_int64(st, 0)));
                Record* target = loader.find(targetType, sqlite3_column_int64(st, 1));
                listOf(ch, target);
            }
        };
        loadOneWay("SELECT chauffeur, specialisation FROM ChauffeurSpecialisation ORDER BY chauffeur, pos",
                   EntityType::Specialisation, [](Chauffeur* c, Record* s) {
                       c->d.specialisations.append(static_cast<Specialisation*>(s));
                   });
        loadOneWay("SELECT chauffeur, disponibilite FROM ChauffeurDisponibilite ORDER BY chauffeur, pos",
                   EntityType::Disponibilite, [](Chauffeur* c, Record* s) {
                       c->d.disponibilites.append(static_cast<Disponibilite*>(s));
                   });
        exec("COMMIT");
    } catch (const std::exception& e) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        if (error)
            *error = QStringLiteral("Le magasin de données « %1 » est endommagé : %2")
                         .arg(m_path, QString::fromUtf8(e.what()));
        return false;
    }

    // List positions continue after the highest one stored.
    for (Record* r : ctx.m_live[int(EntityType::Contact)])
        maxOrd = std::max(maxOrd, static_cast<Contact*>(r)->d.clientOrd);
    for (Record* r : ctx.m_live[int(EntityType::LocationDeBenne)]) {
        const auto& d = static_cast<LocationDeBenne*>(r)->d;
        maxOrd = std::max({maxOrd, d.clientOrd, d.benneOrd, d.chauffeurPoseOrd, d.chauffeurEnlevementOrd});
    }
    for (Record* r : ctx.m_live[int(EntityType::BonDePesee)])
        maxOrd = std::max(maxOrd, static_cast<BonDePesee*>(r)->d.locationOrd);
    for (Record* r : ctx.m_live[int(EntityType::FormationChauffeur)])
        maxOrd = std::max(maxOrd, static_cast<FormationChauffeur*>(r)->d.chauffeurOrd);
    ensureListOrderAbove(maxOrd);

    // A skip state that is none of the known texts is kept as it is.
    for (Record* r : ctx.m_live[int(EntityType::Benne)]) {
        auto* b = static_cast<Benne*>(r);
        if (!b->etat())
            std::printf("⚠️ État de benne inconnu « %s » (benne %s) : conservé tel quel.\n",
                        qPrintable(b->etatTexte()), qPrintable(b->id().toString(QUuid::WithoutBraces)));
    }
    std::fflush(stdout);
    // Tables load one after the other; the context keeps its records in persistent-identifier
    // order, which the lookup by identifier relies on.
    std::sort(ctx.m_owned.begin(), ctx.m_owned.end(),
              [](const std::unique_ptr<Record>& a, const std::unique_ptr<Record>& b) {
                  return a->m_pk < b->m_pk;
              });
    ctx.rebuildDerivedLists();
    return true;
}

bool StoreFile::finishOpening(QString* error)
{
    if (m_path == QLatin1String(":memory:"))
        return true;
    try {
        exec("PRAGMA journal_mode=WAL");
        exec("PRAGMA synchronous=NORMAL");
        // Forward migrations go here, one step per schema version.
    } catch (const std::exception& e) {
        if (error)
            *error = QString::fromUtf8(e.what());
        return false;
    }
    return true;
}

bool StoreFile::write(const std::vector<Record*>& pending, QString* error)
{
    try {
        if (m_cache.empty()) {
            m_cache.resize(kEntityTypeCount);
            for (const TableDef& t : tables()) {
                Cached& c = m_cache[int(t.type)];
                std::string cols = "pk", marks = "?", sets;
                for (const ColumnDef& col : t.columns) {
                    cols += std::string(", \"") + col.name + "\"";
                    marks += ", ?";
                    if (!sets.empty())
                        sets += ", ";
                    sets += std::string("\"") + col.name + "\" = ?";
                }
                c.insert = prepare("INSERT INTO \"" + std::string(t.name) + "\" (" + cols + ") VALUES ("
                                   + marks + ")");
                c.update = prepare("UPDATE \"" + std::string(t.name) + "\" SET " + sets + " WHERE pk = ?");
                c.remove = prepare("DELETE FROM \"" + std::string(t.name) + "\" WHERE pk = ?");
            }
        }
        auto run = [this](sqlite3_stmt* st) {
            const int rc = sqlite3_step(st);
            sqlite3_reset(st);
            sqlite3_clear_bindings(st);
            if (rc != SQLITE_DONE)
                throw StoreError(sqliteMessage(m_db));
        };
        exec("BEGIN IMMEDIATE");
        try {
            // Deletions first, so that a new record may take a freed identifier.
            for (Record* r : pending) {
                if (r->m_state != Record::State::Deleted || !r->m_wasStoredBeforeDelete)
                    continue;
                sqlite3_stmt* st = m_cache[int(r->entityType())].remove;
                sqlite3_bind_int64(st, 1, r->m_pk);
                run(st);
            }
            for (Record* r : pending) {
                if (r->m_state != Record::State::Inserted)
                    continue;
                const TableDef& t = table(r->entityType());
                sqlite3_stmt* st = m_cache[int(t.type)].insert;
                sqlite3_bind_int64(st, 1, r->m_pk);
                try {
                    for (int i = 0; i < int(t.columns.size()); ++i)
                        t.columns[i].bind(r, st, i + 2);
                } catch (...) {
                    sqlite3_reset(st);
                    sqlite3_clear_bindings(st);
                    throw;
                }
                run(st);
            }
            for (Record* r : pending) {
                if (r->m_state != Record::State::Stored)
                    continue;
                const TableDef& t = table(r->entityType());
                sqlite3_stmt* st = m_cache[int(t.type)].update;
                const int n = int(t.columns.size());
                try {
                    for (int i = 0; i < n; ++i)
                        t.columns[i].bind(r, st, i + 1);
                } catch (...) {
                    sqlite3_reset(st);
                    sqlite3_clear_bindings(st);
                    throw;
                }
                sqlite3_bind_int64(st, n + 1, r->m_pk);
                run(st);
            }
            writeJoinTables(pending);
            exec("COMMIT");
        } catch (...) {
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
    } catch (const std::exception& e) {
        if (error)
            *error = QString::fromUtf8(e.what());
        return false;
    }
    return true;
}

void StoreFile::writeJoinTables(const std::vector<Record*>& pending)
{
    auto runSql = [this](const char* sql, std::initializer_list<qint64> values) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(m_db, sql, -1, &st, nullptr) != SQLITE_OK)
            throw StoreError(sqliteMessage(m_db));
        std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> guard(st, sqlite3_finalize);
        int i = 1;
        for (qint64 v : values)
            sqlite3_bind_int64(st, i++, v);
        if (sqlite3_step(st) != SQLITE_DONE)
            throw StoreError(sqliteMessage(m_db));
    };
    auto live = [](Record* r) {
        return r->m_state == Record::State::Inserted || r->m_state == Record::State::Stored;
    };
    std::unordered_set<Record*> centres, types;
    for (Record* r : pending) {
        const bool stored = r->m_state == Record::State::Stored
                            || (r->m_state == Record::State::Deleted && r->m_wasStoredBeforeDelete);
        switch (r->entityType()) {
        case EntityType::CentreTraitement:
            if (stored)
                runSql("DELETE FROM CentreTypeDechet WHERE centre = ?", {r->m_pk});
            if (live(r))
                centres.insert(r);
            break;
        case EntityType::TypeDechet:
            if (stored)
                runSql("DELETE FROM CentreTypeDechet WHERE typeDechet = ?", {r->m_pk});
            if (live(r))
                types.insert(r);
            break;
        case EntityType::Chauffeur: {
            auto* c = static_cast<Chauffeur*>(r);
            if (stored) {
                runSql("DELETE FROM ChauffeurSpecialisation WHERE chauffeur = ?", {r->m_pk});
                runSql("DELETE FROM ChauffeurDisponibilite WHERE chauffeur = ?", {r->m_pk});
            }
            if (live(r)) {
                qint64 pos = 0;
                for (Specialisation* s : c->d.specialisations)
                    checkTarget(c, s, "specialisations");
                for (Disponibilite* s : c->d.disponibilites)
                    checkTarget(c, s, "disponibilites");
                for (Specialisation* s : c->d.specialisations)
                    runSql("INSERT INTO ChauffeurSpecialisation VALUES (?, ?, ?)",
                           {c->m_pk, s->m_pk, pos++});
                pos = 0;
                for (Disponibilite* s : c->d.disponibilites)
                    runSql("INSERT INTO ChauffeurDisponibilite VALUES (?, ?, ?)", {c->m_pk, s->m_pk, pos++});
            }
            break;
        }
        case EntityType::Specialisation:
            if (stored && !live(r))
                runSql("DELETE FROM ChauffeurSpecialisation WHERE specialisation = ?", {r->m_pk});
            break;
        case EntityType::Disponibilite:
            if (stored && !live(r))
                runSql("DELETE FROM ChauffeurDisponibilite WHERE disponibilite = ?", {r->m_pk});
            break;
        default:
            break;
        }
    }
    // Every pair touching a changed centre or waste type is written once.
    std::set<std::pair<Record*, Record*>> written;
    auto writePair = [&](CentreTraitement* c, TypeDechet* t) {
        if (!written.insert({c, t}).second)
            return;
        checkTarget(c, t, "typesAcceptes");
        checkTarget(t, c, "centres");
        const qint64 cp = c->d.typesAcceptes.indexOf(t);
        const qint64 tp = t->d.centres.indexOf(c);
        runSql("INSERT INTO CentreTypeDechet VALUES (?, ?, ?, ?)",
               {c->m_pk, t->m_pk, cp < 0 ? 0 : cp, tp < 0 ? 0 : tp});
    };
    for (Record* r : centres)
        for (TypeDechet* t : static_cast<CentreTraitement*>(r)->d.typesAcceptes)
            writePair(static_cast<CentreTraitement*>(r), t);
    for (Record* r : types)
        for (CentreTraitement* c : static_cast<TypeDechet*>(r)->d.centres)
            writePair(c, static_cast<TypeDechet*>(r));
}

} // namespace kv
