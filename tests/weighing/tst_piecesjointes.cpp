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
#include <QTemporaryFile>
#include <QTimer>
#include <QAbstractFileIconProvider>
#include <QFileDialog>
#include <QMimeDatabase>

#include <sys/stat.h>

using kv::BonDePesee;
using kv::MiniBonDePeseeForm;
using Contenu = kv::PieceJointePreview::Contenu;
using namespace outils;

namespace {

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

    // Leaving without saving drops the copy; the picked file stays where it was.
    const QString copie = *f->cheminFichier();
    f->setLocation(l);
    QVERIFY(!f->cheminFichier());
    QVERIFY(!QFileInfo::exists(copie));
    QVERIFY(QFileInfo::exists(ailleurs.filePath(QStringLiteral("photo.png"))));
}

void TestPiecesJointes::copiesAbandonnees()
{
    Bureau b;
    QTemporaryDir ailleurs;
    const QString original = ecrirePdf(ailleurs.filePath(QStringLiteral("scan.pdf")));
    auto* l1 = b.location(b.client(QStringLiteral("Durand")), at(2026, 3, 9, 10));
    auto* l2 = b.location(b.client(QStringLiteral("Martin")), at(2026, 3, 8, 10));
    BonDePesee* ancien = b.bon(l1, at(2026, 3, 9, 11), 100);
    QVERIFY(b.sauver());
    auto v = std::make_unique<kv::LocationsEtPeseeView>(b.ctx.get(), b.horloge, b.dossier);
    v->resize(1200, 760);
    v->show();
    QVERIFY(QTest::qWaitForWindowExposed(v.get()));
    // A document attached and not stored is typed work: leaving it asks, and is answered so.
    const auto choisirLocation = [&](kv::LocationDeBenne* l, bool abandon = false) {
        QTest::mouseClick(v->liste()->viewport(), Qt::LeftButton, {},
                          v->liste()->visualRect(v->modele()->indexOf(l)).center());
        QCOMPARE(abandonnerSaisie(v.get()), abandon);
        QCOMPARE(v->formulaire()->location(), l);
    };
    choisirLocation(l1);
    MiniBonDePeseeForm* f = v->formulaire();
    QString source = original;
    f->setFilePicker([&](QWidget*) { return source; });
    const auto joindre = [&] {
        QTest::mouseClick(bouton(f, "ajouterBordereau"), Qt::LeftButton);
        const QString copie = f->cheminFichier().value_or(QString());
        if (!QFileInfo::exists(copie) || !b.dossier.contient(copie))
            qWarning("aucune copie pour « %s »", qPrintable(source));
        return copie;
    };
    const auto dossierTickets = [&] {
        return QDir(b.ticketsPath()).entryList(QDir::Files);
    };

    // A new ticket dropped by "Nouveau bon".
    QTest::mouseClick(bouton(f, "nouveauBon"), Qt::LeftButton);
    QString copie = joindre();
    QCOMPARE(dossierTickets().size(), 1);
    QTest::mouseClick(bouton(f, "nouveauBon"), Qt::LeftButton);
    QVERIFY(QFileInfo::exists(copie));
    QVERIFY(abandonnerSaisie(v.get()));
    QVERIFY(!QFileInfo::exists(copie));
    QVERIFY(dossierTickets().isEmpty());

    // By another ticket of the rental.
    copie = joindre();
    QTest::mouseClick(f->findChild<QPushButton*>(QStringLiteral("choisirBon")), Qt::LeftButton);
    QVERIFY(abandonnerSaisie(v.get()));
    QCOMPARE(f->bonCourant(), ancien);
    QVERIFY(!QFileInfo::exists(copie));

    // A stored ticket given a document it does not keep.
    copie = joindre();
    QVERIFY(!ancien->cheminFichierTicket());
    choisirLocation(l2, true);
    QVERIFY(!QFileInfo::exists(copie));
    QVERIFY(dossierTickets().isEmpty());

    // Saved, the copy is the ticket's: it stays when the form moves on.
    copie = joindre();
    QTest::mouseClick(bouton(f, "enregistrer"), Qt::LeftButton);
    QCOMPARE(l2->bonsDePesee().size(), 1);
    QCOMPARE(l2->bonsDePesee().first()->cheminFichierTicket(), std::optional<QString>(copie));
    QTest::mouseClick(bouton(f, "nouveauBon"), Qt::LeftButton);
    choisirLocation(l1);
    QVERIFY(QFileInfo::exists(copie));

    // A save that failed leaves the copy unsaved: dropped with the ticket.
    const QString garde = copie;
    QTest::mouseClick(bouton(f, "nouveauBon"), Qt::LeftButton);
    copie = joindre();
    b.ctx->failNextSave(QStringLiteral("disque plein"));
    QTest::mouseClick(bouton(f, "enregistrer"), Qt::LeftButton);
    QCOMPARE(l1->bonsDePesee().size(), 1);
    choisirLocation(l2, true);
    QVERIFY(!QFileInfo::exists(copie));

    // A stored ticket's own document picked again: its copy goes, never the stored file.
    source = garde;
    QTest::mouseClick(bouton(f, "nouveauBon"), Qt::LeftButton);
    copie = joindre();
    QVERIFY(copie != garde);
    QTest::mouseClick(bouton(f, "nouveauBon"), Qt::LeftButton);
    QVERIFY(abandonnerSaisie(v.get()));
    QVERIFY(!QFileInfo::exists(copie));
    QVERIFY(QFileInfo::exists(garde));

    // A screen closed with an unsaved copy takes it along.
    source = original;
    copie = joindre();
    v.reset();
    QVERIFY(!QFileInfo::exists(copie));
    QCOMPARE(dossierTickets(), QStringList{QFileInfo(garde).fileName()});
    QVERIFY(QFileInfo::exists(original));
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
    // The picture took the unsaved PDF's place: that copy went.
    QCOMPARE(QDir(b.ticketsPath()).entryList(QDir::Files), QStringList{QFileInfo(*f->cheminFichier()).fileName()});
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

    // A desktop with no file manager and nothing to open the file: the red line says so, with
    // the whole path, and a later success clears it.
    bureau.openResult = false;
    QTest::mouseClick(bouton(f.get(), "revelerDansFinder"), Qt::LeftButton);
    QVERIFY2(f->importerError().contains(QStringLiteral("« %1 »").arg(QDir::toNativeSeparators(b.ticketsPath())))
                 && f->importerError().contains(QStringLiteral("gestionnaire de fichiers")),
             qPrintable(f->importerError()));
    QVERIFY(f->findChild<QLabel*>(QStringLiteral("ligneErreur"))->isVisibleTo(f.get()));
    QTest::mouseClick(bouton(f.get(), "ouvrirDansApercu"), Qt::LeftButton);
    QVERIFY2(f->importerError().contains(QStringLiteral("« %1 »").arg(QDir::toNativeSeparators(copie))),
             qPrintable(f->importerError()));
    bureau.openResult = true;
    QTest::mouseClick(bouton(f.get(), "revelerDansFinder"), Qt::LeftButton);
    QCOMPARE(f->importerError(), QString());
}

