#include "tests.h"
#include <QPdfView>
#include <QApplication>
#include <QWheelEvent>
#include "lecteurecran.h"

#include "screenfixtures.h"

#include "reports/pdfpreview.h"
#include "reports/rapportdonnees.h"
#include "reports/rapportmensuelapercuview.h"
#include "reports/rapportpdfview.h"
#include "reports/rendurapport.h"

#include <QBuffer>
#include <QFile>
#include <QLabel>
#include <QPdfDocument>
#include <QPdfSelection>
#include <QPrinter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <memory>

using namespace kv;
using namespace fixtures;

namespace {
// The narrow no-break space of grouped thousands and of French colons.
const QString nnbsp = QString(QChar(0x202F));
} // namespace

namespace {

// A PDF read back, with every page's text.
struct PdfLu {
    explicit PdfLu(const QByteArray& bytes) : data(bytes)
    {
        buffer.setData(data);
        buffer.open(QIODevice::ReadOnly);
        doc.load(&buffer);
    }
    int pages() const { return doc.pageCount(); }
    QSizeF taille(int i) const { return doc.pagePointSize(i); }
    QString texte(int i) const { return doc.getAllText(i).text(); }
    QString tout() const
    {
        QString s;
        for (int i = 0; i < pages(); ++i)
            s += texte(i) + QLatin1Char('\n');
        return s;
    }
    QByteArray data;
    QBuffer buffer;
    mutable QPdfDocument doc;
};

// Keeps a PDF where a developer asked to look at it (KESTROVAN_PDF_DIR).
void garder(const QByteArray& pdf, const QString& nom)
{
    const QString dir = qEnvironmentVariable("KESTROVAN_PDF_DIR");
    if (dir.isEmpty())
        return;
    QFile f(dir + QLatin1Char('/') + nom);
    if (f.open(QIODevice::WriteOnly))
        f.write(pdf);
}

QString fine(const char* avant)
{
    return QString::fromUtf8(avant) + nnbsp + QStringLiteral(": ");
}

} // namespace

void TestPages::pagination()
{
    using rendu::paginer;
    using T = rendu::Tranche;
    QCOMPARE(paginer({500}, 2320), QList<T>({{0, 500}}));
    QCOMPARE(paginer({100, 1000, 2000, 3000, 3500}, 2320), QList<T>({{0, 2000}, {2000, 3500}}));
    // A block taller than a page is cut where the page ends.
    QCOMPARE(paginer({100, 5000}, 2000), QList<T>({{0, 100}, {100, 2100}, {2100, 4100}, {4100, 5000}}));
}

void TestPages::pageCourte()
{
    auto ctx = storeInFolder();
    Client* c = client(ctx.get(), "Dupont & Fils");
    TypeDechet* t = pricedWasteType(ctx.get(), "Gravats", 20.0);
    QList<LocationDeBenne*> locs{
        rental(c, colouredSkip(ctx.get(), 7.5), t, parisTime(2024, 12, 20, 9), parisTime(2025, 1, 6), QStringLiteral("Rue Trois")),
        rental(c, colouredSkip(ctx.get(), 10), nullptr, parisTime(2024, 12, 3, 9), std::nullopt, std::nullopt),
        rental(c, colouredSkip(ctx.get(), 12), t, parisTime(2024, 12, 11, 9), parisTime(2024, 12, 12), QStringLiteral("Rue Deux")),
    };
    RapportPDFView page(c, parisMs(2024, 12, 15), locs, paris());
    // The page's texts, character for character (narrow no-break spaces before the colons).
    QCOMPARE(page.textes(), QStringList({
        "Rapport mensuel", fine("Client") + "Dupont & Fils", fine("Période") + "déc. 2024",
        fine("Nombre total de locations") + "3",
        "• Pose : 3 déc. ", "  " + fine("Volume") + "10 m³", "  " + fine("Déchet") + "-",
        "  " + fine("Enlèvement") + "non prévue",
        "• Pose : 11 déc. Rue Deux", "  " + fine("Volume") + "12 m³", "  " + fine("Déchet") + "Gravats",
        "  " + fine("Enlèvement") + "12 déc.",
        "• Pose : 20 déc. Rue Trois", "  " + fine("Volume") + "7 m³", "  " + fine("Déchet") + "Gravats",
        "  " + fine("Enlèvement") + "6 janv.",
    }));
    const QByteArray bytes = rendu::genererPDF(page);
    garder(bytes, "court.pdf");
    PdfLu pdf(bytes);
    QCOMPARE(pdf.doc.status(), QPdfDocument::Status::Ready);
    QCOMPARE(pdf.pages(), 1);
    QCOMPARE(pdf.taille(0), QSizeF(600, 800));
    // The PDF's text comes back with plain spaces.
    const QString texte = pdf.texte(0).replace(nnbsp, " ");
    for (const QString& attendu : {QStringLiteral("Rapport mensuel"), QStringLiteral("Client : Dupont & Fils"),
                                   QStringLiteral("Nombre total de locations : 3"),
                                   QStringLiteral("Pose : 20 déc. Rue Trois"), QStringLiteral("Enlèvement : 6 janv.")})
        QVERIFY2(texte.contains(attendu), qPrintable(attendu + " in " + texte));
    // Oldest first.
    const qsizetype p3 = texte.indexOf("Pose : 3 déc."), p11 = texte.indexOf("Pose : 11 déc."),
                    p20 = texte.indexOf("Pose : 20 déc.");
    QVERIFY(p3 >= 0 && p3 < p11 && p11 < p20);

    // No rental: the header and a count of 0.
    RapportPDFView vide(c, parisMs(2025, 3, 1), {}, paris());
    PdfLu pdfVide(rendu::genererPDF(vide));
    QCOMPARE(pdfVide.pages(), 1);
    QVERIFY(vide.textes().contains(fine("Nombre total de locations") + "0"));
    QCOMPARE(vide.nombreDeBlocs(), 0);
    QVERIFY(!pdfVide.texte(0).contains("Pose"));
}

