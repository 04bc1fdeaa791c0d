#include "tests.h"
#include "lecteurecran.h"

#include "outils.h"
#include "screenfixtures.h"
#include "../widgets/screenfit.h"

#include "app/contentview.h"
#include "drivers/formulaireajoutdisponibilite.h"
#include "drivers/formulaireajoutformationchauffeur.h"
#include "drivers/formulaireajoutqualification.h"
#include "drivers/formulaireajoutspecialisation.h"
#include "drivers/formulairechauffeurview.h"
#include "drivers/vuechauffeurs.h"
#include "widgets/forms/detailpane.h"

#include <QCheckBox>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QPushButton>
#include <QTimeZone>
#include <QToolBar>

using namespace kv;
using namespace outils;

namespace {

QStringList lignes(VueChauffeurs& v)
{
    QStringList out;
    for (int i = 0; i < v.liste()->rowCount(); ++i)
        out.append(v.liste()->listView()->model()->index(i, 0).data().toString());
    return out;
}

void cliquerLigne(VueChauffeurs& v, int ligne)
{
    QListView* vue = v.liste()->listView();
    const QRect r = vue->visualRect(vue->model()->index(ligne, 0));
    QTest::mouseClick(vue->viewport(), Qt::LeftButton, {}, r.center());
    laisserPasser();
}

// The main window at 1200 × 760 on the drivers screen; null when it did not show.
VueChauffeurs* ecranChauffeurs(ContentView& fenetre)
{
    fenetre.resize(1200, 760);
    fenetre.show();
    if (!QTest::qWaitForWindowExposed(&fenetre))
        return nullptr;
    fenetre.setSelection(Commande::chauffeurs);
    laisserPasser();
    return qobject_cast<VueChauffeurs*>(fenetre.detailScreen());
}

int hauteurLigne(VueChauffeurs& v, int ligne)
{
    QListView* vue = v.liste()->listView();
    return vue->visualRect(vue->model()->index(ligne, 0)).height();
}

} // namespace

void TestVueChauffeurs::emptyStore()
{
    Magasin m;
    auto ctx = m.ouvrir();
    VueChauffeurs v(ctx.get(), nullptr, horloge());
    v.resize(1000, 700);
    v.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v));
    QCOMPARE(v.liste()->rowCount(), 0);
    QVERIFY(!v.boutonSupprimer()->isEnabled());
    QVERIFY(v.boutonNouveau()->isEnabled());
    QVERIFY(v.formulaire());
    QCOMPARE(v.formulaire()->chauffeur(), nullptr);
    QCOMPARE(v.formulaire()->titre()->text(), QStringLiteral("Nouveau chauffeur"));
    QVERIFY(!v.liste()->searchField()->isVisible());
    QVERIFY(v.liste()->width() >= 220 && v.liste()->width() <= 300);
    // "Supprimer" with nothing selected does nothing.
    v.supprimerChauffeur();
    QVERIFY(!ctx->hasChanges());
}

void TestVueChauffeurs::rows()
{
    Magasin m;
    auto ctx = m.ouvrir();
    chauffeur(ctx.get(), QStringLiteral("Ana"), QStringLiteral("Roux"), QStringLiteral("06 11"));
    chauffeur(ctx.get(), QStringLiteral("Léo"), QStringLiteral("Blanc"), std::nullopt, false);
    chauffeur(ctx.get(), QStringLiteral("Zoé"), QStringLiteral("Noir"), QString());
    fixtures::save(ctx.get());
    VueChauffeurs v(ctx.get(), nullptr, horloge());
    v.resize(1000, 700);
    v.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v));
    // Store order; the inactive driver is listed.
    QCOMPARE(lignes(v), (QStringList{QStringLiteral("Ana Roux, 06 11"), QStringLiteral("Léo Blanc"),
                                     QStringLiteral("Zoé Noir, ")}));
    const auto ana = VueChauffeurs::ligneChauffeur(ctx->all<Chauffeur>()[0]);
    QCOMPARE(ana.lines.size(), 2);
    QCOMPARE(ana.lines[1].parts.first().text, QStringLiteral("06 11"));
    QCOMPARE(VueChauffeurs::ligneChauffeur(ctx->all<Chauffeur>()[1]).lines.size(), 1);
    // A phone set but empty keeps an empty second line.
    QCOMPARE(VueChauffeurs::ligneChauffeur(ctx->all<Chauffeur>()[2]).lines.size(), 2);
    QVERIFY(hauteurLigne(v, 0) > 0);

    // The inactive driver is selectable like any other.
    cliquerLigne(v, 1);
    QCOMPARE(v.chauffeurSelectionne(), ctx->all<Chauffeur>()[1]);
    QCOMPARE(v.formulaire()->nom(), QStringLiteral("Blanc"));
    QVERIFY(v.boutonSupprimer()->isEnabled());

    // A new driver shows up in the list.
    chauffeur(ctx.get(), QStringLiteral("Éva"), QStringLiteral("Vert"));
    laisserPasser();
    QCOMPARE(v.liste()->rowCount(), 4);
}

