#include "vuepourlocationbenne.h"

#include "model/helpers.h"
#include "model/records.h"
#include "widgets/colors.h"
#include "widgets/glass/glass.h"
#include "widgets/icons.h"
#include "widgets/plaintext.h"
#include "widgets/textstyles.h"
#include "widgets/wrappingcheckbox.h"
#include "widgets/listkeys.h"

#include <QCheckBox>
#include <QMimeData>
#include <QResizeEvent>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>
#include <charconv>

namespace kv {

namespace {

bool aUnDispositif(const Benne* b)
{
    return b->dispositifSpecial() && !b->dispositifSpecial()->descriptionDispositif().isEmpty();
}

// The default decimal text of a volume: shortest round trip, ".0" kept for whole numbers.
QString texteVolume(double v)
{
    char buffer[64];
    const auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
    QString t = ec == std::errc() ? QString::fromLatin1(buffer, int(ptr - buffer)) : QString();
    if (std::isfinite(v) && !t.contains(QLatin1Char('.')) && !t.contains(QLatin1Char('e')))
        t += QStringLiteral(".0");
    return t;
}

constexpr int kGroupeRole = Qt::UserRole + 1;

} // namespace

QString GroupeDeBennes::id() const
{
    return texteVolume(type.volume) + QLatin1Char('-') + type.couleur;
}

QList<GroupeDeBennes> groupes(const QList<Benne*>& bennes, bool afficherBennesSales, bool inclureDispositifsSpeciaux)
{
    QList<GroupeDeBennes> out;
    for (Benne* b : bennes) {
        const auto etat = b->etat();
        const bool permis = etat == EtatBenne::neuf || etat == EtatBenne::correct
                            || (afficherBennesSales && etat == EtatBenne::sale);
        if (!permis || (!inclureDispositifsSpeciaux && aUnDispositif(b)))
            continue;
        auto it = std::find_if(out.begin(), out.end(), [b](const GroupeDeBennes& g) {
            return g.type.volume == b->volume() && g.type.couleur == b->couleur();
        });
        if (it == out.end()) {
            out.append(GroupeDeBennes{{b->volume(), b->couleur(), nullptr}, {}});
            it = out.end() - 1;
        }
        it->bennes.append(b);
    }
    for (GroupeDeBennes& g : out) {
        std::stable_sort(g.bennes.begin(), g.bennes.end(), [](const Benne* a, const Benne* b) {
            const bool da = aUnDispositif(a);
            const bool db = aUnDispositif(b);
            if (da != db)
                return !da;
            return a->id().toString(QUuid::WithoutBraces).toUpper() < b->id().toString(QUuid::WithoutBraces).toUpper();
        });
        for (const Benne* b : g.bennes)
            if (b->dispositifSpecial()) {
                g.type.dispositif = b->dispositifSpecial();
                break;
            }
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const GroupeDeBennes& a, const GroupeDeBennes& b) { return a.type.volume < b.type.volume; });
    return out;
}

// Paints one card: the box symbol, "10 m³" with its colour swatch, the device, the count.
QSize VueGroupeBenne::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    const QFontMetrics fm(option.font);
    return {300, fm.height() + 3 + 8 + std::max(40, fm.height() * 3 + 8) + 8};
}

void VueGroupeBenne::paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const auto* modele = static_cast<const ModeleGroupes*>(index.model());
    const GroupeDeBennes& g = modele->groupes().at(index.row());
    p->save();
    p->setRenderHint(QPainter::Antialiasing);
    const QFontMetrics fm(option.font);
    QRectF carte = QRectF(option.rect).adjusted(0, fm.height() + 3, -4, 0);
    const QPainterPath forme = glass::continuousRoundedRect(carte, 10);
    // Thin material: the colour of the window it stands in, mostly opaque, with a hairline so
    // it reads on paper; its texts are that window's.
    QColor fond = option.palette.color(QPalette::Window);
    fond.setAlphaF(0.85);
    p->fillPath(forme, fond);
    p->strokePath(forme, QPen(QColor(0, 0, 0, 28), 0.5));
    if (option.state & QStyle::State_Selected)
        p->strokePath(forme, QPen(option.palette.color(QPalette::Highlight), 1.5));
    const QRectF contenu = carte.adjusted(8, 8, -8, -8);
    const QRectF symbole(contenu.left(), contenu.center().y() - 20, 40, 40);
    paintedSymbolIcon(QStringLiteral("shippingbox.fill"), option.palette.color(QPalette::Highlight))
        .paint(p, symbole.toRect());
    qreal x = symbole.right() + 12;
    QFont titre = fontForStyle(TextStyle::headline, option.font);
    const QFontMetrics fmT(titre);
    qreal y = contenu.top();
    p->setFont(titre);
    p->setPen(option.palette.color(QPalette::WindowText));
    const QString volume = formatNumberShort(g.type.volume) + QStringLiteral(" m³");
    p->drawText(QPointF(x, y + fmT.ascent()), volume);
    const QRectF pastille(x + fmT.horizontalAdvance(volume) + 8, y + (fmT.height() - 20) / 2.0, 20, 20);
    const QPainterPath pf = glass::continuousRoundedRect(pastille, 4);
    p->fillPath(pf, colorFromHex(g.type.couleur, Qt::gray));
    p->strokePath(pf, QPen(QColor(0, 0, 0, 51), 0.5));
    y += std::max<qreal>(fmT.height(), 20) + 2;
    QColor secondaire = option.palette.color(QPalette::WindowText);
    secondaire.setAlphaF(0.6);
    if (g.type.dispositif) {
        const QFont sous = fontForStyle(TextStyle::subheadline, option.font);
        p->setFont(sous);
        p->setPen(secondaire);
        // A long description is cut with "…"; the row's tool tip holds it whole.
        const QString description = QFontMetrics(sous).elidedText(g.type.dispositif->descriptionDispositif(),
                                                                  Qt::ElideRight, int(contenu.right() - x));
        p->drawText(QPointF(x, y + QFontMetrics(sous).ascent()), description);
        y += QFontMetrics(sous).height() + 2;
    }
    const QFont legende = fontForStyle(TextStyle::caption, option.font);
    p->setFont(legende);
    p->setPen(secondaire);
    p->drawText(QPointF(x, y + QFontMetrics(legende).ascent()),
                QStringLiteral("Disponibles : %1").arg(g.bennes.size()));
    p->restore();
}

