#include "tests.h"

#include "outils.h"

#include "reports/exportfacturationview.h"
#include "reports/facturationexporterparclient.h"
#include "reports/pdfpreview.h"
#include "reports/rapportdonnees.h"
#include "reports/rapportmensuelapercuview.h"
#include "reports/rapportmensuelview.h"

#include "model/query.h"
#include "platform/desktopopener.h"
#include "platform/filehelpers.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QPdfDocument>
#include <QPrinter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>

using namespace kv;
using namespace outils;

namespace {

Horloge horlogeFixe(qint64 maintenant)
{
    return Horloge::fixe(maintenant, paris());
}

QByteArray lire(const QString& chemin)
{
    QFile f(chemin);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The message box a screen opened over itself whose text is `texte`, or null.
QMessageBox* boite(QWidget* ecran, const QString& texte)
{
    for (QMessageBox* b : ecran->findChildren<QMessageBox*>())
        if (b->text() == texte || b->informativeText() == texte)
            return b;
    return nullptr;
}

void fermerBoites(QWidget* ecran)
{
    for (QMessageBox* b : ecran->findChildren<QMessageBox*>())
        delete b;
}

// The report screen on a store with one client of rentals in January 2025.
struct Rapport {
    std::unique_ptr<ModelContext> ctx = store();
    Client* dupont = nullptr;
    Client* homonyme = nullptr;
    std::unique_ptr<RapportMensuelView> vue;

    explicit Rapport(std::optional<QString> email = QStringLiteral(" contact@dupont.fr "))
    {
        dupont = client(ctx.get(), "Dupont", email);
        homonyme = client(ctx.get(), "Dupont", QStringLiteral("autre@dupont.fr"));
        client(ctx.get(), "Albert");
        TypeDechet* t = type(ctx.get(), "Gravats", 20.0);
        location(dupont, benne(ctx.get(), 10), t, at(2025, 1, 5, 8), at(2025, 1, 9), QStringLiteral("1 rue A"));
        location(dupont, benne(ctx.get(), 7.5), nullptr, at(2025, 1, 31, 23, 30), std::nullopt, QStringLiteral("2 rue B"));
        location(dupont, benne(ctx.get(), 8), t, at(2024, 12, 28), at(2025, 1, 3), QStringLiteral("Décembre"));
        location(homonyme, benne(ctx.get(), 8), t, at(2025, 1, 7), std::nullopt, QStringLiteral("Homonyme"));
        QVERIFY(ctx->save());
        vue = std::make_unique<RapportMensuelView>(ctx.get(), horlogeFixe(ms(2025, 1, 20, 10)));
        vue->resize(1200, 760);
    }

    int historiques() const { return int(ctx->count<HistoriqueEnvoiRapport>()); }
};

QString cheminPDF()
{
    return QDir(QDir::tempPath()).filePath(QStringLiteral("Rapport-Dupont-janv. 2025.pdf"));
}

} // namespace

void TestEcrans::facturationParDefautEtRaccourci()
{
    auto ctx = store();
    Client* c = client(ctx.get(), "Dupont");
    TypeDechet* t = type(ctx.get(), "Gravats", 20.0, 100);
    // Removed late on the last day of the period: in the export whatever the time of day.
    location(c, benne(ctx.get()), t, at(2026, 12, 6, 8), at(2026, 12, 6, 18), std::nullopt, 400);
    ExportFacturationView vue(ctx.get(), horlogeFixe(ms(2026, 12, 6, 12)));
    QCOMPARE(vue.du()->date(), QDate(2025, 1, 1));
    QCOMPARE(vue.au()->date(), QDate(2026, 12, 6));
    QCOMPARE(vue.debutMs(), ms(2025, 1, 1));
    QCOMPARE(vue.finMs(), ms(2026, 12, 7) - 1);

    QTemporaryDir dir;
    const QString chemin = dir.filePath("facturation.csv");
    ScopedSaveFileAnswer reponse(chemin);
    vue.resize(1200, 760);
    vue.show();
    QVERIFY(QTest::qWaitForWindowActive(&vue));
    vue.du()->setFocus();
    QTest::keyClick(vue.du(), Qt::Key_E, Qt::ControlModifier);
    QTRY_COMPARE(reponse.requests.size(), 1);
    QCOMPARE(reponse.requests[0].title, QStringLiteral("Exporter la facturation (par client, CSV)"));
    QCOMPARE(reponse.requests[0].suggestedName, QStringLiteral("facturation Kestrovan du 01-01-2025 au 06-12-2026.csv"));
    QCOMPARE(reponse.requests[0].mimeTypes, QStringList{"text/csv"});
    const QByteArray ecrit = lire(chemin);
    QVERIFY(!ecrit.startsWith("\xEF\xBB\xBF"));
    QCOMPARE(QString::fromUtf8(ecrit),
             FacturationExporterParClient::genererCSV(ctx.get(), vue.debutMs(), vue.finMs(), ms(2026, 12, 6, 12), paris()));
    QVERIFY(QString::fromUtf8(ecrit).contains("Dupont;;;;;;;;;;;;;;SECTION CLIENT"));

    // The button does the same; a period picked backwards is written as picked.
    vue.du()->setDate(QDate(2026, 12, 10));
    vue.boutonExporter()->click();
    QCOMPARE(reponse.requests.size(), 2);
    QCOMPARE(reponse.requests[1].suggestedName, QStringLiteral("facturation Kestrovan du 10-12-2026 au 06-12-2026.csv"));
}

void TestEcrans::facturationAnnuleeOuImpossible()
{
    auto ctx = store();
    ExportFacturationView vue(ctx.get(), horlogeFixe(ms(2026, 12, 6, 12)));
    {
        ScopedSaveFileAnswer annule{QString()};
        vue.exporter();
        QCOMPARE(annule.requests.size(), 1);
        QVERIFY(vue.findChildren<QMessageBox*>().isEmpty());
    }
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("occupe.csv"));
    ScopedSaveFileAnswer impossible(dir.filePath("occupe.csv"));
    vue.exporter();
    QMessageBox* alerte = boite(&vue, QStringLiteral("Export CSV impossible"));
    QVERIFY(alerte);
    QCOMPARE(alerte->icon(), QMessageBox::Warning);
    QVERIFY(!alerte->informativeText().isEmpty());
}