void TestVueChauffeurs::selectionAndForms()
{
    Magasin m;
    auto ctx = m.ouvrir();
    Chauffeur* ana = chauffeur(ctx.get(), QStringLiteral("Ana"), QStringLiteral("Roux"));
    Chauffeur* leo = chauffeur(ctx.get(), QStringLiteral("Léo"), QStringLiteral("Blanc"));
    fixtures::save(ctx.get());
    VueChauffeurs v(ctx.get(), nullptr, horloge());
    v.resize(1000, 700);
    v.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v));

    // "Nouveau" on the new-driver form keeps what was typed.
    FormulaireChauffeurView* f = v.formulaire();
    f->champPrenom()->setText(QStringLiteral("Brouillon"));
    v.boutonNouveau()->trigger();
    laisserPasser();
    QCOMPARE(v.formulaire(), f);
    QCOMPARE(v.formulaire()->prenom(), QStringLiteral("Brouillon"));

    // Another driver, the question answered "Annuler": the draft stays, no row is selected, and
    // "Supprimer", which would have nothing to delete, is disabled.
    cliquerLigne(v, 0);
    QVERIFY(fixtures::clickBoxButton(fixtures::openBox(&v, QStringLiteral("enregistrerModifications")),
                                     QStringLiteral("Annuler")));
    laisserPasser();
    QCOMPARE(v.formulaire(), f);
    QCOMPARE(v.formulaire()->prenom(), QStringLiteral("Brouillon"));
    QCOMPARE(v.chauffeurSelectionne(), nullptr);
    QVERIFY(v.liste()->listView()->selectionModel()->selectedIndexes().isEmpty());
    QVERIFY(!v.boutonSupprimer()->isEnabled());

    // Another driver, the draft given up when asked: a form of his own.
    cliquerLigne(v, 0);
    QVERIFY(fixtures::clickBoxButton(fixtures::openBox(&v, QStringLiteral("enregistrerModifications")),
                                     QStringLiteral("Ne pas enregistrer")));
    QCOMPARE(v.chauffeurSelectionne(), ana);
    QCOMPARE(v.formulaire()->titre()->text(), QStringLiteral("Modifier le chauffeur"));
    v.formulaire()->champNom()->setText(QStringLiteral("Modifié"));
    cliquerLigne(v, 1);
    QVERIFY(fixtures::clickBoxButton(fixtures::openBox(&v, QStringLiteral("enregistrerModifications")),
                                     QStringLiteral("Ne pas enregistrer")));
    QCOMPARE(v.chauffeurSelectionne(), leo);
    QCOMPARE(v.formulaire()->chauffeur(), leo);
    QCOMPARE(ana->nom(), QStringLiteral("Roux"));
    QVERIFY(!ctx->hasChanges());
    cliquerLigne(v, 0);
    QCOMPARE(v.formulaire()->nom(), QStringLiteral("Roux"));

    // A save keeps the driver chosen, his form showing what he now holds.
    v.formulaire()->champNom()->setText(QStringLiteral("Rousseau"));
    v.formulaire()->boutonEnregistrer()->click();
    laisserPasser();
    QCOMPARE(v.chauffeurSelectionne(), ana);
    QVERIFY(v.boutonSupprimer()->isEnabled());
    QCOMPARE(v.formulaire()->chauffeur(), ana);
    QCOMPARE(v.formulaire()->nom(), QStringLiteral("Rousseau"));
    QVERIFY(!v.formulaire()->hasUnsavedChanges());
    QCOMPARE(lignes(v).first(), QStringLiteral("Ana Rousseau, 0600000000"));

    // A new driver saved: listed, chosen, his form in place of the blank one.
    v.boutonNouveau()->trigger();
    laisserPasser();
    FormulaireChauffeurView* nouveau = v.formulaire();
    QCOMPARE(nouveau->chauffeur(), nullptr);
    nouveau->champPrenom()->setText(QStringLiteral("Éva"));
    nouveau->champNom()->setText(QStringLiteral("Vert"));
    nouveau->champTelephone()->setText(QStringLiteral("09"));
    nouveau->champTelephone()->setFocus();
    QTest::keyClick(nouveau->champTelephone(), Qt::Key_Return);
    laisserPasser();
    QCOMPARE(v.liste()->rowCount(), 3);
    QVERIFY(v.chauffeurSelectionne());
    QCOMPARE(v.chauffeurSelectionne()->prenom(), QStringLiteral("Éva"));
    QCOMPARE(v.formulaire()->chauffeur(), v.chauffeurSelectionne());
    QCOMPARE(v.formulaire()->titre()->text(), QStringLiteral("Modifier le chauffeur"));
    QCOMPARE(v.formulaire()->prenom(), QStringLiteral("Éva"));
    QVERIFY(v.boutonSupprimer()->isEnabled());

    // "Nouveau" with a driver selected: back to a new-driver form.
    cliquerLigne(v, 2);
    QVERIFY(v.chauffeurSelectionne());
    v.boutonNouveau()->trigger();
    laisserPasser();
    QCOMPARE(v.chauffeurSelectionne(), nullptr);
    QCOMPARE(v.formulaire()->chauffeur(), nullptr);
    QVERIFY(v.liste()->listView()->selectionModel()->selectedIndexes().isEmpty());
}

