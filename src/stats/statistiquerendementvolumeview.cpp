#include "statistiquerendementvolumeview.h"

#include "sourcestatistiques.h"
#include "statscharts.h"

#include "widgets/colors.h"

#include "model/helpers.h"

#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <QtCharts/QLegend>
#include <QtCharts/QLegendMarker>
#include <QtCharts/QLineSeries>
#include <QtCharts/QScatterSeries>
#include <QtCharts/QStackedBarSeries>
#include <QtCharts/QValueAxis>

namespace kv {

using namespace stats;

// ---------------------------------------------------------------------------------------------

StatistiqueRendementTimelineView::StatistiqueRendementTimelineView(const QTimeZone& zone, QWidget* parent)
    : QWidget(parent), m_zone(zone), m_vue(nouvelleVueGraphique(this, 260))
{
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 10, 0, 10);
    auto* t = titre(QStringLiteral("Évolution du rendement (locations par benne) par volume"), TextStyle::headline,
                    this);
    QFont f = t->font();
    f.setPointSizeF(f.pointSizeF() * 15.0 / 13);
    f.setWeight(QFont::Normal);
    t->setFont(f);
    v->addWidget(t);
    v->addSpacing(6);
    laisserLaPlaceAuxTextes(m_vue);
    v->addWidget(m_vue);
    // Under the plot, on as many rows as the volumes need: the plot keeps the whole width.
    m_entrees = new LegendeSeries(this);
    m_entrees->setObjectName(QStringLiteral("legendeRendement"));
    v->addWidget(m_entrees);
}

void StatistiqueRendementTimelineView::setData(const QList<StatsRendementVolumeMois>& data)
{
    QChart* chart = m_vue->chart();
    viderGraphique(chart);
    QList<qint64> mois;
    double max = 0;
    for (const StatsRendementVolumeMois& p : data) {
        mois.append(p.mois);
        max = std::max(max, p.rendement());
    }
    QValueAxis* axeX = axeMois(chart, mois, m_zone);
    QValueAxis* axeY = axeValeurs(max, false, QStringLiteral("Rendement (locations/benne)"));
    // The long title in a smaller face, so it fits the chart's height.
    QFont police = fontForStyle(TextStyle::caption, font());
    police.setBold(true);
    axeY->setTitleFont(police);
    chart->addAxis(axeY, Qt::AlignLeft);
    graduationsLisibles(chart, axeY, false);

    // A volume label keeps one colour, one symbol and one legend entry, even when two volumes
    // round to it.
    QStringList& libelles = m_legende;
    libelles.clear();
    QList<LegendeSeries::Entree> entrees;
    for (double volume : volumesSeries(data)) {
        const QString libelle = volumeArrondi(volume);
        bool premiere = !libelles.contains(libelle);
        if (premiere)
            libelles.append(libelle);
        const int n = int(libelles.indexOf(libelle));
        QList<QPointF> points;
        for (const StatsRendementVolumeMois& p : data)
            if (memeVolume(p.volume, volume))
                points.append(QPointF(double(p.mois), p.rendement()));
        const QColor couleur = paletteVolumes()[n % paletteVolumes().size()];
        ajouterSerie(chart, axeX, axeY, libelle, couleur, formeMarqueur(n), points, premiere);
        if (premiere)
            entrees.append({libelle, couleur, formeMarqueur(n)});
    }
    m_entrees->setEntrees(entrees);
    QStringList lignes;
    for (double volume : volumesSeries(data)) {
        QList<ValeurMois> valeurs;
        for (const StatsRendementVolumeMois& p : data)
            if (memeVolume(p.volume, volume))
                valeurs.append({p.mois, p.rendement()});
        lignes.append(resumeMensuel(volumeArrondi(volume), valeurs, m_zone, [](double r) {
            return QLocale().toString(r, 'f', 1) + QStringLiteral(" locations par benne");
        }));
    }
    decrireGraphique(m_vue, QStringLiteral("Évolution du rendement (locations par benne) par volume"), lignes);
}

// ---------------------------------------------------------------------------------------------

StatistiqueRendementVolumeView::StatistiqueRendementVolumeView(SourceStatistiques* source, QWidget* parent)
    : QWidget(parent), m_source(source)
{
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(20, 20, 20, 20);
    v->setSpacing(20);
    v->addWidget(construireEntete());

    m_barres = nouvelleVueGraphique(this, 260);
    laisserLaPlaceAuxTextes(m_barres);
    m_annotations = new AnnotationsGraphique(m_barres->chart());
    v->addWidget(m_barres);

    auto* detail = new QWidget(this);
    m_detail = new QVBoxLayout(detail);
    m_detail->setContentsMargins(8, 0, 0, 0);
    m_detail->setSpacing(4);
    v->addWidget(detail);

    auto* trait = new QFrame(this);
    trait->setFrameShape(QFrame::HLine);
    trait->setFrameShadow(QFrame::Plain);
    trait->setForegroundRole(QPalette::Mid);
    v->addWidget(trait);

    m_timeline = new StatistiqueRendementTimelineView(source->zone(), this);
    v->addWidget(m_timeline);
    v->addStretch(1);

    connect(source, &SourceStatistiques::changed, this, [this](EntityTypeMask types) {
        if (types & (SourceStatistiques::kLocations | SourceStatistiques::kBennes))
            recalculer();
    });
    recalculer();
}

