#include "cartebenneslouees.h"

#include "model/helpers.h"

#include "relocalisationlocations.h"

#include "statscharts.h"

#include "widgets/colors.h"
#include "widgets/dateentry.h"

#include <QAccessible>
#include "widgets/focusguard.h"
#include "widgets/icons.h"
#include "widgets/pickersegmentedcustom.h"
#include "widgets/plaintext.h"
#include "widgets/textstyles.h"

#include <QDateEdit>
#include <QEvent>
#include <QHideEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QSet>
#include <QStackedWidget>
#include <QGlyphRun>
#include <QStaticText>
#include <QResizeEvent>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace kv {

namespace {

constexpr double kCercle = 22;     // the skip's disc
constexpr double kEspacement = 2;  // between the disc and the name card
constexpr double kMarge = 5;       // inside the name card
constexpr double kRayonCarte = 6;  // of the name card's corners
constexpr double kOmbre = 3;       // room for the card's shadow
constexpr int kFusion = 4;         // markers within one cell of this many pixels show as one
constexpr double kLargeurNom = 160; // a longer name is cut with "…", whole in the marker's tool tip

QColor bleuSysteme()
{
    return QColor(0, 122, 255);
}

// The key under which two rentals' addresses match: absent, or the text in its composed form
// (canonically equivalent spellings are equal; case and blanks count).
QString cleAdresse(const std::optional<QString>& adresse)
{
    if (!adresse)
        return QStringLiteral("\x01");
    return QLatin1Char('\x02') + adresse->normalized(QString::NormalizationForm_C);
}

// A name's card: the name as the card shows it (on one line, cut with "…" past the card's
// width) and the card's size.
struct CarteDeNom {
    QString affiche;
    QSizeF taille;
};

// Every name's card measured once for the cards' font and kept for the process: a map opened
// again, or another filter, measures none of the names it met before. Holds names only (no
// pictures), at most one entry per client name; let go when the font changes.
class CartesDeNoms {
public:
    const CarteDeNom& pour(const QString& titre, const QFontMetricsF& fm,
                           const std::function<QString(const std::function<bool(const QString&)>&)>& ajuster = {})
    {
        auto it = m_cartes.constFind(titre);
        if (it != m_cartes.cend())
            return *it;
        if (m_cartes.size() >= kPlafond)
            m_cartes.clear();
        QString ligne = titre;
        ligne.replace(QLatin1Char('\n'), QLatin1Char(' '));
        // A name that fits is shown whole: measured once, without the elision's second layout.
        const qreal entier = fm.horizontalAdvance(ligne);
        const bool coupe = entier > kLargeurNom || ligne.contains(QChar(0x9c));
        const QString ajuste = coupe && ajuster
                                   ? ajuster([&fm](const QString& t) { return fm.horizontalAdvance(t) <= kLargeurNom; })
                                   : ligne;
        const QString affiche = coupe ? fm.elidedText(ajuste, Qt::ElideRight, kLargeurNom) : ligne;
        const qreal largeur = coupe ? fm.horizontalAdvance(affiche) : entier;
        return *m_cartes.insert(titre, {affiche, QSizeF(std::ceil(largeur) + 2 * kMarge, std::ceil(fm.height()) + 2 * kMarge)});
    }
    // The cards of this font, the others let go.
    void pourLaPolice(const QFont& police)
    {
        const QString cle = police.key();
        if (cle != m_police) {
            m_police = cle;
            m_cartes.clear();
        }
    }

private:
    static constexpr qsizetype kPlafond = 100000;
    QString m_police;
    QHash<QString, CarteDeNom> m_cartes;
};

CartesDeNoms& cartesDeNoms(const QFont& police)
{
    static CartesDeNoms cartes;
    cartes.pourLaPolice(police);
    return cartes;
}

} // namespace

// --- Rules

DayWindow CarteBennesLouees::aujourdhui(const QDateTime& maintenant, const QTimeZone& zone)
{
    return dayWindowOf(maintenant.toMSecsSinceEpoch(), zone);
}

