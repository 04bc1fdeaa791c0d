#include "tests.h"
#include "widgets/dateentry.h"

#include "screenfixtures.h"
#include "lecteurecran.h"

#include "widgets/confirmationfichier.h"
#include "reports/exportfacturationview.h"
#include "reports/facturationexporterparclient.h"
#include "reports/pdfpreview.h"
#include "reports/rapportdonnees.h"
#include "reports/rapportmensuelapercuview.h"
#include "reports/rapportmensuelview.h"

#include "model/query.h"
#include "platform/desktopopener.h"
#include "platform/filehelpers.h"
#include "widgets/elidedlabel.h"
#include "widgets/colors.h"
#include "widgets/focusstyle.h"
#include "widgets/searchablepicker.h"

#include <QApplication>
#include <QAbstractScrollArea>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPdfDocument>
#include <QPrinter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTreeView>
#include <QTest>
#include <QTimer>
#include <QUrlQuery>

#include <algorithm>
#include <cmath>
#include <map>

using namespace kv;
using namespace fixtures;

namespace {

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

// Relative luminance, as contrast ratios take it.
double luminance(QRgb c)
{
    const auto lineaire = [](int v) {
        const double s = v / 255.0;
        return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * lineaire(qRed(c)) + 0.7152 * lineaire(qGreen(c)) + 0.0722 * lineaire(qBlue(c));
}

// The contrast between a button's text and its fill as drawn: the fill is the commonest colour of
// the right half of its middle band (where the text stands, the icon being on the left), the ink
// the pixel there that stands farthest from it.
double contrasteDuTexte(QPushButton* bouton)
{
    const QImage image = bouton->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRect bande(image.width() / 2, image.height() / 4, image.width() / 2 - image.width() / 10,
                      image.height() / 2);
    std::map<QRgb, int> frequences;
    for (int y = bande.top(); y <= bande.bottom(); ++y)
        for (int x = bande.left(); x <= bande.right(); ++x)
            ++frequences[image.pixel(x, y)];
    const QRgb fond = std::max_element(frequences.begin(), frequences.end(),
                                       [](const auto& a, const auto& b) { return a.second < b.second; })
                          ->first;
    const double lumFond = luminance(fond);
    double encre = lumFond;
    for (const auto& [couleur, n] : frequences)
        if (std::abs(luminance(couleur) - lumFond) > std::abs(encre - lumFond))
            encre = luminance(couleur);
    return (std::max(encre, lumFond) + 0.05) / (std::min(encre, lumFond) + 0.05);
}

// The report screen on a store with one client of rentals in January 2025.
struct Rapport {
    std::unique_ptr<ModelContext> ctx = storeInFolder();
    Client* dupont = nullptr;
    Client* homonyme = nullptr;
    std::unique_ptr<RapportMensuelView> vue;

    explicit Rapport(std::optional<QString> email = QStringLiteral(" contact@dupont.fr "))
    {
        dupont = client(ctx.get(), "Dupont", "Lyon", {}, {}, email);
        homonyme = client(ctx.get(), "Dupont", "Paris", {}, {}, QStringLiteral("autre@dupont.fr"));
        client(ctx.get(), "Albert");
        TypeDechet* t = pricedWasteType(ctx.get(), "Gravats", 20.0);
        rental(dupont, colouredSkip(ctx.get(), 10), t, parisTime(2025, 1, 5, 8), parisTime(2025, 1, 9), QStringLiteral("1 rue A"));
        rental(dupont, colouredSkip(ctx.get(), 7.5), nullptr, parisTime(2025, 1, 31, 23, 30), std::nullopt, QStringLiteral("2 rue B"));
        rental(dupont, colouredSkip(ctx.get(), 8), t, parisTime(2024, 12, 28), parisTime(2025, 1, 3), QStringLiteral("Décembre"));
        rental(homonyme, colouredSkip(ctx.get(), 8), t, parisTime(2025, 1, 7), std::nullopt, QStringLiteral("Homonyme"));
        QVERIFY(ctx->save());
        vue = std::make_unique<RapportMensuelView>(ctx.get(), fixedClock(parisMs(2025, 1, 20, 10)));
        vue->resize(1200, 760);
    }

    int historiques() const { return int(ctx->count<HistoriqueEnvoiRapport>()); }
};

QString cheminPDF()
{
    return QDir(QDir::tempPath()).filePath(QStringLiteral("Rapport-Dupont (Lyon)-janv. 2025.pdf"));
}

} // namespace

void TestEcrans::facturationParDefautEtRaccourci()
{
    auto ctx = storeInFolder();
    Client* c = client(ctx.get(), "Dupont");
    TypeDechet* t = pricedWasteType(ctx.get(), "Gravats", 20.0, 100);
    // Removed late on the last day of the period: in the export whatever the time of day.
    rental(c, colouredSkip(ctx.get()), t, parisTime(2026, 12, 6, 8), parisTime(2026, 12, 6, 18), std::nullopt, 400);
    ExportFacturationView vue(ctx.get(), fixedClock(parisMs(2026, 12, 6, 12)));
    QCOMPARE(vue.du()->date(), QDate(2025, 1, 1));
    QCOMPARE(vue.au()->date(), QDate(2026, 12, 6));
    QCOMPARE(vue.debutMs(), parisMs(2025, 1, 1));
    QCOMPARE(vue.finMs(), parisMs(2026, 12, 7) - 1);

    QTemporaryDir dir;
    const QString chemin = dir.filePath("facturation.csv");
    ScopedSaveFileAnswer reponse(chemin);
    vue.resize(1200, 760);
    vue.show();
    QVERIFY(QTest::qWaitForWindowActive(&vue));
    // Where the form stands: no message moves it, nor the confirmation's button once shown.
    const auto ici = [&vue](const QWidget* w) {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::sendPostedEvents();
            vue.layout()->activate();
        }
        return QRect(w->mapTo(&vue, QPoint(0, 0)), w->size());
    };
    const QRect bouton = ici(vue.boutonExporter()), debut = ici(vue.du());
    vue.du()->setFocus();
    fixtures::HeardAnnouncements lecteur;
    QTest::keyClick(vue.du(), Qt::Key_E, Qt::ControlModifier);
    QTRY_COMPARE(reponse.requests.size(), 1);
    QCOMPARE(lecteur.said, QStringList{vue.confirmation()->texte()});
    QCOMPARE(reponse.requests[0].title, QStringLiteral("Exporter la facturation (par client, CSV)"));
    QCOMPARE(reponse.requests[0].suggestedName, QStringLiteral("facturation Kestrovan du 01-01-2025 au 06-12-2026.csv"));
    QCOMPARE(reponse.requests[0].mimeTypes, QStringList{"text/csv"});
    const QByteArray ecrit = lire(chemin);
    QVERIFY(!ecrit.startsWith("\xEF\xBB\xBF"));
    QCOMPARE(QString::fromUtf8(ecrit),
             FacturationExporterParClient::genererCSV(ctx.get(), vue.debutMs(), vue.finMs(), parisMs(2026, 12, 6, 12), paris()));
    QVERIFY(QString::fromUtf8(ecrit).contains("Dupont;;;;;;;;;;;;;;SECTION CLIENT"));

