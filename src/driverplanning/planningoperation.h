#pragma once

// What one driver does on one day: placements, removals and rotations (a removal paired with a
// placement of a skip of the same size for the same client at the same address, both done by
// this driver that day). Pure computation over the records; the day is cut in the planning time
// zone given as a parameter.

#include "model/daywindow.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

namespace kv {

class Chauffeur;
class LocationDeBenne;

enum class OperationKind { pose, enlevement, rotation };

// "Pose", "Enlèvement", "Rotation".
QString rawValue(OperationKind kind);
// The kind of one of those three texts; none for any other text.
std::optional<OperationKind> operationKindFromRawValue(const QString& text);

struct PlanningOperation {
    QUuid id;
    OperationKind kind = OperationKind::pose;
    QDateTime date;
    qint64 dateMs = 0;
    QString clientNom;
    QString adresse;
    qint64 volumeM3 = 0;
    std::optional<QString> benneNom;
    LocationDeBenne* locationPose = nullptr;
    LocationDeBenne* locationEnlevement = nullptr;
};

// "Europe/Paris", or the machine's zone when the system does not know that one.
const QTimeZone& fuseauHorairePlanning();

// The day holding `date` in `fuseau`: its start and the start of the next day.
DayWindow bornesDuJour(const QDateTime& date, const QTimeZone& fuseau = fuseauHorairePlanning());

// Both windows are half-open, [start of day, start of next day): an instant at midnight belongs
// to the day it starts only.
bool poseDuJour(const LocationDeBenne* location, const DayWindow& jour);
LocationDeBenne* enlevementDuJour(LocationDeBenne* location, const DayWindow& jour);

// A skip volume in whole cubic metres, truncated toward zero; 0 for a volume that is not a
// finite number, the nearest bound for one beyond a 64-bit integer.
qint64 volumeTronque(double volume);

// The address as the pairing compares it: case and accents folded, trimmed, inner blanks
// squeezed to one space; empty when the rental has none.
QString cleAdresse(const std::optional<QString>& adresse);

inline const QString kAdresseNonRenseignee = QStringLiteral("Adresse non renseignée");

// The driver's operations of the day holding `date`, sorted by time (rotation, then placement,
// then removal at equal times; otherwise in the order of the driver's lists).
QList<PlanningOperation> operationsDuJour(const Chauffeur* chauffeur, const QDateTime& date,
                                          const QTimeZone& fuseau = fuseauHorairePlanning());

} // namespace kv
