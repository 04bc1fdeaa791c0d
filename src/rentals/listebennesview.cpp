#include "listebennesview.h"

#include "modifierlocation.h"

#include "model/daywindow.h"
#include "model/modelcontext.h"
#include "widgets/benneoscillanteview.h"
#include "widgets/colors.h"

#include <QDateTime>
#include <QKeyEvent>
#include <QMenu>
#include <QVBoxLayout>

namespace kv {

ListeBennesView::ListeBennesView(Client* client, std::function<QString(double)> formatter,
                                 std::function<void(LocationDeBenne*)> onSelect, QWidget* parent,
                                 Horloge horloge)
    : QWidget(parent), m_client(client), m_formatter(std::move(formatter)), m_onSelect(std::move(onSelect)),
      m_horloge(std::move(horloge))
{
    setObjectName(QStringLiteral("listeBennesView"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 15, 0, 0);
    m_pile = new QVBoxLayout;
    m_pile->setSpacing(8);
    layout->addLayout(m_pile);
    layout->addStretch(1);
    // The client's own rentals, which the store keeps paired with each rental's client: reading
    // them costs as many rentals as the client has, however many the office holds.
    if (ModelContext* ctx = client->modelContext())
        connect(ctx, &ModelContext::changed, this, [this](const ModelChanges& c) {
            if (c.touches(EntityType::LocationDeBenne) || c.touches(EntityType::Client) || c.touches(EntityType::Benne))
                actualiser();
        });
    actualiser();
}

bool ListeBennesView::estEnCours(const LocationDeBenne* location, qint64 debutDuJourMs)
{
    const qint64 fin = location->dateEnlevementMs().value_or(debutDuJourMs);
    return fin >= debutDuJourMs;
}

void ListeBennesView::setAfficherUniquementEnCours(bool enCours)
{
    if (m_enCours == enCours)
        return;
    m_enCours = enCours;
    actualiser();
}

namespace {

// A tile's text: black or white on the skip's colour; on the selected tile's glass, the text of
// the window it stands in, whose colour the glass takes.
void encrer(BenneOscillanteView* tuile, bool choisie)
{
    QPalette pal = tuile->palette();
    const QWidget* hote = tuile->parentWidget();
    pal.setColor(QPalette::WindowText, choisie ? (hote ? hote->palette() : QPalette()).color(QPalette::WindowText)
                                               : textColorOn(tuile->couleur()));
    tuile->setPalette(pal);
}

} // namespace

void ListeBennesView::setSelectedLocation(LocationDeBenne* location)
{
    m_selection = location ? location->id() : QUuid();
    for (auto it = m_tuiles.cbegin(); it != m_tuiles.cend(); ++it) {
        const bool choisie = !m_selection.isNull() && it.key() == m_selection;
        encrer(it.value(), choisie);
        it.value()->setSelected(choisie);
    }
}

QList<LocationDeBenne*> ListeBennesView::locationsFiltrees() const
{
    const qint64 debutDuJour = startOfDayMs(m_horloge.maintenant(), m_horloge.zone);
    QList<LocationDeBenne*> out;
    if (m_client->isDeleted())
        return out;
    for (LocationDeBenne* l : m_client->locations())
        if (!l->isDeleted() && (!m_enCours || estEnCours(l, debutDuJour)))
            out.append(l);
    return out;
}

BenneOscillanteView* ListeBennesView::tuile(const LocationDeBenne* location) const
{
    return location ? m_tuiles.value(location->id()) : nullptr;
}

QString ListeBennesView::texteTuile(const LocationDeBenne* l) const
{
    const QString volume = l->benne() && m_formatter ? m_formatter(l->benne()->volume()) : QString();
    return QStringLiteral("Benne ") + volume + QStringLiteral(" m³\nChantier\u00A0: ")
           + l->adresse().value_or(QStringLiteral("Inconnu"));
}

void ListeBennesView::actualiser()
{
    const QList<LocationDeBenne*> montrees = locationsFiltrees();
    QHash<QUuid, BenneOscillanteView*> restantes = m_tuiles;
    m_tuiles.clear();
    // Tiles are kept by rental id, so a change never restarts a running swing.
    while (m_pile->count() > 0)
        delete m_pile->takeAt(0);
    for (LocationDeBenne* l : montrees) {
        const QColor couleur = l->benne() ? colorFromHex(l->benne()->couleur(), Qt::green) : QColor(Qt::green);
        BenneOscillanteView* t = restantes.take(l->id());
        const bool choisie = !m_selection.isNull() && l->id() == m_selection;
        if (!t) {
            t = new BenneOscillanteView(texteTuile(l), couleur, choisie, {}, this);
            t->setContextMenuPolicy(Qt::CustomContextMenu);
            connect(t, &QWidget::customContextMenuRequested, this,
                    [this, t](const QPoint& pos) { ouvrirMenu(t, t->mapToGlobal(pos)); });
            t->installEventFilter(this);
        } else {
            t->setText(texteTuile(l));
            t->setCouleur(couleur);
            t->setSelected(choisie);
        }
        encrer(t, choisie);
        t->setOnTap([this, l] {
            if (m_onSelect)
                m_onSelect(l);
        });
        m_tuiles.insert(l->id(), t);
        // The whole row: the tile centres itself in it, and widens a little when it has room.
        m_pile->addWidget(t);
    }
    for (BenneOscillanteView* t : std::as_const(restantes))
        t->deleteLater();
    setMinimumWidth(kLargeurTuile);
}

LocationDeBenne* ListeBennesView::locationDe(const QObject* tuile) const
{
    for (auto it = m_tuiles.cbegin(); it != m_tuiles.cend(); ++it)
        if (it.value() == tuile)
            for (LocationDeBenne* l : m_client->locations())
                if (l->id() == it.key() && !l->isDeleted())
                    return l;
    return nullptr;
}

QMenu* ListeBennesView::ouvrirMenu(BenneOscillanteView* tuile, const QPoint& positionGlobale)
{
    LocationDeBenne* l = locationDe(tuile);
    if (!l)
        return nullptr;
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("menuTuile"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    ajouterModifierLocation(menu, this, l->modelContext(), l);
    menu->popup(positionGlobale);
    return menu;
}

bool ListeBennesView::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* tuile = qobject_cast<BenneOscillanteView*>(watched);
        const auto* touche = static_cast<QKeyEvent*>(event);
        LocationDeBenne* l = tuile ? locationDe(tuile) : nullptr;
        if (l && QKeySequence(touche->keyCombination()) == raccourciModifierLocation()) {
            modifierLocation(this, l->modelContext(), l);
            return true;
        }
        if (l && touche->key() == Qt::Key_F10 && touche->modifiers() == Qt::ShiftModifier) {
            ouvrirMenu(tuile, tuile->mapToGlobal(tuile->rect().center()));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace kv