    // The screen says what it wrote and where, and shows it in its folder on request.
    ConfirmationFichier* confirmation = vue.confirmation();
    QVERIFY(confirmation->isVisible());
    const auto lisible = [](const ConfirmationFichier* c) {
        c->layout()->activate();
        const QLabel* ligne = c->findChild<QLabel*>();
        return ligne->isVisible() && ligne->width() > 0 && ligne->width() >= ligne->minimumSizeHint().width()
            && ligne->height() >= ligne->heightForWidth(ligne->width());
    };
    QTRY_VERIFY(lisible(confirmation));
    QCOMPARE(confirmation->texte(), QStringLiteral("« facturation.csv » enregistré dans « %1 » : 1 location facturée.")
                                        .arg(QDir::toNativeSeparators(dir.path())));
    QCOMPARE(ici(vue.boutonExporter()), bouton);
    QCOMPARE(ici(vue.du()), debut);
    {
        // A long line breaks after a path's separators, never inside a date.
        QWidget cache;
        ConfirmationFichier datee(&cache);
        datee.montrer(dir.filePath("facturation Kestrovan du 01-01-2025 au 09-12-2026.csv"), QString());
        QVERIFY(datee.findChild<QLabel*>()->text().contains(QStringLiteral("au 09-12-2026.")));
    }
    const QRect afficher = ici(confirmation->boutonAfficher());
    {
        RecordingDesktopOpener opener;
        QTest::mouseClick(confirmation->boutonAfficher(), Qt::LeftButton);
        QCOMPARE(opener.shownItems, QStringList{chemin});
        // A desktop that can neither select the file nor open its folder: said, with the folder.
        opener.showItemResult = false;
        opener.openResult = false;
        QTest::mouseClick(confirmation->boutonAfficher(), Qt::LeftButton);
        QCOMPARE(opener.openedUrls, QList<QUrl>{QUrl::fromLocalFile(dir.path())});
        // What was written stays on the line above the reason.
        QCOMPARE(confirmation->texte(), QStringLiteral("« facturation.csv » enregistré dans « %1 » : 1 location facturée.\n"
                                                       "Le dossier « %1 » n’a pas pu être ouvert : aucun gestionnaire "
                                                       "de fichiers n’a répondu.").arg(QDir::toNativeSeparators(dir.path())));
        QTRY_VERIFY(lisible(confirmation));
        QCOMPARE(ici(confirmation->boutonAfficher()), afficher);
        QCOMPARE(ici(vue.boutonExporter()), bouton);
        // Once the desktop answers again, the line is the confirmation alone.
        opener.showItemResult = true;
        QTest::mouseClick(confirmation->boutonAfficher(), Qt::LeftButton);
        QCOMPARE(confirmation->texte(), QStringLiteral("« facturation.csv » enregistré dans « %1 » : 1 location facturée.")
                                            .arg(QDir::toNativeSeparators(dir.path())));
    }

    // A period picked backwards is refused by a red line; no file is asked for nor written.
    QVERIFY(QFile::remove(chemin));
    QVERIFY(!vue.ligneErreur()->isVisible());
    vue.du()->setFocus();
    QTest::keyClicks(vue.du(), QStringLiteral("10122026"));
    QCOMPARE(vue.du()->date(), QDate(2026, 12, 10));
    QTRY_VERIFY(vue.ligneErreur()->isVisible());
    QCOMPARE(vue.ligneErreur()->text(), QStringLiteral("La date de début est après la date de fin."));
    // The confirmation was of another period: it went.
    QVERIFY(!confirmation->isVisible());
    QCOMPARE(ici(vue.boutonExporter()), bouton);
    QCOMPARE(ici(vue.du()), debut);
    {
        // A long line breaks after a path's separators, never inside a date.
        QWidget cache;
        ConfirmationFichier datee(&cache);
        datee.montrer(dir.filePath("facturation Kestrovan du 01-01-2025 au 09-12-2026.csv"), QString());
        QVERIFY(datee.findChild<QLabel*>()->text().contains(QStringLiteral("au 09-12-2026.")));
    }
    QVERIFY(!vue.boutonExporter()->isEnabled());
    QTest::keyClick(vue.du(), Qt::Key_E, Qt::ControlModifier);
    vue.boutonExporter()->click();
    vue.exporter();
    QCoreApplication::processEvents();
    QCOMPARE(reponse.requests.size(), 1);
    QVERIFY(!QFile::exists(chemin));
    // Put right, the line goes and the export runs.
    vue.au()->setDate(QDate(2026, 12, 20));
    QVERIFY(!vue.ligneErreur()->isVisible());
    QVERIFY(vue.boutonExporter()->isEnabled());
    vue.boutonExporter()->click();
    QCOMPARE(reponse.requests.size(), 2);
    QCOMPARE(reponse.requests[1].suggestedName, QStringLiteral("facturation Kestrovan du 10-12-2026 au 20-12-2026.csv"));
    QVERIFY2(confirmation->texte().endsWith(QStringLiteral(" : aucune location facturée.")), qPrintable(confirmation->texte()));
    // Two rentals more, one of them another client's.
    vue.du()->setDate(QDate(2025, 1, 1));
    vue.au()->setDate(QDate(2026, 12, 6));
    rental(c, colouredSkip(ctx.get()), t, parisTime(2026, 11, 2, 8), parisTime(2026, 11, 3, 18), std::nullopt, 200);
    rental(client(ctx.get(), "Albert"), colouredSkip(ctx.get()), t, parisTime(2026, 11, 2, 8), parisTime(2026, 11, 4, 18),
           std::nullopt, 300);
    vue.boutonExporter()->click();
    QVERIFY2(confirmation->texte().endsWith(QStringLiteral(" : 3 locations facturées.")), qPrintable(confirmation->texte()));
    // A count the screen writes is grouped as the locale groups numbers.
    for (int i = 0; i < 1000; ++i)
        rental(c, colouredSkip(ctx.get()), t, parisTime(2026, 10, 1, 8), parisTime(2026, 10, 2, 18), std::nullopt, 10);
    vue.boutonExporter()->click();
    QVERIFY2(confirmation->texte().endsWith(QStringLiteral(" : 1") + QLocale().groupSeparator() + QStringLiteral("003 locations facturées.")),
             qPrintable(confirmation->texte()));
}

