#include "typedechetrow.h"

#include "model/query.h"
#include "widgets/focusstyle.h"
#include "widgets/forms/formstyle.h"

#include <QApplication>
#include <QPainter>

namespace kv {

namespace {

constexpr int kPastille = 24;
constexpr int kMargeVerticale = 3;
constexpr int kEspacement = 8;
constexpr int kMargeHorizontale = 8;

QFont policeCategorie(const QFont& base)
{
    return forms::fontFor(forms::TextStyle::Caption, base);
}

const TypeDechet* typeDe(const QModelIndex& index)
{
    const auto r = reinterpret_cast<Record*>(index.data(RecordListModelBase::RecordRole).value<quintptr>());
    if (!r || r->entityType() != EntityType::TypeDechet)
        return nullptr;
    return static_cast<const TypeDechet*>(r);
}

} // namespace

QColor TypeDechetRow::couleurPastille(const std::optional<QString>& couleur)
{
    const std::optional<QColor> c = colorFromHex(couleur.value_or(QStringLiteral("D1D5DB")));
    return c.value_or(forms::standardGrey());
}

int TypeDechetRow::largeurEntiere(const TypeDechet* type, const QFont& base)
{
    const QFontMetrics titre(forms::fontFor(forms::TextStyle::Headline, base));
    const QFontMetrics categorie(policeCategorie(base));
    int textes = std::max(titre.horizontalAdvance(type->libelle()), categorie.horizontalAdvance(type->categorie()));
    if (type->estDangereux())
        textes += kEspacement + categorie.height() + 4 + categorie.horizontalAdvance(QStringLiteral("Dangereux"));
    return 2 * kMargeHorizontale + kPastille + kEspacement + textes + 2;
}

QSize TypeDechetRow::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    const QFont titre = forms::fontFor(forms::TextStyle::Headline, option.font);
    const int texte = QFontMetrics(titre).height() + QFontMetrics(policeCategorie(option.font)).height() + 2;
    return {200, std::max(kPastille, texte) + 2 * kMargeVerticale + 6};
}

void TypeDechetRow::paint(QPainter* painter, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const
{
    QStyleOptionViewItem fond = option;
    initStyleOption(&fond, index);
    fond.text.clear();
    fond.icon = QIcon();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &fond, painter, widget);

    const TypeDechet* type = typeDe(index);
    if (!type)
        return;

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const bool choisi = option.state & QStyle::State_Selected;
    const QColor texte = forms::rowTextColor(option.palette, choisi, forms::Tone::Primary);
    const QRect zone = option.rect.adjusted(kMargeHorizontale, kMargeVerticale, -kMargeHorizontale,
                                           -kMargeVerticale);

    const QColor fondLigne = forms::rowBackground(fond);
    // Colour dot, outlined where its colour alone would not stand out from the row.
    const QRect pastille(zone.left(), zone.center().y() - kPastille / 2, kPastille, kPastille);
    const QColor couleur = couleurPastille(type->couleur());
    painter->setPen(QPen(forms::markOutline(couleur, fondLigne), 1.0));
    painter->setBrush(couleur);
    painter->drawEllipse(QRectF(pastille).adjusted(0.5, 0.5, -0.5, -0.5));

    // Badge at the trailing end.
    int droite = zone.right();
    if (type->estDangereux()) {
        const QFont f = policeCategorie(option.font);
        const QFontMetrics fm(f);
        const QString mot = QStringLiteral("Dangereux");
        const int icone = fm.height();
        const int largeur = icone + 4 + fm.horizontalAdvance(mot);
        const QRect badge(droite - largeur, zone.center().y() - icone / 2, largeur, icone);
        // The warning red, as a mark (3:1) and as text (4.5:1) on this row, whatever the palette.
        const QColor rouge = inkReadableOn(QColor(0xE5, 0x39, 0x35), fondLigne, 3.0);
        // A warning triangle in the badge's colour.
        const QRectF rectIcone(badge.left(), badge.top(), icone, icone);
        QPolygonF triangle;
        triangle << QPointF(rectIcone.center().x() + 0.5, rectIcone.top() + 1)
                 << QPointF(rectIcone.right(), rectIcone.bottom())
                 << QPointF(rectIcone.left(), rectIcone.bottom());
        painter->setPen(Qt::NoPen);
        painter->setBrush(rouge);
        painter->drawPolygon(triangle);
        const QColor blanc(Qt::white);
        painter->setPen(QPen(forms::contrastRatio(blanc, rouge) >= 3.0 ? blanc : QColor(Qt::black), 1.4));
        const qreal cx = rectIcone.center().x() + 0.5;
        painter->drawLine(QPointF(cx, rectIcone.top() + icone * 0.38),
                          QPointF(cx, rectIcone.bottom() - icone * 0.3));
        painter->drawPoint(QPointF(cx, rectIcone.bottom() - icone * 0.15));
        painter->setPen(choisi ? texte : forms::dangerTextColor(fondLigne));
        painter->setFont(f);
        painter->drawText(badge.adjusted(icone + 4, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, mot);
        droite = badge.left() - kEspacement;
    }

    // Name over category.
    const int gauche = pastille.right() + 1 + kEspacement;
    const QFont fTitre = forms::fontFor(forms::TextStyle::Headline, option.font);
    const QFont fCategorie = policeCategorie(option.font);
    const QFontMetrics mTitre(fTitre);
    const QFontMetrics mCategorie(fCategorie);
    const int hauteur = mTitre.height() + mCategorie.height();
    const int haut = zone.center().y() - hauteur / 2;
    const int largeur = std::max(0, droite - gauche);
    painter->setFont(fTitre);
    painter->setPen(texte);
    painter->drawText(QRect(gauche, haut, largeur, mTitre.height()), Qt::AlignLeft | Qt::AlignVCenter,
                      mTitre.elidedText(type->libelle(), Qt::ElideRight, largeur));
    painter->setFont(fCategorie);
    painter->setPen(forms::rowTextColor(option.palette, choisi, forms::Tone::Secondary));
    painter->drawText(QRect(gauche, haut + mTitre.height(), largeur, mCategorie.height()),
                      Qt::AlignLeft | Qt::AlignVCenter,
                      mCategorie.elidedText(type->categorie(), Qt::ElideRight, largeur));
    painter->restore();
    // The row the keys act on.
    if (option.state & QStyle::State_HasFocus)
        paintFocusFrame(painter, option.rect, option.palette, choisi);
}

} // namespace kv
