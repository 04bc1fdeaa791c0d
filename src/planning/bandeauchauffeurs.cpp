#include "bandeauchauffeurs.h"

#include "actionsplanning.h"
#include "calendrierplanning.h"
#include "grilleaccessible.h"

#include "model/query.h"
#include "widgets/colors.h"
#include "widgets/icons.h"
#include "widgets/plaintext.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QScrollBar>
#include <QToolTip>
#include <QWheelEvent>

namespace kv::planning {

namespace {
constexpr int kMarge = 16;      // before the first chip and after the last
constexpr int kEcart = 16;      // between chips
constexpr int kRembourrage = 10; // inside a chip
constexpr int kHauteurBandeau = 80;
constexpr int kLargeurNom = 160; // a longer first name or name is cut with "…", whole in the tool tip
const QColor kGrisPuce(142, 142, 147, 51); // the system's gray at 0.2

// `dessus`, translucent, as it shows over `fond`.
QColor melange(const QColor& fond, const QColor& dessus)
{
    const qreal a = dessus.alphaF();
    return QColor::fromRgbF(float(fond.redF() * (1 - a) + dessus.redF() * a), float(fond.greenF() * (1 - a) + dessus.greenF() * a),
                            float(fond.blueF() * (1 - a) + dessus.blueF() * a));
}
} // namespace

class BandeauChauffeurs::Puces : public QWidget {
public:
    Puces(Query<Chauffeur>* chauffeurs, ActionsPlanning* actions, QWidget* parent)
        : QWidget(parent), m_chauffeurs(chauffeurs), m_actions(actions)
    {
        setObjectName(QStringLiteral("pucesChauffeurs"));
        connect(chauffeurs, &QueryBase::resultsChanged, this, [this] { disposer(); });
        disposer();
    }

    QList<QRect> rects() const { return m_rects; }
    const QList<Chauffeur*>& chauffeurs() const { return m_liste; }

    void disposer()
    {
        m_liste = m_chauffeurs->results();
        m_rects.clear();
        const QFontMetrics fm(font());
        QFont gras = font();
        gras.setBold(true);
        const QFontMetrics fmg(gras);
        const int h = std::max(20, fm.height()) + 2 * kRembourrage;
        const int y = (kHauteurBandeau - 14 - h) / 2; // above the scroll bar
        int x = kMarge;
        m_textes.clear();
        for (const Chauffeur* c : std::as_const(m_liste)) {
            const QString prenom = fm.elidedText(c->prenom(), Qt::ElideRight, kLargeurNom);
            const QString nom = fmg.elidedText(c->nom(), Qt::ElideRight, kLargeurNom);
            m_textes.append({prenom, nom});
            const int w = kRembourrage + 30 + 6 + fm.horizontalAdvance(prenom) + 4 + fmg.horizontalAdvance(nom)
                          + kRembourrage;
            m_rects.append(QRect(x, y, w, h));
            x += w + kEcart;
        }
        setFixedSize(std::max(x - kEcart + kMarge, 1), kHauteurBandeau - 14);
        update();
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QFont gras = font();
        gras.setBold(true);
        const QFontMetrics fm(font());
        const QPixmap camion = paintedSymbolIcon(QStringLiteral("truck.box"), palette().color(QPalette::WindowText))
                                   .pixmap(QSize(20, 20), devicePixelRatioF());
        // The first name in the secondary style, still read at 4.5:1 on the chip's grey.
        const QColor fondPuce = melange(palette().color(QPalette::Window), kGrisPuce);
        const QColor secondaire = inkReadableOn(melange(fondPuce, [this] {
                                                    QColor c = palette().color(QPalette::WindowText);
                                                    c.setAlphaF(0.55f);
                                                    return c;
                                                }()),
                                                fondPuce);
        for (int i = 0; i < m_rects.size(); ++i) {
            const QRect r = m_rects[i];
            if (!r.intersects(event->rect()))
                continue;
            const auto& [prenom, nom] = m_textes[i];
            p.setPen(Qt::NoPen);
            p.setBrush(kGrisPuce);
            p.drawRoundedRect(r, 8, 8);
            // The symbol stretched to 30 × 20.
            p.drawPixmap(QRect(r.left() + kRembourrage, r.center().y() - 10, 30, 20), camion);
            int x = r.left() + kRembourrage + 36;
            p.setFont(font());
            p.setPen(secondaire);
            p.drawText(QRect(x, r.top(), r.right() - x, r.height()), Qt::AlignVCenter, prenom);
            x += fm.horizontalAdvance(prenom) + 4;
            p.setFont(gras);
            p.setPen(palette().color(QPalette::WindowText));
            p.drawText(QRect(x, r.top(), r.right() - x + 1, r.height()), Qt::AlignVCenter, nom);
        }
    }

