#include "tests.h"

#include "outils.h"
#include "platform/desktopopener.h"
#include "weighing/locationsetpeseeview.h"
#include "weighing/minibondepeseeform.h"
#include "weighing/piecejointepreview.h"

#include <QDir>
#include <QFileInfo>
#include <QListView>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

using kv::BonDePesee;
using kv::MiniBonDePeseeForm;
using Contenu = kv::PieceJointePreview::Contenu;
using namespace outils;

namespace {

std::unique_ptr<MiniBonDePeseeForm> formulaire(Bureau& b, kv::LocationDeBenne* l)
{
    auto f = std::make_unique<MiniBonDePeseeForm>(b.ctx.get(), l, b.horloge, b.dossier);
    f->resize(800, 700);
    return f;
}

void tourDeBoucle()
{
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

QPushButton* bouton(QWidget* f, const char* nom)
{
    return f->findChild<QPushButton*>(QLatin1String(nom));
}

// A ticket whose stored document lies at `chemin`.
BonDePesee* bonAvec(Bureau& b, const QString& chemin)
{
    auto* l = b.location(b.client(QStringLiteral("Durand")), at(2026, 3, 9, 10));
    BonDePesee* bon = b.bon(l, at(2026, 3, 9, 11), 100, chemin);
    b.sauver();
    return bon;
}

} // namespace

void TestPiecesJointes::deuxScans()
{
    Bureau b;
    QTemporaryDir ailleurs;
    QDir(ailleurs.path()).mkpath(QStringLiteral("a"));
    QDir(ailleurs.path()).mkpath(QStringLiteral("b"));
    const QString scanA = ecrirePdf(ailleurs.filePath(QStringLiteral("a/scan.pdf")));
    const QString scanB = ecrireImage(ailleurs.filePath(QStringLiteral("b/scan.pdf")));
    auto* c = b.client(QStringLiteral("Durand"));
    auto* l1 = b.location(c, at(2026, 3, 9, 10));
    auto* l2 = b.location(c, at(2026, 3, 8, 10));
    QVERIFY(b.sauver());
    auto f = formulaire(b, l1);
    f->show();

    f->setFilePicker([&](QWidget*) { return scanA; });
    QTest::mouseClick(bouton(f.get(), "ajouterBordereau"), Qt::LeftButton);
    const QString premier = QDir(b.ticketsPath()).filePath(QStringLiteral("scan.pdf"));
    QCOMPARE(f->cheminFichier(), std::optional<QString>(premier));
    QVERIFY(!bouton(f.get(), "ajouterBordereau")->isVisible());
    QCOMPARE(f->tagsEnTete().first(), QStringLiteral("Pièce jointe"));
    QCOMPARE(f->apercu()->contenu(), Contenu::Pdf);
    QVERIFY(l1->bonsDePesee().isEmpty()); // written by "Enregistrer" only
    f->enregistrerBon();
    QCOMPARE(l1->bonsDePesee().first()->cheminFichierTicket(), std::optional<QString>(premier));

    f->setLocation(l2);
    f->setFilePicker([&](QWidget*) { return scanB; });
    QTest::mouseClick(bouton(f.get(), "ajouterBordereau"), Qt::LeftButton);
    const QString second = *f->cheminFichier();
    QCOMPARE(QFileInfo(second).absolutePath(), QFileInfo(premier).absolutePath());
    QVERIFY(QRegularExpression(QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}-scan\\.pdf$"))
                .match(QFileInfo(second).fileName()).hasMatch());
    QVERIFY(QFileInfo::exists(scanA) && QFileInfo::exists(scanB));
    QVERIFY(QFileInfo::exists(premier) && QFileInfo::exists(second));

    // A cancelled question changes nothing.
    f->setFilePicker([](QWidget*) { return QString(); });
    f->ajouterBordereau();
    QCOMPARE(f->cheminFichier(), std::optional<QString>(second));

    // A picked file that cannot be copied: its error in the red line.
    f->setLocation(l1);
    f->supprimerFichier();
    f->importerFichierChoisi(ailleurs.filePath(QStringLiteral("absent.pdf")));
    QVERIFY(!f->importerError().isEmpty());
    QVERIFY(!f->cheminFichier());
}

void TestPiecesJointes::creationDuDossier()
{
    Bureau b;
    QVERIFY(!QFileInfo::exists(b.donnees.filePath(QStringLiteral("Kestrovan"))));
    auto* l = b.location(b.client(QStringLiteral("Durand")), at(2026, 3, 9, 10));
    QVERIFY(b.sauver());
    auto f = formulaire(b, l);
    QTemporaryDir ailleurs;
    f->importerFichierChoisi(ecrireImage(ailleurs.filePath(QStringLiteral("photo.png"))));
    QVERIFY(QFileInfo(b.donnees.filePath(QStringLiteral("Kestrovan/Tickets"))).isDir());
    QCOMPARE(b.ticketsPath(), b.donnees.filePath(QStringLiteral("Kestrovan/Tickets")));
    QCOMPARE(f->apercu()->contenu(), Contenu::Image);

    // Leaving without saving keeps the copy; the ticket keeps its own path.
    const QString copie = *f->cheminFichier();
    f->setLocation(l);
    QVERIFY(!f->cheminFichier());
    QVERIFY(QFileInfo::exists(copie));
}

void TestPiecesJointes::cheminHorsDossier()
{
    Bureau b;
    kv::RecordingDesktopOpener bureau;
    QTemporaryDir ailleurs;
    const QString externe = ecrirePdf(ailleurs.filePath(QStringLiteral("externe.pdf")));
    BonDePesee* bon = bonAvec(b, externe);
    auto f = formulaire(b, bon->location());
    f->show();
    QVERIFY(!bouton(f.get(), "ouvrirDansApercu")->isEnabled());
    QVERIFY(!bouton(f.get(), "revelerDansFinder")->isEnabled());
    QCOMPARE(f->apercu()->contenu(), Contenu::HorsDossier);
    f->ouvrirDansApercu();
    f->revelerDansFinder();
    QVERIFY(bureau.openedUrls.isEmpty() && bureau.shownItems.isEmpty());

    QTest::mouseClick(bouton(f.get(), "supprimerFichier"), Qt::LeftButton);
    QVERIFY(!bon->cheminFichierTicket());
    QVERIFY(!b.ctx->hasChanges());
    QVERIFY(QFileInfo::exists(externe));
    QCOMPARE(f->importerError(), QString());

    // Deleting a ticket whose document is outside leaves the document too.
    bon->setCheminFichierTicket(externe);
    QVERIFY(b.sauver());
    f->supprimerBon(bon);
    QVERIFY(bon->isDeleted());
    QVERIFY(QFileInfo::exists(externe));
}

void TestPiecesJointes::fichierManquant()
{
    Bureau b;
    QDir().mkpath(b.ticketsPath());
    const QString parti = QDir(b.ticketsPath()).filePath(QStringLiteral("parti.png"));
    BonDePesee* bon = bonAvec(b, parti);
    kv::RecordingDesktopOpener bureau;
    auto f = formulaire(b, bon->location());
    f->show();
    QCOMPARE(f->apercu()->contenu(), Contenu::ImageIlisible);
    f->ouvrirDansApercu();
    f->revelerDansFinder();
    QVERIFY(bureau.openedUrls.isEmpty() && bureau.shownItems.isEmpty());
    QCOMPARE(f->importerError(), QString());

    // A missing file counts as removed: the association goes without an error.
    f->supprimerFichier();
    QVERIFY(!bon->cheminFichierTicket());
    QVERIFY(!f->cheminFichier());
    QCOMPARE(f->importerError(), QString());

    bon->setCheminFichierTicket(parti);
    QVERIFY(b.sauver());
    f->supprimerBon(bon);
    QVERIFY(bon->isDeleted());
    QVERIFY(!b.ctx->hasChanges());
}

void TestPiecesJointes::liens()
{
    Bureau b;
    QDir().mkpath(b.ticketsPath());
    QTemporaryDir ailleurs;
    // A link outside pointing into the folder: inside, and its target goes.
    const QString cible = ecrireImage(QDir(b.ticketsPath()).filePath(QStringLiteral("cible.png")));
    const QString lienVersDedans = ailleurs.filePath(QStringLiteral("lien.png"));
    QVERIFY(QFile::link(cible, lienVersDedans));
    QVERIFY(b.dossier.contient(lienVersDedans));
    BonDePesee* bon = bonAvec(b, lienVersDedans);
    auto f = formulaire(b, bon->location());
    f->supprimerFichier();
    QVERIFY(!QFileInfo::exists(cible));
    QVERIFY(!bon->cheminFichierTicket());

    // A link inside pointing out: outside, nothing removed.
    const QString externe = ecrireImage(ailleurs.filePath(QStringLiteral("externe.png")));
    const QString lienVersDehors = QDir(b.ticketsPath()).filePath(QStringLiteral("dehors.png"));
    QVERIFY(QFile::link(externe, lienVersDehors));
    QVERIFY(!b.dossier.contient(lienVersDehors));
    bon->setCheminFichierTicket(lienVersDehors);
    QVERIFY(b.sauver());
    f->selectionnerBon(bon);
    f->supprimerFichier();
    QVERIFY(QFileInfo::exists(externe));
    QVERIFY(!bon->cheminFichierTicket());

    // The folder itself is not inside itself.
    QVERIFY(!b.dossier.contient(b.ticketsPath()));
}

void TestPiecesJointes::dossierVoisin()
{
    Bureau b;
    QDir().mkpath(b.ticketsPath());
    const QString voisin = b.donnees.filePath(QStringLiteral("Kestrovan/Tickets-old"));
    QDir().mkpath(voisin);
    const QString vieux = ecrirePdf(QDir(voisin).filePath(QStringLiteral("vieux.pdf")));
    QVERIFY(!b.dossier.contient(vieux));
    BonDePesee* bon = bonAvec(b, vieux);
    auto f = formulaire(b, bon->location());
    f->supprimerFichier();
    QVERIFY(QFileInfo::exists(vieux));
    bon->setCheminFichierTicket(vieux);
    QVERIFY(b.sauver());
    f->supprimerBon(bon);
    QVERIFY(QFileInfo::exists(vieux));
}

void TestPiecesJointes::sansDossierDeDonnees()
{
    Bureau b;
    kv::DossierTickets aucun{QString()};
    QCOMPARE(aucun.chemin(), QString());
    QVERIFY(!aucun.contient(b.donnees.path()));
    QString copie, erreur;
    QTemporaryDir ailleurs;
    QVERIFY(!aucun.importer(ecrireImage(ailleurs.filePath(QStringLiteral("a.png"))), &copie, &erreur));
    QVERIFY(!erreur.isEmpty());
    QVERIFY(copie.isEmpty());

    // No tickets folder yet: nothing is inside, nothing breaks.
    QVERIFY(!QFileInfo::exists(b.ticketsPath()));
    QVERIFY(!b.dossier.contient(ailleurs.filePath(QStringLiteral("a.png"))));
    QVERIFY(b.dossier.retirer(ailleurs.filePath(QStringLiteral("a.png")), &erreur));
    QVERIFY(QFileInfo::exists(ailleurs.filePath(QStringLiteral("a.png"))));
}

void TestPiecesJointes::seulsPdfEtImages()
{
    Bureau b;
    auto* l = b.location(b.client(QStringLiteral("Durand")), at(2026, 3, 9, 10));
    QVERIFY(b.sauver());
    auto f = formulaire(b, l);
    f->show();
    QTemporaryDir ailleurs;

    // Another kind of file is refused with a message; nothing is copied, the form is unchanged.
    f->setFilePicker([&](QWidget*) { return ecrireTexte(ailleurs.filePath(QStringLiteral("notes.txt"))); });
    QTest::mouseClick(bouton(f.get(), "ajouterBordereau"), Qt::LeftButton);
    QVERIFY(f->importerError().contains(QStringLiteral("notes.txt")));
    QVERIFY(f->importerError().contains(QStringLiteral("PDF")));
    QVERIFY(!f->cheminFichier());
    QVERIFY(!QFileInfo::exists(b.ticketsPath()) || QDir(b.ticketsPath()).isEmpty());
    QCOMPARE(f->apercu()->contenu(), Contenu::Aucun);
    QVERIFY(bouton(f.get(), "ajouterBordereau")->isVisible());

    // PDF documents and pictures of any kind are taken.
    const QString pdf = ecrirePdf(ailleurs.filePath(QStringLiteral("bon.pdf")));
    const QString jpeg = ecrireImage(ailleurs.filePath(QStringLiteral("photo.jpg")), "JPEG");
    for (const QString& source : {pdf, jpeg}) {
        f->importerFichierChoisi(source);
        QVERIFY2(f->cheminFichier() && b.dossier.contient(*f->cheminFichier()), qPrintable(source));
    }
    QCOMPARE(f->importerError(), QString());
    QCOMPARE(QDir(b.ticketsPath()).entryList(QDir::Files).size(), 2);
}

void TestPiecesJointes::retraitSansDossierDeDonnees()
{
    // Without the data folder nothing says whether the file is one of ours: nothing changes.
    Bureau b;
    const QString chemin = ecrirePdf(b.donnees.filePath(QStringLiteral("bon.pdf")));
    BonDePesee* bon = bonAvec(b, chemin);
    MiniBonDePeseeForm f(b.ctx.get(), bon->location(), b.horloge, kv::DossierTickets(QString()));
    QCOMPARE(f.cheminFichier(), std::optional<QString>(chemin));
    f.supprimerFichier();
    QVERIFY(f.importerError().startsWith(QStringLiteral("Impossible de supprimer la pièce : ")));
    QVERIFY(f.importerError().size() > QStringLiteral("Impossible de supprimer la pièce : ").size());
    QCOMPARE(f.cheminFichier(), std::optional<QString>(chemin));
    QCOMPARE(bon->cheminFichierTicket(), std::optional<QString>(chemin));
    QVERIFY(!b.ctx->hasChanges());
    QVERIFY(QFileInfo::exists(chemin));
}

void TestPiecesJointes::echecDeSauvegarde()
{
    Bureau b;
    auto* l = b.location(b.client(QStringLiteral("Durand")), at(2026, 3, 9, 10));
    QVERIFY(b.sauver());
    auto f = formulaire(b, l);
    QTemporaryDir ailleurs;
    f->importerFichierChoisi(ecrirePdf(ailleurs.filePath(QStringLiteral("bon.pdf"))));
    f->enregistrerBon();
    tourDeBoucle();
    BonDePesee* bon = l->bonsDePesee().first();
    const QString copie = *bon->cheminFichierTicket();
    QVERIFY(b.dossier.contient(copie));

    // Removing the attachment: the save fails, the association and the file stay.
    b.ctx->failNextSave(QStringLiteral("disque plein"));
    f->supprimerFichier();
    QCOMPARE(f->importerError(), QStringLiteral("Échec de la sauvegarde: disque plein"));
    QCOMPARE(bon->cheminFichierTicket(), std::optional<QString>(copie));
    QCOMPARE(f->cheminFichier(), std::optional<QString>(copie));
    QVERIFY(QFileInfo::exists(copie));

    // Deleting the ticket: the save fails, the ticket and the file stay.
    b.ctx->failNextSave(QStringLiteral("disque plein"));
    f->supprimerBon(bon);
    tourDeBoucle();
    QVERIFY(!bon->isDeleted());
    QVERIFY(QFileInfo::exists(copie));
    QCOMPARE(f->importerError(), QStringLiteral("Échec de la suppression: disque plein"));

    // Then both succeed and the file goes.
    f->supprimerBon(bon);
    QVERIFY(bon->isDeleted());
    QVERIFY(!QFileInfo::exists(copie));
}

void TestPiecesJointes::ouvrirEtReveler()
{
    Bureau b;
    kv::RecordingDesktopOpener bureau;
    auto* l = b.location(b.client(QStringLiteral("Durand")), at(2026, 3, 9, 10));
    QVERIFY(b.sauver());
    auto f = formulaire(b, l);
    f->show();
    QTemporaryDir ailleurs;
    f->importerFichierChoisi(ecrirePdf(ailleurs.filePath(QStringLiteral("bon.pdf"))));
    const QString copie = *f->cheminFichier();
    QTest::mouseClick(bouton(f.get(), "ouvrirDansApercu"), Qt::LeftButton);
    QCOMPARE(bureau.openedUrls, QList<QUrl>{QUrl::fromLocalFile(copie)});
    QTest::mouseClick(bouton(f.get(), "revelerDansFinder"), Qt::LeftButton);
    QCOMPARE(bureau.shownItems, QStringList{copie});

    // Without the file manager's service, the folder is opened instead.
    bureau.showItemResult = false;
    bureau.openedUrls.clear();
    f->revelerDansFinder();
    QCOMPARE(bureau.openedUrls, QList<QUrl>{QUrl::fromLocalFile(b.ticketsPath())});
    QCOMPARE(f->importerError(), QString());
}

void TestPiecesJointes::captures()
{
    // Pictures of the screen, for a look: empty, with tickets and without, a PDF and an image.
    const QString sortie = qEnvironmentVariable("KV_CAPTURES");
    if (sortie.isEmpty())
        QSKIP("KV_CAPTURES names the folder of the pictures");
    QDir().mkpath(sortie);
    {
        Bureau vide;
        kv::LocationsEtPeseeView v(vide.ctx.get(), vide.horloge, vide.dossier);
        v.resize(1200, 760);
        v.show();
        QVERIFY(v.grab().save(QDir(sortie).filePath(QStringLiteral("bons-vide.png"))));
    }
    Bureau b;
    QTemporaryDir ailleurs;
    const QStringList noms{QStringLiteral("Durand BTP"), QStringLiteral("Martin Paysages"),
                           QStringLiteral("Société Lyonnaise de Démolition et de Terrassement"),
                           QStringLiteral("Boulangerie Petit")};
    const QStringList couleurs{QStringLiteral("3366CC"), QStringLiteral("E67E22"), QStringLiteral("27AE60"),
                               QStringLiteral("zz")};
    kv::TypeDechet* gravats = b.type(QStringLiteral("Gravats"), 85);
    gravats->setCentres({b.centre(QStringLiteral("Centre de tri de Vénissieux"))});
    QList<kv::LocationDeBenne*> ls;
    for (int i = 0; i < 12; ++i) {
        auto* l = b.location(b.client(noms[i % 4]), at(2026, 3, 10 - i % 9, 9 + i % 5), gravats,
                             b.benne(6 + 2 * (i % 4), couleurs[i % 4]),
                             i % 3 ? std::optional<QString>(QStringLiteral("%1 rue de la République, Lyon").arg(i + 3))
                                   : std::nullopt);
        if (i % 3 == 1) {
            b.bon(l, at(2026, 3, 9, 10), 1250.5 + i);
            b.bon(l, at(2026, 3, 9, 15), 980);
        }
        ls << l;
    }
    QVERIFY(b.sauver());
    kv::LocationsEtPeseeView v(b.ctx.get(), b.horloge, b.dossier);
    v.resize(1200, 760);
    v.show();
    QVERIFY(v.grab().save(QDir(sortie).filePath(QStringLiteral("bons-liste.png"))));
    v.setSelection(ls[1]);
    tourDeBoucle();
    QVERIFY(v.grab().save(QDir(sortie).filePath(QStringLiteral("bons-avec.png"))));
    v.setSelection(ls[0]);
    tourDeBoucle();
    QVERIFY(v.grab().save(QDir(sortie).filePath(QStringLiteral("bons-sans.png"))));
    v.setSelection(ls[1]);
    v.formulaire()->importerFichierChoisi(ecrirePdf(ailleurs.filePath(QStringLiteral("bon.pdf"))));
    v.formulaire()->enregistrerBon();
    QTest::qWait(400); // the PDF view renders its pages in the background
    QVERIFY(v.grab().save(QDir(sortie).filePath(QStringLiteral("bons-pdf.png"))));
    v.setSelection(ls[4]);
    v.formulaire()->importerFichierChoisi(ecrireImage(ailleurs.filePath(QStringLiteral("photo.jpg")), "JPEG"));
    tourDeBoucle();
    QVERIFY(v.grab().save(QDir(sortie).filePath(QStringLiteral("bons-image.png"))));
    v.resize(1600, 1000);
    tourDeBoucle();
    QVERIFY(v.grab().save(QDir(sortie).filePath(QStringLiteral("bons-grand.png"))));
}