namespace {

// The rentals of `locations` (records of the store or rentals) that `garde` keeps, given their
// placement, their removal (a missing one later than any date) and whether they have one. One
// pass, the test inlined: the whole store is read at each refresh.
template <class Liste, class Garde>
QList<LocationDeBenne*> garder(const Liste& locations, Garde garde)
{
    constexpr qint64 jamais = std::numeric_limits<qint64>::max();
    QList<LocationDeBenne*> gardees;
    for (auto* r : locations) {
        auto* l = static_cast<LocationDeBenne*>(r);
        const std::optional<qint64> enlevement = l->dateEnlevementMs();
        if (garde(l->datePoseMs(), enlevement.value_or(jamais), enlevement.has_value()))
            gardees.append(l);
    }
    return gardees;
}

template <class Liste>
QList<LocationDeBenne*> filtrer(const Liste& locations, CarteBennesFiltre filtre, const QDate& du, const QDate& au,
                                const QDateTime& maintenant, const QTimeZone& zone)
{
    const DayWindow jour = CarteBennesLouees::aujourdhui(maintenant, zone);
    const qint64 t = jour.debut;
    const qint64 demain = jour.fin;
    switch (filtre) {
    case CarteBennesFiltre::rotationsAujourdhui: {
        QList<LocationDeBenne*> toutes;
        toutes.reserve(locations.size());
        for (auto* r : locations)
            toutes.append(static_cast<LocationDeBenne*>(r));
        return CarteBennesLouees::rotationsDuJour(toutes, jour);
    }
    case CarteBennesFiltre::enCours:
        return garder(locations, [t](qint64 pose, qint64 enlevement, bool) { return pose <= t && enlevement > t; });
    case CarteBennesFiltre::enCoursEtFutures:
        return garder(locations, [t](qint64, qint64 enlevement, bool) { return enlevement > t; });
    case CarteBennesFiltre::posesAujourdhui:
        return garder(locations, [t, demain](qint64 pose, qint64, bool) { return t <= pose && pose < demain; });
    case CarteBennesFiltre::enlevementsAujourdhui:
        return garder(locations, [t, demain](qint64, qint64 enlevement, bool enleve) {
            return enleve && t <= enlevement && enlevement < demain;
        });
    case CarteBennesFiltre::parPeriode: {
        // Whole days: from the start of the "Du" day to the start of the day after "Au".
        const qint64 debut = du.isValid() ? startOfDayMs(du, zone) : std::numeric_limits<qint64>::min();
        const qint64 finExclue = au.isValid() ? startOfDayMs(au.addDays(1), zone) : std::numeric_limits<qint64>::max();
        return garder(locations, [debut, finExclue](qint64 pose, qint64 enlevement, bool) {
            return pose < finExclue && enlevement >= debut;
        });
    }
    }
    return {};
}

} // namespace

QList<LocationDeBenne*> CarteBennesLouees::locationsFiltrees(const QList<LocationDeBenne*>& locations,
                                                             CarteBennesFiltre filtre, const QDate& du,
                                                             const QDate& au, const QDateTime& maintenant,
                                                             const QTimeZone& zone)
{
    return filtrer(locations, filtre, du, au, maintenant, zone);
}

QList<LocationDeBenne*> CarteBennesLouees::rotationsDuJour(const QList<LocationDeBenne*>& locations,
                                                           const DayWindow& jour)
{
    QList<LocationDeBenne*> enlevements;
    // The first placement of today for each client and address.
    QHash<QString, LocationDeBenne*> premierePose;
    for (LocationDeBenne* l : locations) {
        const std::optional<qint64> e = l->dateEnlevementMs();
        if (e && jour.contains(*e))
            enlevements.append(l);
        if (jour.contains(l->datePoseMs())) {
            const QString cle = (l->client() ? l->client()->id().toString(QUuid::WithoutBraces) : QString())
                                + cleAdresse(l->adresse());
            if (!premierePose.contains(cle))
                premierePose.insert(cle, l);
        }
    }
    QList<LocationDeBenne*> resultat;
    QSet<QUuid> deja;
    auto ajouter = [&](LocationDeBenne* l) {
        if (!deja.contains(l->id())) {
            deja.insert(l->id());
            resultat.append(l);
        }
    };
    for (LocationDeBenne* e : std::as_const(enlevements)) {
        const QString cle = (e->client() ? e->client()->id().toString(QUuid::WithoutBraces) : QString())
                            + cleAdresse(e->adresse());
        if (LocationDeBenne* pose = premierePose.value(cle)) {
            ajouter(e);
            ajouter(pose);
        }
    }
    return resultat;
}