void TestVueChauffeurs::deletion()
{
    Magasin m;
    {
        auto ctx = m.ouvrir();
        Chauffeur* ana = chauffeur(ctx.get(), QStringLiteral("Ana"), QStringLiteral("Roux"));
        chauffeur(ctx.get(), QStringLiteral("Léo"), QStringLiteral("Blanc"));
        LocationDeBenne* location = locationPosee(ctx.get(), ana);
        location->setChauffeurEnlevement(ana);
        auto* fimo = nomme<Formation>(ctx.get(), QStringLiteral("FIMO"));
        ctx->insert(new FormationChauffeur(ana, fimo, jour(2027, 1, 1)));
        ana->setDisponibilites({new Disponibilite(true, jour(2026, 1, 1), std::nullopt)});
        ana->setSpecialisations({nomme<Specialisation>(ctx.get(), QStringLiteral("Grue auxiliaire"))});
        fixtures::save(ctx.get());

        VueChauffeurs v(ctx.get(), nullptr, horloge());
        v.resize(1000, 700);
        v.show();
        v.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&v));
        cliquerLigne(v, 0);
        QCOMPARE(v.chauffeurSelectionne(), ana);
        // The toolbar's "Supprimer" asks as the Delete key does, "Annuler" first.
        v.boutonSupprimer()->trigger();
        laisserPasser();
        QMessageBox* question = fixtures::openBox(&v, QStringLiteral("confirmation"));
        QVERIFY(question);
        QCOMPARE(question->text(), QStringLiteral("Supprimer ce chauffeur ?"));
        QVERIFY2(question->informativeText().startsWith(QStringLiteral("« Ana Roux")), qPrintable(question->informativeText()));
        QCOMPARE(fixtures::shownText(question->defaultButton()), QStringLiteral("Annuler"));
        QVERIFY(fixtures::clickBoxButton(question, QStringLiteral("Annuler")));
        QCOMPARE(ctx->count<Chauffeur>(), 2);
        v.boutonSupprimer()->trigger();
        QVERIFY(fixtures::clickBoxButton(fixtures::openBox(&v, QStringLiteral("confirmation")), QStringLiteral("Supprimer")));
        laisserPasser();
        QCOMPARE(lignes(v), QStringList{QStringLiteral("Léo Blanc, 0600000000")});
        // The keys go on in the list, on the row that took the deleted one's place.
        QTRY_COMPARE(QApplication::focusWidget(), v.liste()->listView());
        QCOMPARE(v.liste()->listView()->currentIndex().row(), 0);
        QCOMPARE(v.chauffeurSelectionne(), nullptr);
        QVERIFY(!v.boutonSupprimer()->isEnabled());
        QCOMPARE(v.formulaire()->chauffeur(), nullptr);
        QVERIFY(!ctx->hasChanges());
        // Tab walks the form in its place as it reads, its specialisations made anew as the
        // deletion reached them.
        FormulaireChauffeurView* f = v.formulaire();
        QCOMPARE(f->casesSpecialisations().size(), 1);
        f->boutonAjoutFormation()->setFocus(Qt::TabFocusReason);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(f->casesSpecialisations().first()));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), f->boutonAjoutSpecialisation());
    }
    auto ctx = m.ouvrir();
    QCOMPARE(ctx->count<Chauffeur>(), 1);
    QCOMPARE(ctx->count<LocationDeBenne>(), 1);
    LocationDeBenne* l = ctx->all<LocationDeBenne>().first();
    QCOMPARE(l->chauffeurPose(), nullptr);
    QCOMPARE(l->chauffeurEnlevement(), nullptr);
    // His trainings and periods stay, without a driver.
    QCOMPARE(ctx->count<FormationChauffeur>(), 1);
    QCOMPARE(ctx->all<FormationChauffeur>().first()->chauffeur(), nullptr);
    QCOMPARE(ctx->count<Disponibilite>(), 1);
    QCOMPARE(ctx->count<Formation>(), 1);
}

