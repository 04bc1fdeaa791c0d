#pragma once

#include "statsfigures.h"

#include <QWidget>

#include <optional>

class QComboBox;
class QLabel;

namespace kv {

class SourceStatistiques;
namespace stats {
class GraphiqueLeger;
class LegendeSeries;
}

// "Types de déchets": rentals per waste type as bars, and their month-by-month evolution as one
// line per waste type, over all years or one.
class StatistiqueTypesDechetView : public QWidget {
    Q_OBJECT
public:
    explicit StatistiqueTypesDechetView(SourceStatistiques* source, QWidget* parent = nullptr);

    std::optional<int> selectedYear() const { return m_annee; }
    void setSelectedYear(std::optional<int> annee);
    QComboBox* choixAnnee() const { return m_choixAnnee; }

    const QList<stats::StatsTypeDechet>& barres() const { return m_barres; }
    const QList<stats::SerieTypeDechet>& series() const { return m_series; }
    stats::GraphiqueLeger* vueFrequences() const { return m_frequences; }
    stats::GraphiqueLeger* vueEvolution() const { return m_evolution; }
    QStringList annotations() const;
    // The bars' values told in a list under the chart, numbered as the bars are, shown while
    // the chart cannot write every name and value.
    QLabel* listeFrequences() const { return m_liste; }
    // The entries of the evolution chart's legend.
    const QStringList& legendeEvolution() const { return m_legendeEvolution; }
    // That legend as shown, under the chart.
    stats::LegendeSeries* legendeAffichee() const { return m_legende; }

private:
    QWidget* construireEntete();
    void recalculer();
    void dessinerFrequences();
    void dessinerEvolution();
    void montrerLaListe();

    SourceStatistiques* m_source;
    std::optional<int> m_annee;
    QList<int> m_annees;
    QList<stats::StatsTypeDechet> m_barres;
    QList<stats::StatsTimelineTypeDechet> m_points;
    QList<stats::SerieTypeDechet> m_series;
    QStringList m_legendeEvolution;

    QComboBox* m_choixAnnee = nullptr;
    stats::GraphiqueLeger* m_frequences;
    stats::GraphiqueLeger* m_evolution;
    stats::LegendeSeries* m_legende;
    QLabel* m_liste;
};

} // namespace kv
