#pragma once

#include "statsfigures.h"

#include <QWidget>

#include <optional>

class QComboBox;
class QLabel;
class QVBoxLayout;

namespace kv {

class SourceStatistiques;
namespace stats { class GraphiqueLeger; class LegendeSeries; }

// The month-by-month yield of each skip volume: one line per volume label.
class StatistiqueRendementTimelineView : public QWidget {
    Q_OBJECT
public:
    explicit StatistiqueRendementTimelineView(const QTimeZone& zone, QWidget* parent = nullptr);
    void setData(const QList<stats::StatsRendementVolumeMois>& data);
    stats::GraphiqueLeger* vue() const { return m_vue; }
    // The entries of the legend: one per volume label.
    const QStringList& legende() const { return m_legende; }

private:
    QTimeZone m_zone;
    stats::GraphiqueLeger* m_vue;
    stats::LegendeSeries* m_entrees;
    QStringList m_legende;
};

// "Rendement par volume": rentals per skip of each volume, over all years or one, as bars and
// figures, and month by month below them.
class StatistiqueRendementVolumeView : public QWidget {
    Q_OBJECT
public:
    explicit StatistiqueRendementVolumeView(SourceStatistiques* source, QWidget* parent = nullptr);

    std::optional<int> selectedYear() const { return m_annee; }
    void setSelectedYear(std::optional<int> annee);
    QComboBox* choixAnnee() const { return m_choixAnnee; }

    const QList<stats::StatsRendementVolume>& rendements() const { return m_rendements; }
    const QList<stats::StatsRendementVolumeMois>& rendementsMois() const { return m_mois; }
    QStringList lignesDetail() const;
    QStringList annotations() const;
    stats::GraphiqueLeger* vueBarres() const { return m_barres; }
    StatistiqueRendementTimelineView* timeline() const { return m_timeline; }

private:
    QWidget* construireEntete();
    void recalculer();
    void dessinerBarres();

    SourceStatistiques* m_source;
    std::optional<int> m_annee;
    QList<int> m_annees;
    QList<stats::StatsRendementVolume> m_rendements;
    QList<stats::StatsRendementVolumeMois> m_mois;

    QComboBox* m_choixAnnee = nullptr;
    stats::GraphiqueLeger* m_barres;
    QVBoxLayout* m_detail;
    QList<QLabel*> m_lignes;
    StatistiqueRendementTimelineView* m_timeline;
};

} // namespace kv