void TestVueChauffeurs::failedDeletion()
{
    Magasin m;
    auto ctx = m.ouvrir();
    Chauffeur* ana = chauffeur(ctx.get(), QStringLiteral("Ana"), QStringLiteral("Roux"));
    LocationDeBenne* location = locationPosee(ctx.get(), ana);
    fixtures::save(ctx.get());

    VueChauffeurs v(ctx.get(), nullptr, horloge());
    v.resize(1000, 700);
    v.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v));
    cliquerLigne(v, 0);
    ctx->failNextSave(QStringLiteral("disque plein"));
    v.boutonSupprimer()->trigger();
    QVERIFY(fixtures::clickBoxButton(fixtures::openBox(&v, QStringLiteral("confirmation")), QStringLiteral("Supprimer")));
    laisserPasser();
    QMessageBox* erreur = fixtures::openBox(&v, QStringLiteral("erreur"));
    QVERIFY(erreur);
    QCOMPARE(erreur->text(), QStringLiteral("Échec de la suppression: disque plein"));
    // The driver comes back, with his rental.
    QVERIFY(!ana->isDeleted());
    QVERIFY(!ctx->hasChanges());
    QCOMPARE(location->chauffeurPose(), ana);
    QCOMPARE(ana->posesAssurees().size(), 1);
    QCOMPARE(lignes(v).size(), 1);
    QCOMPARE(v.chauffeurSelectionne(), ana);
    fixtures::closeBoxes(&v);
}

void TestVueChauffeurs::toolbarOfTheMainWindow()
{
    Magasin m;
    auto ctx = m.ouvrir();
    chauffeur(ctx.get(), QStringLiteral("Ana"), QStringLiteral("Roux"));
    fixtures::save(ctx.get());
    ContentView fenetre(ctx.get());
    fenetre.show();
    auto texts = [&] {
        QStringList out;
        for (QAction* a : fenetre.toolbar()->actions())
            if (a->isVisible() && !a->text().isEmpty())
                out.append(a->text());
        return out;
    };
    QVERIFY(!texts().contains(QStringLiteral("Nouveau")));
    fenetre.setSelection(Commande::chauffeurs);
    auto* vue = qobject_cast<VueChauffeurs*>(fenetre.detailScreen());
    QVERIFY(vue);
    QVERIFY(texts().contains(QStringLiteral("Nouveau")));
    QVERIFY(texts().contains(QStringLiteral("Supprimer")));
    QVERIFY(texts().indexOf(QStringLiteral("Nouveau")) < texts().indexOf(QStringLiteral("Supprimer")));
    QWidget* supprimer = fenetre.toolbar()->widgetForAction(vue->boutonSupprimer());
    QVERIFY(supprimer);
    QVERIFY(!supprimer->isEnabled());
    cliquerLigne(*vue, 0);
    QVERIFY(supprimer->isEnabled());
    // Another command takes them away.
    fenetre.setSelection(Commande::clients);
    laisserPasser();
    QVERIFY(!texts().contains(QStringLiteral("Nouveau")));
    QVERIFY(!texts().contains(QStringLiteral("Supprimer")));
    fenetre.setSelection(Commande::chauffeurs);
    laisserPasser();
    QCOMPARE(texts().count(QStringLiteral("Nouveau")), 1);
}

