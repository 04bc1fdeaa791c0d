#include "etiquetterepliable.h"

#include "glass/glass.h"
#include "icons.h"
#include "textstyles.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>

namespace kv {

namespace {
constexpr int kMargeX = 8;
constexpr int kMargeY = 4;
constexpr int kEspace = 4;
} // namespace

EtiquetteRepliable::EtiquetteRepliable(const QString& texte, const QString& symbole, QWidget* parent)
    : QWidget(parent), m_texte(texte), m_symbole(symbolIcon(symbole))
{
    // The look of a tag: caption text after its symbol, in a light rounded frame.
    setFont(fontForStyle(TextStyle::caption, font()));
    setAccessibleName(texte);
    QSizePolicy politique(QSizePolicy::Preferred, QSizePolicy::Preferred);
    politique.setHeightForWidth(true);
    setSizePolicy(politique);
}

int EtiquetteRepliable::cote() const
{
    return fontMetrics().height();
}

int EtiquetteRepliable::bord() const
{
    return 2 * kMargeX + cote() + kEspace;
}

QStringList EtiquetteRepliable::lignesPour(int largeurTexte) const
{
    // Word by word: a line takes the next word while it fits; a word longer than the line stands
    // alone on its own (the tag is never narrower than its longest word).
    const QFontMetrics fm = fontMetrics();
    QStringList lignes;
    QString ligne;
    for (const QString& mot : m_texte.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString essai = ligne.isEmpty() ? mot : ligne + QLatin1Char(' ') + mot;
        if (ligne.isEmpty() || fm.horizontalAdvance(essai) <= largeurTexte) {
            ligne = essai;
        } else {
            lignes << ligne;
            ligne = mot;
        }
    }
    if (!ligne.isEmpty() || lignes.isEmpty())
        lignes << ligne;
    return lignes;
}

QStringList EtiquetteRepliable::lignes() const
{
    return lignesPour(width() - bord());
}

QSize EtiquetteRepliable::sizeHint() const
{
    const QFontMetrics fm = fontMetrics();
    return {bord() + fm.horizontalAdvance(m_texte), std::max(cote(), fm.height()) + 2 * kMargeY};
}

QSize EtiquetteRepliable::minimumSizeHint() const
{
    const QFontMetrics fm = fontMetrics();
    int mot = 0;
    for (const QString& m : m_texte.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        mot = std::max(mot, fm.horizontalAdvance(m));
    return {bord() + mot, sizeHint().height()};
}

int EtiquetteRepliable::heightForWidth(int largeur) const
{
    const auto n = lignesPour(largeur - bord()).size();
    return int(n) * fontMetrics().lineSpacing() - fontMetrics().leading() + 2 * kMargeY
        + std::max(0, cote() - fontMetrics().height());
}

void EtiquetteRepliable::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        updateGeometry();
}

void EtiquetteRepliable::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QColor trait = palette().color(QPalette::WindowText);
    QColor fond = trait;
    fond.setAlphaF(0.06f);
    trait.setAlphaF(0.12f);
    // A capsule on one line; on several, the same ends' radius around a taller box.
    const QRectF cadre = QRectF(rect()).adjusted(0.25, 0.25, -0.25, -0.25);
    const qreal rayon = std::min(cadre.height() / 2, qreal(fontMetrics().height()) / 2 + kMargeY);
    const QPainterPath forme = glass::continuousRoundedRect(cadre, rayon);
    p.fillPath(forme, fond);
    p.strokePath(forme, QPen(trait, 0.5));

    const int c = cote();
    m_symbole.paint(&p, QRect(kMargeX, kMargeY, c, c));
    p.setPen(palette().color(QPalette::WindowText));
    const int x = kMargeX + c + kEspace;
    int y = kMargeY;
    for (const QString& ligne : lignes()) {
        p.drawText(QRect(x, y, width() - x - kMargeX, fontMetrics().height()), Qt::AlignLeft | Qt::AlignVCenter, ligne);
        y += fontMetrics().lineSpacing();
    }
}

} // namespace kv
