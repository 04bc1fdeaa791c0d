#include "statistiquerendementvolumeview.h"

#include "graphiqueleger.h"
#include "sourcestatistiques.h"
#include "statscharts.h"

#include "widgets/colors.h"

#include "model/helpers.h"

#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace kv {

using namespace stats;

// ---------------------------------------------------------------------------------------------

StatistiqueRendementTimelineView::StatistiqueRendementTimelineView(const QTimeZone& zone, QWidget* parent)
    : QWidget(parent), m_zone(zone), m_vue(new GraphiqueLeger(260, this))
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
    // The long axis title in a smaller face, so that it fits the chart's height.
    QFont police = fontForStyle(TextStyle::caption, font());
    police.setBold(true);
    m_vue->setPoliceTitre(police);
    v->addWidget(m_vue);
    // Under the plot, on as many rows as the volumes need: the plot keeps the whole width.
    m_entrees = new LegendeSeries(this);
    m_entrees->setObjectName(QStringLiteral("legendeRendement"));
    v->addWidget(m_entrees);
}

void StatistiqueRendementTimelineView::setData(const QList<StatsRendementVolumeMois>& data)
{
    QList<qint64> mois;
    for (const StatsRendementVolumeMois& p : data)
        mois.append(p.mois);
    const auto valeur = [](double r) { return QLocale().toString(r, 'f', 1) + QStringLiteral(" locations par benne"); };
    // A volume label keeps one colour, one symbol and one legend entry, even when two volumes
    // round to it.
    QStringList& libelles = m_legende;
    libelles.clear();
    QList<LegendeSeries::Entree> entrees;
    QList<GraphiqueLeger::Serie> series;
    QStringList lignes;
    for (double volume : volumesSeries(data)) {
        const QString libelle = volumeArrondi(volume);
        const bool premiere = !libelles.contains(libelle);
        if (premiere)
            libelles.append(libelle);
        const int n = int(libelles.indexOf(libelle));
        QList<QPointF> points;
        QList<ValeurMois> valeurs;
        for (const StatsRendementVolumeMois& p : data)
            if (memeVolume(p.volume, volume)) {
                points.append(QPointF(double(p.mois), p.rendement()));
                valeurs.append({p.mois, p.rendement()});
            }
        const QColor couleur = paletteVolumes()[n % paletteVolumes().size()];
        const QString lu = resumeMensuel(libelle, valeurs, m_zone, valeur);
        series.append({libelle, couleur, formeMarqueur(n), points, lu});
        lignes.append(lu);
        if (premiere)
            entrees.append({libelle, couleur, formeMarqueur(n)});
    }
    m_vue->setSeries(mois, series, m_zone, QStringLiteral("Rendement (locations/benne)"), false, valeur);
    m_entrees->setEntrees(entrees);
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

    m_barres = new GraphiqueLeger(260, this);
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
    return m_barres->annotations();
}

void StatistiqueRendementVolumeView::recalculer()
{
    const ComptesVolumes& comptes = m_source->comptesVolumes();
    m_annees = comptes.mois.annees();
    const QList<double> bennes = volumesDesBennes(m_source->toutesBennes());
    m_rendements = calculerRendementParVolume(bennes, comptes, m_annee);
    m_mois = calculerRendementParVolumeMois(bennes, comptes, m_annee);

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
    double min = 0, max = 0;
    if (!m_rendements.isEmpty()) {
        min = max = m_rendements.first().rendement();
        for (const StatsRendementVolume& r : m_rendements) {
            min = std::min(min, r.rendement());
            max = std::max(max, r.rendement());
        }
    }
    // Bars of one label stand on one another, each with its value at its top.
    QList<GraphiqueLeger::Barre> barres;
    QStringList lignes;
    for (const StatsRendementVolume& r : m_rendements) {
        const QString lu = QStringLiteral("%1 : %2 locations par benne (%3 locations, %4 bennes)")
                               .arg(volumeArrondi(r.volume), QLocale().toString(r.rendement(), 'f', 1),
                                    QLocale().toString(r.nbLocations), QLocale().toString(r.nbBennes));
        barres.append({volumeArrondi(r.volume), r.rendement(), couleurBarre(r.rendement(), min, max), {},
                       formatFixed(r.rendement(), 1), lu});
        lignes.append(lu);
    }
    m_barres->setBarres(barres, QStringLiteral("Locations moyennes / benne"), false);
    decrireGraphique(m_barres, QStringLiteral("Locations moyennes par benne, par volume"), lignes);
}

} // namespace kv
