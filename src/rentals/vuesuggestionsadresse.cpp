#include "vuesuggestionsadresse.h"

#include "widgets/glass/glass.h"
#include "widgets/textstyles.h"

#include <QKeyEvent>
#include <QPainter>

namespace kv {

void ModeleLieux::setLieux(const QList<Lieu>& lieux)
{
    beginResetModel();
    m_lieux = lieux;
    endResetModel();
}

int ModeleLieux::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_lieux.size());
}

QVariant ModeleLieux::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_lieux.size())
        return {};
    const Lieu& l = m_lieux[index.row()];
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return l.titre;
    if (role == SousTitreRole)
        return l.sousTitre;
    return {};
}

void DelegueLieu::paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    p->save();
    const QPalette& pal = option.palette;
    if (option.state & (QStyle::State_Selected | QStyle::State_MouseOver)) {
        QColor fond = pal.color(QPalette::Highlight);
        fond.setAlphaF(option.state & QStyle::State_Selected ? 0.25 : 0.10);
        p->fillRect(option.rect, fond);
    }
    const QRect r = option.rect.adjusted(6, 6, -6, -6);
    QFont titre = fontForStyle(TextStyle::body, option.font);
    titre.setBold(m_titreGras);
    const QFont legende = fontForStyle(TextStyle::caption, option.font);
    const QFontMetrics fmT(titre);
    p->setFont(titre);
    p->setPen(pal.color(QPalette::Text));
    p->drawText(QRect(r.left(), r.top(), r.width(), fmT.height()), Qt::AlignLeft | Qt::AlignVCenter,
                fmT.elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight, r.width()));
    const QFontMetrics fmL(legende);
    QColor secondaire = pal.color(QPalette::Text);
    secondaire.setAlphaF(0.6);
    p->setFont(legende);
    p->setPen(secondaire);
    p->drawText(QRect(r.left(), r.top() + fmT.height() + 2, r.width(), fmL.height()),
                Qt::AlignLeft | Qt::AlignVCenter,
                fmL.elidedText(index.data(ModeleLieux::SousTitreRole).toString(), Qt::ElideRight, r.width()));
    QColor ligne = pal.color(QPalette::Text);
    ligne.setAlphaF(0.15);
    p->setPen(QPen(ligne, 1));
    p->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
    p->restore();
}

QSize DelegueLieu::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    const QFontMetrics fmT(fontForStyle(TextStyle::body, option.font));
    const QFontMetrics fmL(fontForStyle(TextStyle::caption, option.font));
    return {200, 6 + fmT.height() + 2 + fmL.height() + 6 + 1};
}

VueSuggestionsAdresse::VueSuggestionsAdresse(const QList<Lieu>& suggestions,
                                             std::function<void(const Lieu&)> onSelection, QWidget* parent)
    : QListView(parent), m_modele(new ModeleLieux(this)), m_onSelection(std::move(onSelection))
{
    setObjectName(QStringLiteral("vueSuggestionsAdresse"));
    setAccessibleName(QStringLiteral("Suggestions d’adresses"));
    setModel(m_modele);
    setItemDelegate(new DelegueLieu(false, this));
    setMouseTracking(true);
    setUniformItemSizes(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::NoFrame);
    setMaximumHeight(kHauteurMax);
    m_modele->setLieux(suggestions);
    connect(this, &QListView::clicked, this, &VueSuggestionsAdresse::choisir);
}

void VueSuggestionsAdresse::choisir(const QModelIndex& index)
{
    if (index.isValid() && index.row() < m_modele->lieux().size() && m_onSelection)
        m_onSelection(m_modele->lieux().at(index.row()));
}

void VueSuggestionsAdresse::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentIndex().isValid()) {
        choisir(currentIndex());
        return;
    }
    QListView::keyPressEvent(event);
}

void VueSuggestionsAdresse::setSuggestions(const QList<Lieu>& suggestions)
{
    m_modele->setLieux(suggestions);
}

QSize VueSuggestionsAdresse::sizeHint() const
{
    int h = 0;
    for (int i = 0; i < m_modele->rowCount() && h < kHauteurMax; ++i)
        h += sizeHintForRow(i);
    return {QListView::sizeHint().width(), std::min(h, kHauteurMax)};
}

void VueSuggestionsAdresse::paintEvent(QPaintEvent* event)
{
    {
        QPainter p(viewport());
        p.fillRect(viewport()->rect(), glass::couleurFenetre());
    }
    QListView::paintEvent(event);
}

} // namespace kv
