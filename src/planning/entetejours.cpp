#include "entetejours.h"

#include "grilleplanning.h"

#include <QLocale>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

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

QPixmap EnteteJours::cellule(int i, const QDate& jour)
{
    const qreal dpr = devicePixelRatioF();
    if (jour != m_premierJour.addDays(i) || m_cellules.size() <= i || m_dpr != dpr) {
        // A new day list (or screen): every cell is drawn again.
        m_premierJour = jour.addDays(-i);
        m_dpr = dpr;
        m_cellules = QList<QPixmap>(kNombreJours + 1);
    }
    QPixmap& pm = m_cellules[i];
    if (!pm.isNull())
        return pm;
    pm = QPixmap(QSize(int(largeurColonne * dpr), int(hauteurBenne * dpr)));
    pm.setDevicePixelRatio(dpr);
    pm.fill(palette().color(QPalette::Window));
    QPainter p(&pm);
    const QRectF cellule(0, 0, largeurColonne, hauteurBenne);
    p.fillRect(cellule, estDimanche(jour) ? QColor(255, 59, 48, 51) : QColor(142, 142, 147, 38));
    p.setPen(QColor(142, 142, 147, 77));
    p.drawRect(cellule.adjusted(0.5, 0.5, -0.5, -0.5));
    QFont f1 = font(), f2 = font(), f3 = font();
    f1.setPixelSize(12);
    // Light, but not so thin that its strokes fade below 4.5:1 on the cell's grey.
    f1.setWeight(QFont::Normal);
    f2.setPixelSize(10);
    f2.setWeight(QFont::DemiBold);
    f3.setPixelSize(7);
    const QFontMetricsF m1(f1), m2(f2), m3(f3);
    const QStringList l = lignesJour(jour);
    // Three centred lines, 2 points apart.
    double y = (hauteurBenne - (m1.height() + 2 + m2.height() + 2 + m3.height())) / 2;
    p.setPen(palette().color(QPalette::WindowText));
    p.setFont(f1);
    p.drawText(QRectF(0, y, largeurColonne, m1.height()), Qt::AlignCenter, l[0]);
    y += m1.height() + 2;
    p.setFont(f2);
    p.drawText(QRectF(0, y, largeurColonne, m2.height()), Qt::AlignCenter, l[1]);
    y += m2.height() + 2;
    p.setFont(f3);
    p.drawText(QRectF(0, y, largeurColonne, m3.height()), Qt::AlignCenter, l[2]);
    return pm;
}

void EnteteJours::paintEvent(QPaintEvent* event)
{
    const JoursGrille& jours = m_grille->jours();
    QPainter p(this);
    p.fillRect(event->rect(), palette().color(QPalette::Window));
    const double x0 = m_grille->scrollOffset().x();
    const Plage fen = visibleJoursRange(x0, m_grille->width(), jours.count());
    const int premier = std::max(fen.debut, int((event->rect().left() + x0) / largeurColonne));
    const int dernier = std::min(fen.fin, int((event->rect().right() + x0) / largeurColonne) + 1);
    for (int i = premier; i < dernier; ++i)
        p.drawPixmap(QPointF(i * largeurColonne - x0, 0), cellule(i, jours.date(i)));
}

void EnteteJours::wheelEvent(QWheelEvent* event)
{
    // The header scrolls sideways only: either wheel moves the days.
    QScrollBar* h = m_grille->horizontalScrollBar();
    h->setValue(h->value() - pasLateral(event->pixelDelta(), event->angleDelta(), largeurColonne));
    event->accept();
}

void EnteteJours::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange)
        m_cellules.clear();
}

} // namespace kv::planning