void TestEcrans::rapportSansClient()
{
    Rapport r;
    QVERIFY(r.vue->zoneAffichee()->inherits("QLabel"));
    QCOMPARE(static_cast<QLabel*>(r.vue->zoneAffichee())->text(), QStringLiteral("Veuillez sélectionner un client et un mois."));
    QVERIFY(!r.vue->boutonApercu()->isEnabled());
    QVERIFY(!r.vue->boutonEnvoyer()->isEnabled());
    QVERIFY(r.vue->boutonExporterTous()->isEnabled());
    QCOMPARE(r.vue->compteHistorique()->text(), QStringLiteral("Historiques en base : 0"));
    QVERIFY(!r.vue->listeHistorique()->isVisibleTo(r.vue.get()));
    // Namesakes are two entries, told apart by identity.
    QComboBox* choix = r.vue->choixClient();
    QCOMPARE(choix->count(), 4);
    QCOMPARE(choix->itemText(0), QStringLiteral("Choisir un client"));
    QCOMPARE(choix->itemText(1), QStringLiteral("Albert"));
    QCOMPARE(choix->itemText(2), QStringLiteral("Dupont"));
    QCOMPARE(choix->itemText(3), QStringLiteral("Dupont"));
    choix->setCurrentIndex(3);
    Client* troisieme = r.vue->selectedClient();
    choix->setCurrentIndex(2);
    QVERIFY(r.vue->selectedClient() != troisieme);
    QVERIFY(r.vue->selectedClient() == r.dupont || r.vue->selectedClient() == r.homonyme);
    // Without a client the actions do nothing.
    choix->setCurrentIndex(0);
    RecordingDesktopOpener opener;
    bool demande = false;
    r.vue->setDemandeImpression([&](QPrinter&, QWidget*) { return demande = true; });
    r.vue->envoyerRapport();
    r.vue->genererApercuPDF();
    r.vue->imprimerRapport();
    QVERIFY(!demande);
    QVERIFY(opener.openedUrls.isEmpty());
    QVERIFY(r.vue->apercuPDF().isEmpty());
}