void TestEcrans::facturationAnnuleeOuImpossible()
{
    auto ctx = storeInFolder();
    ExportFacturationView vue(ctx.get(), fixedClock(parisMs(2026, 12, 6, 12)));
    {
        ScopedSaveFileAnswer annule{QString()};
        vue.exporter();
        QCOMPARE(annule.requests.size(), 1);
        QVERIFY(vue.findChildren<QMessageBox*>().isEmpty());
    }
    QTemporaryDir dir;
    {
        // The file is asked for at once, before any work: the text is built once the place is
        // chosen, from the store as it is then.
        Client* c = client(ctx.get(), "Dupont");
        TypeDechet* t = pricedWasteType(ctx.get(), "Gravats", 20.0, 100);
        FileHelpers::setSaveFileAsker([&](QWidget*, const SaveFileRequest&) {
            rental(c, colouredSkip(ctx.get()), t, parisTime(2026, 11, 2, 8), parisTime(2026, 11, 3, 18), std::nullopt, 200);
            return dir.filePath("facturation.csv");
        });
        vue.exporter();
        FileHelpers::setSaveFileAsker({});
        QVERIFY(QString::fromUtf8(lire(dir.filePath("facturation.csv"))).contains(QStringLiteral("Dupont;;;;;;;;;;;;;;SECTION CLIENT")));
        QVERIFY2(vue.confirmation()->texte().endsWith(QStringLiteral(" : 1 location facturée.")), qPrintable(vue.confirmation()->texte()));
    }
    QVERIFY(QDir(dir.path()).mkdir("occupe.csv"));
    ScopedSaveFileAnswer impossible(dir.filePath("occupe.csv"));
    vue.exporter();
    QMessageBox* alerte = boite(&vue, QStringLiteral("Export CSV impossible"));
    QVERIFY(alerte);
    QCOMPARE(alerte->icon(), QMessageBox::Warning);
    QVERIFY(!alerte->informativeText().isEmpty());
    alerte->close();

    // An impossible date typed in the period exports nothing until it is mended.
    installDateEntry(qApp);
    vue.show();
    QVERIFY(QTest::qWaitForWindowActive(&vue));
    vue.du()->setFocus();
    vue.du()->setCurrentSection(QDateTimeEdit::DaySection);
    QTest::keyClicks(vue.du(), QStringLiteral("31022026"));
    QTest::keyClick(vue.du(), Qt::Key_Tab);
    removeDateEntry(qApp);
    QTRY_VERIFY(!vue.boutonExporter()->isEnabled());
    ScopedSaveFileAnswer refuse(dir.filePath("refuse.csv"));
    vue.exporter();
    QVERIFY(refuse.requests.isEmpty());
    QVERIFY(vue.findChild<QLabel*>(QStringLiteral("ligneErreur"))->text().contains(QStringLiteral("n'est pas valide")));
    QVERIFY(!vue.findChild<QLabel*>(QStringLiteral("dateRefusee"))); // said once
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
    // Two clients are called Dupont: the town says whose report it is, on screen and in the PDF.
    QCOMPARE(r.vue->apercu()->titre(), QStringLiteral("Aperçu du rapport pour Dupont (Lyon) – janv. 2025"));
    QVERIFY(r.vue->boutonApercu()->isEnabled());

    // A new rental of the month shows at once.
    rental(r.dupont, colouredSkip(r.ctx.get()), nullptr, parisTime(2025, 1, 12));
    QTRY_COMPARE(r.vue->apercu()->lignes()->rowCount(), 3);

    r.vue->boutonApercu()->click();
    QCOMPARE(r.vue->zoneAffichee()->objectName(), r.vue->boutonFermerApercu()->parentWidget()->objectName());
    QVERIFY(r.vue->boutonFermerApercu()->isVisibleTo(r.vue.get()));
    QPdfDocument* doc = r.vue->previewPDF()->document();
    QCOMPARE(doc->pageCount(), 1);
    QCOMPARE(doc->pagePointSize(0), QSizeF(600, 800));
    QVERIFY(doc->getAllText(0).text().contains("3"));
    QVERIFY2(doc->getAllText(0).text().contains(QStringLiteral("Dupont (Lyon)")), qPrintable(doc->getAllText(0).text()));

    // The previewed PDF is kept where the user says, and the screen says where it went.
    {
        QTemporaryDir dossier;
        const QString copie = dossier.filePath(QStringLiteral("rapport.pdf"));
        ScopedSaveFileAnswer reponse(copie);
        QVERIFY(r.vue->boutonEnregistrerPDF()->isVisibleTo(r.vue.get()));
        r.vue->boutonEnregistrerPDF()->click();
        QCOMPARE(reponse.requests.size(), 1);
        // Two clients are called Dupont: the town tells whose report it is.
        QCOMPARE(reponse.requests[0].suggestedName, QStringLiteral("Rapport-Dupont (Lyon)-janv. 2025.pdf"));
        QCOMPARE(reponse.requests[0].mimeTypes, QStringList{QStringLiteral("application/pdf")});
        QCOMPARE(lire(copie), r.vue->apercuPDF());
        QVERIFY(r.vue->confirmation()->isVisibleTo(r.vue.get()));
        QCOMPARE(r.vue->confirmation()->texte(), QStringLiteral("« rapport.pdf » enregistré dans « %1 ».")
                                                     .arg(QDir::toNativeSeparators(dossier.path())));
        // A place that cannot be written: said, nothing written.
        QVERIFY(QDir(dossier.path()).mkdir(QStringLiteral("occupe.pdf")));
        reponse.answer = dossier.filePath(QStringLiteral("occupe.pdf"));
        r.vue->boutonEnregistrerPDF()->click();
        QVERIFY(boite(r.vue.get(), QStringLiteral("Le PDF du rapport n’a pas pu être enregistré")));
        closeBoxes(r.vue.get());
    }

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
    QCOMPARE(h->moisMs(), parisMs(2025, 1, 20, 10));
    QCOMPARE(h->dateEnvoiMs(), parisMs(2025, 1, 20, 10));
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
    QCOMPARE(r.ctx->all<HistoriqueEnvoiRapport>().last()->moisMs(), parisMs(2025, 2, 14, 10));
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
        closeBoxes(r.vue.get());
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
        QMessageBox* alerte = boite(r.vue.get(), QStringLiteral("Le message n’a pas pu être préparé"));
        QVERIFY(alerte);
        QCOMPARE(r.historiques(), 0);
        // It says that no mail program answered and offers to keep the PDF where the user says;
        // nothing is left in the temporary folder, no folder is opened, nothing speaks of one.
        QVERIFY2(alerte->informativeText().contains(QStringLiteral("Aucune application de messagerie n’a répondu")),
                 qPrintable(alerte->informativeText()));
        QVERIFY2(!alerte->informativeText().contains(QDir::toNativeSeparators(QDir::tempPath())),
                 qPrintable(alerte->informativeText()));
        QVERIFY(!QFile::exists(cheminPDF()));
        QVERIFY(opener.shownItems.isEmpty());
        QVERIFY(!r.vue->confirmation()->isVisibleTo(r.vue.get()));
        auto* enregistrer = alerte->findChild<QPushButton*>(QStringLiteral("enregistrerPDF"));
        QVERIFY(enregistrer);
        QCOMPARE(enregistrer->text(), QStringLiteral("Enregistrer le PDF…"));
        QTemporaryDir dossier;
        ScopedSaveFileAnswer reponse(dossier.filePath(QStringLiteral("copie.pdf")));
        QCOMPARE(reponse.requests.size(), 0);
        enregistrer->click();
        QCOMPARE(reponse.requests.size(), 1);
        QCOMPARE(reponse.requests[0].suggestedName, QFileInfo(cheminPDF()).fileName());
        QVERIFY(lire(dossier.filePath(QStringLiteral("copie.pdf"))).startsWith("%PDF"));
        QVERIFY(r.vue->confirmation()->isVisibleTo(r.vue.get()));
        QCOMPARE(r.vue->confirmation()->texte(),
                 QStringLiteral("« copie.pdf » enregistré dans « %1 ».").arg(QDir::toNativeSeparators(dossier.path())));
    }
    {
        // The mail is prepared but no file manager shows the PDF: said, with its folder.
        Rapport r;
        RecordingDesktopOpener opener;
        opener.showItemResult = false;
        r.vue->setSelectedClient(r.dupont);
        const auto ouvrir = [&opener](const QUrl& url) {
            opener.openedUrls.append(url);
            return url.scheme() == QStringLiteral("mailto");
        };
        DesktopOpener::setUrlOpener(ouvrir);
        r.vue->envoyerRapport();
        QCOMPARE(r.historiques(), 1);
        QCOMPARE(r.vue->confirmation()->texte(),
                 QStringLiteral("Le dossier « %1 » n’a pas pu être ouvert : aucun gestionnaire de fichiers n’a répondu.")
                     .arg(QDir::toNativeSeparators(QDir::tempPath())));
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
        closeBoxes(r.vue.get());
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
             rapport::corpsEmail(r.dupont->nom(), parisMs(2025, 1, 20), paris()).replace("\n", "\r\n"));
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
        QCOMPARE(reponse.requests[0].suggestedName, QStringLiteral("rapport-Dupont (Lyon)-janv. 2025.csv"));
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
                            "Dupont (Lyon);05/01/2025;1 rue A;10;Gravats;09/01/2025\n"
                            "Dupont (Lyon);31/01/2025;2 rue B;7;;\n"
                            "Dupont (Paris);07/01/2025;Homonyme;8;Gravats;"));
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
        closeBoxes(r.vue.get());
        r.vue->setSelectedClient(r.dupont);
        r.vue->exporterCSVClient();
        QVERIFY(boite(r.vue.get(), QStringLiteral("Export CSV impossible")));
        closeBoxes(r.vue.get());
    }
    {
        // An impossible date typed in the month exports nothing of the month still shown.
        installDateEntry(qApp);
        r.vue->show();
        QVERIFY(QTest::qWaitForWindowActive(r.vue.get()));
        r.vue->choixMois()->setFocus();
        r.vue->choixMois()->setCurrentSection(QDateTimeEdit::DaySection);
        QTest::keyClicks(r.vue->choixMois(), QStringLiteral("31022025"));
        QTest::keyClick(r.vue->choixMois(), Qt::Key_Tab);
        removeDateEntry(qApp);
        QTRY_VERIFY(r.vue->choixMois()->property(kDateRefused).isValid());
        QVERIFY(r.vue->findChild<QLabel*>(QStringLiteral("dateRefusee"))->isVisible()); // under the month's row
        ScopedSaveFileAnswer refuse(dir.filePath("refuse.csv"));
        r.vue->boutonExporterCSV()->click();
        r.vue->boutonExporterTous()->click();
        QVERIFY(refuse.requests.isEmpty());
    }
}