void TestVueChauffeurs::keysOfTheList()
{
    // In the main window, as a user meets the screen: Ctrl+N goes back to a blank form from
    // anywhere in the screen, the Delete key asks before a driver goes.
    Magasin m;
    {
        auto ctx = m.ouvrir();
        Chauffeur* ana = chauffeur(ctx.get(), QStringLiteral("Ana"), QStringLiteral("Roux"));
        chauffeur(ctx.get(), QStringLiteral("Léo"), QStringLiteral("Blanc"));
        locationPosee(ctx.get(), ana);
        fixtures::save(ctx.get());

        ContentView fenetre(ctx.get());
        VueChauffeurs* v = ecranChauffeurs(fenetre);
        QVERIFY(v);

        // Ctrl+N from the list and from a field of the form.
        cliquerLigne(*v, 1);
        QCOMPARE(v->formulaire()->nom(), QStringLiteral("Blanc"));
        QTest::keyClick(v->liste()->listView(), Qt::Key_N, Qt::ControlModifier);
        laisserPasser();
        QCOMPARE(v->chauffeurSelectionne(), nullptr);
        QCOMPARE(v->formulaire()->chauffeur(), nullptr);
        QCOMPARE(v->formulaire()->titre()->text(), QStringLiteral("Nouveau chauffeur"));
        QVERIFY(!v->boutonSupprimer()->isEnabled());
        // The letters typed next go into the first field.
        QCOMPARE(v->window()->focusWidget(), v->formulaire()->champPrenom());
        cliquerLigne(*v, 0);
        v->formulaire()->champNom()->setFocus();
        QTest::keyClick(v->formulaire()->champNom(), Qt::Key_N, Qt::ControlModifier);
        laisserPasser();
        QCOMPARE(v->formulaire()->chauffeur(), nullptr);
        // Ctrl+N on the blank form keeps what was typed in it.
        v->formulaire()->champPrenom()->setText(QStringLiteral("Brouillon"));
        QTest::keyClick(v->formulaire()->champPrenom(), Qt::Key_N, Qt::ControlModifier);
        laisserPasser();
        QCOMPARE(v->formulaire()->prenom(), QStringLiteral("Brouillon"));

        // Delete asks; "Annuler" keeps the driver.
        cliquerLigne(*v, 0);
        QVERIFY(fixtures::clickBoxButton(fixtures::openBox(v, QStringLiteral("enregistrerModifications")),
                                         QStringLiteral("Ne pas enregistrer")));
        QCOMPARE(v->chauffeurSelectionne(), ana);
        v->liste()->listView()->setFocus();
        QTest::keyClick(v->liste()->listView(), Qt::Key_Delete);
        QMessageBox* question = fixtures::openBox(v, QStringLiteral("confirmation"));
        QVERIFY(question);
        QCOMPARE(question->text(), QStringLiteral("Supprimer ce chauffeur ?"));
        QVERIFY(fixtures::clickBoxButton(question, QStringLiteral("Annuler")));
        QVERIFY(!ana->isDeleted());
        QCOMPARE(lignes(*v).size(), 2);
        QCOMPARE(v->chauffeurSelectionne(), ana);

        // "Supprimer" deletes and saves; the blank form comes back.
        QTest::keyClick(v->liste()->listView(), Qt::Key_Delete);
        QVERIFY(fixtures::clickBoxButton(fixtures::openBox(v, QStringLiteral("confirmation")), QStringLiteral("Supprimer")));
        laisserPasser();
        QCOMPARE(lignes(*v), QStringList{QStringLiteral("Léo Blanc, 0600000000")});
        QCOMPARE(v->chauffeurSelectionne(), nullptr);
        QCOMPARE(v->formulaire()->chauffeur(), nullptr);
        QVERIFY(!ctx->hasChanges());

        // Nothing selected: Delete does nothing.
        QTest::keyClick(v->liste()->listView(), Qt::Key_Delete);
        QVERIFY(!fixtures::openBox(v, QStringLiteral("confirmation")));
    }
    auto ctx = m.ouvrir();
    QCOMPARE(ctx->count<Chauffeur>(), 1);
    QCOMPARE(ctx->all<LocationDeBenne>().first()->chauffeurPose(), nullptr);
}