void TestEcrans::rapportApercuEtPDF()
{
    Rapport r;
    r.vue->setSelectedClient(r.dupont);
    QCOMPARE(r.vue->zoneAffichee(), static_cast<QWidget*>(r.vue->apercu()));
    QCOMPARE(r.vue->apercu()->lignes()->rowCount(), 2);
    QCOMPARE(r.vue->apercu()->titre(), QStringLiteral("Aperçu du rapport pour Dupont – janv. 2025"));
    QVERIFY(r.vue->boutonApercu()->isEnabled());

    // A new rental of the month shows at once.
    location(r.dupont, benne(r.ctx.get()), nullptr, at(2025, 1, 12));
    QTRY_COMPARE(r.vue->apercu()->lignes()->rowCount(), 3);

    r.vue->boutonApercu()->click();
    QCOMPARE(r.vue->zoneAffichee()->objectName(), r.vue->boutonFermerApercu()->parentWidget()->objectName());
    QVERIFY(r.vue->boutonFermerApercu()->isVisibleTo(r.vue.get()));
    QPdfDocument* doc = r.vue->previewPDF()->document();
    QCOMPARE(doc->pageCount(), 1);
    QCOMPARE(doc->pagePointSize(0), QSizeF(600, 800));
    QVERIFY(doc->getAllText(0).text().contains("3"));

    // Another day of the same month is the same report: the PDF stays.
    r.vue->choixMois()->setDate(QDate(2025, 1, 2));
    QVERIFY(!r.vue->apercuPDF().isEmpty());
    // Another month or another client clears it.
    r.vue->choixMois()->setDate(QDate(2025, 2, 2));
    QVERIFY(r.vue->apercuPDF().isEmpty());
    QCOMPARE(r.vue->zoneAffichee(), static_cast<QWidget*>(r.vue->apercu()));
    QCOMPARE(r.vue->apercu()->lignes()->rowCount(), 0);
    r.vue->choixMois()->setDate(QDate(2025, 1, 31));
    r.vue->genererApercuPDF();
    QVERIFY(!r.vue->apercuPDF().isEmpty());
    r.vue->setSelectedClient(r.homonyme);
    QVERIFY(r.vue->apercuPDF().isEmpty());
    QCOMPARE(r.vue->apercu()->lignes()->rowCount(), 1);
    r.vue->genererApercuPDF();
    r.vue->choixClient()->setCurrentIndex(0);
    QVERIFY(r.vue->apercuPDF().isEmpty());
    QVERIFY(!r.vue->boutonExporterCSV()->isEnabled());

    // Closing the pane goes back to the preview.
    r.vue->setSelectedClient(r.dupont);
    r.vue->genererApercuPDF();
    r.vue->boutonFermerApercu()->click();
    QVERIFY(r.vue->apercuPDF().isEmpty());
    QCOMPARE(r.vue->zoneAffichee(), static_cast<QWidget*>(r.vue->apercu()));

    // The chosen client deleted elsewhere: back to no client, its PDF gone.
    r.vue->genererApercuPDF();
    QVERIFY(r.ctx->remove(r.dupont));
    QTRY_COMPARE(r.vue->choixClient()->count(), 3);
    QCOMPARE(r.vue->selectedClient(), nullptr);
    QVERIFY(r.vue->apercuPDF().isEmpty());
    QVERIFY(r.vue->zoneAffichee()->inherits("QLabel"));
    QVERIFY(!r.vue->boutonEnvoyer()->isEnabled());
}