QList<RepereLocationBenne> CarteBennesLouees::reperes(const QList<LocationDeBenne*>& locations)
{
    QList<RepereLocationBenne> liste;
    liste.reserve(locations.size());
    for (LocationDeBenne* l : locations) {
        if (!l->latitude() || !l->longitude())
            continue;
        const GeoPoint point{*l->latitude(), *l->longitude()};
        // A coordinate that is not one gives no marker.
        if (!point.isValid())
            continue;
        const Client* client = l->client();
        const bool homonyme = client && !distinctionParmiHomonymes(client).isEmpty();
        liste.append({l->id(), point, client ? nomClientDistinct(client) : QString(), l->adresse(),
                      l->benne() ? l->benne()->couleur() : QString(), {}});
        if (homonyme)
            liste.last().ajuster = [client](const Tient& tient) { return nomClientDistinct(client, tient); };
    }
    return liste;
}

std::optional<MapRegion> CarteBennesLouees::ajusterRegion(const QList<RepereLocationBenne>& reperes)
{
    if (reperes.isEmpty())
        return std::nullopt;
    double minLat = 90, maxLat = -90, minLon = 180, maxLon = -180;
    for (const RepereLocationBenne& r : reperes) {
        minLat = std::min(minLat, r.coordinate.latitude);
        maxLat = std::max(maxLat, r.coordinate.latitude);
        minLon = std::min(minLon, r.coordinate.longitude);
        maxLon = std::max(maxLon, r.coordinate.longitude);
    }
    const auto etendue = [](double min, double max, double plafond) {
        return std::min(std::max((max - min) * 1.2 + 0.01, 0.01), plafond);
    };
    return MapRegion{(minLat + maxLat) * 0.5, (minLon + maxLon) * 0.5, etendue(minLat, maxLat, 180.0),
                     etendue(minLon, maxLon, 360.0)};
}

// --- Screen

CarteBennesLouees::CarteBennesLouees(Query<LocationDeBenne>* locations, Observable<bool> demandeZoom,
                                     QWidget* parent, const Horloge& horloge)
    : QWidget(parent), m_locations(locations), m_demandeZoom(demandeZoom), m_horloge(horloge)
{
    setObjectName(QStringLiteral("carteBennesLouees"));
    // The filter row and some map in the smallest window; the map pans and zooms its own canvas.
    setMinimumSize(240, 200);
    m_cardFont = fontForStyle(TextStyle::caption2, font());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildFilterRow());

    m_pages = new QStackedWidget(this);
    m_vide = new QLabel(QStringLiteral("Aucun repère à afficher pour ce filtre."), m_pages);
    m_vide->setObjectName(QStringLiteral("texteVide"));
    m_vide->setAlignment(Qt::AlignCenter);
    m_vide->setWordWrap(true);
    m_vide->setContentsMargins(16, 16, 16, 16);
    QFont titre = font();
    titre.setPointSizeF(titre.pointSizeF() * 22.0 / 13.0);
    m_vide->setFont(titre);
    setSecondaryText(m_vide, 0.5);
    m_pages->addWidget(m_vide);
    m_pages->addWidget(buildMap());
    layout->addWidget(m_pages, 1);
    // In its own row under the map: never drawn over the markers.
    ModelContext* magasin = m_locations ? m_locations->context() : nullptr;
    m_sansCoordonnees = RelocalisationLocations::nouvelleLigne(magasin, this);
    m_sansCoordonnees->setContentsMargins(16, 4, 16, 4);
    m_sansCoordonnees->setMinimumWidth(1);
    layout->addWidget(m_sansCoordonnees);

    m_filtre.onChange(this, [this] {
        m_periodeRow->setVisible(m_filtre.get() == CarteBennesFiltre::parPeriode);
        refresh(true);
    });
    if (m_locations) {
        connect(m_locations, &QueryBase::resultsChanged, this, [this] { refresh(true); });
        // Markers also show the client's name and the skip's colour: those changes redraw them,
        // without moving the map.
        connect(m_locations->context(), &ModelContext::changed, this, [this](const ModelChanges& changes) {
            if (!changes.touches(EntityType::LocationDeBenne)
                && changes.touchesAny(entityBit(EntityType::Client) | entityBit(EntityType::Benne)))
                refresh(false);
        });
    }
    m_demandeZoom.onChange(this, [this] {
        if (!m_demandeZoom.get())
            return;
        m_demandeZoom.set(false);
        zoomerSurToutesLesBennes();
    });
    refresh(false);
}

