#include "relocalisationlocations.h"

#include "model/modelcontext.h"
#include "platform/adresseservice.h"

#include "widgets/colors.h"
#include "widgets/textstyles.h"

#include <QLabel>

#include <algorithm>
#include <QLocale>
#include <QLoggingCategory>
#include <QTimer>

namespace kv {

namespace {

const char* const kNomObjet = "relocalisationLocations";
const char* const kCompte = "sansCoordonnees";
const char* const kAvecAdresse = "avecAdresse";
const char* const kEchec = "echecSauvegarde";
const char* const kRelocalisation = "relocalisation";

Q_LOGGING_CATEGORY(journalCartes, "TAV.Kestrovan.Location")

QString adresseDe(const LocationDeBenne* location)
{
    return location->adresse().value_or(QString()).trimmed();
}

bool aDesCoordonnees(const LocationDeBenne* location)
{
    return location->latitude() && location->longitude()
           && coordonneeValide(*location->latitude(), *location->longitude());
}

} // namespace

RelocalisationLocations* RelocalisationLocations::pour(ModelContext* context)
{
    if (auto* r = context->findChild<RelocalisationLocations*>(QLatin1String(kNomObjet), Qt::FindDirectChildrenOnly))
        return r;
    return new RelocalisationLocations(context, context);
}

void RelocalisationLocations::relancer(ModelContext* context)
{
    if (context)
        pour(context)->lancer();
}

RelocalisationLocations::RelocalisationLocations(ModelContext* context, QObject* parent)
    : QObject(parent), m_context(context), m_service(new AdresseService(this))
{
    setObjectName(QLatin1String(kNomObjet));
    // A rental changed, added or removed may need locating: the next pass looks again.
    connect(context, &ModelContext::changed, this, [this](const ModelChanges& changes) {
        if (changes.touches(EntityType::LocationDeBenne))
            m_aucuneARelocaliser = false;
    });
}

bool RelocalisationLocations::aRelocaliser(const LocationDeBenne* location)
{
    return !location->isDeleted() && !aDesCoordonnees(location) && !adresseDe(location).isEmpty();
}

int RelocalisationLocations::aLocaliser(const QList<LocationDeBenne*>& locations)
{
    return int(std::count_if(locations.cbegin(), locations.cend(), aRelocaliser));
}

QLabel* RelocalisationLocations::nouvelleLigne(ModelContext* context, QWidget* parent)
{
    auto* ligne = new QLabel(parent);
    ligne->setObjectName(QStringLiteral("sansCoordonnees"));
    ligne->setFont(fontForStyle(TextStyle::caption, parent->font()));
    setSecondaryText(ligne);
    ligne->setWordWrap(true);
    ligne->setTextFormat(Qt::PlainText);
    ligne->hide();
    ligne->setProperty(kCompte, 0);
    ligne->setProperty(kAvecAdresse, 0);
    if (context) {
        // A failed save stays said until coordinates are saved again.
        RelocalisationLocations* r = pour(context);
        connect(r, &RelocalisationLocations::echecSauvegarde, ligne, [ligne](const QString& erreur) {
            ligne->setProperty(kEchec, QStringLiteral("Échec de la sauvegarde: ") + erreur);
            afficherSansCoordonnees(ligne, ligne->property(kCompte).toInt(), ligne->property(kAvecAdresse).toInt());
        });
        connect(r, &RelocalisationLocations::localisee, ligne, [ligne] {
            ligne->setProperty(kEchec, QString());
            afficherSansCoordonnees(ligne, ligne->property(kCompte).toInt(), ligne->property(kAvecAdresse).toInt());
        });
        // Whether the service could be reached is known at the end of each pass.
        ligne->setProperty(kRelocalisation, QVariant::fromValue<QObject*>(r));
        connect(r, &RelocalisationLocations::passeTerminee, ligne,
                [ligne] { afficherSansCoordonnees(ligne, ligne->property(kCompte).toInt(), ligne->property(kAvecAdresse).toInt()); });
    }
    return ligne;
}

void RelocalisationLocations::afficherSansCoordonnees(QLabel* ligne, int n, int avecAdresse)
{
    QStringList textes;
    if (n == 1)
        textes.append(QStringLiteral("1 location sans coordonnées n’apparaît pas sur la carte."));
    else if (n > 1)
        textes.append(QStringLiteral("%1 locations sans coordonnées n’apparaissent pas sur la carte.")
                          .arg(QLocale().toString(n)));
    // Only a rental with an address can be located once the service answers: one without
    // any is not promised a place.
    const auto* r = qobject_cast<const RelocalisationLocations*>(ligne->property(kRelocalisation).value<QObject*>());
    const QString injoignable = QStringLiteral("Le service d’adresses n’a pas pu être joint : ");
    if (avecAdresse > 0 && r && r->serviceInjoignable()) {
        if (avecAdresse == n)
            textes.append(injoignable + QStringLiteral("ces adresses seront localisées quand il répondra."));
        else if (avecAdresse == 1)
            textes.append(injoignable + QStringLiteral("celle qui a une adresse sera localisée quand il répondra, "
                                                       "les autres n’en ont pas."));
        else
            textes.append(injoignable + QStringLiteral("les %1 qui ont une adresse seront localisées quand il "
                                                       "répondra, les autres n’en ont pas.")
                                            .arg(QLocale().toString(avecAdresse)));
    }
    const QString echec = ligne->property(kEchec).toString();
    if (!echec.isEmpty())
        textes.append(echec);
    ligne->setProperty(kCompte, n);
    ligne->setProperty(kAvecAdresse, avecAdresse);
    ligne->setText(textes.join(QLatin1Char('\n')));
    ligne->setVisible(!textes.isEmpty());
}

void RelocalisationLocations::lancer()
{
    if (m_enCours)
        return;
    m_enCours = true;
    QTimer::singleShot(0, this, &RelocalisationLocations::demarrerPasse);
}

void RelocalisationLocations::demarrerPasse()
{
    m_injoignable = false;
    m_file.clear();
    // Every map opening starts a pass: the rentals are looked through only when one changed
    // since a look found none to locate.
    if (!m_aucuneARelocaliser) {
        for (LocationDeBenne* l : m_context->all<LocationDeBenne>())
            if (aRelocaliser(l) && !m_inconnues.contains(l->id()))
                m_file.append(l);
        m_aucuneARelocaliser = m_file.isEmpty();
    }
    suivantes();
}

void RelocalisationLocations::suivantes()
{
    while (!m_injoignable && m_enVol < kParLot && !m_file.isEmpty()) {
        // Records stay allocated while their store is open, deleted ones flagged.
        LocationDeBenne* location = m_file.takeFirst();
        // Located, deleted or cleared since the pass began: nothing to ask.
        if (!aRelocaliser(location))
            continue;
        const QString adresse = adresseDe(location);
        RechercheAdresse recherche;
        recherche.texte = adresse;
        recherche.limite = 1;
        ++m_enVol;
        m_service->rechercher(recherche, this, [this, location, adresse](const ReponseAdresse& r) {
            --m_enVol;
            if (!r.ok()) {
                // Out of reach: the rest waits for the next pass.
                qCInfo(journalCartes, "Adresse non localisée (%s): %s", qUtf8Printable(adresse),
                       qUtf8Printable(r.erreur));
                m_injoignable = true;
                m_serviceInjoignable = true;
            } else if (r.lieux.isEmpty() || !r.lieux.first().coordonnee) {
                m_serviceInjoignable = false;
                m_inconnues.insert(location->id());
            } else {
                m_serviceInjoignable = false;
                // Only a rental that still needs it, at the address that was asked.
                if (aRelocaliser(location) && adresseDe(location) == adresse) {
                    const Coordonnee c = *r.lieux.first().coordonnee;
                    location->setLatitude(c.latitude);
                    location->setLongitude(c.longitude);
                    QString erreur;
                    if (m_context->save(&erreur)) {
                        emit localisee(location->id());
                    } else {
                        qCWarning(journalCartes, "Échec de la sauvegarde des coordonnées: %s", qUtf8Printable(erreur));
                        m_injoignable = true; // a store that cannot save now is not asked again in this pass
                        emit echecSauvegarde(erreur);
                    }
                }
            }
            if (m_enVol == 0 && (m_injoignable || m_file.isEmpty()))
                terminer();
            else
                suivantes();
        });
    }
    if (m_enVol == 0)
        terminer();
}

void RelocalisationLocations::terminer()
{
    if (!m_enCours)
        return;
    m_enCours = false;
    m_file.clear();
    emit passeTerminee();
}

} // namespace kv