void TestEcrans::rapportEnvoi()
{
    QFile::remove(cheminPDF());
    Rapport r;
    RecordingDesktopOpener opener;
    r.vue->setSelectedClient(r.dupont);
    r.vue->boutonEnvoyer()->click();
    QCOMPARE(opener.openedUrls.size(), 1);
    QCOMPARE(opener.openedUrls[0].toEncoded(),
             QByteArray("mailto:contact@dupont.fr?subject=Rapport%20mensuel%20janv.%202025&body=Bonjour%20Monsieur%20"
                        "Dupont%2C%0D%0A%0D%0AVous%20trouverez%20en%20pi%C3%A8ce%20jointe%20le%20rapport%20mensuel%20"
                        "du%20mois%20de%20janv.%202025.%0D%0A%0D%0ACordialement%2C"));
    QVERIFY(lire(cheminPDF()).startsWith("%PDF"));
    QCOMPARE(opener.shownItems, QStringList{cheminPDF()});
    QCOMPARE(r.historiques(), 1);
    QVERIFY(!r.ctx->hasChanges());
    HistoriqueEnvoiRapport* h = r.ctx->all<HistoriqueEnvoiRapport>().first();
    QCOMPARE(h->client(), r.dupont);
    QCOMPARE(h->moisMs(), ms(2025, 1, 20, 10));
    QCOMPARE(h->dateEnvoiMs(), ms(2025, 1, 20, 10));
    QTRY_COMPARE(r.vue->compteHistorique()->text(), QStringLiteral("Historiques en base : 1"));
    QTRY_VERIFY(r.vue->listeHistorique()->isVisibleTo(r.vue.get()));
    QCOMPARE(r.vue->listeHistorique()->model()->rowCount(), 1);
    QVERIFY(r.vue->listeHistorique()->model()->index(0, 0).data().toString().startsWith("Dupont, janv. 2025, Envoyé le 20 janv. 2025 à 10:00"));

    // Twice, or another day of the month: the e-mail again, one record.
    r.vue->envoyerRapport();
    r.vue->choixMois()->setDate(QDate(2025, 1, 3));
    r.vue->envoyerRapport();
    QCOMPARE(opener.openedUrls.size(), 3);
    QCOMPARE(r.historiques(), 1);
    // Another month: a new record whose month is the day picked.
    r.vue->choixMois()->setDate(QDate(2025, 2, 14));
    r.vue->envoyerRapport();
    QCOMPARE(r.historiques(), 2);
    QCOMPARE(r.ctx->all<HistoriqueEnvoiRapport>().last()->moisMs(), ms(2025, 2, 14, 10));
    // The namesake has a history of its own.
    r.vue->setSelectedClient(r.homonyme);
    r.vue->envoyerRapport();
    QCOMPARE(r.historiques(), 3);
}

