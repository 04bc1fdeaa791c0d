#include "storecopy.h"

#include "storebackend.h"

namespace kv {

namespace {

template <class... T>
ChangeSet everyRecord(const ModelContext& from)
{
    ChangeSet out;
    out.reserve(std::size_t((from.count<T>() + ...)));
    (
        [&] {
            for (T* r : from.all<T>())
                out.push_back({RecordChange::Insert, r});
        }(),
        ...);
    return out;
}

std::array<std::size_t, kEntityTypeCount> counts(const LoadedRecords& loaded)
{
    std::array<std::size_t, kEntityTypeCount> out{};
    for (int t = 0; t < kEntityTypeCount; ++t)
        out[std::size_t(t)] = loaded.byType[std::size_t(t)].size();
    return out;
}

} // namespace

bool copyStore(const ModelContext& from, const QString& location,
               const std::function<bool(qsizetype, qsizetype)>& progress, QString* error)
{
    OpenFailure failure = OpenFailure::None;
    std::unique_ptr<StoreBackend> to = StoreBackend::open(location, error, &failure);
    if (!to)
        return false;
    LoadedRecords there;
    if (!to->load(there, error, &failure) || !to->finishOpening(there, error))
        return false;
    for (const auto& records : there.byType)
        if (!records.empty()) {
            if (error)
                *error = QStringLiteral("La base « %1 » contient déjà des données : la copie y est refusée.").arg(StoreBackend::shownLocation(location));
            return false;
        }
    const ChangeSet changes = everyRecord<DispositifSpecial, Qualification, Specialisation, Formation, Disponibilite,
                                          EmailChauffeurPreferences, Client, Contact, Benne, CentreTraitement, TypeDechet,
                                          Chauffeur, LocationDeBenne, BonDePesee, FormationChauffeur,
                                          HistoriqueEnvoiRapport>(from);
    to->setProgress([&](qsizetype done) {
        // Stopped by the user: the write's transaction is rolled back.
        if (progress && !progress(done, qsizetype(changes.size())))
            throw StoreError(QStringLiteral("copie interrompue"));
    });
    if (!to->write(changes, error))
        return false;
    // Read back: every type holds as many records as the copied context.
    LoadedRecords copied;
    if (!to->load(copied, error, &failure))
        return false;
    std::array<std::size_t, kEntityTypeCount> expected{};
    for (const RecordChange& c : changes)
        ++expected[std::size_t(c.record->entityType())];
    if (counts(copied) != expected) {
        if (error)
            *error = QStringLiteral("La copie relue dans « %1 » ne compte pas autant d’enregistrements que l’original.")
                         .arg(StoreBackend::shownLocation(location));
        return false;
    }
    return true;
}

} // namespace kv