namespace {

// The rentals screen showing `bon`'s rental, chosen with a click in its list.
std::unique_ptr<kv::LocationsEtPeseeView> ecranSur(Bureau& b, BonDePesee* bon)
{
    auto v = std::make_unique<kv::LocationsEtPeseeView>(b.ctx.get(), b.horloge, b.dossier);
    v->resize(1200, 760);
    v->show();
    QTest::mouseClick(v->liste()->viewport(), Qt::LeftButton, {},
                      v->liste()->visualRect(v->modele()->indexOf(bon->location())).center());
    return v;
}

} // namespace

void TestPiecesJointes::dossierDisparu()
{
    const QString prefixe = QStringLiteral("Impossible de supprimer la pièce : ");
    Bureau b;
    QTemporaryDir ailleurs;
    kv::MiniBonDePeseeForm* f = nullptr;
    std::unique_ptr<kv::LocationsEtPeseeView> v;
    BonDePesee* bon = nullptr;
    {
        auto* l = b.location(b.client(QStringLiteral("Durand")), at(2026, 3, 9, 10));
        QVERIFY(b.sauver());
        v = std::make_unique<kv::LocationsEtPeseeView>(b.ctx.get(), b.horloge, b.dossier);
        v->resize(1200, 760);
        v->show();
        v->setSelection(l);
        f = v->formulaire();
        f->setFilePicker([&](QWidget*) { return ecrirePdf(ailleurs.filePath(QStringLiteral("bon.pdf"))); });
        QTest::mouseClick(bouton(f, "ajouterBordereau"), Qt::LeftButton);
        QTest::mouseClick(bouton(f, "enregistrer"), Qt::LeftButton);
        tourDeBoucle();
        QCOMPARE(l->bonsDePesee().size(), 1);
        bon = l->bonsDePesee().first();
        v.reset();
    }
    const QString copie = *bon->cheminFichierTicket();
    QVERIFY(b.dossier.contient(copie));
    const QString kestrovan = b.donnees.filePath(QStringLiteral("Kestrovan"));
    const QString range = b.donnees.filePath(QStringLiteral("Rangé"));

    // The folder moved away, then "Kestrovan" replaced by a file: the removal says why and
    // changes nothing, the moved document included.
    QVERIFY(QDir().rename(kestrovan, range));
    for (int cas = 0; cas < 2; ++cas) {
        if (cas == 1)
            QVERIFY(ecrireTexte(kestrovan) == kestrovan);
        v = ecranSur(b, bon);
        f = v->formulaire();
        QVERIFY(f);
        QCOMPARE(f->cheminFichier(), std::optional<QString>(copie));
        QTest::mouseClick(bouton(f, "supprimerFichier"), Qt::LeftButton);
        QVERIFY2(f->importerError().startsWith(prefixe), qPrintable(f->importerError()));
        QVERIFY(f->importerError().size() > prefixe.size());
        QCOMPARE(f->cheminFichier(), std::optional<QString>(copie));
        QCOMPARE(bon->cheminFichierTicket(), std::optional<QString>(copie));
        QVERIFY(!b.ctx->hasChanges());
        QVERIFY(QFileInfo::exists(range + QStringLiteral("/Tickets/bon.pdf")));
    }

    // The folder back without the document: the attachment goes, without a word.
    QVERIFY(QFile::remove(kestrovan));
    QVERIFY(QDir().rename(range, kestrovan));
    QVERIFY(QFile::remove(copie));
    v = ecranSur(b, bon);
    f = v->formulaire();
    QTest::mouseClick(bouton(f, "supprimerFichier"), Qt::LeftButton);
    QCOMPARE(f->importerError(), QString());
    QVERIFY(!bon->cheminFichierTicket());
    QVERIFY(!f->cheminFichier());
    QVERIFY(!b.ctx->hasChanges());
}

