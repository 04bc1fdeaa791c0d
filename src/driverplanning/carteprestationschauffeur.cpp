#include "carteprestationschauffeur.h"

#include "model/records.h"
#include "platform/mapwidget.h"
#include "widgets/glass/glass.h"
#include "widgets/plaintext.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>

namespace kv {

namespace {

constexpr qreal kRayonCoins = 12;
constexpr qreal kDiametre = 18;
constexpr qreal kContour = 2;

} // namespace

// The grey outline drawn over the map's rounded corners; lets the mouse through to the map.
class CartePrestationsView::Contour : public QWidget {
public:
    explicit Contour(QWidget* parent) : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QColor gris(Qt::gray);
        gris.setAlphaF(0.2f);
        p.setPen(QPen(gris, 1));
        p.drawPath(glass::continuousRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), kRayonCoins));
    }
};

CartePrestationsView::CartePrestationsView(const QList<CarteLieuPrestation>& lieux, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("cartePrestations"));
    m_carte = new MapWidget(this);
    m_carte->setCornerRadius(kRayonCoins);
    m_carte->setInteractive(true);
    const qreal demi = kDiametre / 2 + kContour / 2;
    m_carte->setMarkerOverhang(int(demi) + 1);
    m_carte->setMarkerPainter([this](QPainter& p, int index, const QPointF& position) {
        if (index < 0 || index >= m_places.size())
            return;
        p.save();
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Qt::white, kContour));
        p.setBrush(couleurMarqueur(m_places[index].type));
        p.drawEllipse(position, kDiametre / 2, kDiametre / 2);
        p.restore();
    });
    // Each place spoken as what is done there and where: « Pose : 12 rue des Lilas ».
    m_carte->setMarkerName([this](int index) {
        if (index < 0 || index >= m_places.size())
            return QString();
        static const QString quoi[] = {QStringLiteral("Pose"), QStringLiteral("Enlèvement"), QStringLiteral("Rotation")};
        const CarteLieuPrestation& l = m_places[index];
        const QString ou = l.adresse.simplified();
        return ou.isEmpty() ? quoi[int(l.type)] : quoi[int(l.type)] + QStringLiteral(" : ") + ou;
    });
    connect(m_carte, &MapWidget::backgroundAvailabilityChanged, this, &CartePrestationsView::cadrer);
    m_contour = new Contour(this);
    // On the map's own light ground, in dark ink, as the map's texts are.
    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("noteSansCoordonnees"));
    m_note->setTextFormat(Qt::PlainText);
    m_note->setWordWrap(true);
    m_note->setAlignment(Qt::AlignCenter);
    m_note->setStyleSheet(QStringLiteral("QLabel { background: rgba(255, 255, 255, 235); color: black;"
                                         " border-radius: 4px; padding: 2px 6px; }"));
    m_note->hide();
    setLieux(lieux);
}

QString CartePrestationsView::noteSansCoordonnees() const
{
    return m_note->isHidden() ? QString() : m_note->text();
}

void CartePrestationsView::placerNote()
{
    const int marge = 8;
    const int largeur = std::max(width() - 2 * marge, 1);
    const int hauteur = std::min(m_note->heightForWidth(largeur), std::max(height() - 2 * marge, 1));
    m_note->setGeometry(marge, height() - marge - hauteur, largeur, hauteur);
    m_note->raise();
}

void CartePrestationsView::setLieux(const QList<CarteLieuPrestation>& lieux)
{
    m_lieux = lieux;
    m_places.clear();
    QList<GeoPoint> points;
    QList<MarkerShape> formes;
    QStringList sansCoordonnees;
    const qreal demi = kDiametre / 2 + kContour / 2;
    for (const CarteLieuPrestation& l : lieux) {
        // A place without both coordinates has no place on the map: a marker at a default spot
        // would send a driver there. It is named under the map instead.
        if (!l.latitude || !l.longitude) {
            sansCoordonnees << l.adresse;
            continue;
        }
        m_places.append(l);
        points.append(GeoPoint{*l.latitude, *l.longitude});
        formes.append(MarkerShape{QRectF(-demi, -demi, 2 * demi, 2 * demi), QRectF(-6, -6, 12, 12)});
    }
    if (sansCoordonnees.isEmpty()) {
        m_note->hide();
    } else {
        m_note->setText(m_places.isEmpty() ? QStringLiteral("Aucun lieu de ce jour n’a de coordonnées : rien à placer sur la carte.")
                        : sansCoordonnees.size() == 1
                            ? QStringLiteral("1 lieu sans coordonnées n’est pas sur la carte.")
                            : QStringLiteral("%1 lieux sans coordonnées ne sont pas sur la carte.").arg(sansCoordonnees.size()));
        m_note->setToolTip(plainToolTip(sansCoordonnees.join(QLatin1Char('\n'))));
        m_note->show();
        placerNote();
    }
    nommer();
    m_carte->setMarkers(points);
    m_carte->setMarkerShapes(formes);
    cadrer();
}

