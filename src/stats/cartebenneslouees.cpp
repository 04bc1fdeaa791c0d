#include "cartebenneslouees.h"

#include "widgets/colors.h"
#include "widgets/focusguard.h"
#include "widgets/icons.h"
#include "widgets/pickersegmentedcustom.h"
#include "widgets/textstyles.h"

#include <QDateEdit>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QSet>
#include <QStackedWidget>
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

} // namespace

// --- Rules

DayWindow CarteBennesLouees::aujourdhui(const QDateTime& maintenant, const QTimeZone& zone)
{
    return dayWindowOf(maintenant.toMSecsSinceEpoch(), zone);
}

QList<LocationDeBenne*> CarteBennesLouees::locationsFiltrees(const QList<LocationDeBenne*>& locations,
                                                             CarteBennesFiltre filtre, const QDate& du,
                                                             const QDate& au, const QDateTime& maintenant,
                                                             const QTimeZone& zone)
{
    const DayWindow jour = aujourdhui(maintenant, zone);
    if (filtre == CarteBennesFiltre::rotationsAujourdhui)
        return rotationsDuJour(locations, jour);
    // A missing removal counts as later than any date.
    constexpr qint64 jamais = std::numeric_limits<qint64>::max();
    const qint64 t = jour.debut;
    const qint64 demain = jour.fin;
    // Whole days: from the start of the "Du" day to the start of the day after "Au".
    const qint64 debut = du.isValid() ? startOfDayMs(du, zone) : std::numeric_limits<qint64>::min();
    const qint64 finExclue = au.isValid() ? startOfDayMs(au.addDays(1), zone) : jamais;
    std::function<bool(qint64, qint64, bool)> garde;
    switch (filtre) {
    case CarteBennesFiltre::enCours:
        garde = [t](qint64 pose, qint64 enlevement, bool) { return pose <= t && enlevement > t; };
        break;
    case CarteBennesFiltre::enCoursEtFutures:
        garde = [t](qint64, qint64 enlevement, bool) { return enlevement > t; };
        break;
    case CarteBennesFiltre::posesAujourdhui:
        garde = [t, demain](qint64 pose, qint64, bool) { return t <= pose && pose < demain; };
        break;
    case CarteBennesFiltre::enlevementsAujourdhui:
        garde = [t, demain](qint64, qint64 enlevement, bool enleve) {
            return enleve && t <= enlevement && enlevement < demain;
        };
        break;
    case CarteBennesFiltre::parPeriode:
        garde = [debut, finExclue](qint64 pose, qint64 enlevement, bool) {
            return pose < finExclue && enlevement >= debut;
        };
        break;
    case CarteBennesFiltre::rotationsAujourdhui:
        break;
    }
    QList<LocationDeBenne*> gardees;
    for (LocationDeBenne* l : locations) {
        const std::optional<qint64> enlevement = l->dateEnlevementMs();
        if (garde(l->datePoseMs(), enlevement.value_or(jamais), enlevement.has_value()))
            gardees.append(l);
    }
    return gardees;
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
        liste.append({l->id(), point, l->client() ? l->client()->nom() : QString(), l->adresse(),
                      l->benne() ? l->benne()->couleur() : QString()});
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
    setMinimumSize(600, 400);
    m_cardFont = fontForStyle(TextStyle::caption2, font());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildFilterRow());

    m_pages = new QStackedWidget(this);
    m_vide = new QLabel(QStringLiteral("Aucun repère à afficher pour ce filtre."), m_pages);
    m_vide->setObjectName(QStringLiteral("texteVide"));
    m_vide->setAlignment(Qt::AlignCenter);
    QFont titre = font();
    titre.setPointSizeF(titre.pointSizeF() * 22.0 / 13.0);
    m_vide->setFont(titre);
    QPalette secondaire = m_vide->palette();
    QColor gris = secondaire.color(QPalette::WindowText);
    gris.setAlphaF(0.5);
    secondaire.setColor(QPalette::WindowText, gris);
    m_vide->setPalette(secondaire);
    m_pages->addWidget(m_vide);
    m_pages->addWidget(buildMap());
    layout->addWidget(m_pages, 1);

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
    auto* row = new QWidget(this);
    row->setObjectName(QStringLiteral("rangeeFiltres"));
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(16, 4, 16, 4);
    m_picker = new PickerSegmentedCustom(m_filtre, row);
    h->addWidget(m_picker, 1);

    m_periodeRow = new QWidget(row);
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
        connect(edit, &QDateEdit::dateChanged, this, [this] { refresh(true); });
        return edit;
    };
    m_du = makeEdit(QStringLiteral("Du"), aujourdhui.addYears(-1), p);
    p->addSpacing(8);
    m_au = makeEdit(QStringLiteral("Au"), aujourdhui, p);
    h->addWidget(m_periodeRow);
    m_periodeRow->setVisible(false);
    return row;
}

QWidget* CarteBennesLouees::buildMap()
{
    m_carte = new MapWidget(m_pages);
    m_carte->setObjectName(QStringLiteral("carte"));
    m_carte->setMarkerPainter([this](QPainter& p, int index, const QPointF& at) { paintMarker(p, index, at); });
    m_carte->setRegion(m_region);
    return m_carte;
}

QDate CarteBennesLouees::periodeDebut() const
{
    return m_du->date();
}