std::optional<QString> fournisseurGlisser(const GroupeDeBennes& groupe)
{
    if (groupe.bennes.isEmpty())
        return std::nullopt;
    return groupe.bennes.first()->id().toString(QUuid::WithoutBraces).toUpper();
}

void ModeleGroupes::setGroupes(const QList<GroupeDeBennes>& groupes)
{
    if (groupes == m_groupes)
        return;
    beginResetModel();
    m_groupes = groupes;
    endResetModel();
}

int ModeleGroupes::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_groupes.size());
}

QVariant ModeleGroupes::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_groupes.size())
        return {};
    const GroupeDeBennes& g = m_groupes[index.row()];
    if (role == Qt::DisplayRole)
        return formatNumberShort(g.type.volume) + QStringLiteral(" m³, disponibles : ") + QString::number(g.bennes.size());
    // What the row shows, its swatch said in words.
    if (role == Qt::AccessibleTextRole) {
        QString texte = formatNumberShort(g.type.volume) + QStringLiteral(" m³");
        if (const QString couleur = nomCouleur(g.type.couleur); !couleur.isEmpty())
            texte += QStringLiteral(", ") + couleur;
        if (g.type.dispositif && !g.type.dispositif->descriptionDispositif().isEmpty())
            texte += QStringLiteral(", ") + g.type.dispositif->descriptionDispositif();
        return texte + QStringLiteral(", disponibles : ") + QString::number(g.bennes.size());
    }
    if (role == kGroupeRole)
        return g.id();
    if (role == Qt::ToolTipRole && g.type.dispositif && !g.type.dispositif->descriptionDispositif().isEmpty())
        return plainToolTip(g.type.dispositif->descriptionDispositif());
    return {};
}

Qt::ItemFlags ModeleGroupes::flags(const QModelIndex& index) const
{
    return QAbstractListModel::flags(index) | Qt::ItemIsDragEnabled;
}

QStringList ModeleGroupes::mimeTypes() const
{
    return {QStringLiteral("text/plain")};
}

QMimeData* ModeleGroupes::mimeData(const QModelIndexList& indexes) const
{
    auto* mime = new QMimeData;
    if (indexes.isEmpty() || !indexes.first().isValid())
        return mime;
    if (const auto texte = fournisseurGlisser(m_groupes.at(indexes.first().row()))) {
        mime->setText(*texte);
        // The suggested name of the dragged item.
        mime->setData(QStringLiteral("application/x-kde-suggestedfilename"), "benne");
    }
    return mime;
}

VuePourLocationBenne::VuePourLocationBenne(std::function<QList<Benne*>()> bennes, Client* client,
                                           std::function<void()> onCancel, QWidget* parent)
    : QWidget(parent), m_bennes(std::move(bennes)), m_client(client), m_onCancel(std::move(onCancel))
{
    setObjectName(QStringLiteral("vuePourLocationBenne"));
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(16, 16, 16, 16);
    m_sales = new WrappingCheckBox(QStringLiteral("Inclure les bennes sales"), this);
    m_dispositifs = new WrappingCheckBox(QStringLiteral("Inclure les bennes avec dispositif spécial"), this);
    m_dispositifs->setChecked(true);
    v->addWidget(m_sales);
    v->addSpacing(10);
    v->addWidget(m_dispositifs);
    v->addSpacing(10);
    m_modele = new ModeleGroupes(this);
    m_liste = new QListView(this);
    m_liste->setAccessibleName(QStringLiteral("Bennes disponibles"));
    m_liste->setModel(m_modele);
    m_liste->setItemDelegate(new VueGroupeBenne(m_liste));
    m_liste->setDragEnabled(true);
    m_liste->setDragDropMode(QAbstractItemView::DragOnly);
    m_liste->setFrameShape(QFrame::NoFrame);
    m_liste->viewport()->setAutoFillBackground(false);
    m_liste->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_liste->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    keysArriveInViewOnFocus(m_liste);
    v->addWidget(m_liste, 1);
    connect(m_sales, &QCheckBox::toggled, this, &VuePourLocationBenne::actualiser);
    connect(m_dispositifs, &QCheckBox::toggled, this, &VuePourLocationBenne::actualiser);
    actualiser();
}

void VuePourLocationBenne::actualiser()
{
    m_modele->setGroupes(groupes(m_bennes ? m_bennes() : QList<Benne*>{}, m_sales->isChecked(),
                                 m_dispositifs->isChecked()));
}

} // namespace kv
