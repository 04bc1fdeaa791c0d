#pragma once

// The payload of an operation dragged between drivers' columns, and what a column does with a
// drop: decode it, find the rental and give that operation to the column's driver.
//
// Wire format: the compact JSON {"prestationID":"<UUID, upper case>","type":"pose"|"enlevement"},
// encoded in standard Base64 with padding, offered as text/plain. Each step of a drop writes one
// plain trace line through a TraceDrop sink (the standard output unless a caller says otherwise).

#include <QByteArray>
#include <QString>
#include <QUuid>

#include <functional>
#include <optional>

class QMimeData;

namespace kv {

class Chauffeur;
class LocationDeBenne;
class ModelContext;

enum class TypePrestation { pose, enlevement };

// "pose" or "enlevement".
QString rawValue(TypePrestation type);
std::optional<TypePrestation> typePrestationFromRawValue(const QString& text);

struct PrestationDragItem {
    QUuid prestationID;
    TypePrestation type = TypePrestation::pose;

    QByteArray json() const;
    QString base64() const;
    // Reads the JSON object (members in any order, other members ignored); none when a member
    // is missing or malformed.
    static std::optional<PrestationDragItem> fromJson(const QByteArray& json);
    // "PrestationDragItem(prestationID: <UUID>, type: TypePrestation.pose)".
    QString description() const;
    bool operator==(const PrestationDragItem&) const = default;
};

// A UUID as 36 upper-case characters in groups of 8-4-4-4-12.
QString texteCanonique(const QUuid& id);

// Where the trace lines of a drop go.
using TraceDrop = std::function<void(const QString& ligne)>;
// Writes the line and a line end on the standard output, in UTF-8.
void traceSortieStandard(const QString& ligne);

// The drag data of a card: the Base64 payload as text/plain.
QMimeData* itemProviderPrestation(const LocationDeBenne* location, TypePrestation type);

// What a drop delivers when asked for text: a text, raw bytes (text/plain that is not UTF-8),
// or nothing.
struct ItemRecu {
    enum class Genre { aucun, texte, donnees };
    Genre genre = Genre::aucun;
    QString texte;
    QByteArray donnees;

    static ItemRecu depuis(const QMimeData* mime);
};

// Base64 with the standard alphabet and "=" padding, nothing else (no blank, no line end).
std::optional<QByteArray> decoderBase64Strict(const QString& texte);

// Turns a received item into a payload, writing the trace of each step; none when it is not one.
std::optional<PrestationDragItem> decoderDrop(const ItemRecu& item, const TraceDrop& trace);

// What an assignment did.
enum class ResultatAttribution { introuvable, dejaAttribue, attribue, echecSauvegarde };

// Gives the dragged operation of the rental to `chauffeur` and saves. A failed save is taken
// back (the rental gets its former driver again) and its reason written to `erreur`.
ResultatAttribution attribuerPrestation(const PrestationDragItem& item, Chauffeur* chauffeur,
                                        ModelContext* context, const TraceDrop& trace,
                                        QString* erreur = nullptr);

} // namespace kv