void TestEcrans::rapportEnvoiSansMessage()
{
    {
        // No e-mail: the alert, nothing recorded, no link.
        Rapport r(std::nullopt);
        RecordingDesktopOpener opener;
        r.vue->setSelectedClient(r.dupont);
        r.vue->envoyerRapport();
        QMessageBox* alerte = boite(r.vue.get(), QStringLiteral("Adresse e-mail manquante ou invalide"));
        QVERIFY(alerte);
        QCOMPARE(alerte->informativeText(),
                 QStringLiteral("Veuillez renseigner une adresse e-mail valide dans la fiche client avant d’envoyer un mail."));
        QCOMPARE(alerte->buttons().size(), 1);
        QVERIFY(opener.openedUrls.isEmpty());
        QCOMPARE(r.historiques(), 0);
        fermerBoites(r.vue.get());
        r.dupont->setEmail(QString());
        r.vue->envoyerRapport();
        QVERIFY(boite(r.vue.get(), QStringLiteral("Adresse e-mail manquante ou invalide")));
        QCOMPARE(r.historiques(), 0);
    }
    {
        // Only blanks: a link with no recipient, and the sending is recorded.
        Rapport r(QStringLiteral("   "));
        RecordingDesktopOpener opener;
        r.vue->setSelectedClient(r.dupont);
        r.vue->envoyerRapport();
        QCOMPARE(opener.openedUrls.size(), 1);
        QVERIFY(opener.openedUrls[0].toEncoded().startsWith("mailto:?subject="));
        QCOMPARE(r.historiques(), 1);
    }
    {
        // The system cannot open the link: said, and nothing recorded.
        Rapport r;
        RecordingDesktopOpener opener;
        opener.openResult = false;
        r.vue->setSelectedClient(r.dupont);
        r.vue->envoyerRapport();
        QVERIFY(boite(r.vue.get(), QStringLiteral("Le message n’a pas pu être préparé")));
        QCOMPARE(r.historiques(), 0);
    }
}

void TestEcrans::rapportEnvoiEchecs()
{
    {
        // A failed save of the history record: said, and the record is not kept.
        Rapport r;
        RecordingDesktopOpener opener;
        r.vue->setSelectedClient(r.dupont);
        r.ctx->failNextSave(QStringLiteral("disque plein"));
        r.vue->envoyerRapport();
        QVERIFY(boite(r.vue.get(), QStringLiteral("Échec de la sauvegarde: disque plein")));
        QCOMPARE(r.historiques(), 0);
        QVERIFY(!r.ctx->hasChanges());
        // A later sending records it.
        fermerBoites(r.vue.get());
        r.vue->envoyerRapport();
        QCOMPARE(r.historiques(), 1);
    }
    {
        // The PDF cannot be written: said, and nothing else happens.
        QFile::remove(cheminPDF());
        QVERIFY(QDir(QDir::tempPath()).mkdir(QFileInfo(cheminPDF()).fileName()));
        Rapport r;
        RecordingDesktopOpener opener;
        r.vue->setSelectedClient(r.dupont);
        r.vue->envoyerRapport();
        QVERIFY(QDir(QDir::tempPath()).rmdir(QFileInfo(cheminPDF()).fileName()));
        QVERIFY(boite(r.vue.get(), QStringLiteral("Le PDF du rapport n’a pas pu être enregistré")));
        QVERIFY(opener.openedUrls.isEmpty());
        QVERIFY(opener.shownItems.isEmpty());
        QCOMPARE(r.historiques(), 0);
    }
}

void TestEcrans::rapportLienEncodeParPartie()
{
    Rapport r(QStringLiteral("compta#1=a@dupont.fr"));
    r.dupont->setNom(QStringLiteral("Dupont & Fils?x=1#y"));
    RecordingDesktopOpener opener;
    r.vue->setSelectedClient(r.dupont);
    r.vue->envoyerRapport();
    QCOMPARE(opener.openedUrls.size(), 1);
    const QUrl lien = opener.openedUrls[0];
    QCOMPARE(lien.scheme(), QStringLiteral("mailto"));
    QCOMPARE(lien.path(), QStringLiteral("compta#1=a@dupont.fr"));
    const QUrlQuery requete(lien);
    QCOMPARE(requete.queryItems().size(), 2);
    QCOMPARE(requete.queryItemValue("subject", QUrl::FullyDecoded), QStringLiteral("Rapport mensuel janv. 2025"));
    QCOMPARE(requete.queryItemValue("body", QUrl::FullyDecoded),
             rapport::corpsEmail(r.dupont->nom(), ms(2025, 1, 20), paris()).replace("\n", "\r\n"));
    // An address that would add a field to the link is refused as invalid, and nothing recorded.
    r.dupont->setEmail(QStringLiteral("a@dupont.fr&cc=b@x.fr"));
    r.vue->choixMois()->setDate(QDate(2025, 3, 1));
    r.vue->envoyerRapport();
    QVERIFY(boite(r.vue.get(), QStringLiteral("Adresse e-mail manquante ou invalide")));
    QCOMPARE(opener.openedUrls.size(), 1);
    QCOMPARE(r.historiques(), 1);
    r.dupont->setEmail(QStringLiteral("a@dupont.fr"));
    // "/" in the name never reaches the file name.
    r.dupont->setNom(QStringLiteral("A/B"));
    r.vue->envoyerRapport();
    QCOMPARE(opener.shownItems.last(), QDir(QDir::tempPath()).filePath("Rapport-A-B-mars 2025.pdf"));
    QFile::remove(opener.shownItems.last());
}

