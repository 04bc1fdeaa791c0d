#pragma once

#include "statsfigures.h"

#include <QColor>
#include <QWidget>

class QChartView;
class QLabel;
class QPieSeries;

namespace kv {

class SourceStatistiques;
namespace stats { class LegendeStat; }

// One entry of the occupancy ring.
struct EntreeOccupation {
    QString label;
    qint64 value = 0;
    QColor color;
};

// The ring of skips in circulation against skips in stock, its legend below it.
class PieChartOccupationView : public QWidget {
    Q_OBJECT
public:
    explicit PieChartOccupationView(QWidget* parent = nullptr);
    void setData(const QList<EntreeOccupation>& data);
    QPieSeries* anneau() const { return m_anneau; }
    stats::LegendeStat* legende() const { return m_legende; }

private:
    QChartView* m_vue;
    QPieSeries* m_anneau = nullptr;
    stats::LegendeStat* m_legende;
};

// "Taux d'occupation": the share of the fleet out with clients at one moment.
class StatistiqueOccupationBennesView : public QWidget {
    Q_OBJECT
public:
    StatistiqueOccupationBennesView(SourceStatistiques* source, qint64 date, QWidget* parent = nullptr);

    const stats::Occupation& occupation() const { return m_occupation; }
    QList<EntreeOccupation> donneesCamembert() const;
    QString tauxTexte() const;
    PieChartOccupationView* graphique() const { return m_graphique; }

private:
    void recalculer();

    SourceStatistiques* m_source;
    qint64 m_date;
    stats::Occupation m_occupation;
    PieChartOccupationView* m_graphique;
    QLabel* m_taux;
};

} // namespace kv