void TestEcrans::rapportNomTresLong()
{
    // A 300-character name with accents and a "/": the report is sent, its PDF written under a
    // name the file system takes, with the month and the extension.
    Rapport r;
    QString nom;
    while (nom.size() < 300)
        nom += QStringLiteral("Société d’Économie/Démolition ");
    nom.truncate(300);
    r.dupont->setNom(nom);
    RecordingDesktopOpener opener;
    r.vue->setSelectedClient(r.dupont);
    r.vue->boutonEnvoyer()->click();
    QVERIFY(!boite(r.vue.get(), QStringLiteral("Le PDF du rapport n’a pas pu être enregistré")));
    QCOMPARE(opener.shownItems.size(), 1);
    const QString pdf = opener.shownItems.first();
    QVERIFY(lire(pdf).startsWith("%PDF"));
    const QString nomPdf = QFileInfo(pdf).fileName();
    QVERIFY(nomPdf.toUtf8().size() <= 255);
    QVERIFY(nomPdf.startsWith(QStringLiteral("Rapport-Société d’Économie-Démolition Société")));
    QVERIFY(nomPdf.endsWith(QStringLiteral("-janv. 2025.pdf")));
    QCOMPARE(r.historiques(), 1);
    QFile::remove(pdf);

    // The one-client CSV: the dialog proposes such a name and its button takes it as it is.
    QTemporaryDir dir;
    QSettings().setValue(QStringLiteral("files/lastSaveFolder"), dir.path());
    bool vu = false;
    QTimer::singleShot(0, r.vue.get(), [&] {
        auto* dialogue = r.vue->findChild<QFileDialog*>();
        QVERIFY(dialogue);
        vu = true;
        auto* boutons = dialogue->findChild<QDialogButtonBox*>();
        QPushButton* enregistrer = boutons ? boutons->button(QDialogButtonBox::Save) : nullptr;
        if (!enregistrer || !enregistrer->isEnabled())
            dialogue->reject();
        QVERIFY(enregistrer);
        QVERIFY(enregistrer->isEnabled());
        enregistrer->click();
    });
    r.vue->boutonExporterCSV()->click();
    QVERIFY(vu);
    QSettings().remove(QStringLiteral("files/lastSaveFolder"));
    const QStringList ecrits = QDir(dir.path()).entryList(QDir::Files);
    QCOMPARE(ecrits.size(), 1);
    QVERIFY(ecrits[0].toUtf8().size() <= 255);
    QVERIFY(ecrits[0].startsWith(QStringLiteral("rapport-Société d’Économie-Démolition")));
    QVERIFY(ecrits[0].endsWith(QStringLiteral("-janv. 2025.csv")));
    QVERIFY(lire(dir.filePath(ecrits[0])).startsWith("Date pose;Adresse;"));
    QVERIFY(!boite(r.vue.get(), QStringLiteral("Export CSV impossible")));
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
    auto ctx = storeInFolder();
    ExportFacturationView facturation(ctx.get(), fixedClock(parisMs(2026, 12, 6, 12)));
    garder(facturation, "facturation.png");

    Rapport r;
    garder(*r.vue, "rapport-vide.png");
    for (int i = 0; i < 14; ++i)
        rental(r.dupont, colouredSkip(r.ctx.get(), 6 + i % 3), nullptr, parisTime(2025, 1, 1 + i, 9), parisTime(2025, 1, 2 + i, 9),
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

    // From the last button of the controls, Tab runs through the PDF pane's buttons as they read:
    // top to bottom, then left to right.
    QList<QPushButton*> boutons{r.vue->boutonFermerApercu(), r.vue->boutonEnregistrerPDF(), r.vue->boutonExporterCSV(),
                                r.vue->boutonImprimer()};
    QTRY_VERIFY(std::all_of(boutons.cbegin(), boutons.cend(), [](QPushButton* b) { return b->isVisible(); }));
    // Two buttons stand on one line when each one's middle is within the other's height.
    std::sort(boutons.begin(), boutons.end(), [&r](QPushButton* a, QPushButton* b) {
        const QRect ra(a->mapTo(r.vue.get(), QPoint(0, 0)), a->size()), rb(b->mapTo(r.vue.get(), QPoint(0, 0)), b->size());
        const bool memeLigne = ra.top() <= rb.center().y() && rb.center().y() <= ra.bottom();
        return memeLigne ? ra.left() < rb.left() : ra.top() < rb.top();
    });
    r.vue->boutonEnvoyer()->setFocus();
    QTRY_VERIFY(r.vue->boutonEnvoyer()->hasFocus());
    for (QPushButton* attendu : boutons)
        QCOMPARE(tab(), static_cast<QWidget*>(attendu));
    // Then the pages, which the keys scroll, framed while they have the keyboard.
    auto* pages = qobject_cast<QAbstractScrollArea*>(tab());
    QVERIFY(pages);
    const auto bord = [pages] {
        const QImage image = pages->viewport()->grab().toImage();
        return image.pixelColor(int(image.devicePixelRatio()), image.height() / 2);
    };
    // In a colour that stands out from the white paper, whatever the desktop's colours.
    QPalette papier = pages->palette();
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::AlternateBase, QPalette::Button})
        papier.setColor(role, Qt::white);
    QTRY_COMPARE(bord(), kv::focusColour(papier));
    r.vue->boutonImprimer()->setFocus();
    QTRY_VERIFY(bord() != kv::focusColour(papier));
    // Return presses the focused button, as Space does.
    QTemporaryDir dossier;
    ScopedSaveFileAnswer reponse(dossier.filePath(QStringLiteral("rapport.pdf")));
    r.vue->boutonEnregistrerPDF()->setFocus();
    QTest::keyClick(r.vue->boutonEnregistrerPDF(), Qt::Key_Return);
    QCOMPARE(reponse.requests.size(), 1);
    QVERIFY(QFile::exists(dossier.filePath(QStringLiteral("rapport.pdf"))));
    // The confirmation's own button too.
    r.vue->confirmation()->boutonAfficher()->setFocus();
    QTRY_VERIFY(r.vue->confirmation()->boutonAfficher()->hasFocus());
    QTest::keyClick(r.vue->confirmation()->boutonAfficher(), Qt::Key_Return);
    QCOMPARE(opener.shownItems.last(), dossier.filePath(QStringLiteral("rapport.pdf")));
}