CarteBennesLouees::~CarteBennesLouees()
{
    releaseFocusWithin(this);
}

QWidget* CarteBennesLouees::buildFilterRow()
{
    m_picker = new PickerSegmentedCustom(m_filtre, this);
    // A screen reader hears which filter is the chosen one: each segment is checked while its
    // filter is, whatever a click on it did to its own state.
    const auto marquer = [this] {
        for (FiltreSegment* s : m_picker->segments())
            s->setChecked(s->filtre() == m_filtre.get());
    };
    for (FiltreSegment* s : m_picker->segments()) {
        s->setCheckable(true);
        connect(s, &QAbstractButton::clicked, this, marquer);
    }
    m_filtre.onChange(this, marquer);
    marquer();
    m_periodeRow = new QWidget(this);
    m_periodeRow->setObjectName(QStringLiteral("rangeePeriode"));
    auto* p = new QHBoxLayout(m_periodeRow);
    p->setContentsMargins(8, 0, 0, 0);
    // One calendar year before now, to now, as whole days.
    const QDate aujourdhui = m_horloge.maintenantLocal().date();
    auto makeEdit = [this](const QString& label, const QDate& date, QHBoxLayout* into) {
        auto* l = new QLabel(label, m_periodeRow);
        auto* edit = new QDateEdit(date, m_periodeRow);
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
        l->setBuddy(edit);
        into->addWidget(l);
        into->addWidget(edit);
        connect(edit, &QDateEdit::dateChanged, this, [this] {
            verifierPeriode();
            refresh(true);
        });
        return edit;
    };
    m_du = makeEdit(QStringLiteral("Du"), aujourdhui.addYears(-1), p);
    p->addSpacing(8);
    m_au = makeEdit(QStringLiteral("Au"), aujourdhui, p);
    // A date refused as typed leaves the field's former date: the map does not show that period.
    // It is said in the period's own line, beside the fields.
    for (QDateEdit* edit : {m_du, m_au}) {
        edit->setProperty(kOwnRefusalLine, true);
        edit->installEventFilter(this);
    }
    // A start after the end is refused as the billing refuses it: the map shows no rental, and
    // says why beside the fields, aloud too.
    m_erreurPeriode = new QLabel(m_periodeRow);
    m_erreurPeriode->setObjectName(QStringLiteral("erreurPeriode"));
    m_erreurPeriode->setWordWrap(true);
    m_erreurPeriode->setTextFormat(Qt::PlainText);
    QPalette rouge = m_erreurPeriode->palette();
    rouge.setColor(QPalette::WindowText, inkReadableOn(QColor(0xD7, 0x00, 0x15), rouge.color(QPalette::Window)));
    m_erreurPeriode->setPalette(rouge);
    m_erreurPeriode->hide();
    p->addSpacing(8);
    p->addWidget(m_erreurPeriode, 1);
    m_periodeRow->setVisible(false);
    // The period beside the filter, or under it when the window is too narrow for both.
    auto* row = new stats::RangeeRepliable(m_picker, m_periodeRow, this);
    row->setObjectName(QStringLiteral("rangeeFiltres"));
    row->layout()->setContentsMargins(16, 4, 16, 4);
    return row;
}

