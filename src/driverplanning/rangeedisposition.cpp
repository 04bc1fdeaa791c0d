// How a driver's row lays out his column and the map of his day in the width it has.

#include "vueplanningchauffeurs.h"

#include "carteprestationschauffeur.h"
#include "prestationscolumn.h"

#include <QBoxLayout>

namespace kv {

namespace {

constexpr int kEcartPlan = 32;

int largeurMinimale(const QWidget* w)
{
    return std::max(w->minimumWidth(), w->minimumSizeHint().width());
}

} // namespace

void RangeeChauffeur::disposer()
{
    if (!m_pile || !m_contenu)
        return;
    const int colonne = largeurMinimale(m_colonne);
    // A map not hidden on purpose counts, also while the row is being made, before it shows.
    const bool avecPlan = m_plan && !(m_plan->isHidden() && m_plan->testAttribute(Qt::WA_WState_ExplicitShowHide));
    const int plan = avecPlan ? largeurMinimale(m_plan) : 0;
    // The row asks only for the wider of the two: on a narrow screen the map goes under the
    // column rather than past the view's right edge.
    m_contenu->setMinimumWidth(std::max(colonne, plan));
    const auto sens = plan == 0 || width() >= colonne + kEcartPlan + plan ? QBoxLayout::LeftToRight
                                                                           : QBoxLayout::TopToBottom;
    if (m_pile->direction() != sens)
        m_pile->setDirection(sens);
}

} // namespace kv
