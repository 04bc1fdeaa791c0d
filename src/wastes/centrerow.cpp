#include "centrerow.h"

#include "lignes.h"
#include "widgets/forms/formstyle.h"

#include <QPainter>

namespace kv {

namespace {

constexpr int kMargeHorizontale = 8;
constexpr int kMargeVerticale = 5;
constexpr int kEntreItems = 12;

} // namespace

QString CentreRow::texteNombreTypes(const CentreTraitement* centre)
{
    return QString::number(centre->typesAcceptes().size()) + QStringLiteral(" type(s)");
}

QSize CentreRow::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    const QFontMetrics titre(forms::fontFor(forms::TextStyle::Headline, option.font));
    const QFontMetrics ligne(forms::fontFor(forms::TextStyle::Callout, option.font));
    return {200, titre.height() + ligne.height() + 2 + 2 * kMargeVerticale + 4};
}

void CentreRow::paint(QPainter* painter, const QStyleOptionViewItem& option,
                      const QModelIndex& index) const
{
    lignes::peindreFond(this, painter, option, index);

    const CentreTraitement* centre = lignes::recordDe<CentreTraitement>(index);
    if (!centre)
        return;

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QColor texte = lignes::couleurTexte(option);
    const QColor secondaire = forms::toneColor(forms::Tone::Secondary, texte);
    const QRect zone = option.rect.adjusted(kMargeHorizontale, kMargeVerticale, -kMargeHorizontale,
                                           -kMargeVerticale);

    const QFont fTitre = forms::fontFor(forms::TextStyle::Headline, option.font);
    const QFont fLigne = forms::fontFor(forms::TextStyle::Callout, option.font);
    const QFontMetrics mTitre(fTitre);
    const QFontMetrics mLigne(fLigne);
    const int haut = zone.center().y() - (mTitre.height() + 2 + mLigne.height()) / 2;

    painter->setFont(fTitre);
    painter->setPen(texte);
    painter->drawText(QRect(zone.left(), haut, zone.width(), mTitre.height()),
                      Qt::AlignLeft | Qt::AlignVCenter,
                      mTitre.elidedText(centre->nom(), Qt::ElideRight, zone.width()));

    painter->setFont(fLigne);
    painter->setPen(secondaire);
    const int y = haut + mTitre.height() + 2;
    int x = zone.left();
    const QString ville = centre->ville().value_or(QString());
    if (!ville.isEmpty()) {
        const int icone = mLigne.height();
        const QRect rectIcone(x, y, icone, icone);
        const QIcon symbole = forms::symbolIcon(QStringLiteral("mappin.and.ellipse"));
        if (!symbole.isNull()) {
            symbole.paint(painter, rectIcone);
        } else {
            // A small pin: a circle over a point.
            painter->setBrush(Qt::NoBrush);
            const QRectF tete(rectIcone.left() + icone * 0.25, rectIcone.top() + 1, icone * 0.5,
                              icone * 0.5);
            painter->drawEllipse(tete);
            painter->drawLine(QPointF(tete.center().x(), tete.bottom()),
                              QPointF(tete.center().x(), rectIcone.bottom() - 1));
        }
        x += icone + 4;
        const int reste = std::max(0, zone.right() - x) * 2 / 3;
        const QString affiche = mLigne.elidedText(ville, Qt::ElideRight, reste);
        painter->drawText(QRect(x, y, reste, mLigne.height()), Qt::AlignLeft | Qt::AlignVCenter,
                          affiche);
        x += mLigne.horizontalAdvance(affiche) + kEntreItems;
    }
    painter->drawText(QRect(x, y, std::max(0, zone.right() - x), mLigne.height()),
                      Qt::AlignLeft | Qt::AlignVCenter, texteNombreTypes(centre));
    painter->restore();
}

} // namespace kv
