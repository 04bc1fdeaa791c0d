#pragma once

#include "model/horloge.h"
#include "model/modelcontext.h"

#include <QHash>
#include <QTimeZone>
#include <QWidget>

#include <functional>
#include <optional>

class QListWidget;
class QScrollArea;

namespace kv {

class SourceStatistiques;

// The kinds of statistic, in the order of the hub's sidebar.
enum class StatistiqueType {
    rapport,
    carteChaleur,
    histogrammeVolume,
    repartitionTypeBenne,
    saisonnalite,
    typesDechet,
    clientsInactifs,
    tauxOccupation,
};

QList<StatistiqueType> toutesLesStatistiques();
QString titre(StatistiqueType type);
QString symbole(StatistiqueType type);

// The screen of the "Statistiques" command: the eight statistics in a sidebar, the chosen one
// beside it, built anew at each choice with the hub's live lists.
class VueStatistiques : public QWidget {
    Q_OBJECT
public:
    explicit VueStatistiques(ModelContext* context, QWidget* parent = nullptr);
    // Tests fix the clock and the time zone.
    VueStatistiques(ModelContext* context, const Horloge& horloge, QWidget* parent = nullptr);

    std::optional<StatistiqueType> selectedStat() const { return m_selected; }
    // `differer`: as a click does, the statistic's title at once and, when it takes longer to
    // build, the rest on the next turn of the event loop.
    void choisir(StatistiqueType type, bool differer = false);
    // The statistic shown (null when none).
    QWidget* detail() const { return m_detail; }
    QListWidget* sidebar() const { return m_sidebar; }
    SourceStatistiques* source() const { return m_source; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QWidget* construireSidebar();
    void ajusterSidebar();
    QWidget* vueDetail(StatistiqueType type);
    // Whether a statistic left is kept for a return, and how a kept one starts again.
    static bool seGarde(StatistiqueType type);
    void repartir(StatistiqueType type, QWidget* vue);
    void montrer(StatistiqueType type, QWidget* vue);
    void surligner();

    ModelContext* m_context;
    SourceStatistiques* m_source;
    QListWidget* m_sidebar = nullptr;
    QScrollArea* m_defilement = nullptr;
    QWidget* m_detail = nullptr;
    std::optional<StatistiqueType> m_selected;
    // The statistics shown before and left, kept hidden for a return until the store changes.
    QHash<int, QWidget*> m_gardees;
};

} // namespace kv