void TestPiecesJointes::nomsLongs()
{
    // A picked file whose name is as long as a file name may be, picked twice: the second copy,
    // named after a UUID, still fits, keeps its extension and is read as what it is.
    Bureau b;
    auto* c = b.client(QStringLiteral("Durand"));
    auto* l1 = b.location(c, at(2026, 3, 9, 10));
    auto* l2 = b.location(c, at(2026, 3, 8, 10));
    QVERIFY(b.sauver());
    QTemporaryDir ailleurs;
    QString nom = QString(125, QChar(0x00E9)) + QStringLiteral(".pdf"); // 254 bytes
    const QString source = ecrirePdf(ailleurs.filePath(nom));
    QVERIFY(QFileInfo::exists(source));
    auto f = formulaire(b, l1);
    f->show();
    f->setFilePicker([&](QWidget*) { return source; });
    QTest::mouseClick(bouton(f.get(), "ajouterBordereau"), Qt::LeftButton);
    QCOMPARE(f->importerError(), QString());
    QCOMPARE(QFileInfo(*f->cheminFichier()).fileName(), nom);
    f->enregistrerBon();

    f->setLocation(l2);
    QTest::mouseClick(bouton(f.get(), "ajouterBordereau"), Qt::LeftButton);
    QCOMPARE(f->importerError(), QString());
    QVERIFY(f->cheminFichier());
    const QString second = QFileInfo(*f->cheminFichier()).fileName();
    QVERIFY(second.toUtf8().size() <= 255);
    QVERIFY(QRegularExpression(QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}-\u00E9+\\.pdf$"))
                .match(second).hasMatch());
    QVERIFY(QFileInfo::exists(*f->cheminFichier()));
    QCOMPARE(f->apercu()->contenu(), Contenu::Pdf);
    QCOMPARE(QDir(b.ticketsPath()).entryList(QDir::Files).size(), 2);
}

void TestPiecesJointes::fichiersSpeciaux()
{
    // Devices, pipes and the system's trees are never read to tell what they are nor copied:
    // a document put under /dev is refused like a pipe, and nothing reaches the folder.
    Bureau b;
    auto* l = b.location(b.client(QStringLiteral("Durand")), at(2026, 3, 9, 10));
    QVERIFY(b.sauver());
    auto f = formulaire(b, l);
    QStringList speciaux{QStringLiteral("/dev/null"), QStringLiteral("/proc/self/status")};
    QTemporaryDir ailleurs;
    const QString tube = ailleurs.filePath(QStringLiteral("tube.pdf"));
    if (mkfifo(QFile::encodeName(tube).constData(), 0600) == 0)
        speciaux << tube;
    // A PDF document under /dev, named without its extension, so that only its content tells.
    QTemporaryFile partage(QStringLiteral("/dev/shm/kv-bon-XXXXXX"));
    if (partage.open()) {
        ecrirePdf(partage.fileName());
        speciaux << partage.fileName();
    }
    for (const QString& source : speciaux) {
        f->importerFichierChoisi(source);
        QVERIFY2(f->importerError().contains(QFileInfo(source).fileName()), qPrintable(source));
        QVERIFY(!f->cheminFichier());
    }
    QVERIFY(!QFileInfo::exists(b.ticketsPath()) || QDir(b.ticketsPath()).isEmpty());

    // The button's own dialog does not read such a file to name its type either.
    if (!partage.isOpen())
        QSKIP("no /dev/shm to put a document under /dev");
    const QString typePdf = QMimeDatabase().mimeTypeForName(QStringLiteral("application/pdf")).comment();
    auto g = formulaire(b, l);
    g->show();
    bool vu = false;
    QTimer::singleShot(0, g.get(), [&] {
        auto* dialogue = g->findChild<QFileDialog*>();
        QVERIFY(dialogue);
        vu = true;
        dialogue->reject();
        QCOMPARE(dialogue->windowTitle(), QStringLiteral("Ajouter un bordereau"));
        QCOMPARE(dialogue->fileMode(), QFileDialog::ExistingFile);
        QVERIFY(dialogue->iconProvider());
        QVERIFY(dialogue->iconProvider()->type(QFileInfo(partage.fileName())) != typePdf);
    });
    QTest::mouseClick(bouton(g.get(), "ajouterBordereau"), Qt::LeftButton);
    QVERIFY(vu);
    QVERIFY(!g->cheminFichier());
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
