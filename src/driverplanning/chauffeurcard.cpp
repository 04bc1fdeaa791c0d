#include "chauffeurcard.h"

#include "widgets/accessiblenames.h"
#include "widgets/plaintext.h"
#include "model/records.h"
#include "widgets/glass/glass.h"
#include "widgets/textstyles.h"

#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>

namespace kv {

QWidget* surVerre(QWidget* contenu, const QColor& teinte, QWidget* parent)
{
    using M = glass::GlassBackgroundModifier;
    auto* vue = glass::glassBackground(contenu, M::GlassBackgroundDisplayMode::always, 8, teinte, 0.1,
                                       glass::Materiau::regular, 0.7, M::GradientStyle::normal, 1.5,
                                       QColor(Qt::blue), 0.5, 10, 0, 5, false);
    vue->setParent(parent);
    return vue;
}

ChauffeurCard::ChauffeurCard(Chauffeur* chauffeur, QWidget* parent)
    : QWidget(parent), m_chauffeur(chauffeur)
{
    auto* contenu = new QWidget;
    auto* interieur = new QVBoxLayout(contenu);
    interieur->setContentsMargins(kMarge, kMarge, kMarge, kMarge);
    m_nom = plainLabel(texte(), contenu);
    m_nom->setObjectName(QStringLiteral("nomChauffeur"));
    m_nom->setFont(fontForStyle(TextStyle::headline, font()));
    m_nom->setWordWrap(true);
    interieur->addWidget(m_nom);

    auto* layout = new QVBoxLayout(this);
    // Room for the glass's shadow.
    layout->setContentsMargins(0, 0, 0, kMarge);
    layout->addWidget(surVerre(contenu, chauffeur ? QColor(Qt::blue) : QColor(255, 149, 0), this));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    readAsItem(this);
    setAccessibleName(texte());
}

void ChauffeurCard::actualiser()
{
    setPlainText(m_nom, texte());
    setAccessibleName(texte());
    updateGeometry();
}

QSize ChauffeurCard::sizeHint() const
{
    // What surrounds the names: the glass's margins and the room for its shadow.
    const int bords = QWidget::sizeHint().width() - m_nom->sizeHint().width();
    // The label lays a line out a little wider than the text's advance (a word-wrapped label
    // measures it as a block): the wider of the two keeps a short name on one line.
    const int uneLigne = std::max(m_nom->fontMetrics().horizontalAdvance(m_nom->text()) + 2 * m_nom->margin() + 1,
                                  m_nom->sizeHint().width());
    const int largeur = std::min(uneLigne + bords, maximumWidth());
    return {largeur, heightForWidth(largeur)};
}

QSize ChauffeurCard::minimumSizeHint() const
{
    const QSize s = sizeHint();
    return {std::min(QWidget::minimumSizeHint().width(), s.width()), s.height()};
}

QString ChauffeurCard::texte() const
{
    if (!m_chauffeur)
        return QStringLiteral("À attribuer · %1").arg(m_aAttribuer);
    return m_chauffeur->prenom() + QLatin1Char(' ') + m_chauffeur->nom();
}

void ChauffeurCard::setNombreAAttribuer(int nombre)
{
    if (m_chauffeur)
        return;
    m_aAttribuer = nombre;
    actualiser();
    // The group, its count and what it holds, as one name.
    setAccessibleName(QStringLiteral("À attribuer\u00A0: ")
                      + (nombre == 0   ? QStringLiteral("aucune prestation")
                         : nombre == 1 ? QStringLiteral("1 prestation sans chauffeur")
                                       : QStringLiteral("%1 prestations sans chauffeur").arg(nombre)));
}

} // namespace kv