void TestEcrans::rapportExportsCSV()
{
    Rapport r;
    QTemporaryDir dir;
    {
        ScopedSaveFileAnswer reponse(dir.filePath("client.csv"));
        r.vue->exporterCSVClient(); // no client: nothing asked
        QCOMPARE(reponse.requests.size(), 0);
        r.vue->setSelectedClient(r.dupont);
        r.vue->genererApercuPDF();
        r.vue->boutonExporterCSV()->click();
        QCOMPARE(reponse.requests.size(), 1);
        QCOMPARE(reponse.requests[0].title, QStringLiteral("Enregistrer le rapport CSV"));
        QCOMPARE(reponse.requests[0].suggestedName, QStringLiteral("rapport-Dupont-janv. 2025.csv"));
        QCOMPARE(lire(dir.filePath("client.csv")),
                 QByteArray("Date pose;Adresse;Volume (m³);Déchet;Date enlèvement\n"
                            "2025-01-05;1 rue A;10;Gravats;2025-01-09\n"
                            "2025-01-31;2 rue B;7;;\n"));
    }
    {
        ScopedSaveFileAnswer reponse(dir.filePath("tous.csv"));
        r.vue->setSelectedClient(nullptr);
        r.vue->boutonExporterTous()->click();
        QCOMPARE(reponse.requests.size(), 1);
        QCOMPARE(reponse.requests[0].suggestedName, QStringLiteral("rapports-janv. 2025.csv"));
        QCOMPARE(lire(dir.filePath("tous.csv")),
                 QByteArray("Client;Date pose;Adresse;Volume m3;Déchet;Date enlèvement\n"
                            "Dupont;05/01/2025;1 rue A;10;Gravats;09/01/2025\n"
                            "Dupont;07/01/2025;Homonyme;8;Gravats;\n"
                            "Dupont;31/01/2025;2 rue B;7;;"));
    }
    {
        ScopedSaveFileAnswer annule{QString()};
        r.vue->exporterTousLesRapportsCSV();
        QVERIFY(r.vue->findChildren<QMessageBox*>().isEmpty());
    }
    {
        QVERIFY(QDir(dir.path()).mkdir("occupe.csv"));
        ScopedSaveFileAnswer impossible(dir.filePath("occupe.csv"));
        r.vue->exporterTousLesRapportsCSV();
        QVERIFY(boite(r.vue.get(), QStringLiteral("Export CSV impossible")));
        fermerBoites(r.vue.get());
        r.vue->setSelectedClient(r.dupont);
        r.vue->exporterCSVClient();
        QVERIFY(boite(r.vue.get(), QStringLiteral("Export CSV impossible")));
    }
}

void TestEcrans::rapportImpression()
{
    Rapport r;
    QTemporaryDir dir;
    const QString chemin = dir.filePath("imprime.pdf");
    int demandes = 0;
    r.vue->setDemandeImpression([&](QPrinter& printer, QWidget*) {
        ++demandes;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(chemin);
        return demandes == 1;
    });
    r.vue->setSelectedClient(r.dupont);
    r.vue->genererApercuPDF();
    r.vue->boutonImprimer()->click();
    QCOMPARE(demandes, 1);
    QVERIFY(lire(chemin).startsWith("%PDF"));
    QFile::remove(chemin);
    // Cancelled in the dialog: nothing printed.
    r.vue->imprimerRapport();
    QCOMPARE(demandes, 2);
    QVERIFY(!QFile::exists(chemin));
}