// An empty store: nothing to choose; the title of the screen at its top; an empty month's note
// under the preview's title.
void TestEcrans::rapportMagasinVide()
{
    auto ctx = storeInFolder();
    RapportMensuelView vue(ctx.get(), fixedClock(parisMs(2025, 1, 20, 10)));
    vue.resize(1200, 760);
    vue.show();
    QVERIFY(QTest::qWaitForWindowExposed(&vue));
    QCOMPARE(vue.choixClient()->findText(QStringLiteral("Choisir un client")), -1);
    QVERIFY(!vue.choixClient()->isEnabled());
    QVERIFY(vue.titre()->isVisible());
    QCOMPARE(vue.titre()->text(), QStringLiteral("Rapport d’activité mensuel"));
    QVERIFY(vue.titre()->geometry().bottom() < vue.boutonExporterTous()->mapTo(&vue, QPoint(0, 0)).y());

    // The first client makes the picker useful.
    Client* c = client(ctx.get(), QStringLiteral("Martin"));
    QTRY_COMPARE(vue.choixClient()->itemText(0), QStringLiteral("Choisir un client"));
    QVERIFY(vue.choixClient()->isEnabled());

    // A month without rentals: the note stands right under the preview's title.
    vue.setSelectedClient(c);
    QCoreApplication::processEvents();
    auto* note = vue.apercu()->findChild<QLabel*>(QStringLiteral("apercuVide"));
    QVERIFY(note && note->isVisible());
    QCOMPARE(note->text(), QStringLiteral("Aucune location ce mois."));
    const QWidget* titre = vue.apercu()->titreAffiche();
    QVERIFY2(note->geometry().top() - titre->geometry().bottom() <= 24,
             qPrintable(QStringLiteral("%1 → %2").arg(titre->geometry().bottom()).arg(note->geometry().top())));
}