QWidget* CarteBennesLouees::buildMap()
{
    m_carte = new MapWidget(m_pages);
    m_carte->setObjectName(QStringLiteral("carte"));
    m_carte->setMarkerPainter([this](QPainter& p, int index, const QPointF& at) { paintMarker(p, index, at); });
    // The names over every disc: a marker never hides a name.
    m_carte->setLabelPainter([this](QPainter& p, int index, const QPointF& at) { paintNom(p, index, at); });
    // The client's whole name, however its card cuts it.
    m_carte->setMarkerToolTip([this](int index) {
        return index >= 0 && index < m_reperes.size() ? plainToolTip(m_reperes[index].titre) : QString();
    });
    // Markers on the same few pixels show as one: the last, the one that would be seen.
    m_carte->setMarkerMerging(kFusion);
    m_carte->setAccessibleName(QStringLiteral("Carte des bennes louées"));
    // Read aloud, each marker in view says its client and its place: a client's several sites
    // are told apart.
    m_carte->setMarkerName([this](int index) {
        if (index < 0 || index >= m_reperes.size())
            return QString();
        const RepereLocationBenne& r = m_reperes[index];
        return r.sousTitre && !r.sousTitre->trimmed().isEmpty() ? r.titre + QStringLiteral(", ") + *r.sousTitre : r.titre;
    });
    m_carte->setRegion(m_region);
    return m_carte;
}

bool CarteBennesLouees::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::DynamicPropertyChange
        && static_cast<QDynamicPropertyChangeEvent*>(event)->propertyName() == kDateRefused) {
        verifierPeriode();
        refresh(false);
    }
    return QWidget::eventFilter(watched, event);
}

QDate CarteBennesLouees::periodeDebut() const
{
    return m_du->date();
}

QDate CarteBennesLouees::periodeFin() const
{
    return m_au->date();
}

void CarteBennesLouees::verifierPeriode()
{
    QString texte;
    for (const QDateEdit* champ : {m_du, m_au})
        if (const QVariant tapee = champ->property(kDateRefused); tapee.isValid() && texte.isEmpty())
            texte = QStringLiteral("La date « %1 » n'est pas valide : corrigez-la.")
                        .arg(quotedBeginning(tapee.toString().trimmed(), 32));
    if (texte.isEmpty() && m_du->date() > m_au->date())
        texte = QStringLiteral("La date de début est après la date de fin.");
    const bool refusee = !texte.isEmpty();
    if (texte == m_erreurPeriode->text())
        return;
    m_erreurPeriode->setText(texte);
    m_erreurPeriode->setVisible(refusee);
    if (refusee && QAccessible::isActive()) {
        QAccessibleEvent alerte(m_erreurPeriode, QAccessible::Alert);
        QAccessible::updateAccessibility(&alerte);
    }
}

void CarteBennesLouees::setPeriode(const QDate& du, const QDate& au)
{
    m_du->setDate(du);
    m_au->setDate(au);
}

bool CarteBennesLouees::carteVisible() const
{
    return m_pages->currentWidget() == m_carte;
}