// The screens at the smallest window size, whole; pictures kept where KV_SCREENSHOT_DIR says.
void TestEcrans::captures()
{
    const QString dir = qEnvironmentVariable("KV_SCREENSHOT_DIR");
    auto garder = [&](QWidget& w, const QString& nom) {
        w.resize(1200, 760);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTest::qWait(50); // store notices, then the layout they change
        const QImage image = w.grab().toImage();
        QCOMPARE(image.size(), QSize(1200, 760) * w.devicePixelRatio());
        if (!dir.isEmpty())
            QVERIFY(image.save(dir + QLatin1Char('/') + nom));
    };
    auto ctx = store();
    ExportFacturationView facturation(ctx.get(), horlogeFixe(ms(2026, 12, 6, 12)));
    garder(facturation, "facturation.png");

    Rapport r;
    garder(*r.vue, "rapport-vide.png");
    for (int i = 0; i < 14; ++i)
        location(r.dupont, benne(r.ctx.get(), 6 + i % 3), nullptr, at(2025, 1, 1 + i, 9), at(2025, 1, 2 + i, 9),
                 QStringLiteral("%1 avenue de la République, 69003 Lyon").arg(i + 3));
    QVERIFY(r.ctx->save());
    RecordingDesktopOpener opener;
    r.vue->setSelectedClient(r.dupont);
    r.vue->envoyerRapport();
    r.vue->setSelectedClient(r.homonyme);
    r.vue->envoyerRapport();
    r.vue->setSelectedClient(r.dupont);
    QCoreApplication::processEvents();
    garder(*r.vue, "rapport-client.png");
    r.vue->genererApercuPDF();
    r.vue->show();
    QTest::qWait(800); // the PDF view draws its pages in the background
    garder(*r.vue, "rapport-pdf.png");
    QVERIFY(r.vue->previewPDF()->isVisible());
}

// Everything the report screen offers is reached and used with the keyboard.
void TestEcrans::rapportAuClavier()
{
    Rapport r;
    RecordingDesktopOpener opener;
    r.vue->show();
    QVERIFY(QTest::qWaitForWindowActive(r.vue.get()));
    QComboBox* choix = r.vue->choixClient();
    choix->setFocus();
    QTRY_VERIFY(choix->hasFocus());
    // Down twice: "Albert", then the first "Dupont".
    QTest::keyClick(choix, Qt::Key_Down);
    QTest::keyClick(choix, Qt::Key_Down);
    QVERIFY(r.vue->selectedClient() == r.dupont || r.vue->selectedClient() == r.homonyme);
    auto tab = [] {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        return QApplication::focusWidget();
    };
    QWidget* w = tab();
    QCOMPARE(w, static_cast<QWidget*>(r.vue->choixMois()));
    // Tab runs through the day, month and year of the date, then on.
    for (int i = 0; i < 4 && w == r.vue->choixMois(); ++i)
        w = tab();
    QCOMPARE(w, static_cast<QWidget*>(r.vue->boutonApercu()));
    QCOMPARE(tab(), static_cast<QWidget*>(r.vue->boutonEnvoyer()));
    // Space on "Aperçu PDF" opens the PDF pane.
    QTest::keyClick(r.vue->boutonApercu(), Qt::Key_Space);
    QTRY_VERIFY(!r.vue->apercuPDF().isEmpty());
    QTest::keyClick(r.vue->boutonEnvoyer(), Qt::Key_Space);
    QTRY_COMPARE(opener.openedUrls.size(), 1);
}
