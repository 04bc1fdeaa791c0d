#include "grilleaccessible.h"

#include "actionsplanning.h"
#include "bandeauchauffeurs.h"
#include "colonnebennes.h"
#include "entetejours.h"
#include "grilleplanning.h"

#include "model/helpers.h"
#include "model/records.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHash>
#include <QLocale>
#include <QPointer>
#include <QScrollBar>

namespace kv::planning {

namespace {

Annonceur g_annonceur = &QAccessible::updateAccessibility;

QString texteJour(const QDate& jour)
{
    return QLocale().toString(jour, QLocale::LongFormat);
}

// A skip as its label reads, with its colour in words: the label shows it, the reader says it.
QString texteBenne(const Benne* b)
{
    QString texte = QStringLiteral("Benne ") + ColonneBennes::texteEtiquette(b);
    if (const QString couleur = nomCouleur(b->couleur()); !couleur.isEmpty())
        texte += QStringLiteral(", ") + couleur;
    return texte;
}

// A rectangle of the grid's viewport on the screen.
QRect surEcran(const GrillePlanning* grille, const QRectF& dansLaVue)
{
    if (dansLaVue.isEmpty())
        return {};
    const QRect r = dansLaVue.toAlignedRect();
    return QRect(grille->viewport()->mapToGlobal(r.topLeft()), r.size());
}

class GrilleAccessible;
GrilleAccessible* accessibleDe(GrillePlanning* grille);

// An item of the grid that is no widget: it lives as long as the grid's interface, which made it.
class ElementGrille : public QAccessibleInterface {
public:
    explicit ElementGrille(GrillePlanning* grille) : m_grille(grille) {}
    QObject* object() const override { return nullptr; }
    QWindow* window() const override
    {
        return m_grille && m_grille->window() ? m_grille->window()->windowHandle() : nullptr;
    }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    void setText(QAccessible::Text, const QString&) override {}

protected:
    QPointer<GrillePlanning> m_grille;
};

// An item of the grid with nothing under it (a bar, a day, a skip's label, the cursor's cell).
class FeuilleGrille : public ElementGrille {
public:
    using ElementGrille::ElementGrille;
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
};

// A rental's bar.
class BarreAccessible : public FeuilleGrille {
public:
    BarreAccessible(GrillePlanning* grille, LocationDeBenne* location) : FeuilleGrille(grille), m_location(location) {}
    bool isValid() const override { return m_grille && !m_location->isDeleted() && ligne() >= 0; }
    QAccessibleInterface* parent() const override;
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name && isValid() ? texteAccessibleBarre(m_grille, m_location) : QString();
    }
    QRect rect() const override { return isValid() ? surEcran(m_grille, m_grille->rectCorps(m_location)) : QRect(); }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid())
            return s;
        s.selectable = true;
        s.selected = m_grille->locationSelectionnee() == m_location;
        const QRect r = rect();
        s.offscreen = r.isEmpty() || !QRect(m_grille->viewport()->mapToGlobal(QPoint(0, 0)), m_grille->viewport()->size()).intersects(r);
        return s;
    }
    LocationDeBenne* location() const { return m_location; }

private:
    int ligne() const
    {
        const Benne* b = m_location->benne();
        return b ? int(m_grille->bennes().indexOf(const_cast<Benne*>(b))) : -1;
    }
    LocationDeBenne* m_location;
};