void CarteBennesLouees::refresh(bool zoom)
{
    // Hidden, the screen keeps no markers: they are made again when it is shown.
    if (m_libere) {
        m_aJour = false;
        return;
    }
    // The live list read in place: two hundred thousand rentals are not copied to keep a few.
    static const QList<Record*> aucune;
    const QList<Record*>& toutes = m_locations ? m_locations->records() : aucune;
    const bool periodeRefusee = m_filtre.get() == CarteBennesFiltre::parPeriode && !m_erreurPeriode->text().isEmpty();
    const QList<LocationDeBenne*> filtrees = periodeRefusee
        ? QList<LocationDeBenne*>()
        : filtrer(toutes, m_filtre.get(), periodeDebut(), periodeFin(), m_horloge.maintenantLocal(), m_horloge.zone);
    m_reperes = reperes(filtrees);
    m_aJour = true;
    // Every filtered rental without a marker lacks a usable coordinate: the line counts the
    // filter's own rentals, never those another filter would show.
    const int sansCoordonnees = int(filtrees.size() - m_reperes.size());
    RelocalisationLocations::afficherSansCoordonnees(m_sansCoordonnees, sansCoordonnees,
                                                     RelocalisationLocations::aLocaliser(filtrees));

    QList<GeoPoint> points;
    QList<MarkerShape> formes;
    points.reserve(m_reperes.size());
    formes.reserve(m_reperes.size());
    m_aspects.clear();
    m_aspects.reserve(size_t(m_reperes.size()));
    // A few colours among thousands of markers: each read once.
    QHash<QString, QRgb> couleurs;
    const QFontMetricsF fm(m_cardFont);
    CartesDeNoms& cartes = cartesDeNoms(m_cardFont);
    for (const RepereLocationBenne& r : std::as_const(m_reperes)) {
        points.append(r.coordinate);
        // What the marker's drawing needs, worked out once per marker: its name's place among
        // the names, its card's size, its colour.
        auto nom = m_indexNoms.constFind(r.titre);
        if (nom == m_indexNoms.cend()) {
            const CarteDeNom& carte = cartes.pour(r.titre, fm, r.ajuster);
            m_noms.push_back({r.titre, carte.affiche, carte.taille, false, std::nullopt, std::nullopt, 0});
            nom = m_indexNoms.insert(r.titre, int(m_noms.size()) - 1);
        }
        auto couleur = couleurs.constFind(r.couleurHex);
        if (couleur == couleurs.cend())
            couleur = couleurs.insert(r.couleurHex, colorFromHex(r.couleurHex).value_or(bleuSysteme()).rgba());
        m_aspects.push_back({*nom, *couleur});
        const QSizeF carte = m_noms[size_t(*nom)].carte;
        const double largeur = std::max(kCercle, carte.width());
        const double hauteur = kCercle + kEspacement + carte.height();
        const QRectF pile(-largeur / 2, -hauteur / 2, largeur, hauteur);
        const QRectF carteRect(-carte.width() / 2, pile.top() + kCercle + kEspacement, carte.width(), carte.height());
        // The name card is the label: where cards would overlap, the lower marker shows its
        // disc only, until the map is zoomed in far enough for both names.
        const QRectF rond(-kCercle / 2, pile.top(), kCercle, kCercle);
        formes.append({pile.adjusted(-kOmbre, -kOmbre, kOmbre, kOmbre),
                       carteRect.adjusted(kRayonCarte, 0, -kRayonCarte, 0), carteRect.adjusted(-1, -1, 1, 1),
                       rond.adjusted(-1, -1, 1, 1), QRectF()});
    }
    m_carte->setMarkers(points);
    m_carte->setMarkerShapes(formes);
    // With rentals but no marker, the empty page says why; the line under it tells how many and,
    // when it is the reason, that the address service could not be reached.
    const qsizetype sansRepere = filtrees.size();
    QString vide;
    if (sansRepere == 0)
        vide = QStringLiteral("Aucun repère à afficher pour ce filtre.");
    else if (sansRepere == 1)
        vide = QStringLiteral("Aucun repère à afficher : la location de ce filtre n’a pas de coordonnées.");
    else
        vide = QStringLiteral("Aucun repère à afficher : aucune des %1 locations de ce filtre n’a de coordonnées.")
                   .arg(QLocale().toString(sansRepere));
    m_vide->setText(vide);
    m_pages->setCurrentWidget(m_reperes.isEmpty() ? static_cast<QWidget*>(m_vide) : m_carte);
    if (zoom)
        zoomerSurToutesLesBennes();
}

void CarteBennesLouees::zoomerSurToutesLesBennes()
{
    if (const std::optional<MapRegion> region = ajusterRegion(m_reperes)) {
        m_region = *region;
        m_carte->setRegion(m_region);
    }
}