// Inside the statistics' scroll area at 1200 × 760: a long client name is cut (whole in its
// tool tip) and the PDF pane's buttons stay in view; the PDF frame shrinks with the window.
void TestEcrans::rapportMiseEnPage()
{
    Rapport r;
    const QString longNom = QStringLiteral("Société anonyme de terrassement, démolition et recyclage ").repeated(3).trimmed();
    QVERIFY(longNom.size() >= 170);
    r.dupont->setNom(longNom);
    QVERIFY(r.ctx->save());
    QScrollArea defilement;
    defilement.setWidgetResizable(true);
    RapportMensuelView* vue = r.vue.release();
    defilement.setWidget(vue);
    defilement.resize(1200 - 480, 760);
    defilement.show();
    QVERIFY(QTest::qWaitForWindowExposed(&defilement));
    vue->setSelectedClient(r.dupont);
    QCoreApplication::processEvents();
    QVERIFY(r.dupont->nom() == longNom);
    ElidedLabel* titre = vue->apercu()->titreAffiche();
    QVERIFY(titre->isElided());
    QVERIFY(titre->toolTip().contains(longNom));
    QCOMPARE(vue->apercu()->titre(), QStringLiteral("Aperçu du rapport pour ") + longNom + QStringLiteral(" – janv. 2025"));

    vue->genererApercuPDF();
    QCoreApplication::processEvents();
    const int largeurVisible = defilement.viewport()->width();
    QVERIFY2(vue->width() <= largeurVisible, qPrintable(QStringLiteral("%1 > %2").arg(vue->width()).arg(largeurVisible)));
    for (QPushButton* b : {vue->boutonFermerApercu(), vue->boutonExporterCSV(), vue->boutonImprimer()}) {
        const QRect ici(b->mapTo(vue, QPoint(0, 0)), b->size());
        QVERIFY2(ici.right() < largeurVisible, qPrintable(b->text()));
    }
    auto* cadre = vue->findChild<QFrame*>(QStringLiteral("cadreApercuPDF"));
    QVERIFY(cadre);
    QVERIFY(cadre->width() <= 600 && cadre->height() <= 800);
    // A smaller window: a smaller frame, down to 240.
    const QSize avant = cadre->size();
    defilement.resize(560, 560);
    QCoreApplication::processEvents();
    QVERIFY2(cadre->width() < avant.width() || cadre->height() < avant.height(),
             qPrintable(QStringLiteral("%1x%2").arg(cadre->width()).arg(cadre->height())));
    QVERIFY(cadre->width() >= 240 && cadre->height() >= 240);
    QVERIFY(vue->width() <= defilement.viewport()->width());
}

// The history shows every row, long names cut, without a sideways scroll bar taking a row's room.
void TestEcrans::historiqueLongsNoms()
{
    Rapport r;
    r.dupont->setNom(QStringLiteral("Entreprise générale de bâtiment et de travaux publics ").repeated(4));
    for (int i = 0; i < 3; ++i)
        r.ctx->insert(new HistoriqueEnvoiRapport(QUuid::createUuid(), i ? r.homonyme : r.dupont,
                                                 parisTime(2025, 1 + i, 1), parisTime(2025, 2 + i, 1, 9)));
    QVERIFY(r.ctx->save());
    r.vue->resize(1200, 760);
    r.vue->show();
    QVERIFY(QTest::qWaitForWindowExposed(r.vue.get()));
    QTRY_COMPARE(r.vue->listeHistorique()->model()->rowCount(), 3);
    QListView* liste = r.vue->listeHistorique();
    QCoreApplication::processEvents();
    const int ligne = liste->sizeHintForRow(0);
    QVERIFY2(liste->viewport()->height() >= 3 * ligne,
             qPrintable(QStringLiteral("%1 < 3 × %2").arg(liste->viewport()->height()).arg(ligne)));
    QVERIFY(!liste->horizontalScrollBar()->isVisible());
    QVERIFY(liste->visualRect(liste->model()->index(2, 0)).bottom() < liste->viewport()->height());
}

