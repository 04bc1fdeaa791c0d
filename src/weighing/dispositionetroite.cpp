#include "dispositionetroite.h"

#include "widgets/forms/editorframe.h"

#include "widgets/forms/formstyle.h"
#include "widgets/plaintext.h"

#include "widgets/macsectionheader.h"
#include "widgets/textstyles.h"

#include <QBoxLayout>
#include <QEvent>
#include <QLabel>
#include <QResizeEvent>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>

namespace kv {

QSize RangeePliable::minimumSizeHint() const
{
    int largeur = 0;
    for (int i = 0; i < row()->count(); ++i)
        if (QLayoutItem* item = row()->itemAt(i); item->widget() && !item->isEmpty())
            largeur = std::max(largeur, item->minimumSize().width());
    const QMargins m = row()->contentsMargins();
    return {largeur + m.left() + m.right(), FoldingRow::minimumSizeHint().height()};
}

namespace {

// The size a push button asks for with this text (as QPushButton measures itself).
QSize tailleBouton(const QPushButton* bouton, const QString& texte)
{
    QStyleOptionButton option;
    option.initFrom(bouton);
    option.features = bouton->isFlat() ? QStyleOptionButton::Flat : QStyleOptionButton::None;
    option.icon = bouton->icon();
    option.iconSize = bouton->iconSize();
    option.text = texte;
    int largeur = 0;
    int hauteur = 0;
    if (!bouton->icon().isNull()) {
        largeur += option.iconSize.width() + 4;
        hauteur = option.iconSize.height();
    }
    const QSize texteTaille = bouton->fontMetrics().size(Qt::TextShowMnemonic, texte);
    largeur += texteTaille.width();
    hauteur = std::max(hauteur, texteTaille.height());
    return bouton->style()->sizeFromContents(QStyle::CT_PushButton, &option, QSize(largeur, hauteur), bouton);
}

} // namespace

BoutonAbrege::BoutonAbrege(const QIcon& icon, const QString& texte, QWidget* parent)
    : QPushButton(icon, texte, parent), m_texte(texte)
{
    setAccessibleName(texte);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed); // a push button never narrows by itself
}

void BoutonAbrege::setBulle(const QString& bulle)
{
    m_bulle = bulle;
    abreger();
}

QSize BoutonAbrege::sizeHint() const
{
    return tailleBouton(this, m_texte);
}

QSize BoutonAbrege::minimumSizeHint() const
{
    return tailleBouton(this, m_texte.left(3) + QChar(0x2026)).boundedTo(sizeHint());
}

void BoutonAbrege::resizeEvent(QResizeEvent* event)
{
    QPushButton::resizeEvent(event);
    abreger();
}

void BoutonAbrege::changeEvent(QEvent* event)
{
    QPushButton::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        updateGeometry();
        abreger();
    }
}

void BoutonAbrege::abreger()
{
    // The room for the text: the button less what its symbol and frame take.
    const int cadre = sizeHint().width() - fontMetrics().size(Qt::TextShowMnemonic, m_texte).width();
    const QString montre = fontMetrics().elidedText(m_texte, Qt::ElideRight, width() - cadre);
    if (montre != text())
        QPushButton::setText(montre);
    const bool coupe = montre != m_texte;
    QString bulle = m_bulle;
    if (coupe)
        bulle = m_bulle.isEmpty() ? m_texte : m_texte + QLatin1Char('\n') + m_bulle;
    setToolTip(bulle.isEmpty() ? QString() : plainToolTip(bulle));
}

TableChamps::TableChamps(QWidget* parent) : QWidget(parent), m_rangees(new forms::FormRowsLayout(this))
{
    m_rangees->setContentsMargins(0, 4, 0, 4);
    m_rangees->setLabelWidth(130);
}

void TableChamps::ajouter(const QString& libelle, QWidget* champ, Qt::Alignment alignement, QWidget* compagnon)
{
    auto* item = new QWidgetItem(champ);
    item->setAlignment(alignement);
    QLabel* etiquette = libelle.isEmpty() ? nullptr : forms::makeFieldLabel(libelle, 130, this);
    if (etiquette)
        etiquette->setBuddy(compagnon ? compagnon : champ);
    m_rangees->addRow(etiquette, item);
}

bool TableChamps::empile() const
{
    return !m_rangees->labelsBeside();
}

QLabel* ajouterSousTitreRepliable(MacSectionHeader* entete, const QString& sousTitre)
{
    // The header's column of texts: its title, then its badges' row.
    auto* rangee = qobject_cast<QBoxLayout*>(entete->layout());
    QBoxLayout* colonne = nullptr;
    for (int i = 0; rangee && i < rangee->count() && !colonne; ++i)
        colonne = qobject_cast<QVBoxLayout*>(rangee->itemAt(i)->layout());
    auto* label = new QLabel(sousTitre, entete);
    label->setObjectName(QStringLiteral("subtitle"));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setFont(fontForStyle(TextStyle::subheadline, entete->font()));
    QPalette pal = label->palette();
    QColor couleur = pal.color(QPalette::WindowText);
    couleur.setAlphaF(0.6f);
    pal.setColor(QPalette::WindowText, couleur);
    label->setPalette(pal);
    if (colonne)
        colonne->insertWidget(1, label);
    return label;
}

} // namespace kv