void CarteBennesLouees::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_libere = false;
    if (m_aJour)
        zoomerSurToutesLesBennes();
    else
        refresh(true);
    // Rentals saved without coordinates are looked for again, after the first paint.
    if (m_locations)
        RelocalisationLocations::relancer(m_locations->context());
}

void CarteBennesLouees::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    // Hidden by the program (not by a minimised window): let go of the markers and their
    // pictures.
    if (event->spontaneous())
        return;
    m_libere = true;
    m_aJour = false;
    m_reperes = {};
    m_carte->setMarkers({});
    m_carte->setMarkerShapes({});
    oublierDessins();
}

void CarteBennesLouees::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // The name cards take the window's colours and font: draw them again when those change.
    // Another font measures the names again; other colours only paint the cards again.
    if (event->type() == QEvent::PaletteChange) {
        m_cartes.clear();
        if (m_carte)
            m_carte->invalidateMarkers();
    } else if (event->type() == QEvent::FontChange) {
        const QFont police = fontForStyle(TextStyle::caption2, font());
        if (police == m_cardFont && police.key() == m_cardFont.key())
            return;
        m_cardFont = police;
        oublierDessins();
        if (m_carte)
            refresh(false);
    }
}

// --- Markers

void CarteBennesLouees::oublierDessins()
{
    m_aspects = {};
    m_noms = {};
    m_indexNoms = {};
    m_disques.clear();
    m_cartes.clear();
    m_police = QRawFont();
}

const QPixmap& CarteBennesLouees::disque(QRgb couleur, qreal dpr)
{
    if (dpr != m_dprPieces) {
        m_disques.clear();
        m_cartes.clear();
        m_dprPieces = dpr;
    }
    auto it = m_disques.constFind(couleur);
    if (it != m_disques.cend())
        return *it;
    QPixmap pm(QSizeF(kCercle * dpr, kCercle * dpr).toSize());
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    // The disc in the skip's colour, the white box over it.
    const QRectF rond(0, 0, kCercle, kCercle);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromRgba(couleur));
    p.drawEllipse(rond);
    const int cote = 13;
    const QPixmap boite = paintedSymbolIcon(QStringLiteral("shippingbox.fill"), Qt::white).pixmap(QSize(cote, cote), dpr);
    p.drawPixmap(QPointF(rond.center().x() - cote / 2.0, rond.center().y() - cote / 2.0), boite);
    p.end();
    return *m_disques.insert(couleur, pm);
}

const QPixmap& CarteBennesLouees::fondCarte(const QSizeF& carte, qreal dpr)
{
    // Card sizes are whole points.
    const QPair<int, int> cle(int(carte.width()), int(carte.height()));
    auto it = m_cartes.constFind(cle);
    if (it != m_cartes.cend())
        return *it;
    QPixmap pm(QSizeF((carte.width() + 2 * kOmbre) * dpr, (carte.height() + 2 * kOmbre) * dpr).toSize());
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    // The name card, its soft shadow first.
    const QRectF carteRect(QPointF(kOmbre, kOmbre), carte);
    p.setPen(Qt::NoPen);
    for (int k = 3; k >= 1; --k) {
        p.setBrush(QColor(0, 0, 0, 12));
        p.drawRoundedRect(carteRect.adjusted(-k * 0.6, -k * 0.6, k * 0.6, k * 0.6), kRayonCarte + k * 0.6,
                          kRayonCarte + k * 0.6);
    }
    p.setBrush(palette().color(QPalette::Window));
    QColor trait(Qt::gray);
    trait.setAlphaF(0.3);
    p.setPen(QPen(trait, 1));
    p.drawRoundedRect(carteRect.adjusted(0.5, 0.5, -0.5, -0.5), kRayonCarte, kRayonCarte);
    p.end();
    return *m_cartes.insert(cle, pm);
}

QPointF CarteBennesLouees::originePile(const Nom& nom, const QPointF& at)
{
    const QSizeF carte = nom.carte;
    const double largeur = std::max(kCercle, carte.width());
    const double hauteur = kCercle + kEspacement + carte.height();
    // The stack as a whole is centred on the coordinate.
    return {std::round(at.x() - (largeur + 2 * kOmbre) / 2) + kOmbre,
            std::round(at.y() - (hauteur + 2 * kOmbre) / 2) + kOmbre};
}