// Only the address column of the preview's list may be cut; the others show their whole text.
void TestEcrans::colonnesDeLApercu()
{
    Rapport r;
    TypeDechet* long_ = pricedWasteType(r.ctx.get(), QStringLiteral("Déchets industriels non dangereux en mélange"), 20.0);
    rental(r.dupont, colouredSkip(r.ctx.get(), 30), long_, parisTime(2025, 1, 14, 8), std::nullopt,
           QStringLiteral("Zone artisanale des Grandes Terres, lot 14, 69800 Saint-Priest"));
    QVERIFY(r.ctx->save());
    r.vue->resize(1200, 760);
    r.vue->show();
    QVERIFY(QTest::qWaitForWindowExposed(r.vue.get()));
    r.vue->setSelectedClient(r.dupont);
    QCoreApplication::processEvents();
    QTreeView* liste = r.vue->apercu()->liste();
    QAbstractItemModel* m = liste->model();
    QCOMPARE(m->rowCount(), 3);
    bool nonPrevue = false;
    for (int row = 0; row < m->rowCount(); ++row) {
        for (int col = 0; col < LocationDetailRowsModel::adresse; ++col) {
            const QModelIndex i = m->index(row, col);
            const QString texte = i.data().toString();
            nonPrevue |= texte == QStringLiteral("non prévue");
            // The text and the item's margins.
            const int besoin = liste->fontMetrics().horizontalAdvance(texte) + 6;
            QVERIFY2(liste->columnWidth(col) >= besoin,
                     qPrintable(QStringLiteral("%1: %2 < %3").arg(texte).arg(liste->columnWidth(col)).arg(besoin)));
        }
    }
    QVERIFY(nonPrevue);
}

// In the statistics hub of the smallest window (a page about 330 points wide that scrolls up and
// down), with 300-character names: nothing scrolls sideways, the preview's columns narrow to
// their floors, and the preview and the history show all their rows, so only the page scrolls.
// The coloured buttons write their text in an ink that reads on their fill, as drawn by the style.
void TestEcrans::rapportBoutonsColoresLisibles()
{
    Rapport r;
    r.vue->show();
    QVERIFY(QTest::qWaitForWindowExposed(r.vue.get()));
    r.vue->setSelectedClient(r.dupont);
    r.vue->boutonApercu()->click();
    QTRY_VERIFY(r.vue->boutonFermerApercu()->isVisible());
    int vus = 0;
    for (QPushButton* b : r.vue->findChildren<QPushButton*>()) {
        if (!b->isVisible() || !b->isEnabled() || b->text().isEmpty())
            continue;
        const double contraste = contrasteDuTexte(b);
        QVERIFY2(contraste >= 4.5, qPrintable(QStringLiteral("« %1 » : %2").arg(b->text()).arg(contraste)));
        ++vus;
    }
    QVERIFY(vus >= 4);
    // The report's own coloured buttons are among them, and the one that sends reads too.
    r.vue->boutonFermerApercu()->click();
    QPushButton* envoyer = nullptr;
    for (QPushButton* b : r.vue->findChildren<QPushButton*>())
        if (b->text() == QStringLiteral("Envoyer rapport au client"))
            envoyer = b;
    QVERIFY(envoyer);
    QTRY_VERIFY(envoyer->isVisible());
    QVERIFY2(contrasteDuTexte(envoyer) >= 4.5, qPrintable(QString::number(contrasteDuTexte(envoyer))));

    // Its label stays where it was when it takes the keys (as after a dialog closes).
    kv::installFocusStyle(qApp); // as the program does
    const auto lignesDEncre = [envoyer] {
        const QImage image = envoyer->grab().toImage();
        const QColor fond = image.pixelColor(image.width() / 2, 4);
        int haut = image.height(), bas = -1;
        for (int y = 3; y < image.height() - 3; ++y)
            for (int x = 8; x < image.width() - 8; ++x)
                if (kv::forms::contrastRatio(image.pixelColor(x, y), fond) > 3) {
                    haut = std::min(haut, y);
                    bas = std::max(bas, y);
                }
        return std::pair(haut, bas);
    };
    const auto avant = lignesDEncre();
    envoyer->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(envoyer->hasFocus());
    QCOMPARE(lignesDEncre(), avant);
}