// A skip's row.
class LigneAccessible : public ElementGrille {
public:
    LigneAccessible(GrillePlanning* grille, Benne* benne) : ElementGrille(grille), m_benne(benne) {}
    bool isValid() const override { return m_grille && !m_benne->isDeleted() && ligne() >= 0; }
    QAccessibleInterface* parent() const override { return m_grille ? QAccessible::queryAccessibleInterface(m_grille) : nullptr; }
    int childCount() const override { return isValid() ? int(m_grille->barres(ligne()).size()) : 0; }
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* enfant) const override
    {
        if (!isValid() || !enfant || enfant->role() != QAccessible::ListItem)
            return -1;
        const LocationDeBenne* l = static_cast<const BarreAccessible*>(enfant)->location();
        const QList<Barre>& barres = m_grille->barres(ligne());
        for (int i = 0; i < barres.size(); ++i)
            if (barres[i].location == l)
                return i;
        return -1;
    }
    QString text(QAccessible::Text t) const override
    {
        if (t != QAccessible::Name || !isValid())
            return {};
        return ColonneBennes::estInutilisable(m_benne) ? texteBenne(m_benne) + QStringLiteral(", inutilisable")
                                                       : texteBenne(m_benne);
    }
    QRect rect() const override
    {
        if (!isValid())
            return {};
        GrillePlanning* g = m_grille;
        const double y = g->hautLigne(ligne()) - g->scrollOffset().y();
        return surEcran(g, QRectF(0, y, g->viewport()->width(), g->hauteurLigne(ligne())));
    }
    QAccessible::Role role() const override { return QAccessible::Row; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid())
            return s;
        s.offscreen = !QRect(m_grille->viewport()->mapToGlobal(QPoint(0, 0)), m_grille->viewport()->size()).intersects(rect());
        return s;
    }
    Benne* benne() const { return m_benne; }
    int ligne() const { return m_grille ? int(m_grille->bennes().indexOf(m_benne)) : -1; }

private:
    Benne* m_benne;
};

// The keyboard's cell.
class CurseurAccessible : public FeuilleGrille {
public:
    using FeuilleGrille::FeuilleGrille;
    bool isValid() const override { return m_grille; }
    QAccessibleInterface* parent() const override { return m_grille ? QAccessible::queryAccessibleInterface(m_grille) : nullptr; }
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name && m_grille ? texteAccessibleCurseur(m_grille) : QString();
    }
    QRect rect() const override
    {
        if (!m_grille)
            return {};
        const QPoint c = m_grille->curseur();
        const QPointF o = m_grille->scrollOffset();
        return surEcran(m_grille, QRectF(c.x() * largeurColonne - o.x(), m_grille->hautLigne(c.y()) - o.y(), largeurColonne,
                                         m_grille->hauteurLigne(c.y())));
    }
    QAccessible::Role role() const override { return QAccessible::Cell; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.focusable = true;
        s.focused = m_grille && m_grille->hasFocus();
        return s;
    }
};

// The grid: the skip column, the header, the keyboard's cell, then one row per skip.
class GrilleAccessible : public QAccessibleWidget {
public:
    static constexpr int kAvantLesLignes = 3;

    explicit GrilleAccessible(GrillePlanning* grille) : QAccessibleWidget(grille, QAccessible::Table)
    {
        // The keyboard's cell is announced as it moves: as the focus while the grid has the keys.
        // (This interface exists only once a reader, or a test, asked for it.)
        QObject::connect(grille, &GrillePlanning::curseurDeplace, grille, [grille] {
            // Its new name first, then the focus: a reader that keeps the names it was told says
            // the cell the keys are on, not the one they left.
            QAccessibleInterface* cellule = accessibleDe(grille)->curseur();
            QAccessibleEvent nom(cellule, QAccessible::NameChanged);
            g_annonceur(&nom);
            if (grille->hasFocus()) {
                QAccessibleEvent focus(cellule, QAccessible::Focus);
                g_annonceur(&focus);
            }
        });
    }
    ~GrilleAccessible() override
    {
        for (const QAccessible::Id id : std::as_const(m_ids))
            QAccessible::deleteAccessibleInterface(id);
        if (m_curseur)
            QAccessible::deleteAccessibleInterface(m_curseur);
    }