QDate CarteBennesLouees::periodeFin() const
{
    return m_au->date();
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
    const QList<LocationDeBenne*> toutes = m_locations ? m_locations->results() : QList<LocationDeBenne*>();
    const QList<LocationDeBenne*> filtrees =
        locationsFiltrees(toutes, m_filtre.get(), periodeDebut(), periodeFin(), m_horloge.maintenantLocal(),
                          m_horloge.zone);
    m_reperes = reperes(filtrees);

    // Markers alike in every drawn respect on one spot look like one: the last one stands for
    // all (it is the one that would show).
    m_affiches.clear();
    QSet<QString> vus;
    for (qsizetype i = m_reperes.size() - 1; i >= 0; --i) {
        const RepereLocationBenne& r = m_reperes[i];
        const QString cle = QString::number(r.coordinate.latitude, 'g', 17) + QLatin1Char(',')
                            + QString::number(r.coordinate.longitude, 'g', 17) + QLatin1Char('\x1f')
                            + r.couleurHex + QLatin1Char('\x1f') + r.titre;
        if (vus.contains(cle))
            continue;
        vus.insert(cle);
        m_affiches.append(int(i));
    }
    std::reverse(m_affiches.begin(), m_affiches.end());

    QList<GeoPoint> points;
    QList<MarkerShape> formes;
    points.reserve(m_affiches.size());
    formes.reserve(m_affiches.size());
    for (int i : std::as_const(m_affiches)) {
        const RepereLocationBenne& r = m_reperes[i];
        points.append(r.coordinate);
        const QSizeF carte = cardSize(r.titre);
        const double largeur = std::max(kCercle, carte.width());
        const double hauteur = kCercle + kEspacement + carte.height();
        const QRectF pile(-largeur / 2, -hauteur / 2, largeur, hauteur);
        const QRectF carteRect(-carte.width() / 2, pile.top() + kCercle + kEspacement, carte.width(), carte.height());
        formes.append({pile.adjusted(-kOmbre, -kOmbre, kOmbre, kOmbre),
                       carteRect.adjusted(kRayonCarte, 0, -kRayonCarte, 0)});
    }
    m_carte->setMarkers(points);
    m_carte->setMarkerShapes(formes);
    m_pages->setCurrentWidget(m_reperes.isEmpty() ? static_cast<QWidget*>(m_vide) : m_carte);
    if (m_sprites.size() > 4096)
        m_sprites.clear();
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
    refresh(true);
}

void CarteBennesLouees::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // The name cards take the window's colours and font: draw them again when those change.
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange) {
        m_cardFont = fontForStyle(TextStyle::caption2, font());
        m_sprites.clear();
        m_cardSizes.clear();
        if (m_carte)
            refresh(false);
    }
}

// --- Markers

QSizeF CarteBennesLouees::cardSize(const QString& titre)
{
    auto it = m_cardSizes.constFind(titre);
    if (it != m_cardSizes.cend())
        return *it;
    const QFontMetricsF fm(m_cardFont);
    const QSizeF size(std::ceil(fm.horizontalAdvance(titre)) + 2 * kMarge, std::ceil(fm.height()) + 2 * kMarge);
    m_cardSizes.insert(titre, size);
    return size;
}

const QPixmap& CarteBennesLouees::sprite(const RepereLocationBenne& r)
{
    const QColor couleur = colorFromHex(r.couleurHex).value_or(bleuSysteme());
    const qreal dpr = devicePixelRatioF();
    const QString cle = r.titre + QLatin1Char('\x1f') + couleur.name() + QLatin1Char('\x1f') + QString::number(dpr);
    auto it = m_sprites.find(cle);
    if (it != m_sprites.end())
        return *it;

    const QSizeF carte = cardSize(r.titre);
    const double largeur = std::max(kCercle, carte.width());
    const double hauteur = kCercle + kEspacement + carte.height();
    QPixmap pm(QSizeF((largeur + 2 * kOmbre) * dpr, (hauteur + 2 * kOmbre) * dpr).toSize());
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(kOmbre, kOmbre);

    // The disc in the skip's colour, the white box over it.
    const QRectF disque((largeur - kCercle) / 2, 0, kCercle, kCercle);
    p.setPen(Qt::NoPen);
    p.setBrush(couleur);
    p.drawEllipse(disque);
    const int cote = 13;
    const QPixmap boite = paintedSymbolIcon(QStringLiteral("shippingbox.fill"), Qt::white).pixmap(QSize(cote, cote), dpr);
    p.drawPixmap(QPointF(disque.center().x() - cote / 2.0, disque.center().y() - cote / 2.0), boite);

    // The name card, its soft shadow first.
    const QRectF carteRect((largeur - carte.width()) / 2, kCercle + kEspacement, carte.width(), carte.height());
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
    p.setFont(m_cardFont);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(carteRect, Qt::AlignCenter, r.titre);
    p.end();
    return *m_sprites.insert(cle, pm);
}

void CarteBennesLouees::paintMarker(QPainter& painter, int index, const QPointF& at)
{
    if (index < 0 || index >= m_affiches.size())
        return;
    const RepereLocationBenne& r = m_reperes[m_affiches[index]];
    const QPixmap& pm = sprite(r);
    const QSizeF taille = pm.deviceIndependentSize();
    // The stack as a whole is centred on the coordinate.
    painter.drawPixmap(QPointF(std::round(at.x() - taille.width() / 2), std::round(at.y() - taille.height() / 2)), pm);
}

} // namespace kv