void TestVueChauffeurs::pictures()
{
    // Written only when KV_CAPTURES names a folder, for a person to look at.
    if (qEnvironmentVariableIsEmpty("KV_CAPTURES"))
        QSKIP("KV_CAPTURES not set");
    Magasin m;
    auto ctx = m.ouvrir();
    ContentView fenetre(ctx.get());
    QVERIFY(ecranChauffeurs(fenetre));
    fixtures::capture(&fenetre, QStringLiteral("chauffeurs-vide"));

    auto* permis = nomme<Qualification>(ctx.get(), QStringLiteral("Permis C"));
    auto* grue = nomme<Specialisation>(ctx.get(), QStringLiteral("Grue auxiliaire"));
    nomme<Specialisation>(ctx.get(), QStringLiteral("Ampliroll"));
    auto* fimo = nomme<Formation>(ctx.get(), QStringLiteral("FIMO"));
    auto* adr = nomme<Formation>(ctx.get(), QStringLiteral("ADR"));
    Chauffeur* ana = chauffeur(ctx.get(), QStringLiteral("Ana"), QStringLiteral("Roux"), QStringLiteral("06 11 22 33 44"));
    ana->setEmail(QStringLiteral("ana.roux@exemple.fr"));
    ana->setQualification(permis);
    ana->setSpecialisations({grue});
    ana->setDistanceMax(45);
    ctx->insert(new FormationChauffeur(ana, fimo, jour(2027, 1, 31)));
    ctx->insert(new FormationChauffeur(ana, adr, jour(2026, 11, 5)));
    ana->setDisponibilites({new Disponibilite(true, jour(2026, 1, 5), std::nullopt),
                            new Disponibilite(false, jour(2026, 7, 27), jour(2026, 8, 16))});
    chauffeur(ctx.get(), QStringLiteral("Léo"), QStringLiteral("Blanc"), std::nullopt, false);
    chauffeur(ctx.get(), QStringLiteral("Zoé"), QStringLiteral("Noir"), QStringLiteral("07 00 00 00 01"));
    fixtures::save(ctx.get());
    laisserPasser();
    auto* vue = qobject_cast<VueChauffeurs*>(fenetre.detailScreen());
    QVERIFY(vue);
    cliquerLigne(*vue, 0);
    fixtures::capture(&fenetre, QStringLiteral("chauffeurs-ana"));
    // The lower sections: periods, distance and the save button.
    auto* defilement = vue->formulaire()->findChild<QScrollArea*>();
    QVERIFY(defilement);
    defilement->verticalScrollBar()->setValue(defilement->verticalScrollBar()->maximum());
    laisserPasser();
    fixtures::capture(&fenetre, QStringLiteral("chauffeurs-ana-bas"));
    fenetre.resize(1600, 1000);
    laisserPasser();
    fixtures::capture(&fenetre, QStringLiteral("chauffeurs-ana-grand"));
    fenetre.resize(1200, 760);
    laisserPasser();

    FormulaireChauffeurView* f = vue->formulaire();
    const QList<QPushButton*> boutons{f->boutonAjoutQualification(), f->boutonAjoutSpecialisation(),
                                      f->boutonAjoutDisponibilite(), f->boutonAjoutFormation()};
    const QStringList noms{QStringLiteral("feuille-qualification"), QStringLiteral("feuille-specialisation"),
                           QStringLiteral("feuille-disponibilite"), QStringLiteral("feuille-formation")};
    for (int i = 0; i < boutons.size(); ++i) {
        boutons[i]->click();
        laisserPasser();
        QDialog* feuille = f->feuilleOuverte();
        QVERIFY(feuille);
        // The sheet drawn over the window, centred near its top, as it shows.
        QPixmap image = fenetre.grab();
        QPainter p(&image);
        p.fillRect(image.rect(), QColor(0, 0, 0, 40));
        const QPixmap dessus = feuille->grab();
        p.drawPixmap((image.width() - dessus.width()) / 2, 60, dessus);
        p.end();
        const QString dossier = qEnvironmentVariable("KV_CAPTURES");
        image.save(QDir(dossier).filePath(noms[i] + QStringLiteral(".png")));
        feuille->reject();
        laisserPasser();
    }
}