void TestPages::pageLongue()
{
    auto ctx = storeInFolder();
    Client* c = client(ctx.get(), "Long");
    TypeDechet* t = pricedWasteType(ctx.get(), "Déchets industriels banals", 20.0);
    Benne* b = colouredSkip(ctx.get(), 8);
    QList<LocationDeBenne*> locs;
    for (int i = 0; i < 160; ++i) {
        const QString adresse = QStringLiteral("Chantier%1 ").arg(i, 3, 10, QLatin1Char('0'))
                                + (i % 7 == 0 ? QStringLiteral("avenue d’une longueur telle qu’elle passe à la ligne sur la page "
                                                               "du rapport mensuel du client")
                                              : QStringLiteral("rue Courte"));
        locs << rental(c, b, t, parisTime(2025, 3, 1 + i % 28, 6 + i % 12), parisTime(2025, 4, 2), adresse);
    }
    RapportPDFView page(c, parisMs(2025, 3, 1), locs, paris());
    const QByteArray bytes = rendu::genererPDF(page);
    garder(bytes, "long.pdf");
    PdfLu pdf(bytes);
    QVERIFY(pdf.pages() > 1);
    for (int i = 0; i < pdf.pages(); ++i) {
        QCOMPARE(pdf.taille(i).width(), 600.0);
        QVERIFY(pdf.taille(i).height() >= 800 && pdf.taille(i).height() <= 2400);
    }
    // Every rental once, and a block never split between two pages.
    const QString tout = pdf.tout();
    for (int i = 0; i < 160; ++i) {
        const QString cle = QStringLiteral("Chantier%1").arg(i, 3, 10, QLatin1Char('0'));
        QCOMPARE(tout.count(cle), 1);
    }
    for (int i = 1; i < pdf.pages(); ++i)
        QVERIFY2(pdf.texte(i).trimmed().startsWith("• Pose"), qPrintable(pdf.texte(i).left(80)));
}