void CarteBennesLouees::paintMarker(QPainter& painter, int index, const QPointF& at)
{
    if (index < 0 || size_t(index) >= m_aspects.size())
        return;
    const Aspect& aspect = m_aspects[size_t(index)];
    const Nom& nom = m_noms[size_t(aspect.nom)];
    // Drawn from parts shared by every marker (the disc of a colour, the card of a size) and the
    // name written over: nothing is kept per client but its laid-out name.
    const double largeur = std::max(kCercle, nom.carte.width());
    painter.drawPixmap(originePile(nom, at) + QPointF((largeur - kCercle) / 2, 0),
                       disque(aspect.couleur, painter.device()->devicePixelRatioF()));
}

void CarteBennesLouees::paintNom(QPainter& painter, int index, const QPointF& at)
{
    if (index < 0 || size_t(index) >= m_aspects.size())
        return;
    Nom& nom = m_noms[size_t(m_aspects[size_t(index)].nom)];
    const qreal dpr = painter.device()->devicePixelRatioF();
    const QSizeF carte = nom.carte;
    const double largeur = std::max(kCercle, carte.width());
    const QRectF carteRect(originePile(nom, at) + QPointF((largeur - carte.width()) / 2, kCercle + kEspacement), carte);
    painter.drawPixmap(carteRect.topLeft() - QPointF(kOmbre, kOmbre), fondCarte(carte, dpr));
    painter.setFont(m_cardFont);
    painter.setPen(palette().color(QPalette::WindowText));
    // The name laid out once, centred in its card: straight from the font's glyphs when the
    // font has every character, else through the text layout (other scripts, fallback fonts).
    if (!nom.prepare)
        preparerNom(nom);
    if (nom.glyphes) {
        const QPointF ligne(carteRect.center().x() - nom.largeurTexte / 2,
                            carteRect.center().y() - (m_ascent + m_descent) / 2 + m_ascent);
        painter.drawGlyphRun(ligne, *nom.glyphes);
    } else {
        const QSizeF taille = nom.texte->size();
        painter.drawStaticText(carteRect.center() - QPointF(taille.width() / 2, taille.height() / 2), *nom.texte);
    }
}

void CarteBennesLouees::preparerNom(Nom& nom)
{
    nom.prepare = true;
    if (!m_police.isValid()) {
        m_police = QRawFont::fromFont(m_cardFont);
        m_ascent = m_police.ascent();
        m_descent = m_police.descent();
    }
    // Left-to-right letters, digits, blanks and punctuation that the font itself holds.
    const auto simple = [this](QChar c) {
        switch (c.direction()) {
        case QChar::DirL:
        case QChar::DirEN:
        case QChar::DirES:
        case QChar::DirET:
        case QChar::DirCS:
        case QChar::DirWS:
        case QChar::DirON:
            return !c.isSurrogate() && c.category() != QChar::Mark_NonSpacing && m_police.supportsCharacter(c);
        default:
            return false;
        }
    };
    const bool direct = m_police.isValid() && std::all_of(nom.affiche.cbegin(), nom.affiche.cend(), simple);
    if (direct) {
        const QList<quint32> indexes = m_police.glyphIndexesForString(nom.affiche);
        const QList<QPointF> avances = m_police.advancesForGlyphIndexes(indexes, QRawFont::KernedAdvances);
        QList<QPointF> positions;
        positions.reserve(indexes.size());
        QPointF x;
        for (const QPointF& a : avances) {
            positions.append(x);
            x += a;
        }
        QGlyphRun run;
        run.setRawFont(m_police);
        run.setGlyphIndexes(indexes);
        run.setPositions(positions);
        nom.glyphes = run;
        nom.largeurTexte = x.x();
        return;
    }
    nom.texte = QStaticText(nom.affiche);
    nom.texte->setTextFormat(Qt::PlainText);
    nom.texte->prepare(QTransform(), m_cardFont);
}

} // namespace kv
