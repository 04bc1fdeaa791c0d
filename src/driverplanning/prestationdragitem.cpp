#include "prestationdragitem.h"

#include "model/modelcontext.h"
#include "model/records.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QMimeData>
#include <QStringDecoder>

#include <cctype>
#include <cstdio>

namespace kv {

QString rawValue(TypePrestation type)
{
    return type == TypePrestation::pose ? QStringLiteral("pose") : QStringLiteral("enlevement");
}

std::optional<TypePrestation> typePrestationFromRawValue(const QString& text)
{
    if (text == QLatin1String("pose"))
        return TypePrestation::pose;
    if (text == QLatin1String("enlevement"))
        return TypePrestation::enlevement;
    return std::nullopt;
}

QString texteCanonique(const QUuid& id)
{
    return id.toString(QUuid::WithoutBraces).toUpper();
}

namespace {

// Reads exactly the 36-character form (either case); braces or other forms are refused.
std::optional<QUuid> lireUuid(const QString& texte)
{
    if (texte.size() != 36)
        return std::nullopt;
    for (qsizetype i = 0; i < texte.size(); ++i) {
        const QChar c = texte[i];
        const bool tiret = i == 8 || i == 13 || i == 18 || i == 23;
        if (tiret ? c != QLatin1Char('-') : c.unicode() > 127 || !std::isxdigit(c.toLatin1()))
            return std::nullopt;
    }
    return QUuid::fromString(texte);
}

QString optionnelCite(const std::optional<QString>& texte)
{
    return texte ? QStringLiteral("Optional(\"%1\")").arg(*texte) : QStringLiteral("nil");
}

QString prenomOptionnel(const Chauffeur* chauffeur)
{
    return optionnelCite(chauffeur ? std::optional<QString>(chauffeur->prenom()) : std::nullopt);
}

} // namespace

QByteArray PrestationDragItem::json() const
{
    // Written by hand to keep the member order (identifier first) whatever the JSON library does;
    // neither value holds a character that JSON escapes.
    QByteArray out("{\"prestationID\":\"");
    out += texteCanonique(prestationID).toLatin1();
    out += "\",\"type\":\"";
    out += rawValue(type).toLatin1();
    out += "\"}";
    return out;
}

QString PrestationDragItem::base64() const
{
    return QString::fromLatin1(json().toBase64());
}

std::optional<PrestationDragItem> PrestationDragItem::fromJson(const QByteArray& json)
{
    QJsonParseError err;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &err);
    if (err.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    const QJsonObject o = doc.object();
    const QJsonValue id = o.value(QLatin1String("prestationID"));
    const QJsonValue type = o.value(QLatin1String("type"));
    if (!id.isString() || !type.isString())
        return std::nullopt;
    const std::optional<QUuid> uuid = lireUuid(id.toString());
    const std::optional<TypePrestation> t = typePrestationFromRawValue(type.toString());
    if (!uuid || !t)
        return std::nullopt;
    return PrestationDragItem{*uuid, *t};
}

QString PrestationDragItem::description() const
{
    return QStringLiteral("PrestationDragItem(prestationID: %1, type: TypePrestation.%2)")
        .arg(texteCanonique(prestationID), rawValue(type));
}

void traceSortieStandard(const QString& ligne)
{
    const QByteArray utf8 = ligne.toUtf8() + '\n';
    std::fwrite(utf8.constData(), 1, size_t(utf8.size()), stdout);
    std::fflush(stdout);
}

QMimeData* itemProviderPrestation(const LocationDeBenne* location, TypePrestation type)
{
    auto* mime = new QMimeData;
    if (location)
        mime->setText(PrestationDragItem{location->id(), type}.base64());
    return mime;
}

ItemRecu ItemRecu::depuis(const QMimeData* mime)
{
    ItemRecu item;
    const QString format = QStringLiteral("text/plain");
    if (!mime || !mime->hasFormat(format))
        return item;
    const QByteArray octets = mime->data(format);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString texte = utf8.decode(octets);
    if (utf8.hasError()) {
        item.genre = Genre::donnees;
        item.donnees = octets;
    } else {
        item.genre = Genre::texte;
        item.texte = texte;
    }
    return item;
}

std::optional<QByteArray> decoderBase64Strict(const QString& texte)
{
    if (texte.size() % 4 != 0)
        return std::nullopt;
    qsizetype bourrage = 0;
    for (qsizetype i = 0; i < texte.size(); ++i) {
        const char16_t c = texte[i].unicode();
        const bool alphabet = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z')
                              || (c >= u'0' && c <= u'9') || c == u'+' || c == u'/';
        if (c == u'=') {
            ++bourrage;
        } else if (!alphabet || bourrage > 0) {
            return std::nullopt; // a character outside the alphabet, or data after the padding
        }
    }
    if (bourrage > 2)
        return std::nullopt;
    auto resultat = QByteArray::fromBase64Encoding(texte.toLatin1(),
                                                   QByteArray::AbortOnBase64DecodingErrors);
    if (!resultat)
        return std::nullopt;
    return *resultat;
}

std::optional<PrestationDragItem> decoderDrop(const ItemRecu& item, const TraceDrop& trace)
{
    QString descriptionItem;
    switch (item.genre) {
    case ItemRecu::Genre::aucun:
        descriptionItem = QStringLiteral("nil");
        break;
    case ItemRecu::Genre::texte:
        descriptionItem = QStringLiteral("Optional(%1)").arg(item.texte);
        break;
    case ItemRecu::Genre::donnees:
        descriptionItem = QStringLiteral("Optional(%1 bytes)").arg(item.donnees.size());
        break;
    }
    trace(QStringLiteral("LOADITEM appelé, item: %1, type: Optional<NSSecureCoding>").arg(descriptionItem));

    std::optional<QString> texteBase64;
    switch (item.genre) {
    case ItemRecu::Genre::texte:
        trace(QStringLiteral("Drop reçu sous forme de String"));
        texteBase64 = item.texte;
        break;
    case ItemRecu::Genre::donnees: {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString texte = utf8.decode(item.donnees);
        if (!utf8.hasError())
            texteBase64 = texte;
        trace(QStringLiteral("Drop reçu sous forme de Data"));
        break;
    }
    case ItemRecu::Genre::aucun:
        trace(QStringLiteral("Type d'item inattendu pour le drop"));
        break;
    }

    const std::optional<QByteArray> jsonData =
        texteBase64 ? decoderBase64Strict(*texteBase64) : std::nullopt;
    if (!jsonData) {
        trace(QStringLiteral("Échec conversion base64 -> Data (base64String = %1)").arg(optionnelCite(texteBase64)));
        return std::nullopt;
    }
    trace(QStringLiteral("Décodage base64 réussi, taille jsonData = %1").arg(jsonData->size()));

    const std::optional<PrestationDragItem> decode = PrestationDragItem::fromJson(*jsonData);
    if (!decode) {
        trace(QStringLiteral("Échec decode PrestationDragItem (données = %1 bytes)").arg(jsonData->size()));
        return std::nullopt;
    }
    trace(QStringLiteral("DECODE OK : %1").arg(decode->description()));
    return decode;
}

ResultatAttribution attribuerPrestation(const PrestationDragItem& item, Chauffeur* chauffeur,
                                        ModelContext* context, const TraceDrop& trace, QString* erreur)
{
    LocationDeBenne* location = context ? context->find<LocationDeBenne>(item.prestationID) : nullptr;
    if (!location) {
        trace(QStringLiteral("Prestation non trouvée dans SwiftData (id=%1)").arg(texteCanonique(item.prestationID)));
        return ResultatAttribution::introuvable;
    }
    trace(QStringLiteral("Prestation trouvée : %1").arg(texteCanonique(location->id())));

    const bool pose = item.type == TypePrestation::pose;
    Chauffeur* actuel = pose ? location->chauffeurPose() : location->chauffeurEnlevement();
    // A card dropped back where it was, among the work to give out too, changes nothing.
    if (actuel == chauffeur || (actuel && chauffeur && actuel->id() == chauffeur->id())) {
        trace(QStringLiteral("Déjà attribué, mutation annulée"));
        return ResultatAttribution::dejaAttribue;
    }
    auto etat = [&](const QString& moment) {
        trace(QStringLiteral("%1 mutation - chauffeurPose: %2, chauffeurEnlevement: %3")
                  .arg(moment, prenomOptionnel(location->chauffeurPose()),
                       prenomOptionnel(location->chauffeurEnlevement())));
    };
    etat(QStringLiteral("Avant"));
    auto poser = [&](Chauffeur* c) {
        if (pose)
            location->setChauffeurPose(c);
        else
            location->setChauffeurEnlevement(c);
    };
    poser(chauffeur);
    etat(QStringLiteral("Après"));

    QString raison;
    if (context->save(&raison)) {
        trace(QStringLiteral("SAUVEGARDE OK"));
        return ResultatAttribution::attribue;
    }
    trace(QStringLiteral("ERREUR de sauvegarde : %1").arg(raison));
    // The card goes back to the driver it came from: the screen never shows an assignment that
    // is not in the file.
    poser(actuel);
    if (erreur)
        *erreur = raison;
    return ResultatAttribution::echecSauvegarde;
}

} // namespace kv