void TestVueChauffeurs::fitsTheSmallestWindow()
{
    Magasin m;
    auto ctx = m.ouvrir();
    auto* qualification = new Qualification(fixtures::longName(QStringLiteral("Permis")));
    ctx->insert(qualification);
    auto* specialisation = new Specialisation(fixtures::longName(QStringLiteral("Spécialité")));
    ctx->insert(specialisation);
    auto* formation = new Formation(fixtures::longName(QStringLiteral("Formation")));
    ctx->insert(formation);
    auto* c = new Chauffeur(fixtures::longName(QStringLiteral("Nom")), fixtures::longName(QStringLiteral("Prénom")),
                            qualification, {specialisation}, {}, {}, 50, fixtures::longName(QStringLiteral("Tél")),
                            fixtures::longName(QStringLiteral("mail")), fixtures::longName(QStringLiteral("Notes")), true);
    ctx->insert(c);
    ctx->insert(new FormationChauffeur(c, formation, horloge().maintenantLocal().addDays(20)));
    fixtures::save(ctx.get());

    // "Prénom", "Nom", "Téléphone" and "Enregistrer" whole, the form scrolls up and down only.
    const QStringList faults = fit::listScreenFaults(new VueChauffeurs(ctx.get(), nullptr, horloge()));
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));

    // Another driver chosen, or a new one, opens at the top of the form, "Prénom" in view.
    chauffeur(ctx.get(), QStringLiteral("Zoé"), QStringLiteral("Noir"));
    fixtures::save(ctx.get());
    const QStringList top = fit::newRecordsOpenAtTheirTop(new VueChauffeurs(ctx.get(), nullptr, horloge()));
    QVERIFY2(top.isEmpty(), qPrintable(top.join(QLatin1Char('\n'))));
}