    bool event(QEvent* event) override
    {
        if (event->type() != QEvent::ToolTip)
            return QWidget::event(event);
        // The whole name of the chip under the mouse.
        const QPoint at = static_cast<QHelpEvent*>(event)->pos();
        for (int i = 0; i < m_rects.size(); ++i)
            if (m_rects[i].contains(at)) {
                const QString nom = m_liste[i]->prenom() + QLatin1Char(' ') + m_liste[i]->nom();
                QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), plainToolTip(nom), this, m_rects[i]);
                return true;
            }
        QToolTip::hideText();
        event->ignore();
        return true;
    }

    void mousePressEvent(QMouseEvent* event) override
    {
        m_appui = -1;
        if (event->button() != Qt::LeftButton)
            return;
        for (int i = 0; i < m_rects.size(); ++i)
            if (m_rects[i].contains(event->position().toPoint()))
                m_appui = i;
        m_depart = event->position().toPoint();
    }

    void mouseMoveEvent(QMouseEvent* event) override
    {
        if (m_appui < 0 || !(event->buttons() & Qt::LeftButton)
            || (event->position().toPoint() - m_depart).manhattanLength() < QApplication::startDragDistance())
            return;
        const int i = m_appui;
        m_appui = -1;
        if (i >= m_liste.size())
            return;
        const Chauffeur* c = m_liste[i];
        m_actions->ecrire(QStringLiteral("🚚 Drag du chauffeur : ") + c->nom());
        auto* drag = new QDrag(this);
        drag->setMimeData(donneesGlissement(c));
        drag->setPixmap(grab(m_rects[i]));
        drag->setHotSpot(pointChaudGlissement());
        drag->exec(Qt::CopyAction);
    }

private:
    Query<Chauffeur>* m_chauffeurs;
    ActionsPlanning* m_actions;
    QList<Chauffeur*> m_liste;
    QList<QRect> m_rects;
    QList<std::pair<QString, QString>> m_textes; // first name and name as the chips show them
    int m_appui = -1;
    QPoint m_depart;
};

QPoint BandeauChauffeurs::pointChaudGlissement()
{
    return QPoint(-18, -12);
}

BandeauChauffeurs::BandeauChauffeurs(Query<Chauffeur>* chauffeurs, ActionsPlanning* actions, QWidget* parent)
    : QScrollArea(parent)
{
    setObjectName(QStringLiteral("bandeauChauffeurs"));
    setFrameShape(QFrame::NoFrame);
    setFixedHeight(kHauteurBandeau);
    setFocusPolicy(Qt::NoFocus); // the chips are dragged with the mouse
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWidgetResizable(false);
    m_puces = new Puces(chauffeurs, actions, this);
    setWidget(m_puces);
}

void BandeauChauffeurs::wheelEvent(QWheelEvent* event)
{
    // The strip only scrolls sideways: the wheel, turned either way, moves the chips (about a
    // chip a notch). With nothing hidden, the turn goes on to the screen around.
    QScrollBar* h = horizontalScrollBar();
    if (h->maximum() <= h->minimum()) {
        event->ignore();
        return;
    }
    h->setValue(h->value() - pasLateral(event->pixelDelta(), event->angleDelta(), 120));
    event->accept();
}

QMimeData* BandeauChauffeurs::donneesGlissement(const Chauffeur* chauffeur)
{
    auto* data = new QMimeData;
    data->setText(texteUuid(chauffeur->id()));
    return data;
}

QList<QRect> BandeauChauffeurs::rectsPuces() const
{
    return m_puces->rects();
}

QStringList BandeauChauffeurs::nomsPuces() const
{
    QStringList noms;
    for (const Chauffeur* c : m_puces->chauffeurs())
        noms.append(nomChauffeur(c));
    return noms;
}

namespace {

BandeauChauffeurs* bandeauDe(QWidget* puces)
{
    for (QWidget* w = puces; w; w = w->parentWidget())
        if (auto* b = qobject_cast<BandeauChauffeurs*>(w))
            return b;
    return nullptr;
}

// A chip, as a reader finds it: an item named by its driver, which can be dragged onto a rental.
class PuceAccessible : public QAccessibleInterface {
public:
    PuceAccessible(QWidget* puces, int index) : m_puces(puces), m_index(index) {}
    BandeauChauffeurs* bandeau() const { return m_puces ? bandeauDe(m_puces) : nullptr; }
    bool isValid() const override { return bandeau() && m_index < bandeau()->rectsPuces().size(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_puces ? m_puces->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return m_puces ? QAccessible::queryAccessibleInterface(m_puces) : nullptr; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override
    {
        if (!isValid())
            return {};
        if (t == QAccessible::Name)
            return bandeau()->nomsPuces().value(m_index);
        if (t == QAccessible::Description)
            return QStringLiteral("Glissez ce chauffeur sur une location du planning pour la lui attribuer.");
        return {};
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override
    {
        if (!isValid())
            return {};
        const QRect r = bandeau()->rectsPuces().value(m_index);
        return QRect(m_puces->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (isValid()) {
            const QWidget* vue = bandeau()->viewport();
            s.offscreen = !QRect(vue->mapToGlobal(QPoint(0, 0)), vue->size()).intersects(rect());
        }
        return s;
    }

private:
    QPointer<QWidget> m_puces;
    int m_index;
};

// The strip's chips: a list of the drivers.
class PucesAccessible : public QAccessibleWidget {
public:
    explicit PucesAccessible(QWidget* puces) : QAccessibleWidget(puces, QAccessible::List) {}
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return QStringLiteral("Chauffeurs");
        return QAccessibleWidget::text(t);
    }
    int childCount() const override
    {
        const BandeauChauffeurs* b = bandeauDe(widget());
        return b ? int(b->rectsPuces().size()) : 0;
    }
    QAccessibleInterface* child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        return m_puces.enfant(index, [&] { return new PuceAccessible(widget(), index); });
    }
    int indexOfChild(const QAccessibleInterface* enfant) const override { return m_puces.indexDe(enfant); }

private:
    EnfantsAccessibles m_puces;
};

} // namespace

QAccessibleInterface* accessiblePuces(QObject* objet)
{
    auto* w = qobject_cast<QWidget*>(objet);
    return w && w->objectName() == QLatin1String("pucesChauffeurs") && bandeauDe(w) ? new PucesAccessible(w) : nullptr;
}

} // namespace kv::planning