    GrillePlanning* grille() const { return static_cast<GrillePlanning*>(object()); }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && grille()->accessibleName().isEmpty())
            return QStringLiteral("Planning des bennes");
        if (t == QAccessible::Description && grille()->accessibleDescription().isEmpty())
            return QStringLiteral("Une ligne par benne, une colonne par jour\u00A0; les flèches déplacent la case, "
                                  "Entrée affiche la location, la touche Menu ouvre ses actions.");
        return QAccessibleWidget::text(t);
    }
    int childCount() const override { return kAvantLesLignes + int(grille()->bennes().size() + surcouches().size()); }
    QAccessibleInterface* child(int index) const override
    {
        switch (index) {
        case 0: return QAccessible::queryAccessibleInterface(grille()->colonne());
        case 1: return QAccessible::queryAccessibleInterface(grille()->entete());
        case 2: return curseur();
        default: break;
        }
        const QList<Benne*>& bennes = grille()->bennes();
        const int ligne = index - kAvantLesLignes;
        if (ligne >= bennes.size())
            return QAccessible::queryAccessibleInterface(surcouches().value(ligne - bennes.size()));
        if (ligne < 0)
            return nullptr;
        Benne* b = bennes[ligne];
        return garde(b, [&] { return new LigneAccessible(grille(), b); });
    }
    int indexOfChild(const QAccessibleInterface* enfant) const override
    {
        if (!enfant)
            return -1;
        if (enfant->object() == grille()->colonne())
            return 0;
        if (enfant->object() == grille()->entete())
            return 1;
        if (enfant->role() == QAccessible::Cell)
            return 2;
        if (enfant->role() == QAccessible::Row) {
            const int ligne = static_cast<const LigneAccessible*>(enfant)->ligne();
            return ligne < 0 ? -1 : kAvantLesLignes + ligne;
        }
        const qsizetype surcouche = surcouches().indexOf(qobject_cast<QWidget*>(enfant->object()));
        return surcouche < 0 ? -1 : kAvantLesLignes + int(grille()->bennes().size() + surcouche);
    }
    // What is laid over the grid and shown (a rental's card), after the rows: without it, a
    // reader walking the window would never meet the card.
    QList<QWidget*> surcouches() const
    {
        GrillePlanning* g = grille();
        QList<QWidget*> out;
        for (QObject* o : g->children()) {
            auto* w = qobject_cast<QWidget*>(o);
            // A picture passing over (a fade) lets the pointer through: no place for the reader.
            if (w && w->isVisible() && !w->isWindow() && !w->testAttribute(Qt::WA_TransparentForMouseEvents) && w != g->viewport() && w != g->colonne() && w != g->entete()
                && !w->findChild<QScrollBar*>(QString(), Qt::FindDirectChildrenOnly))
                out << w;
        }
        return out;
    }
    QAccessibleInterface* focusChild() const override { return grille()->hasFocus() ? curseur() : nullptr; }

    QAccessibleInterface* curseur() const
    {
        if (QAccessibleInterface* i = m_curseur ? QAccessible::accessibleInterface(m_curseur) : nullptr)
            return i;
        auto* i = new CurseurAccessible(grille());
        m_curseur = QAccessible::registerAccessibleInterface(i);
        return i;
    }
    // The interface kept for a record of the grid, made the first time it is asked for.
    template <typename Fabrique>
    QAccessibleInterface* garde(const void* cle, Fabrique fabrique) const
    {
        if (const auto it = m_ids.constFind(cle); it != m_ids.cend())
            if (QAccessibleInterface* i = QAccessible::accessibleInterface(*it))
                return i;
        QAccessibleInterface* i = fabrique();
        m_ids.insert(cle, QAccessible::registerAccessibleInterface(i));
        return i;
    }

private:
    mutable QHash<const void*, QAccessible::Id> m_ids;
    mutable QAccessible::Id m_curseur = 0;
};

GrilleAccessible* accessibleDe(GrillePlanning* grille)
{
    return static_cast<GrilleAccessible*>(QAccessible::queryAccessibleInterface(grille));
}

QAccessibleInterface* BarreAccessible::parent() const
{
    if (!isValid())
        return nullptr;
    Benne* b = m_location->benne();
    GrillePlanning* g = m_grille;
    return accessibleDe(g)->garde(b, [&] { return new LigneAccessible(g, b); });
}

QAccessibleInterface* LigneAccessible::child(int index) const
{
    if (!isValid())
        return nullptr;
    const QList<Barre>& barres = m_grille->barres(ligne());
    if (index < 0 || index >= barres.size())
        return nullptr;
    LocationDeBenne* l = barres[index].location;
    GrillePlanning* g = m_grille;
    return accessibleDe(g)->garde(l, [&] { return new BarreAccessible(g, l); });
}