void TestVueChauffeurs::keysOfTheForm()
{
    // In the main window, as in the other editors: Ctrl+Return and Ctrl+S save the form,
    // Ctrl+Escape takes back what was typed once the question is answered.
    Magasin m;
    auto ctx = m.ouvrir();
    Chauffeur* ana = chauffeur(ctx.get(), QStringLiteral("Ana"), QStringLiteral("Roux"));
    fixtures::save(ctx.get());
    ContentView fenetre(ctx.get());
    VueChauffeurs* v = ecranChauffeurs(fenetre);
    QVERIFY(v);

    // A new driver, saved with Ctrl+Return from his last field: he stays in the form, chosen.
    QTest::keyClick(v->liste()->listView(), Qt::Key_N, Qt::ControlModifier);
    laisserPasser();
    FormulaireChauffeurView* f = v->formulaire();
    QCOMPARE(f->chauffeur(), nullptr);
    fixtures::typeText(f->champPrenom(), QStringLiteral("Éva"));
    fixtures::typeText(f->champNom(), QStringLiteral("Vert"));
    fixtures::typeText(f->champTelephone(), QStringLiteral("09 87"));
    f->champTelephone()->setFocus();
    QTest::keyClick(f->champTelephone(), Qt::Key_Return, Qt::ControlModifier);
    laisserPasser();
    QCOMPARE(ctx->count<Chauffeur>(), 2);
    QVERIFY(!ctx->hasChanges());
    Chauffeur* eva = v->chauffeurSelectionne();
    QVERIFY(eva && eva != ana);
    QCOMPARE(eva->telephone(), std::optional<QString>(QStringLiteral("09 87")));
    QCOMPARE(v->formulaire()->chauffeur(), eva);
    QCOMPARE(v->formulaire()->prenom(), QStringLiteral("Éva"));
    QCOMPARE(v->formulaire()->titre()->text(), QStringLiteral("Modifier le chauffeur"));

    // Ctrl+S saves an edit.
    f = v->formulaire();
    f->champNom()->setFocus();
    fixtures::typeText(f->champNom(), QStringLiteral("-Lagarde"));
    QTest::keyClick(f->champNom(), Qt::Key_S, Qt::ControlModifier);
    laisserPasser();
    QCOMPARE(eva->nom(), QStringLiteral("Vert-Lagarde"));
    QVERIFY(!ctx->hasChanges());
    QCOMPARE(v->formulaire()->chauffeur(), eva);
    QVERIFY(!v->formulaire()->hasUnsavedChanges());

    // Ctrl+Escape with typed work asks; "Annuler" keeps it, "Ne pas enregistrer" reverts it.
    f = v->formulaire();
    f->champPrenom()->setFocus();
    fixtures::typeText(f->champPrenom(), QStringLiteral("lyne"));
    QTest::keyClick(f->champPrenom(), Qt::Key_Escape, Qt::ControlModifier);
    QVERIFY(fixtures::clickBoxButton(fixtures::openBox(v, QStringLiteral("enregistrerModifications")),
                                     QStringLiteral("Annuler")));
    laisserPasser();
    QCOMPARE(v->formulaire()->prenom(), QStringLiteral("Évalyne"));
    v->formulaire()->champPrenom()->setFocus();
    QTest::keyClick(v->formulaire()->champPrenom(), Qt::Key_Escape, Qt::ControlModifier);
    QVERIFY(fixtures::clickBoxButton(fixtures::openBox(v, QStringLiteral("enregistrerModifications")),
                                     QStringLiteral("Ne pas enregistrer")));
    laisserPasser();
    QCOMPARE(v->formulaire()->prenom(), QStringLiteral("Éva"));
    QCOMPARE(v->formulaire()->chauffeur(), eva);
    QVERIFY(!v->formulaire()->hasUnsavedChanges());
    QCOMPARE(eva->prenom(), QStringLiteral("Éva"));

    // Nothing typed: Ctrl+Escape asks nothing, and leaving asks nothing either.
    QTest::keyClick(v->formulaire()->champPrenom(), Qt::Key_Escape, Qt::ControlModifier);
    laisserPasser();
    QVERIFY(!fixtures::openBox(v, QStringLiteral("enregistrerModifications")));
    cliquerLigne(*v, 0);
    QVERIFY(!fixtures::openBox(v, QStringLiteral("enregistrerModifications")));
    QCOMPARE(v->formulaire()->chauffeur(), ana);

    // Ctrl+Return with a required field missing saves nothing.
    v->formulaire()->champTelephone()->clear();
    v->formulaire()->champTelephone()->setFocus();
    QTest::keyClick(v->formulaire()->champTelephone(), Qt::Key_Return, Qt::ControlModifier);
    laisserPasser();
    QVERIFY(!ctx->hasChanges());
    QVERIFY(ana->telephone().has_value() && !ana->telephone()->isEmpty());
}

void TestVueChauffeurs::everyControlIsNamed()
{
    Magasin m;
    auto ctx = m.ouvrir();
    chauffeur(ctx.get(), QStringLiteral("Ana"), QStringLiteral("Roux"));
    fixtures::save(ctx.get());
    VueChauffeurs v(ctx.get(), nullptr, horloge());
    v.resize(1000, 700);
    v.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v));
    // The new driver's form, then a driver's.
    QCOMPARE(fixtures::unnamedControls(&v).join(QStringLiteral(", ")), QString());
    cliquerLigne(v, 0);
    QCOMPARE(fixtures::unnamedControls(&v).join(QStringLiteral(", ")), QString());
    QCOMPARE(fixtures::spokenName(v.liste()->listView()), QStringLiteral("Chauffeurs"));
    QStringList champs;
    for (const char* nom : {"prenom", "nom", "telephone", "email"})
        champs.append(fixtures::spokenName(v.formulaire()->findChild<QLineEdit*>(QString::fromLatin1(nom))));
    QCOMPARE(champs, QStringList({QStringLiteral("Prénom du chauffeur"), QStringLiteral("Nom du chauffeur"),
                                  QStringLiteral("Téléphone du chauffeur"), QStringLiteral("E-mail du chauffeur")}));
}
