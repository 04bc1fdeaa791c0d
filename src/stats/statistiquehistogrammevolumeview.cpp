#include "statistiquehistogrammevolumeview.h"

#include "choixsegmente.h"
#include "sourcestatistiques.h"
#include "statscharts.h"

#include "widgets/foldingrow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <QtCharts/QPieSeries>

namespace kv {

using namespace stats;

QString texte(HistogrammeSelection selection)
{
    return selection == HistogrammeSelection::volume ? QStringLiteral("Par volume") : QStringLiteral("Par couleur");
}

namespace {

// The ring's side: 440 points, down to what a narrow window leaves it.
constexpr int kCote = 440;
constexpr int kCoteMinimal = 200;

qint64 totalDe(const auto& data)
{
    qint64 t = 0;
    for (const auto& r : data)
        t += r.nbLocations;
    return t;
}

} // namespace

PieChartVolumeView::PieChartVolumeView(QWidget* parent)
    : QWidget(parent), m_vue(nouvelleVueCarree(this, kCoteMinimal, kCote)), m_legende(new LegendeStat(15, 7, this))
{
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(16, 8, 16, 0);
    v->setSpacing(16);
    v->addWidget(titre(QStringLiteral("Répartition par volume"), TextStyle::title2, this));
    // The ring stays round and beside its legend, or under it when the window is too narrow
    // for both.
    auto* rangee = new FoldingRow(this);
    QBoxLayout* h = rangee->row();
    h->setContentsMargins(0, 0, 0, 0);
    m_legende->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
    h->addWidget(m_legende, 0, Qt::AlignVCenter);
    h->addWidget(m_vue, 1);
    v->addWidget(rangee);
}

void PieChartVolumeView::setData(const QList<StatsVolumeLoue>& data)
{
    const qint64 total = totalDe(data);
    QList<Part> parts;
    QList<LegendeStat::Ligne> lignes;
    for (const StatsVolumeLoue& r : data) {
        const QColor c = couleurPourVolume(data, r.volume);
        parts.append({double(r.nbLocations), c, volumeArrondi(r.volume)});
        lignes.append({c, ligneLegendeVolume(r, total)});
    }
    m_vue->chart()->removeAllSeries();
    m_anneau = stats::anneau(parts, 0.5);
    m_vue->chart()->addSeries(m_anneau);
    textesDansLeGraphique(m_vue->chart(), m_anneau);
    m_legende->setLignes(lignes);
}

PieChartCouleurView::PieChartCouleurView(QWidget* parent)
    : QWidget(parent), m_vue(nouvelleVueCarree(this, kCoteMinimal, kCote)), m_legende(new LegendeStat(12, 7, this)),
      m_etiquettes(new EtiquettesAnneau(m_vue->chart(), 10))
{
    auto* rangee = new FoldingRow(this);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->addWidget(rangee);
    QBoxLayout* h = rangee->row();
    h->setContentsMargins(0, 0, 0, 0);
    h->addWidget(m_vue, 1);
    m_legende->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
    h->addWidget(m_legende, 0, Qt::AlignVCenter);
}

void PieChartCouleurView::setData(const QList<StatsCouleurLoue>& data)
{
    const qint64 total = totalDe(data);
    QList<Part> parts;
    QList<LegendeStat::Ligne> lignes;
    for (const StatsCouleurLoue& r : data) {
        const QColor c = couleurOuGris(r.couleurHex);
        parts.append({double(r.nbLocations), c, r.couleurHex.toUpper()});
        lignes.append({c, ligneLegendeCouleur(r, total)});
    }
    m_etiquettes->setSeries(nullptr);
    m_vue->chart()->removeAllSeries();
    m_anneau = stats::anneau(parts, 0.5);
    m_vue->chart()->addSeries(m_anneau);
    // Each text after a disc of its colour.
    m_etiquettes->setSeries(m_anneau);
    m_legende->setLignes(lignes);
}

StatistiqueHistogrammeVolumeView::StatistiqueHistogrammeVolumeView(SourceStatistiques* source, QWidget* parent)
    : QWidget(parent), m_source(source)
{
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(20, 20, 20, 20);
    v->setSpacing(20);
    auto* grandTitre = titre(QStringLiteral("Répartition des locations"), TextStyle::title2, this);
    QFont f = grandTitre->font();
    f.setPointSizeF(f.pointSizeF() * 26.0 / 17);
    grandTitre->setFont(f);
    v->addWidget(grandTitre);

    m_choix = new ChoixSegmente(QStringLiteral("Regrouper par"), this);
    m_choix->setOptions({{texte(HistogrammeSelection::volume), int(HistogrammeSelection::volume)},
                         {texte(HistogrammeSelection::couleur), int(HistogrammeSelection::couleur)}});
    m_choix->setValeur(int(m_selection));
    connect(m_choix, &ChoixSegmente::choisi, this,
            [this](const QVariant& s) { setSelection(HistogrammeSelection(s.toInt())); });
    v->addWidget(m_choix, 0, Qt::AlignLeft);

    m_parVolume = new PieChartVolumeView(this);
    m_parCouleur = new PieChartCouleurView(this);
    v->addWidget(m_parVolume);
    v->addWidget(m_parCouleur);
    v->addStretch(1);

    connect(source, &SourceStatistiques::changed, this, [this](EntityTypeMask types) {
        if (types & (SourceStatistiques::kLocations | SourceStatistiques::kBennes))
            recalculer();
    });
    recalculer();
}

void StatistiqueHistogrammeVolumeView::setSelection(HistogrammeSelection selection)
{
    if (selection == m_selection)
        return;
    m_selection = selection;
    m_choix->setValeur(int(selection));
    recalculer();
}

void StatistiqueHistogrammeVolumeView::recalculer()
{
    const bool parVolume = m_selection == HistogrammeSelection::volume;
    m_parVolume->setVisible(parVolume);
    m_parCouleur->setVisible(!parVolume);
    // Only the chart shown is computed.
    // Counts, whatever the order: the rentals are not sorted for them.
    const QList<LocationDeBenne*> locations = m_source->locationsSansOrdre();
    if (parVolume)
        m_parVolume->setData(statsParVolume(volumesDesLocations(locations)));
    else
        m_parCouleur->setData(statsParCouleur(couleursDesLocations(locations)));
}

} // namespace kv
