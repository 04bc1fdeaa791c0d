#pragma once

#include "statsfigures.h"

#include <QWidget>

class QChartView;
class QPieSeries;

namespace kv {

class ChoixSegmente;
class SourceStatistiques;
namespace stats {
class EtiquettesAnneau;
class LegendeStat;
}

enum class HistogrammeSelection { volume, couleur };
// "Par volume", "Par couleur".
QString texte(HistogrammeSelection selection);

// The ring of rentals by skip volume, its legend on the left.
class PieChartVolumeView : public QWidget {
    Q_OBJECT
public:
    explicit PieChartVolumeView(QWidget* parent = nullptr);
    void setData(const QList<stats::StatsVolumeLoue>& data);
    QPieSeries* anneau() const { return m_anneau; }
    stats::LegendeStat* legende() const { return m_legende; }

private:
    QChartView* m_vue;
    QPieSeries* m_anneau = nullptr;
    stats::LegendeStat* m_legende;
};

// The ring of rentals by skip colour, with its legend.
class PieChartCouleurView : public QWidget {
    Q_OBJECT
public:
    explicit PieChartCouleurView(QWidget* parent = nullptr);
    void setData(const QList<stats::StatsCouleurLoue>& data);
    QPieSeries* anneau() const { return m_anneau; }
    stats::LegendeStat* legende() const { return m_legende; }
    // The texts over the slices, each after its colour's disc.
    stats::EtiquettesAnneau* etiquettes() const { return m_etiquettes; }
    QChartView* vue() const { return m_vue; }

private:
    QChartView* m_vue;
    QPieSeries* m_anneau = nullptr;
    stats::LegendeStat* m_legende;
    stats::EtiquettesAnneau* m_etiquettes;
};

// "Volumes loués": how the rentals divide between skip volumes or skip colours.
class StatistiqueHistogrammeVolumeView : public QWidget {
    Q_OBJECT
public:
    explicit StatistiqueHistogrammeVolumeView(SourceStatistiques* source, QWidget* parent = nullptr);

    HistogrammeSelection selection() const { return m_selection; }
    void setSelection(HistogrammeSelection selection);
    ChoixSegmente* choix() const { return m_choix; }
    PieChartVolumeView* parVolume() const { return m_parVolume; }
    PieChartCouleurView* parCouleur() const { return m_parCouleur; }

private:
    void recalculer();

    SourceStatistiques* m_source;
    HistogrammeSelection m_selection = HistogrammeSelection::volume;
    ChoixSegmente* m_choix;
    PieChartVolumeView* m_parVolume;
    PieChartCouleurView* m_parCouleur;
};

} // namespace kv
