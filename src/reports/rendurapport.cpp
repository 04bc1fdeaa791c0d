#include "rendurapport.h"

#include "rapportpdfview.h"

#include <QBuffer>
#include <QPageSize>
#include <QPainter>
#include <QPicture>
#include <QPdfWriter>
#include <QPrinter>

#include <algorithm>

namespace kv::rendu {

QList<Tranche> paginer(const QList<int>& coupures, int hauteurMax)
{
    QList<Tranche> out;
    if (coupures.isEmpty())
        return out;
    const int total = coupures.last();
    hauteurMax = qMax(1, hauteurMax);
    int debut = 0;
    do {
        const int limite = debut + hauteurMax;
        int fin = -1;
        for (int c : coupures)
            if (c > debut && c <= limite)
                fin = c;
        if (fin < 0)
            fin = qMin(limite, total);
        out.append({debut, fin});
        debut = fin;
    } while (debut < total);
    return out;
}

namespace {

// Draws the share `t` of the laid-out page with its top-left corner at `origine` (painter units).
void dessinerTranche(QPainter& p, RapportPDFView& page, const Tranche& t, QPointF origine)
{
    p.save();
    p.translate(origine);
    p.setClipRect(QRectF(0, 0, page.width(), t.fin - t.debut));
    // render() puts the top-left corner of the region drawn at the target offset.
    page.render(&p, QPoint(0, 0), QRegion(0, t.debut, page.width(), t.fin - t.debut),
                QWidget::DrawChildren);
    p.restore();
}

} // namespace

QByteArray genererPDF(RapportPDFView& page, int largeur, int hauteurMin, int hauteurMax)
{
    const int largeurContenu = qMin(RapportPDFView::kLargeurMax, largeur);
    page.mettreEnPage(largeurContenu);
    const qreal margeCote = (largeur - page.width()) / 2.0;
    const QList<Tranche> tranches =
        paginer(page.coupuresPossibles(), hauteurMax - 2 * kMargeVerticalePDF);

    auto taillePage = [&](const Tranche& t) {
        const int h = std::clamp(t.fin - t.debut + 2 * kMargeVerticalePDF, hauteurMin, hauteurMax);
        return QPageSize(QSizeF(largeur, h), QPageSize::Point, QString(), QPageSize::ExactMatch);
    };

    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(72);
        writer.setCreator(QStringLiteral("Kestrovan"));
        writer.setTitle(QStringLiteral("Rapport mensuel"));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setPageSize(taillePage(tranches.first()));
        QPainter p;
        if (!p.begin(&writer))
            return {};
        for (qsizetype i = 0; i < tranches.size(); ++i) {
            if (i > 0) {
                writer.setPageSize(taillePage(tranches[i]));
                writer.newPage();
            }
            const QSizeF taille = taillePage(tranches[i]).size(QPageSize::Point);
            p.fillRect(QRectF(QPointF(0, 0), taille), Qt::white);
            dessinerTranche(p, page, tranches[i], QPointF(margeCote, kMargeVerticalePDF));
        }
        p.end();
    }
    return data;
}

bool imprimer(RapportPDFView& page, QPrinter& printer)
{
    constexpr int kLargeurImpression = 480;
    constexpr qreal kMarge = 20;
    printer.setPageMargins(QMarginsF(kMarge, kMarge, kMarge, kMarge), QPageLayout::Point);
    page.mettreEnPage(kLargeurImpression);

    // One unit of the page is one point on paper (printing goes through PDF: nothing is lost).
    printer.setResolution(72);
    const QRectF zone = printer.pageLayout().paintRect(QPageLayout::Point);
    const QList<Tranche> tranches = paginer(page.coupuresPossibles(), int(zone.height()));

    QPainter p;
    if (!p.begin(&printer))
        return false;
    for (qsizetype i = 0; i < tranches.size(); ++i) {
        if (i > 0 && !printer.newPage()) {
            p.end();
            return false;
        }
        // Widgets render onto a printer through a bitmap; recorded first as drawing commands,
        // the page reaches the printer as text and lines.
        const Tranche& t = tranches[i];
        QPicture dessin;
        {
            QPainter enregistreur(&dessin);
            dessinerTranche(enregistreur, page, t, QPointF(0, 0));
        }
        // A picture plays back scaled from its own resolution to the printer's: undo that.
        p.save();
        p.scale(qreal(dessin.logicalDpiX()) / printer.logicalDpiX(),
                qreal(dessin.logicalDpiY()) / printer.logicalDpiY());
        p.drawPicture(QPointF(0, 0), dessin);
        p.restore();
    }
    return p.end();
}

} // namespace kv::rendu
