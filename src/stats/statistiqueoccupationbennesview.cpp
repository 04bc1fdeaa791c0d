#include "statistiqueoccupationbennesview.h"

#include "sourcestatistiques.h"
#include "statscharts.h"

#include "widgets/colors.h"

#include <QLabel>
#include <QVBoxLayout>

#include <QtCharts/QPieSeries>

namespace kv {

using namespace stats;

PieChartOccupationView::PieChartOccupationView(QWidget* parent)
    : QWidget(parent), m_vue(nouvelleVueGraphique(this, 0)), m_legende(new LegendeStat(15, 7, this))
{
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(8);
    // Room for the ring and its texts, no more: a narrow window keeps the whole page.
    m_vue->setMinimumSize(200, 200);
    v->addWidget(m_vue, 1);
    v->addWidget(m_legende, 0, Qt::AlignHCenter);
}

void PieChartOccupationView::setData(const QList<EntreeOccupation>& data)
{
    qint64 somme = 0;
    for (const EntreeOccupation& e : data)
        somme += e.value;
    QList<Part> parts;
    QList<LegendeStat::Ligne> lignes;
    for (const EntreeOccupation& e : data) {
        parts.append({double(e.value), e.color, e.value > 0 ? e.label : QString()});
        lignes.append({e.color, ligneLegendeOccupation(e.label, e.value, somme)});
    }
    m_vue->chart()->removeAllSeries();
    m_anneau = stats::anneau(parts, 0.45);
    m_vue->chart()->addSeries(m_anneau);
    textesDansLeGraphique(m_vue->chart(), m_anneau);
    m_legende->setLignes(lignes);
}

StatistiqueOccupationBennesView::StatistiqueOccupationBennesView(SourceStatistiques* source, qint64 date,
                                                                 QWidget* parent)
    : QWidget(parent), m_source(source), m_date(date)
{
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(20, 20, 20, 20);
    v->setSpacing(24);
    auto* t = titre(QStringLiteral("Taux d’occupation des bennes"), TextStyle::title2, this);
    t->setContentsMargins(0, 8, 0, 0);
    t->setAlignment(Qt::AlignHCenter);
    v->addWidget(t);
    m_graphique = new PieChartOccupationView(this);
    v->addWidget(m_graphique, 1);
    m_taux = new QLabel(this);
    m_taux->setFont(fontForStyle(TextStyle::headline, font()));
    setSecondaryText(m_taux);
    m_taux->setWordWrap(true);
    m_taux->setAlignment(Qt::AlignHCenter);
    v->addWidget(m_taux);

    connect(source, &SourceStatistiques::changed, this, [this](EntityTypeMask types) {
        if (types & (SourceStatistiques::kLocations | SourceStatistiques::kBennes))
            recalculer();
    });
    recalculer();
}

QList<EntreeOccupation> StatistiqueOccupationBennesView::donneesCamembert() const
{
    return {{QStringLiteral("En circulation"), m_occupation.enCirculation, QColor(255, 59, 48)},
            {QStringLiteral("En stock"), m_occupation.enStock(), QColor(52, 199, 89)}};
}

QString StatistiqueOccupationBennesView::tauxTexte() const
{
    return m_taux->text();
}

void StatistiqueOccupationBennesView::recalculer()
{
    m_occupation = stats::occupation(periodesDesBennes(m_source->toutesBennes()), m_date);
    m_graphique->setData(donneesCamembert());
    m_taux->setText(stats::tauxTexte(m_occupation));
}

} // namespace kv