QWidget* StatistiqueRendementVolumeView::construireEntete()
{
    return enteteAvecAnnee(QStringLiteral("Rendement par volume (locations moyennes par benne)"), m_choixAnnee,
                           [this](std::optional<int> annee) { setSelectedYear(annee); }, this);
}

void StatistiqueRendementVolumeView::setSelectedYear(std::optional<int> annee)
{
    if (annee == m_annee)
        return;
    m_annee = annee;
    recalculer();
}

QStringList StatistiqueRendementVolumeView::lignesDetail() const
{
    QStringList t;
    for (const QLabel* l : m_lignes)
        t.append(l->text());
    return t;
}

QStringList StatistiqueRendementVolumeView::annotations() const
{
    return m_annotations->textes();
}

void StatistiqueRendementVolumeView::recalculer()
{
    const QTimeZone zone = m_source->zone();
    // Sums, whatever the order: the rentals are not sorted for them.
    const QList<LocationVolume> toutes = locationsVolumes(m_source->locationsSansOrdre());
    QList<qint64> dates;
    dates.reserve(toutes.size());
    for (const LocationVolume& l : toutes)
        dates.append(l.datePose);
    m_annees = anneesDe(dates, zone);
    const QList<double> bennes = volumesDesBennes(m_source->toutesBennes());
    const QList<LocationVolume> comptees = locationsDeLAnnee(toutes, m_annee, zone);
    m_rendements = calculerRendementParVolume(bennes, comptees);
    m_mois = calculerRendementParVolumeMois(bennes, comptees, zone);

    {
        const QSignalBlocker bloque(m_choixAnnee);
        m_choixAnnee->clear();
        m_choixAnnee->addItem(QStringLiteral("Toutes"));
        for (int a : m_annees)
            m_choixAnnee->addItem(QString::number(a), a);
        m_choixAnnee->setCurrentIndex(m_annee ? m_choixAnnee->findData(*m_annee) : 0);
    }
    dessinerBarres();

    qDeleteAll(m_lignes);
    m_lignes.clear();
    const QFont police = fontForStyle(TextStyle::caption, font());
    for (const StatsRendementVolume& r : m_rendements) {
        auto* l = new QLabel(ligneDetailRendement(r), m_detail->parentWidget());
        l->setFont(police);
        l->setWordWrap(true);
        // Secondary, yet read at 4.5:1: the placeholder grey of some palettes is fainter.
        setSecondaryText(l);
        m_detail->addWidget(l);
        m_lignes.append(l);
    }
    m_timeline->setData(m_mois);
}

void StatistiqueRendementVolumeView::dessinerBarres()
{
    QChart* chart = m_barres->chart();
    viderGraphique(chart);
    double min = 0, max = 0;
    if (!m_rendements.isEmpty()) {
        min = max = m_rendements.first().rendement();
        for (const StatsRendementVolume& r : m_rendements) {
            min = std::min(min, r.rendement());
            max = std::max(max, r.rendement());
        }
    }
    QList<Barre> barres;
    for (const StatsRendementVolume& r : m_rendements)
        barres.append({volumeArrondi(r.volume), r.rendement(), couleurBarre(r.rendement(), min, max), {}});
    QStackedBarSeries* series = barresColorees(chart, barres, QStringLiteral("Locations moyennes / benne"), false);

    // Each annotation at the top of its own bar, bars of one label standing on one another.
    QStringList categories;
    QList<double> piles;
    QList<AnnotationsGraphique::Annotation> annotations;
    for (const StatsRendementVolume& r : m_rendements) {
        const QString c = volumeArrondi(r.volume);
        qsizetype i = categories.indexOf(c);
        if (i < 0) {
            categories.append(c);
            piles.append(0);
            i = categories.size() - 1;
        }
        piles[i] += r.rendement();
        annotations.append({QPointF(double(i), piles[i]), formatFixed(r.rendement(), 1), series});
    }
    m_annotations->setAnnotations(annotations,
                                  inkReadableOn(palette().color(QPalette::PlaceholderText), palette().color(QPalette::Window)),
                                  fontForStyle(TextStyle::caption2, font()));
}

} // namespace kv