// A day of the header.
class JourAccessible : public FeuilleGrille {
public:
    JourAccessible(GrillePlanning* grille, int index) : FeuilleGrille(grille), m_index(index) {}
    bool isValid() const override { return m_grille && m_index < m_grille->jours().count(); }
    QAccessibleInterface* parent() const override
    {
        return m_grille ? QAccessible::queryAccessibleInterface(m_grille->entete()) : nullptr;
    }
    QString text(QAccessible::Text t) const override
    {
        if (t != QAccessible::Name || !isValid())
            return {};
        const QDate jour = m_grille->jours().date(m_index);
        return jour == m_grille->jours().aujourdhui() ? texteJour(jour) + QStringLiteral(", aujourd’hui") : texteJour(jour);
    }
    QRect rect() const override
    {
        if (!isValid())
            return {};
        const QWidget* entete = m_grille->entete();
        const int x = int(m_index * largeurColonne - m_grille->scrollOffset().x());
        return QRect(entete->mapToGlobal(QPoint(x, 0)), QSize(int(largeurColonne), entete->height()));
    }
    QAccessible::Role role() const override { return QAccessible::ColumnHeader; }
    QAccessible::State state() const override { return {}; }

private:
    int m_index;
};

// The header of days: one item per day.
class EnteteAccessible : public QAccessibleWidget {
public:
    explicit EnteteAccessible(EnteteJours* entete) : QAccessibleWidget(entete, QAccessible::Grouping) {}
    GrillePlanning* grille() const { return qobject_cast<GrillePlanning*>(widget()->parentWidget()); }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return QStringLiteral("Jours");
        return QAccessibleWidget::text(t);
    }
    int childCount() const override { return grille() ? grille()->jours().count() : 0; }
    QAccessibleInterface* child(int index) const override
    {
        if (!grille() || index < 0 || index >= childCount())
            return nullptr;
        return m_jours.enfant(index, [&] { return new JourAccessible(grille(), index); });
    }
    int indexOfChild(const QAccessibleInterface* enfant) const override { return m_jours.indexDe(enfant); }

private:
    EnfantsAccessibles m_jours;
};

// A skip's label in the column beside the grid, read as the grid's rows read.
class EtiquetteAccessible : public FeuilleGrille {
public:
    EtiquetteAccessible(GrillePlanning* grille, int index) : FeuilleGrille(grille), m_index(index) {}
    bool isValid() const override { return m_grille && m_index < m_grille->bennes().size(); }
    QAccessibleInterface* parent() const override
    {
        return m_grille ? QAccessible::queryAccessibleInterface(m_grille->colonne()) : nullptr;
    }
    QString text(QAccessible::Text t) const override
    {
        if (t != QAccessible::Name || !isValid())
            return {};
        const Benne* b = m_grille->bennes().at(m_index);
        return ColonneBennes::estInutilisable(b) ? texteBenne(b) + QStringLiteral(", inutilisable") : texteBenne(b);
    }
    QRect rect() const override
    {
        if (!isValid())
            return {};
        const QWidget* colonne = m_grille->colonne();
        const int y = int(m_grille->hautLigne(m_index) - m_grille->scrollOffset().y());
        return QRect(colonne->mapToGlobal(QPoint(0, y)), QSize(colonne->width(), int(m_grille->hauteurLigne(m_index))));
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.focusable = true;
        s.focused = isValid() && m_grille->colonne()->hasFocus() && m_grille->colonne()->ligneCourante() == m_index;
        return s;
    }

private:
    int m_index;
};

// The column of skips: one item per label, the current one focused while the column has the keys.
class ColonneAccessible : public QAccessibleWidget {
public:
    explicit ColonneAccessible(ColonneBennes* colonne) : QAccessibleWidget(colonne, QAccessible::List) {}
    GrillePlanning* grille() const { return qobject_cast<GrillePlanning*>(widget()->parentWidget()); }
    ColonneBennes* colonne() const { return static_cast<ColonneBennes*>(widget()); }
    int childCount() const override { return grille() ? int(grille()->bennes().size()) : 0; }
    QAccessibleInterface* child(int index) const override
    {
        if (!grille() || index < 0 || index >= childCount())
            return nullptr;
        return m_etiquettes.enfant(index, [&] { return new EtiquetteAccessible(grille(), index); });
    }
    int indexOfChild(const QAccessibleInterface* enfant) const override { return m_etiquettes.indexDe(enfant); }
    QAccessibleInterface* focusChild() const override
    {
        return colonne()->hasFocus() ? child(colonne()->ligneCourante()) : nullptr;
    }

private:
    EnfantsAccessibles m_etiquettes;
};

