#include "planningoperation.h"

#include "model/records.h"
#include "widgets/forms/search.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <limits>

namespace kv {

QString rawValue(OperationKind kind)
{
    switch (kind) {
    case OperationKind::pose:
        return QStringLiteral("Pose");
    case OperationKind::enlevement:
        return QStringLiteral("Enlèvement");
    case OperationKind::rotation:
        return QStringLiteral("Rotation");
    }
    return {};
}

std::optional<OperationKind> operationKindFromRawValue(const QString& text)
{
    for (OperationKind k : {OperationKind::pose, OperationKind::enlevement, OperationKind::rotation})
        if (rawValue(k) == text)
            return k;
    return std::nullopt;
}

const QTimeZone& fuseauHorairePlanning()
{
    static const QTimeZone fuseau = [] {
        QTimeZone paris("Europe/Paris");
        return paris.isValid() ? paris : QTimeZone::systemTimeZone();
    }();
    return fuseau;
}

DayWindow bornesDuJour(const QDateTime& date, const QTimeZone& fuseau)
{
    return dayWindowOf(date.toMSecsSinceEpoch(), fuseau);
}

bool poseDuJour(const LocationDeBenne* location, const DayWindow& jour)
{
    return jour.contains(location->datePoseMs());
}

LocationDeBenne* enlevementDuJour(LocationDeBenne* location, const DayWindow& jour)
{
    const std::optional<qint64> ms = location->dateEnlevementMs();
    return ms && jour.contains(*ms) ? location : nullptr;
}

qint64 volumeTronque(double volume)
{
    if (!std::isfinite(volume))
        return 0;
    const double t = std::trunc(volume);
    // 2^63 is exactly representable; every double below it converts without overflow.
    constexpr double limite = 9223372036854775808.0;
    if (t >= limite)
        return std::numeric_limits<qint64>::max();
    if (t < -limite)
        return std::numeric_limits<qint64>::min();
    return qint64(t);
}

QString cleAdresse(const std::optional<QString>& adresse)
{
    if (!adresse)
        return {};
    // Every Unicode blank: addresses pasted from elsewhere carry no-break and thin spaces.
    static const QRegularExpression blancs(QStringLiteral("\\s+"), QRegularExpression::UseUnicodePropertiesOption);
    QString cle = forms::fold(*adresse).trimmed();
    cle.replace(blancs, QStringLiteral(" "));
    return cle;
}

namespace {

struct Cle {
    QUuid clientID;
    QString adresseKey;
    qint64 volume = 0;
    bool operator==(const Cle&) const = default;
};

size_t qHash(const Cle& k, size_t seed = 0)
{
    return qHashMulti(seed, k.clientID, k.adresseKey, k.volume);
}

Cle cleDe(const LocationDeBenne* l)
{
    return Cle{l->client() ? l->client()->id() : QUuid(), cleAdresse(l->adresse()),
               l->benne() ? volumeTronque(l->benne()->volume()) : 0};
}

QString nomClient(const LocationDeBenne* l)
{
    return l->client() ? l->client()->nom() : QString();
}

qint64 volumeDe(const LocationDeBenne* l)
{
    return l->benne() ? volumeTronque(l->benne()->volume()) : 0;
}

PlanningOperation operation(OperationKind kind, qint64 dateMs, const LocationDeBenne* source)
{
    PlanningOperation op;
    op.id = QUuid::createUuid();
    op.kind = kind;
    op.dateMs = dateMs;
    op.date = dateFromMs(dateMs);
    op.clientNom = nomClient(source);
    op.adresse = source->adresse().value_or(kAdresseNonRenseignee);
    op.volumeM3 = volumeDe(source);
    return op;
}

int rang(OperationKind kind)
{
    switch (kind) {
    case OperationKind::rotation:
        return 0;
    case OperationKind::pose:
        return 1;
    case OperationKind::enlevement:
        return 2;
    }
    return 3;
}

} // namespace

QList<PlanningOperation> operationsDuJour(const Chauffeur* chauffeur, const QDateTime& date,
                                          const QTimeZone& fuseau)
{
    QList<PlanningOperation> ops;
    if (!chauffeur)
        return ops;
    const DayWindow jour = bornesDuJour(date, fuseau);

    QList<LocationDeBenne*> poses;
    for (LocationDeBenne* l : chauffeur->posesAssurees())
        if (poseDuJour(l, jour))
            poses.append(l);
    QList<LocationDeBenne*> enlevements;
    for (LocationDeBenne* l : chauffeur->enlevementsAssures())
        if (enlevementDuJour(l, jour))
            enlevements.append(l);

    QHash<Cle, QList<LocationDeBenne*>> posesParCle;
    for (LocationDeBenne* l : poses)
        posesParCle[cleDe(l)].append(l);

    QSet<const LocationDeBenne*> posesUtilisees;
    QSet<const LocationDeBenne*> enlevementsUtilises;
    for (LocationDeBenne* enl : enlevements) {
        auto it = posesParCle.find(cleDe(enl));
        if (it == posesParCle.end())
            continue;
        QList<LocationDeBenne*>& candidates = it.value();
        for (qsizetype i = 0; i < candidates.size(); ++i) {
            LocationDeBenne* pose = candidates[i];
            if (posesUtilisees.contains(pose))
                continue;
            if (!pose->chauffeurPose() || pose->chauffeurPose()->id() != chauffeur->id())
                continue;
            posesUtilisees.insert(pose);
            enlevementsUtilises.insert(enl);
            candidates.removeAt(i);
            PlanningOperation op = operation(OperationKind::rotation, *enl->dateEnlevementMs(), enl);
            op.adresse = enl->adresse().value_or(pose->adresse().value_or(kAdresseNonRenseignee));
            op.locationPose = pose;
            op.locationEnlevement = enl;
            ops.append(op);
            break;
        }
    }
    for (LocationDeBenne* l : poses) {
        if (posesUtilisees.contains(l))
            continue;
        PlanningOperation op = operation(OperationKind::pose, l->datePoseMs(), l);
        op.locationPose = l;
        ops.append(op);
    }
    for (LocationDeBenne* l : enlevements) {
        if (enlevementsUtilises.contains(l))
            continue;
        PlanningOperation op =
            operation(OperationKind::enlevement, l->dateEnlevementMs().value_or(l->datePoseMs()), l);
        op.locationEnlevement = l;
        ops.append(op);
    }
    std::stable_sort(ops.begin(), ops.end(), [](const PlanningOperation& a, const PlanningOperation& b) {
        if (a.dateMs != b.dateMs)
            return a.dateMs < b.dateMs;
        return rang(a.kind) < rang(b.kind);
    });
    return ops;
}

} // namespace kv