void TestPages::impression()
{
    auto ctx = storeInFolder();
    Client* c = client(ctx.get(), "Imprimé");
    Benne* b = colouredSkip(ctx.get(), 8);
    QList<LocationDeBenne*> locs;
    for (int i = 0; i < 60; ++i)
        locs << rental(c, b, nullptr, parisTime(2025, 3, 1 + i % 28, 8), std::nullopt,
                         QStringLiteral("Site%1").arg(i, 2, 10, QLatin1Char('0')));
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("imprime.pdf"));
    printer.setPageSize(QPageSize(QPageSize::A4));
    RapportPDFView page(c, parisMs(2025, 3, 1), locs, paris());
    QVERIFY(rendu::imprimer(page, printer));
    QFile f(dir.filePath("imprime.pdf"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    garder(bytes, "imprime.pdf");
    PdfLu pdf(bytes);
    QVERIFY(pdf.pages() > 1);
    QCOMPARE(page.width(), 480);
    const QString tout = pdf.tout();
    for (int i = 0; i < 60; ++i)
        QCOMPARE(tout.count(QStringLiteral("Site%1").arg(i, 2, 10, QLatin1Char('0'))), 1);
}

void TestPages::apercu()
{
    auto ctx = storeInFolder();
    Client* c = client(ctx.get(), "Martin");
    Client* homonyme = client(ctx.get(), "Martin");
    TypeDechet* t = pricedWasteType(ctx.get(), "Bois", 20.0);
    rental(c, colouredSkip(ctx.get()), t, parisTime(2025, 2, 3), std::nullopt, QStringLiteral("Ailleurs"));
    rental(homonyme, colouredSkip(ctx.get()), t, parisTime(2025, 1, 8), std::nullopt, QStringLiteral("Homonyme"));

    RapportMensuelApercuView vue(paris());
    vue.resize(800, 500);
    vue.afficher(c, parisMs(2025, 1, 15));
    QCOMPARE(vue.titre(), QStringLiteral("Aperçu du rapport pour Martin – janv. 2025"));
    QVERIFY(!vue.findChild<QLabel*>("apercuVide")->isHidden());
    QVERIFY(vue.findChild<QLabel*>("apercuNombre")->isHidden());
    QCOMPARE(vue.lignes()->rowCount(), 0);

    LocationDeBenne* ancienne = rental(c, colouredSkip(ctx.get(), 7.5), t, parisTime(2024, 12, 30), parisTime(2025, 1, 2),
                                         QStringLiteral("Décembre"));
    LocationDeBenne* premiere = rental(c, colouredSkip(ctx.get(), 7.5), t, parisTime(2025, 1, 5), parisTime(2025, 1, 9),
                                         QStringLiteral("Premier"));
    LocationDeBenne* seconde = rental(c, colouredSkip(ctx.get(), 20), nullptr, parisTime(2025, 1, 20));
    vue.afficher(c, parisMs(2025, 1, 31));
    QVERIFY(vue.findChild<QLabel*>("apercuVide")->isHidden());
    QCOMPARE(vue.findChild<QLabel*>("apercuNombre")->text(), fine("Nombre total de locations") + "2");
    QCOMPARE(vue.lignes()->locations(), QList<LocationDeBenne*>({seconde, premiere}));
    auto cell = [&](int r, int col) { return vue.lignes()->index(r, col).data().toString(); };
    QCOMPARE(cell(0, 0), QStringLiteral("20 janv."));
    QCOMPARE(cell(0, 1), QStringLiteral("non prévue"));
    QCOMPARE(cell(0, 2), QStringLiteral("20 m³"));
    QCOMPARE(cell(0, 3), QStringLiteral("-"));
    QCOMPARE(cell(0, 4), QStringLiteral("-"));
    QCOMPARE(cell(1, 1), QStringLiteral("9 janv."));
    QCOMPARE(cell(1, 2), QStringLiteral("7 m³"));

    // A rental moved into the month appears in its place; the rows already shown stay.
    QSignalSpy resets(vue.lignes(), &QAbstractItemModel::modelReset);
    QSignalSpy inserts(vue.lignes(), &QAbstractItemModel::rowsInserted);
    ancienne->setDatePose(parisTime(2025, 1, 10));
    vue.afficher(c, parisMs(2025, 1, 31));
    QCOMPARE(vue.lignes()->locations(), QList<LocationDeBenne*>({seconde, ancienne, premiere}));
    QCOMPARE(inserts.size(), 1);
    QCOMPARE(resets.size(), 0);
    QCOMPARE(cell(1, 1), QStringLiteral("2 janv."));
}

void TestPages::previsualisationPDF()
{
    auto ctx = storeInFolder();
    Client* c = client(ctx.get(), "Aperçu");
    RapportPDFView page(c, parisMs(2025, 1, 1), {}, paris());
    PDFPreview preview(rendu::genererPDF(page));
    QCOMPARE(preview.document()->status(), QPdfDocument::Status::Ready);
    QCOMPARE(preview.document()->pageCount(), 1);
    // A reader hears its name and the document's text.
    QCOMPARE(fixtures::spokenName(preview.view()), QStringLiteral("Aperçu PDF"));
    QVERIFY2(preview.view()->accessibleDescription().contains(QStringLiteral("Aperçu")),
             qPrintable(preview.view()->accessibleDescription()));
    // However narrow, a page stays readable, scrolling sideways inside the view; Ctrl+wheel zooms.
    preview.resize(200, 300);
    preview.show();
    QVERIFY(QTest::qWaitForWindowExposed(&preview));
    QTRY_VERIFY(preview.zoom() >= PDFPreview::kMinimumZoom);
    const double avant = preview.zoom();
    QWheelEvent roue(QPointF(50, 50), preview.view()->viewport()->mapToGlobal(QPointF(50, 50)), {}, QPoint(0, 120),
                     Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(preview.view()->viewport(), &roue);
    QVERIFY(preview.zoom() > avant);
    preview.setData(QByteArray("pas un PDF"));
    QCOMPARE(preview.document()->pageCount(), 0);
    preview.setData({});
    QCOMPARE(preview.document()->pageCount(), 0);
}