QAccessibleInterface* fabrique(const QString& classe, QObject* objet)
{
    if (classe == QLatin1String("QWidget"))
        return accessiblePuces(objet);
    if (classe == QLatin1String("kv::planning::GrillePlanning"))
        return new GrilleAccessible(static_cast<GrillePlanning*>(objet));
    if (classe == QLatin1String("kv::planning::ColonneBennes") && qobject_cast<GrillePlanning*>(static_cast<QWidget*>(objet)->parentWidget()))
        return new ColonneAccessible(static_cast<ColonneBennes*>(objet));
    if (classe == QLatin1String("kv::planning::EnteteJours") && qobject_cast<GrillePlanning*>(static_cast<QWidget*>(objet)->parentWidget()))
        return new EnteteAccessible(static_cast<EnteteJours*>(objet));
    return nullptr;
}

} // namespace

QString texteAccessibleBarre(const GrillePlanning* grille, const LocationDeBenne* l)
{
    QString texte = grille->actions()->texteLocation(l);
    if (!l->dateEnlevementMs())
        texte += QStringLiteral(", enlèvement non prévu");
    texte += QStringLiteral("\u00A0; pose\u00A0: ")
             + (l->chauffeurPose() ? nomChauffeur(l->chauffeurPose()) : QStringLiteral("sans chauffeur"));
    if (l->dateEnlevementMs())
        texte += QStringLiteral("\u00A0; enlèvement\u00A0: ")
                 + (l->chauffeurEnlevement() ? nomChauffeur(l->chauffeurEnlevement()) : QStringLiteral("sans chauffeur"));
    return texte;
}

QString texteAccessibleCurseur(GrillePlanning* grille)
{
    const QPoint c = grille->curseur();
    if (grille->bennes().isEmpty() || c.x() < 0)
        return QStringLiteral("Aucune benne");
    const Benne* b = grille->bennes().value(c.y());
    QString texte = texteBenne(b) + QStringLiteral(", ")
                    + texteJour(grille->jours().date(c.x()));
    if (const LocationDeBenne* l = grille->locationAuCurseur())
        return texte + QStringLiteral("\u00A0: ") + texteAccessibleBarre(grille, l);
    return texte + QStringLiteral("\u00A0: libre");
}

EnfantsAccessibles::~EnfantsAccessibles()
{
    for (const QAccessible::Id id : std::as_const(m_ids))
        QAccessible::deleteAccessibleInterface(id);
}

QAccessibleInterface* EnfantsAccessibles::enfant(int index, const std::function<QAccessibleInterface*()>& fabrique) const
{
    if (const QAccessible::Id id = m_ids.value(index))
        if (QAccessibleInterface* i = QAccessible::accessibleInterface(id))
            return i;
    QAccessibleInterface* i = fabrique();
    m_ids.insert(index, QAccessible::registerAccessibleInterface(i));
    return i;
}

int EnfantsAccessibles::indexDe(const QAccessibleInterface* enfant) const
{
    for (auto it = m_ids.cbegin(); it != m_ids.cend(); ++it)
        if (QAccessible::accessibleInterface(it.value()) == enfant)
            return it.key();
    return -1;
}

void annoncerFocus(QObject* objet)
{
    QAccessibleEvent focus(objet, QAccessible::Focus);
    g_annonceur(&focus);
}

void setAnnonceurGrille(Annonceur annonceur)
{
    g_annonceur = annonceur ? annonceur : &QAccessible::updateAccessibility;
}

void installerAccessibiliteGrille()
{
    static bool installe = false;
    if (installe)
        return;
    installe = true;
    QAccessible::installFactory(&fabrique);
}

} // namespace kv::planning