void CartePrestationsView::cadrer()
{
    RegionCarte r = regionCarte(m_lieux);
    if (m_carte->backgroundUnavailable()) {
        // The region's south edge stays; its span grows north so that the places fill the lower
        // part of the map, under the line, with room for a marker's half.
        constexpr double kPartLibre = 0.42;
        const double sud = r.latitude - r.spanLatitude / 2;
        r.spanLatitude /= kPartLibre;
        r.latitude = std::min(sud + r.spanLatitude / 2, 85.0 - r.spanLatitude / 2);
    }
    m_carte->setRegion(MapRegion{r.latitude, r.longitude, r.spanLatitude, r.spanLongitude});
}

void CartePrestationsView::setTitre(const QString& titre)
{
    m_titre = titre;
    nommer();
}

void CartePrestationsView::nommer()
{
    // What the markers show, counted by kind, then what the map cannot show.
    int nombres[3] = {0, 0, 0};
    for (const CarteLieuPrestation& l : std::as_const(m_places))
        ++nombres[int(l.type)];
    const auto compte = [](int n, const char* un, const char* plusieurs) {
        return n == 1 ? QStringLiteral("1 ") + QString::fromUtf8(un) : QString::number(n) + QLatin1Char(' ') + QString::fromUtf8(plusieurs);
    };
    QStringList quoi;
    if (nombres[int(TypeCartePrestation::pose)])
        quoi << compte(nombres[int(TypeCartePrestation::pose)], "pose", "poses");
    if (nombres[int(TypeCartePrestation::enlevement)])
        quoi << compte(nombres[int(TypeCartePrestation::enlevement)], "enlèvement", "enlèvements");
    if (nombres[int(TypeCartePrestation::rotation)])
        quoi << compte(nombres[int(TypeCartePrestation::rotation)], "rotation", "rotations");
    QString nom = (m_titre.isEmpty() ? QStringLiteral("Carte des prestations") : m_titre) + QStringLiteral(" : ")
                  + (quoi.isEmpty() ? QStringLiteral("aucun lieu placé") : quoi.join(QStringLiteral(", ")));
    if (!m_note->isHidden())
        nom += QStringLiteral(". ") + m_note->text();
    setAccessibleName(nom);
    m_carte->setAccessibleName(nom);
}

void CartePrestationsView::resizeEvent(QResizeEvent* event)
{
    m_carte->setGeometry(rect());
    m_contour->setGeometry(rect());
    m_contour->raise();
    placerNote();
    QWidget::resizeEvent(event);
}

CartePrestationsChauffeur::CartePrestationsChauffeur(Chauffeur* chauffeur, const DayWindow& jour, QWidget* parent)
    : CartePrestationsView(lieuxPrestations(chauffeur, jour), parent), m_chauffeur(chauffeur), m_jour(jour)
{
    if (chauffeur)
        setTitre(QStringLiteral("Carte du jour de ") + (chauffeur->prenom() + QLatin1Char(' ') + chauffeur->nom()).simplified());
    // 300 wide when the row has the room; narrower in a small window rather than scrolling sideways.
    setMinimumSize(200, 220);
    setMaximumSize(300, 220);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void CartePrestationsChauffeur::setJour(const DayWindow& jour)
{
    m_jour = jour;
    actualiser();
}

void CartePrestationsChauffeur::actualiser()
{
    setLieux(lieuxPrestations(m_chauffeur, m_jour));
}

} // namespace kv
