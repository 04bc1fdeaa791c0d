#include "tests.h"

#include "outils.h"
#include "weighing/piecejointepreview.h"

#include <QPdfDocument>
#include <QTest>

using kv::PieceJointePreview;
using Contenu = PieceJointePreview::Contenu;

Q_DECLARE_METATYPE(std::optional<QString>)

void TestApercu::choixDuContenu_data()
{
    QTest::addColumn<std::optional<QString>>("chemin");
    QTest::addColumn<int>("attendu");
    QTest::newRow("aucun") << std::optional<QString>() << int(Contenu::Aucun);
    QTest::newRow("vide") << std::optional<QString>(QString()) << int(Contenu::Aucun);
    QTest::newRow("blancs") << std::optional<QString>(QStringLiteral("  ")) << int(Contenu::Image);
    QTest::newRow("PDF majuscules") << std::optional<QString>(QStringLiteral("/t/SCAN.PDF")) << int(Contenu::Pdf);
    QTest::newRow("pdf mêlé") << std::optional<QString>(QStringLiteral("/t/scan.PdF")) << int(Contenu::Pdf);
    QTest::newRow("png") << std::optional<QString>(QStringLiteral("/t/scan.png")) << int(Contenu::Image);
    QTest::newRow("heic") << std::optional<QString>(QStringLiteral("/t/scan.heic")) << int(Contenu::Image);
    QTest::newRow("sans extension") << std::optional<QString>(QStringLiteral("/t/scan")) << int(Contenu::Image);
    QTest::newRow("dossier.pdf") << std::optional<QString>(QStringLiteral("/t/a.pdf/scan")) << int(Contenu::Image);
    QTest::newRow("txt") << std::optional<QString>(QStringLiteral("/t/notes.txt")) << int(Contenu::Image);
}

void TestApercu::choixDuContenu()
{
    QFETCH(std::optional<QString>, chemin);
    QFETCH(int, attendu);
    QCOMPARE(int(PieceJointePreview::contenuPour(chemin)), attendu);
}

void TestApercu::lectureDesFichiers()
{
    QTemporaryDir dir;
    PieceJointePreview apercu;
    apercu.resize(400, 300);

    apercu.setChemin(outils::ecrirePdf(dir.filePath(QStringLiteral("bon.PDF"))));
    QCOMPARE(apercu.contenu(), Contenu::Pdf);
    QCOMPARE(apercu.document()->pageCount(), 1);

    apercu.setChemin(outils::ecrireImage(dir.filePath(QStringLiteral("photo.png"))));
    QCOMPARE(apercu.contenu(), Contenu::Image);
    QCOMPARE(apercu.image().size(), QSize(120, 80));
    QCOMPARE(apercu.document()->pageCount(), 0);

    // A picture without extension is still read from its contents.
    apercu.setChemin(outils::ecrireImage(dir.filePath(QStringLiteral("sansnom")), "JPEG"));
    QCOMPARE(apercu.contenu(), Contenu::Image);

    apercu.setChemin(outils::ecrireTexte(dir.filePath(QStringLiteral("notes.txt"))));
    QCOMPARE(apercu.contenu(), Contenu::ImageIlisible);
    QVERIFY(apercu.image().isNull());

    apercu.setChemin(dir.filePath(QStringLiteral("parti.png")));
    QCOMPARE(apercu.contenu(), Contenu::ImageIlisible);

    // A missing or damaged PDF leaves the PDF view empty.
    apercu.setChemin(dir.filePath(QStringLiteral("parti.pdf")));
    QCOMPARE(apercu.contenu(), Contenu::Pdf);
    QCOMPARE(apercu.document()->pageCount(), 0);
    apercu.setChemin(outils::ecrireTexte(dir.filePath(QStringLiteral("faux.pdf"))));
    QCOMPARE(apercu.contenu(), Contenu::Pdf);
    QCOMPARE(apercu.document()->pageCount(), 0);

    apercu.setChemin(QString());
    QCOMPARE(apercu.contenu(), Contenu::Aucun);
    apercu.setHorsDossier(dir.filePath(QStringLiteral("photo.png")));
    QCOMPARE(apercu.contenu(), Contenu::HorsDossier);
    QVERIFY(apercu.image().isNull());
}

void TestApercu::cheminRemplace()
{
    QTemporaryDir dir;
    PieceJointePreview apercu;
    const QString image = outils::ecrireImage(dir.filePath(QStringLiteral("a.png")));
    apercu.setChemin(image);
    QCOMPARE(apercu.contenu(), Contenu::Image);
    // The same path is not read again: the picture changed on disk stays as read.
    outils::ecrireTexte(image);
    apercu.setChemin(image);
    QCOMPARE(apercu.contenu(), Contenu::Image);
    // Another path is read.
    const QString pdf = outils::ecrirePdf(dir.filePath(QStringLiteral("b.pdf")));
    apercu.setChemin(pdf);
    QCOMPARE(apercu.document()->pageCount(), 1);
    const QString autre = outils::ecrirePdf(dir.filePath(QStringLiteral("c.pdf")));
    apercu.setChemin(autre);
    QCOMPARE(apercu.contenu(), Contenu::Pdf);
    QCOMPARE(apercu.document()->pageCount(), 1);
    apercu.setChemin(image);
    QCOMPARE(apercu.contenu(), Contenu::ImageIlisible);
}
