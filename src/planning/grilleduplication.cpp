// The grid after a duplication: the copy is brought into view when it stood out of it, and the
// grid says where it went, so that a rotation made by the keyboard (or by the duplicate button at
// the view's edge) never goes unseen.

#include "grilleplanning.h"

#include "actionsplanning.h"

#include <QScrollBar>

namespace kv::planning {

void GrillePlanning::montrerCopie(LocationDeBenne* copie)
{
    const int ligne = ligneDe(copie);
    if (ligne < 0)
        return;
    const QRectF vue(viewport()->rect());
    const QRectF corps = rectCorps(copie);
    // Its first day in view is enough for the eye to find it.
    const bool enVue = !corps.isEmpty() && vue.contains(QPointF(corps.left() + 1, corps.center().y()))
                       && corps.top() >= vue.top() && corps.bottom() <= vue.bottom();
    if (enVue)
        return;
    const QList<Barre>& liste = barres(ligne);
    const auto barre = std::find_if(liste.cbegin(), liste.cend(), [copie](const Barre& b) { return b.location == copie; });
    if (barre == liste.cend())
        return;
    // Its last day first, then its first: the whole bar when the view holds it, its start else.
    // The keyboard's cell goes to its start, where Enter, Delete and the menu key act on it.
    m_curseurBarre = copie;
    setCurseur(barre->colonnes.start + barre->colonnes.nombre() - 1, ligne);
    setCurseur(barre->colonnes.start, ligne);
    informer(QStringLiteral("Rotation créée"),
             QStringLiteral("La rotation, ") + m_actions->texteLocation(copie)
                 + QStringLiteral(", est hors de la vue\u00A0: la grille s’est déplacée jusqu’à elle."));
}

} // namespace kv::planning
