#include "entetejours.h"

#include "grilleplanning.h"

#include <QLocale>
#include <QPaintEvent>
#include <QPainter>

namespace kv::planning {

EnteteJours::EnteteJours(GrillePlanning* grille) : QWidget(grille), m_grille(grille)
{
    setObjectName(QStringLiteral("enteteJours"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QStringList EnteteJours::lignesJour(const QDate& jour)
{
    const QLocale locale;
    return {locale.dayName(jour.dayOfWeek(), QLocale::LongFormat),
            QString::number(jour.day()) + QLatin1Char(' ') + locale.monthName(jour.month(), QLocale::ShortFormat),
            QString::number(jour.year())};
}

void EnteteJours::paintEvent(QPaintEvent* event)
{
    const JoursGrille& jours = m_grille->jours();
    if (jours.date(0) != m_premierJour || m_lignes.size() != jours.count()) {
        m_premierJour = jours.date(0);
        m_lignes.clear();
        for (const QDate& d : jours.dates())
            m_lignes.append(lignesJour(d));
    }
    QPainter p(this);
    p.fillRect(event->rect(), palette().color(QPalette::Window));
    const double x0 = m_grille->scrollOffset().x();
    const Plage fen = visibleJoursRange(x0, m_grille->width(), jours.count());
    const int premier = std::max(fen.debut, int((event->rect().left() + x0) / largeurColonne));
    const int dernier = std::min(fen.fin, int((event->rect().right() + x0) / largeurColonne) + 1);

    QFont f1 = font(), f2 = font(), f3 = font();
    f1.setPixelSize(12);
    f1.setWeight(QFont::ExtraLight);
    f2.setPixelSize(10);
    f2.setWeight(QFont::DemiBold);
    f3.setPixelSize(7);
    const QFontMetricsF m1(f1), m2(f2), m3(f3);
    const double hauteurTexte = m1.height() + 2 + m2.height() + 2 + m3.height();
    p.setPen(palette().color(QPalette::WindowText));
    for (int i = premier; i < dernier; ++i) {
        const QRectF cellule(i * largeurColonne - x0, 0, largeurColonne, hauteurBenne);
        const bool dimanche = estDimanche(jours.date(i));
        p.fillRect(cellule, dimanche ? QColor(255, 59, 48, 51) : QColor(142, 142, 147, 38));
        p.setPen(QColor(142, 142, 147, 77));
        p.setBrush(Qt::NoBrush);
        p.drawRect(cellule.adjusted(0.5, 0.5, -0.5, -0.5));
        p.setPen(palette().color(QPalette::WindowText));
        double y = cellule.top() + (cellule.height() - hauteurTexte) / 2;
        const QStringList& l = m_lignes[i];
        p.setFont(f1);
        p.drawText(QRectF(cellule.left(), y, largeurColonne, m1.height()), Qt::AlignCenter, l[0]);
        y += m1.height() + 2;
        p.setFont(f2);
        p.drawText(QRectF(cellule.left(), y, largeurColonne, m2.height()), Qt::AlignCenter, l[1]);
        y += m2.height() + 2;
        p.setFont(f3);
        p.drawText(QRectF(cellule.left(), y, largeurColonne, m3.height()), Qt::AlignCenter, l[2]);
    }
}

} // namespace kv::planning