void TestEcrans::rapportEtroit()
{
    Rapport r;
    const QString long_ = QStringLiteral("Déchets <b>industriels</b> / Démolition & Frères ").repeated(6).left(300);
    TypeDechet* type = pricedWasteType(r.ctx.get(), long_, 20.0);
    r.dupont->setNom(long_);
    for (int i = 0; i < 12; ++i)
        rental(r.dupont, colouredSkip(r.ctx.get(), 30), type, parisTime(2025, 1, 2 + i, 8), std::nullopt, long_);
    for (int i = 0; i < 15; ++i)
        r.ctx->insert(new HistoriqueEnvoiRapport(QUuid::createUuid(), r.dupont, parisTime(2024, 1 + i % 12, 1),
                                                 parisTime(2025, 1, 1 + i, 9)));
    QVERIFY(r.ctx->save());
    QScrollArea defilement;
    defilement.setWidgetResizable(true);
    RapportMensuelView* vue = r.vue.release();
    defilement.setWidget(vue);
    defilement.resize(330, 400);
    defilement.show();
    QVERIFY(QTest::qWaitForWindowExposed(&defilement));
    vue->setSelectedClient(r.dupont);
    QCoreApplication::processEvents();
    QTest::qWait(20);

    QVERIFY2(!defilement.horizontalScrollBar()->isVisible(),
             qPrintable(QStringLiteral("%1 > %2").arg(vue->minimumSizeHint().width()).arg(defilement.viewport()->width())));
    for (QWidget* w : vue->findChildren<QWidget*>()) {
        if (!w->isVisible() || !(qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w)))
            continue;
        const QRect ici(w->mapTo(vue, QPoint(0, 0)), w->size());
        QVERIFY2(ici.left() >= 0 && ici.right() < defilement.viewport()->width(), w->metaObject()->className());
    }
    QTreeView* liste = vue->apercu()->liste();
    QVERIFY(liste->model()->rowCount() >= 12);
    QVERIFY2(!liste->horizontalScrollBar()->isVisible(),
             qPrintable(QStringLiteral("%1 px of columns in %2: %3 %4 %5 %6 %7").arg(liste->header()->length()).arg(liste->viewport()->width())
             .arg(liste->columnWidth(0)).arg(liste->columnWidth(1)).arg(liste->columnWidth(2)).arg(liste->columnWidth(3)).arg(liste->columnWidth(4))));
    for (QAbstractItemView* l : {static_cast<QAbstractItemView*>(liste), static_cast<QAbstractItemView*>(vue->listeHistorique())}) {
        QVERIFY(!l->verticalScrollBar()->isVisible());
        const QModelIndex derniere = l->model()->index(l->model()->rowCount() - 1, 0);
        QVERIFY2(l->visualRect(derniere).bottom() < l->viewport()->height(),
                 qPrintable(QStringLiteral("%1 rows, %2 px").arg(l->model()->rowCount()).arg(l->viewport()->height())));
    }
    QCOMPARE(vue->listeHistorique()->model()->rowCount(), 15);
    // Each column keeps at least its floor, the dates their text.
    for (int col = 0; col < LocationDetailRowsModel::nombreDeColonnes; ++col)
        QVERIFY2(liste->columnWidth(col) >= 40, qPrintable(QString::number(liste->columnWidth(col))));
    // Wider again, the columns take back their room.
    defilement.resize(1000, 700);
    QCoreApplication::processEvents();
    QVERIFY(liste->columnWidth(LocationDetailRowsModel::dechet) >= 108);

    // The PDF kept where the user says, in a page as narrow as the hub's at 1.5 on a small
    // screen: the line that says where it went reads across the page, nothing scrolls sideways
    // nor is cut, and the buttons above it stay where they were.
    defilement.resize(460, 500);
    vue->genererApercuPDF();
    QTRY_VERIFY(vue->boutonEnregistrerPDF()->isVisible());
    const auto ici = [vue](const QWidget* w) {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
        return QRect(w->mapTo(vue, QPoint(0, 0)), w->size());
    };
    const QList<QPushButton*> boutonsPDF{vue->boutonFermerApercu(), vue->boutonEnregistrerPDF(), vue->boutonExporterCSV(),
                                         vue->boutonImprimer()};
    QList<QRect> avant;
    for (QPushButton* b : boutonsPDF)
        avant << ici(b);
    QTemporaryDir dossier;
    ScopedSaveFileAnswer reponse(dossier.filePath(QStringLiteral("rapport.pdf")));
    vue->boutonEnregistrerPDF()->click();
    QTRY_VERIFY(vue->confirmation()->isVisible());
    for (int i = 0; i < boutonsPDF.size(); ++i)
        QCOMPARE(ici(boutonsPDF.at(i)), avant.at(i));
    QVERIFY(!defilement.horizontalScrollBar()->isVisible());
    for (QPushButton* b : vue->findChildren<QPushButton*>()) {
        if (!b->isVisible())
            continue;
        const QRect r = ici(b);
        QVERIFY2(r.left() >= 0 && r.right() < defilement.viewport()->width() && r.width() >= b->minimumSizeHint().width(),
                 qPrintable(b->text()));
    }
    const QLabel* ligne = vue->confirmation()->findChild<QLabel*>();
    QVERIFY2(ligne->width() >= defilement.viewport()->width() / 3,
             qPrintable(QStringLiteral("%1 px of %2").arg(ligne->width()).arg(defilement.viewport()->width())));
}

// With thousands of clients, one is found by typing part of its name, accents and capitals
// aside; Return chooses it and the report follows.
void TestEcrans::rapportClientTrouveEnTapant()
{
    Rapport r;
    for (int i = 0; i < 5000; ++i)
        client(r.ctx.get(), QStringLiteral("Client %1").arg(i));
    Client* batiment = client(r.ctx.get(), "Bâtiment Martin");
    QVERIFY(r.ctx->save());
    r.vue->show();
    QVERIFY(QTest::qWaitForWindowActive(r.vue.get()));
    SearchablePicker* choix = r.vue->choixClient();
    QTRY_COMPARE(choix->count(), 5000 + 4 + 1);
    choix->setFocus();
    QTRY_VERIFY(choix->hasFocus());
    typeText(choix, QStringLiteral("B"));
    QVERIFY(choix->listShown());
    typeText(choix->searchField(), QStringLiteral("ATIMENT mar"));
    QCOMPARE(choix->filteredTexts(), QStringList{"Bâtiment Martin"});
    QTest::keyClick(choix->searchField(), Qt::Key_Return);
    QCOMPARE(r.vue->selectedClient(), batiment);
    QVERIFY(r.vue->boutonApercu()->isEnabled());

    // Namesakes both stay, in the shared order; a click chooses the second.
    typeText(choix, QStringLiteral("d"));
    typeText(choix->searchField(), QStringLiteral("upont"));
    QCOMPARE(choix->filteredTexts(), (QStringList{"Dupont", "Dupont"}));
    QListView* liste = choix->filteredList();
    QTest::mouseClick(liste->viewport(), Qt::LeftButton, {}, liste->visualRect(liste->model()->index(1, 0)).center());
    QVERIFY(!choix->listShown());
    QVERIFY(r.vue->selectedClient() == r.dupont || r.vue->selectedClient() == r.homonyme);
    Client* second = r.vue->selectedClient();
    typeText(choix, QStringLiteral("d"));
    typeText(choix->searchField(), QStringLiteral("upont"));
    QTest::keyClick(choix->searchField(), Qt::Key_Return);
    QVERIFY(r.vue->selectedClient() != second);
    QVERIFY(r.vue->selectedClient() == r.dupont || r.vue->selectedClient() == r.homonyme);
}
