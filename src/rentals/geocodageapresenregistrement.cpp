#include "geocodageapresenregistrement.h"

#include "journaux.h"

#include "model/modelcontext.h"
#include "platform/adresseservice.h"

namespace kv {

namespace {
const char* const kNomObjet = "geocodageApresEnregistrement";
} // namespace

GeocodageApresEnregistrement* GeocodageApresEnregistrement::pour(ModelContext* context)
{
    if (auto* g = context->findChild<GeocodageApresEnregistrement*>(QLatin1String(kNomObjet),
                                                                     Qt::FindDirectChildrenOnly))
        return g;
    return new GeocodageApresEnregistrement(context);
}

GeocodageApresEnregistrement::GeocodageApresEnregistrement(ModelContext* context)
    : QObject(context), m_context(context), m_service(new AdresseService(this))
{
    setObjectName(QLatin1String(kNomObjet));
}

void GeocodageApresEnregistrement::lancer(LocationDeBenne* location, const QString& adresse)
{
    const QUuid id = location->id();
    qCInfo(locationLogger(), "🗺️ Geocode start: \"%s\"", qUtf8Printable(adresse));
    ligneSortie(QStringLiteral("🗺️ Geocode start: \"%1\"").arg(adresse));
    RechercheAdresse recherche;
    recherche.texte = adresse;
    recherche.limite = 1;
    ++m_enAttente;
    m_service->rechercher(recherche, this, [this, id](const ReponseAdresse& r) {
        --m_enAttente;
        // The rental may have been deleted meanwhile: only a live one is touched.
        LocationDeBenne* loc = m_context->find<LocationDeBenne>(id);
        if (!r.ok() || r.lieux.isEmpty() || !r.lieux.first().coordonnee) {
            const QString cause = r.ok() ? QStringLiteral("inconnu") : r.erreur;
            qCWarning(locationLogger(), "🗺️ Geocode KO: %s", qUtf8Printable(cause));
            ligneSortie(QStringLiteral("🗺️ Geocode KO: ") + cause);
        } else if (loc && !loc->isDeleted()) {
            const Coordonnee c = *r.lieux.first().coordonnee;
            loc->setLatitude(c.latitude);
            loc->setLongitude(c.longitude);
            QString erreur;
            if (m_context->save(&erreur)) {
                qCInfo(locationLogger(), "✅ SAVE OK (coords post-geocode)");
                ligneSortie(QStringLiteral("✅ SAVE OK (coords post-geocode)"));
            } else {
                qCWarning(locationLogger(), "❌ Resave coords: %s", qUtf8Printable(erreur));
                ligneSortie(QStringLiteral("❌ Resave coords: ") + erreur);
            }
        }
        emit termine(id);
    });
}

} // namespace kv
