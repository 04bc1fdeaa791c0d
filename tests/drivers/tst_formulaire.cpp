#include "tests.h"

#include "outils.h"
#include "screenfixtures.h"

#include "drivers/formulaireajoutdisponibilite.h"
#include "drivers/formulaireajoutformationchauffeur.h"
#include "drivers/formulaireajoutqualification.h"
#include "drivers/formulairechauffeurview.h"
#include "widgets/elidedlabel.h"

#include <QAccessible>
#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QStyleOptionComboBox>
#include <QTimeZone>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

#include <cstdio>
#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

using namespace kv;
using namespace outils;

namespace {

// What the code under test writes on the standard output while it lives.
class SortieCapturee {
public:
    SortieCapturee()
    {
#ifdef Q_OS_UNIX
        m_fichier.open();
        std::fflush(stdout);
        m_avant = dup(1);
        dup2(m_fichier.handle(), 1);
#endif
    }
    ~SortieCapturee() { fin(); }
    QString texte()
    {
        fin();
        m_fichier.seek(0);
        return QString::fromUtf8(m_fichier.readAll());
    }

private:
    void fin()
    {
#ifdef Q_OS_UNIX
        if (m_avant < 0)
            return;
        std::fflush(stdout);
        dup2(m_avant, 1);
        close(m_avant);
        m_avant = -1;
#endif
    }
    QTemporaryFile m_fichier;
    int m_avant = -1;
};

void remplir(FormulaireChauffeurView& f, const QString& prenom, const QString& nom, const QString& tel)
{
    f.champPrenom()->setText(prenom);
    f.champNom()->setText(nom);
    f.champTelephone()->setText(tel);
}

// Adds a training through its sheet, as a user does.
void ajouterFormation(FormulaireChauffeurView& f, Formation* formation, const QDate& expiration)
{
    f.boutonAjoutFormation()->click();
    auto* feuille = qobject_cast<FormulaireAjoutFormationChauffeur*>(f.feuilleOuverte());
    QVERIFY(feuille);
    const int index = feuille->choixFormation()->findText(formation->nom());
    QVERIFY(index > 0);
    feuille->choixFormation()->setCurrentIndex(index);
    feuille->champExpiration()->setDate(expiration);
    feuille->boutonConfirmer()->click();
    laisserPasser();
    QVERIFY(!f.feuilleOuverte());
}

void ajouterPeriode(FormulaireChauffeurView& f, bool disponible, const QDate& debut, std::optional<QDate> fin)
{
    f.boutonAjoutDisponibilite()->click();
    auto* feuille = qobject_cast<FormulaireAjoutDisponibilite*>(f.feuilleOuverte());
    QVERIFY(feuille);
    feuille->caseDisponible()->setChecked(disponible);
    feuille->champDebut()->setDate(debut);
    if (fin)
        feuille->champFin()->setDate(*fin);
    feuille->boutonConfirmer()->click();
    laisserPasser();
    QVERIFY(!f.feuilleOuverte());
}

} // namespace

void TestFormulaireChauffeur::requiredFields()
{
    Magasin m;
    auto ctx = m.ouvrir();
    FormulaireChauffeurView f(ctx.get(), nullptr, {}, horloge());
    QCOMPARE(f.titre()->text(), QStringLiteral("Nouveau chauffeur"));
    QVERIFY(!f.formulaireValide());
    QVERIFY(!f.boutonEnregistrer()->isEnabled());

    // The greyed « Enregistrer » says which required field is still empty.
    f.champPrenom()->setText(QStringLiteral("Ana"));
    f.champNom()->setText(QStringLiteral("Roux"));
    QVERIFY(!f.boutonEnregistrer()->isEnabled());
    QVERIFY(!f.texteChampsManquants()->isHidden());
    QCOMPARE(f.texteChampsManquants()->text(), QStringLiteral("Pour enregistrer, remplissez : téléphone."));
    remplir(f, QStringLiteral("Ana"), QStringLiteral("Roux"), QStringLiteral("06"));
    QVERIFY(f.formulaireValide());
    QVERIFY(f.boutonEnregistrer()->isEnabled());
    QVERIFY(f.texteChampsManquants()->isHidden());

    // Spaces and tabs alone are empty; a line end becomes a space, empty as well.
    for (QLineEdit* champ : {f.champPrenom(), f.champNom(), f.champTelephone()}) {
        const QString avant = champ->text();
        champ->setText(QStringLiteral(" \t "));
        QVERIFY2(!f.formulaireValide(), qPrintable(champ->objectName()));
        QVERIFY(!f.boutonEnregistrer()->isEnabled());
        champ->setText(QStringLiteral("\n"));
        QCOMPARE(champ->text(), QStringLiteral(" "));
        QVERIFY2(!f.formulaireValide(), qPrintable(champ->objectName()));
        champ->setText(avant);
    }
    // The e-mail is not required.
    f.champEmail()->setText(QString());
    QVERIFY(f.formulaireValide());
}

void TestFormulaireChauffeur::returnSavesOrAlerts()
{
    Magasin m;
    auto ctx = m.ouvrir();
    int rappels = 0;
    QWidget fenetre;
    auto* f = new FormulaireChauffeurView(ctx.get(), nullptr, [&] { ++rappels; }, horloge(), &fenetre);
    fenetre.resize(800, 700);
    fenetre.show();
    QVERIFY(QTest::qWaitForWindowExposed(&fenetre));

    f->champPrenom()->setFocus();
    QTest::keyClicks(f->champPrenom(), QStringLiteral("Ana"));
    QTest::keyClick(f->champPrenom(), Qt::Key_Return);
    QMessageBox* alerte = fixtures::openBox(f, QStringLiteral("alerteChampsRequis"));
    QVERIFY(alerte);
    QCOMPARE(alerte->text(), QStringLiteral("Veuillez remplir prénom, nom et téléphone."));
    QCOMPARE(alerte->buttons().size(), 1);
    QCOMPARE(alerte->buttons().first()->text(), QStringLiteral("OK"));
    QCOMPARE(ctx->count<Chauffeur>(), 0);
    alerte->buttons().first()->click();
    laisserPasser();
    QVERIFY(!f->showAlert());
    QCOMPARE(f->prenom(), QStringLiteral("Ana"));
    fenetre.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&fenetre));

    f->champNom()->setText(QStringLiteral("Roux"));
    f->champTelephone()->setText(QStringLiteral("0611"));
    f->champTelephone()->setFocus();
    QTest::keyClick(f->champTelephone(), Qt::Key_Return);
    QCOMPARE(rappels, 1);
    QCOMPARE(ctx->count<Chauffeur>(), 1);
    QVERIFY(!fixtures::openBox(f, QStringLiteral("alerteChampsRequis")));
}

void TestFormulaireChauffeur::newDriverIsSaved()
{
    Magasin m;
    {
        auto ctx = m.ouvrir();
        auto* permis = nomme<Qualification>(ctx.get(), QStringLiteral("Permis C"));
        auto* grue = nomme<Specialisation>(ctx.get(), QStringLiteral("Grue"));
        nomme<Specialisation>(ctx.get(), QStringLiteral("Ampliroll"));
        auto* fimo = nomme<Formation>(ctx.get(), QStringLiteral("FIMO"));
        fixtures::save(ctx.get());

        int rappels = 0;
        FormulaireChauffeurView f(ctx.get(), nullptr, [&] { ++rappels; }, horloge());
        remplir(f, QStringLiteral(" Ana "), QStringLiteral("Roux\t"), QStringLiteral(" 06 11 "));
        f.choixQualification()->setCurrentIndex(f.choixQualification()->findText(QStringLiteral("Permis C")));
        QCOMPARE(f.qualificationSelectionnee(), permis);
        f.casesSpecialisations().first()->click();
        QVERIFY(f.estSpecialisationSelectionnee(grue));
        ajouterFormation(f, fimo, QDate(2027, 1, 31));
        ajouterFormation(f, fimo, QDate(2028, 6, 30));
        ajouterPeriode(f, false, QDate(2026, 4, 1), QDate(2026, 4, 15));
        QCOMPARE(f.formationsSuivies().size(), 2);
        QCOMPARE(f.disponibilites().size(), 1);

        f.actionEnregistrer();
        QCOMPARE(rappels, 1);
        QVERIFY(!ctx->hasChanges());
        // Back to the defaults, ready for the next driver.
        QCOMPARE(f.prenom(), QString());
        QCOMPARE(f.nom(), QString());
        QCOMPARE(f.telephone(), QString());
        QCOMPARE(f.email(), QString());
        QCOMPARE(f.distanceMax(), 50.0);
        QCOMPARE(f.texteDistance()->text(), QStringLiteral("50 km"));
        QCOMPARE(f.qualificationSelectionnee(), nullptr);
        QCOMPARE(f.choixQualification()->currentText(), QStringLiteral("Aucune"));
        QVERIFY(f.specialisationsSelectionnees().isEmpty());
        QVERIFY(f.formationsSuivies().isEmpty());
        QVERIFY(f.disponibilites().isEmpty());
        laisserPasser();
        QVERIFY(!f.casesSpecialisations().first()->isChecked());

        // A second driver: the e-mail empty, then one of spaces; "Aucune" chosen.
        remplir(f, QStringLiteral("Léo"), QStringLiteral("Blanc"), QStringLiteral("07"));
        f.champEmail()->setText(QStringLiteral("  "));
        f.choixQualification()->setCurrentIndex(f.choixQualification()->findText(QStringLiteral("Permis C")));
        f.choixQualification()->setCurrentIndex(0);
        f.actionEnregistrer();
        QCOMPARE(rappels, 2);
    }
    auto ctx = m.ouvrir();
    const QList<Chauffeur*> tous = ctx->all<Chauffeur>();
    QCOMPARE(tous.size(), 2);
    Chauffeur* ana = tous[0];
    QCOMPARE(ana->prenom(), QStringLiteral(" Ana "));
    // A tab typed in a one-line field is stored as a space.
    QCOMPARE(ana->nom(), QStringLiteral("Roux "));
    QCOMPARE(ana->telephone(), std::optional<QString>(QStringLiteral(" 06 11 ")));
    QCOMPARE(ana->email(), std::nullopt);
    QCOMPARE(ana->notes(), std::nullopt);
    QVERIFY(ana->actif());
    QCOMPARE(ana->distanceMax(), 50.0);
    QVERIFY(ana->qualification());
    QCOMPARE(ana->qualification()->nom(), QStringLiteral("Permis C"));
    QCOMPARE(ana->specialisations().size(), 1);
    QCOMPARE(ana->specialisations().first()->nom(), QStringLiteral("Grue"));
    // Two pairs of one course: two records.
    QCOMPARE(ana->formationsSuivies().size(), 2);
    QCOMPARE(ctx->count<FormationChauffeur>(), 2);
    QList<QDate> expirations;
    for (FormationChauffeur* fc : ana->formationsSuivies()) {
        QCOMPARE(fc->formation()->nom(), QStringLiteral("FIMO"));
        expirations.append(fc->dateExpiration().date());
    }
    std::sort(expirations.begin(), expirations.end());
    QCOMPARE(expirations, (QList<QDate>{QDate(2027, 1, 31), QDate(2028, 6, 30)}));
    QCOMPARE(ana->disponibilites().size(), 1);
    QCOMPARE(ctx->count<Disponibilite>(), 1);
    Disponibilite* d = ana->disponibilites().first();
    QVERIFY(!d->disponible());
    QCOMPARE(d->dateDebut().date(), QDate(2026, 4, 1));
    QCOMPARE(d->dateFin()->date(), QDate(2026, 4, 15));

    Chauffeur* leo = tous[1];
    QCOMPARE(leo->email(), std::optional<QString>(QStringLiteral("  ")));
    QCOMPARE(leo->qualification(), nullptr);
    QVERIFY(leo->specialisations().isEmpty());
    QVERIFY(leo->formationsSuivies().isEmpty());
    QVERIFY(leo->actif());
}

void TestFormulaireChauffeur::existingDriverKeepsTrainingsAndPeriods()
{
    Magasin m;
    {
        auto ctx = m.ouvrir();
        auto* fimo = nomme<Formation>(ctx.get(), QStringLiteral("FIMO"));
        auto* caces = nomme<Formation>(ctx.get(), QStringLiteral("CACES"));
        auto* adr = nomme<Formation>(ctx.get(), QStringLiteral("ADR"));
        auto* permis = nomme<Qualification>(ctx.get(), QStringLiteral("Permis C"));
        Chauffeur* c = chauffeur(ctx.get(), QStringLiteral("Ana"), QStringLiteral("Roux"));
        c->setEmail(QStringLiteral("ana@exemple.fr"));
        c->setNotes(QStringLiteral("clé du dépôt"));
        c->setActif(false);
        c->setQualification(permis);
        ctx->insert(new FormationChauffeur(c, fimo, jour(2027, 1, 1)));
        ctx->insert(new FormationChauffeur(c, caces, jour(2027, 2, 1)));
        c->setDisponibilites({new Disponibilite(true, jour(2026, 1, 1), std::nullopt)});
        fixtures::save(ctx.get());

        int rappels = 0;
        FormulaireChauffeurView f(ctx.get(), c, [&] { ++rappels; }, horloge());
        QCOMPARE(f.titre()->text(), QStringLiteral("Modifier le chauffeur"));
        QCOMPARE(f.prenom(), QStringLiteral("Ana"));
        QCOMPARE(f.email(), QStringLiteral("ana@exemple.fr"));
        QCOMPARE(f.choixQualification()->currentText(), QStringLiteral("Permis C"));
        QCOMPARE(f.formationsSuivies().size(), 2);
        QCOMPARE(f.disponibilites().size(), 1);

        // The first training removed with its trash button, one added, a period added.
        f.lignesFormations()->findChildren<QToolButton*>(QStringLiteral("retirerFormation")).first()->click();
        laisserPasser();
        QCOMPARE(f.formationsSuivies().size(), 1);
        QCOMPARE(f.formationsSuivies().first().formation, caces);
        ajouterFormation(f, adr, QDate(2029, 9, 9));
        ajouterPeriode(f, false, QDate(2026, 8, 1), std::nullopt);
        f.champEmail()->clear();
        f.choixQualification()->setCurrentIndex(0);
        f.actionEnregistrer();
        QCOMPARE(rappels, 1);
        QVERIFY(!ctx->hasChanges());
        // The form shows what the driver now holds.
        QCOMPARE(f.formationsSuivies().size(), 2);
        QCOMPARE(f.disponibilites().size(), 2);
        QCOMPARE(f.lignesDisponibilites()->findChildren<QWidget*>(QStringLiteral("ligneDisponibilite")).size(), 2);
        // The removed training is deleted, so its course can go now.
        QVERIFY(ctx->remove(fimo));
        fixtures::save(ctx.get());
    }
    auto ctx = m.ouvrir();
    Chauffeur* c = ctx->all<Chauffeur>().first();
    QCOMPARE(c->email(), std::nullopt);
    QCOMPARE(c->qualification(), nullptr);
    QCOMPARE(c->notes(), std::optional<QString>(QStringLiteral("clé du dépôt")));
    QVERIFY(!c->actif());
    QStringList cours;
    for (FormationChauffeur* fc : c->formationsSuivies())
        cours.append(fc->formation()->nom());
    cours.sort();
    QCOMPARE(cours, (QStringList{QStringLiteral("ADR"), QStringLiteral("CACES")}));
    QCOMPARE(ctx->count<FormationChauffeur>(), 2);
    QCOMPARE(ctx->count<Formation>(), 2);
    QCOMPARE(c->disponibilites().size(), 2);
    QCOMPARE(c->disponibilites().at(0)->dateDebut().date(), QDate(2026, 1, 1));
    QCOMPARE(c->disponibilites().at(1)->dateDebut().date(), QDate(2026, 8, 1));
    QVERIFY(!c->disponibilites().at(1)->disponible());
    QCOMPARE(c->disponibilites().at(1)->dateFin(), std::nullopt);
    QCOMPARE(ctx->count<Disponibilite>(), 2);
}

void TestFormulaireChauffeur::sections()
{
    Magasin m;
    auto ctx = m.ouvrir();
    FormulaireChauffeurView f(ctx.get(), nullptr, {}, horloge());
    // Empty store: "Aucune" alone, no specialisation yet.
    QCOMPARE(f.choixQualification()->count(), 1);
    QCOMPARE(f.choixQualification()->itemText(0), QStringLiteral("Aucune"));
    QVERIFY(f.lignesSpecialisations()->findChild<QLabel*>(QStringLiteral("aucuneSpecialisation")));
    QCOMPARE(f.lignesSpecialisations()->findChild<QLabel*>(QStringLiteral("aucuneSpecialisation"))->text(),
             QStringLiteral("Aucune spécialisation définie."));

    // New records of the shared lists show up, not chosen.
    nomme<Qualification>(ctx.get(), QStringLiteral("Permis C"));
    auto* grue = nomme<Specialisation>(ctx.get(), QStringLiteral("Grue"));
    auto* a = nomme<Formation>(ctx.get(), QStringLiteral("A"));
    auto* b = nomme<Formation>(ctx.get(), QStringLiteral("B"));
    auto* c = nomme<Formation>(ctx.get(), QStringLiteral("C"));
    fixtures::save(ctx.get());
    laisserPasser();
    QCOMPARE(f.choixQualification()->count(), 2);
    QCOMPARE(f.choixQualification()->currentIndex(), 0);
    QCOMPARE(f.casesSpecialisations().size(), 1);
    QVERIFY(!f.casesSpecialisations().first()->isChecked());
    QVERIFY(!f.lignesSpecialisations()->findChild<QLabel*>(QStringLiteral("aucuneSpecialisation")));
    f.casesSpecialisations().first()->click();
    QVERIFY(f.estSpecialisationSelectionnee(grue));
    f.casesSpecialisations().first()->click();
    QVERIFY(!f.estSpecialisationSelectionnee(grue));

    // Removing the first of three trainings keeps the other two in order; a course twice is listed twice.
    ajouterFormation(f, a, QDate(2027, 1, 1));
    ajouterFormation(f, b, QDate(2027, 1, 2));
    ajouterFormation(f, c, QDate(2027, 1, 3));
    ajouterFormation(f, c, QDate(2027, 12, 7));
    f.retirerFormation(0);
    QCOMPARE(f.formationsSuivies().size(), 3);
    QCOMPARE(f.formationsSuivies()[0].formation, b);
    QCOMPARE(f.formationsSuivies()[1].formation, c);
    QCOMPARE(f.formationsSuivies()[2].formation, c);
    laisserPasser();
    const QList<QWidget*> lignes = f.lignesFormations()->findChildren<QWidget*>(QStringLiteral("ligneFormation"));
    QCOMPARE(lignes.size(), 3);
    QStringList textes;
    for (QWidget* w : lignes.last()->findChildren<QWidget*>()) {
        if (auto* nom = qobject_cast<kv::ElidedLabel*>(w))
            textes.append(nom->text());
        else if (auto* l = qobject_cast<QLabel*>(w))
            textes.append(l->text());
    }
    QCOMPARE(textes, (QStringList{QStringLiteral("C"), QStringLiteral("Expiration : 7 déc. 2027")}));

    // Period lines.
    ajouterPeriode(f, true, QDate(2026, 5, 4), std::nullopt);
    ajouterPeriode(f, false, QDate(2026, 6, 1), QDate(2026, 6, 20));
    const QList<QWidget*> periodes = f.lignesDisponibilites()->findChildren<QWidget*>(QStringLiteral("ligneDisponibilite"));
    QCOMPARE(periodes.size(), 2);
    auto textesDe = [](QWidget* w) {
        QStringList t;
        for (QLabel* l : w->findChildren<QLabel*>())
            t.append(l->text());
        return t;
    };
    QCOMPARE(textesDe(periodes[0]), (QStringList{QStringLiteral("Disponible"), QStringLiteral("Du 4 mai 2026 sans fin")}));
    QCOMPARE(textesDe(periodes[1]),
             (QStringList{QStringLiteral("Indisponible"), QStringLiteral("Du 1 juin 2026 au 20 juin 2026")}));
    // Nothing of this reached the store.
    QCOMPARE(ctx->count<FormationChauffeur>(), 0);
    QCOMPARE(ctx->count<Disponibilite>(), 0);
    QVERIFY(!ctx->hasChanges());
}

void TestFormulaireChauffeur::distanceIsKept()
{
    Magasin m;
    {
        auto ctx = m.ouvrir();
        Chauffeur* hors = chauffeur(ctx.get(), QStringLiteral("Ana"), QStringLiteral("Roux"), QStringLiteral("06"), true, 250);
        Chauffeur* demi = chauffeur(ctx.get(), QStringLiteral("Léo"), QStringLiteral("Blanc"), QStringLiteral("07"), true, 37.5);
        // The store keeps finite numbers only; this one lies beyond the 64-bit range.
        Chauffeur* infini = chauffeur(ctx.get(), QStringLiteral("Zoé"), QStringLiteral("Noir"), QStringLiteral("08"), true,
                                      1e300);
        fixtures::save(ctx.get());

        FormulaireChauffeurView f1(ctx.get(), demi, {}, horloge());
        QCOMPARE(f1.texteDistance()->text(), QStringLiteral("37 km"));
        QCOMPARE(f1.distanceMax(), 37.5);
        // A reader hears the distance shown, not the slider's step.
        QCOMPARE(QAccessible::queryAccessibleInterface(f1.curseurDistance())->valueInterface()->currentValue().toDouble(), 37.5);
        f1.champNom()->setText(QStringLiteral("Blanche"));
        f1.actionEnregistrer();
        FormulaireChauffeurView f2(ctx.get(), hors, {}, horloge());
        QCOMPARE(f2.texteDistance()->text(), QStringLiteral("250 km"));
        QCOMPARE(f2.curseurDistance()->value(), 40);
        f2.actionEnregistrer();
        FormulaireChauffeurView f3(ctx.get(), infini, {}, horloge());
        QCOMPARE(f3.texteDistance()->text(), QStringLiteral("— km"));
        // Moving the slider replaces the distance, by steps of 5.
        f3.curseurDistance()->setFocus();
        f3.curseurDistance()->triggerAction(QSlider::SliderToMinimum);
        f3.curseurDistance()->triggerAction(QSlider::SliderSingleStepAdd);
        QCOMPARE(f3.distanceMax(), 5.0);
        QCOMPARE(f3.texteDistance()->text(), QStringLiteral("5 km"));
        f3.actionEnregistrer();
    }
    auto ctx = m.ouvrir();
    const QList<Chauffeur*> tous = ctx->all<Chauffeur>();
    QCOMPARE(tous[0]->distanceMax(), 250.0);
    QCOMPARE(tous[1]->distanceMax(), 37.5);
    QCOMPARE(tous[1]->nom(), QStringLiteral("Blanche"));
    QCOMPARE(tous[2]->distanceMax(), 5.0);
}

void TestFormulaireChauffeur::failedSaveOfANewDriver()
{
    Magasin m;
    {
        auto ctx = m.ouvrir();
        auto* fimo = nomme<Formation>(ctx.get(), QStringLiteral("FIMO"));
        fixtures::save(ctx.get());
        int rappels = 0;
        QWidget fenetre;
        auto* f = new FormulaireChauffeurView(ctx.get(), nullptr, [&] { ++rappels; }, horloge(), &fenetre);
        fenetre.show();
        remplir(*f, QStringLiteral("Ana"), QStringLiteral("Roux"), QStringLiteral("06"));
        ajouterFormation(*f, fimo, QDate(2027, 1, 1));
        ajouterPeriode(*f, true, QDate(2026, 4, 1), std::nullopt);

        ctx->failNextSave(QStringLiteral("disque plein"));
        QString sortie;
        {
            SortieCapturee capture;
            f->actionEnregistrer();
            sortie = capture.texte();
        }
#ifdef Q_OS_UNIX
        // Exactly one line of ours (the test library may add its own warnings).
        QStringList erreurs;
        for (const QString& ligne : sortie.split(QLatin1Char('\n')))
            if (ligne.startsWith(QStringLiteral("Erreur")))
                erreurs.append(ligne);
        QCOMPARE(erreurs, QStringList{QStringLiteral("Erreur : disque plein")});
        QVERIFY(sortie.startsWith(QStringLiteral("Erreur : disque plein\n")));
#endif
        QMessageBox* erreur = fixtures::openBox(f, QStringLiteral("erreur"));
        QVERIFY(erreur);
        QCOMPARE(erreur->text(), QStringLiteral("Échec de la sauvegarde: disque plein"));
        QCOMPARE(rappels, 0);
        // Nothing pending, what was typed kept.
        QVERIFY(!ctx->hasChanges());
        QCOMPARE(ctx->count<Chauffeur>(), 0);
        QCOMPARE(ctx->count<FormationChauffeur>(), 0);
        QCOMPARE(ctx->count<Disponibilite>(), 0);
        QCOMPARE(f->prenom(), QStringLiteral("Ana"));
        QCOMPARE(f->formationsSuivies().size(), 1);
        QCOMPARE(f->disponibilites().size(), 1);
        fixtures::closeBoxes(f);

        // The retry stores one driver with one training and one period.
        f->actionEnregistrer();
        QCOMPARE(rappels, 1);
    }
    auto ctx = m.ouvrir();
    QCOMPARE(ctx->count<Chauffeur>(), 1);
    QCOMPARE(ctx->count<FormationChauffeur>(), 1);
    QCOMPARE(ctx->count<Disponibilite>(), 1);
    QCOMPARE(ctx->all<Chauffeur>().first()->formationsSuivies().size(), 1);
}

void TestFormulaireChauffeur::failedSaveOfAnExistingDriver()
{
    Magasin m;
    auto ctx = m.ouvrir();
    auto* fimo = nomme<Formation>(ctx.get(), QStringLiteral("FIMO"));
    auto* caces = nomme<Formation>(ctx.get(), QStringLiteral("CACES"));
    Chauffeur* c = chauffeur(ctx.get(), QStringLiteral("Ana"), QStringLiteral("Roux"));
    ctx->insert(new FormationChauffeur(c, fimo, jour(2027, 1, 1)));
    fixtures::save(ctx.get());

    int rappels = 0;
    QWidget fenetre;
    auto* f = new FormulaireChauffeurView(ctx.get(), c, [&] { ++rappels; }, horloge(), &fenetre);
    fenetre.show();
    f->champNom()->setText(QStringLiteral("Rousseau"));
    f->retirerFormation(0);
    ajouterFormation(*f, caces, QDate(2028, 1, 1));
    ajouterPeriode(*f, true, QDate(2026, 4, 1), std::nullopt);

    ctx->failNextSave(QStringLiteral("verrou"));
    f->actionEnregistrer();
    QVERIFY(fixtures::openBox(f, QStringLiteral("erreur")));
    QCOMPARE(fixtures::openBox(f, QStringLiteral("erreur"))->text(), QStringLiteral("Échec de la sauvegarde: verrou"));
    QCOMPARE(rappels, 0);
    // The driver is as stored, the form as typed.
    QVERIFY(!ctx->hasChanges());
    QCOMPARE(c->nom(), QStringLiteral("Roux"));
    QCOMPARE(c->formationsSuivies().size(), 1);
    QCOMPARE(c->formationsSuivies().first()->formation(), fimo);
    QVERIFY(c->disponibilites().isEmpty());
    QCOMPARE(ctx->count<FormationChauffeur>(), 1);
    QCOMPARE(f->nom(), QStringLiteral("Rousseau"));
    QCOMPARE(f->formationsSuivies().size(), 1);
    QCOMPARE(f->formationsSuivies().first().formation, caces);
    QCOMPARE(f->disponibilites().size(), 1);
    fixtures::closeBoxes(f);

    f->actionEnregistrer();
    QCOMPARE(rappels, 1);
    QCOMPARE(c->nom(), QStringLiteral("Rousseau"));
    QCOMPARE(c->formationsSuivies().size(), 1);
    QCOMPARE(c->formationsSuivies().first()->formation(), caces);
    QCOMPARE(c->disponibilites().size(), 1);
    QCOMPARE(ctx->count<FormationChauffeur>(), 1);
}

namespace {

// Adds a qualification through its sheet, as a user does.
void ajouterQualification(FormulaireChauffeurView& f, const QString& nom)
{
    QTest::mouseClick(f.boutonAjoutQualification(), Qt::LeftButton);
    auto* feuille = qobject_cast<FormulaireAjoutQualification*>(f.feuilleOuverte());
    QVERIFY(feuille);
    feuille->champNom()->setText(nom);
    QTest::mouseClick(feuille->boutonConfirmer(), Qt::LeftButton);
    laisserPasser();
    QVERIFY(!f.feuilleOuverte());
}

// The room the picker gives to the text of its current entry.
int placeDuTexte(QComboBox* choix)
{
    QStyleOptionComboBox option;
    option.initFrom(choix);
    option.editable = false;
    option.frame = true;
    return choix->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, choix).width();
}

} // namespace

void TestFormulaireChauffeur::qualificationPickerFitsItsEntries()
{
    Magasin m;
    auto ctx = m.ouvrir();
    QWidget fenetre;
    auto* f = new FormulaireChauffeurView(ctx.get(), nullptr, {}, horloge(), &fenetre);
    auto* layout = new QVBoxLayout(&fenetre);
    layout->addWidget(f);
    fenetre.resize(1000, 760);
    fenetre.show();
    QVERIFY(QTest::qWaitForWindowExposed(&fenetre));
    QComboBox* choix = f->choixQualification();
    const QFontMetrics fm(choix->font());
    QCOMPARE(choix->currentText(), QStringLiteral("Aucune"));
    QVERIFY(placeDuTexte(choix) >= fm.horizontalAdvance(choix->currentText()));

    // A longer qualification added while the form shows: the picker widens to it.
    const QString longue = QStringLiteral("Permis CE super lourd avec grue");
    ajouterQualification(*f, longue);
    choix->setCurrentIndex(choix->findText(longue));
    laisserPasser();
    QVERIFY2(placeDuTexte(choix) >= fm.horizontalAdvance(longue),
             qPrintable(QStringLiteral("%1 < %2").arg(placeDuTexte(choix)).arg(fm.horizontalAdvance(longue))));
    QVERIFY(choix->toolTip().isEmpty());

    // Longer than the form is wide: the picker stays within its section, and the whole name is
    // in its tool tip.
    const QString tresLongue = QStringLiteral("Conduite de poids lourds avec remorque, grue auxiliaire, bras "
                                              "ampliroll et transport de matières dangereuses en citerne");
    ajouterQualification(*f, tresLongue);
    choix->setCurrentIndex(choix->findText(tresLongue));
    laisserPasser();
    QWidget* section = choix->parentWidget();
    QVERIFY(choix->geometry().right() <= section->contentsRect().right());
    QVERIFY(placeDuTexte(choix) < fm.horizontalAdvance(tresLongue));
    QCOMPARE(choix->toolTip(), tresLongue);
    // The form itself keeps its width.
    QVERIFY(f->width() <= fenetre.width());
    // Back to a short entry: no tool tip.
    choix->setCurrentIndex(0);
    QVERIFY(choix->toolTip().isEmpty());

    // Chosen from the keyboard: Return in the open list takes the entry and leaves the form alone.
    choix->setFocus();
    QTest::keyClick(choix, Qt::Key_Down, Qt::AltModifier);
    QVERIFY(choix->view()->isVisible());
    // Through the window system, as the keys of a user come.
    QWindow* liste = choix->view()->window()->windowHandle();
    QVERIFY(liste);
    QTest::keyClick(liste, Qt::Key_Down);
    QTest::keyClick(liste, Qt::Key_Return);
    laisserPasser();
    QCOMPARE(choix->currentText(), longue);
    QVERIFY(!choix->view()->isVisible());
    QVERIFY(!fixtures::openBox(f, QStringLiteral("alerteChampsRequis")));
}

void TestFormulaireChauffeur::aSecondFormFollowsAndSavesOnlyWhatWasTyped()
{
    Magasin m;
    {
        auto ctx = m.ouvrir();
        auto* permis = nomme<Qualification>(ctx.get(), QStringLiteral("Permis C"));
        Chauffeur* c = chauffeur(ctx.get(), QStringLiteral("Ana"), QStringLiteral("Roux"));
        fixtures::save(ctx.get());
        FormulaireChauffeurView un(ctx.get(), c, {}, horloge());
        FormulaireChauffeurView deux(ctx.get(), c, {}, horloge());
        un.show();
        deux.show();
        QVERIFY(QTest::qWaitForWindowExposed(&deux));

        // The first saves a phone, a distance and a qualification: the second shows them, untyped.
        un.activateWindow();
        un.champTelephone()->setFocus();
        un.champTelephone()->selectAll();
        fixtures::typeText(un.champTelephone(), QStringLiteral("0611223344"));
        un.curseurDistance()->setFocus();
        QTest::keyClick(un.curseurDistance(), Qt::Key_PageUp);
        const double distance = un.distanceMax();
        QVERIFY(distance != 50);
        un.choixQualification()->setCurrentIndex(un.choixQualification()->findText(QStringLiteral("Permis C")));
        emit un.choixQualification()->activated(un.choixQualification()->currentIndex());
        QCOMPARE(un.qualificationSelectionnee(), permis);
        QTest::mouseClick(un.boutonEnregistrer(), Qt::LeftButton);
        QCOMPARE(c->telephone(), std::optional<QString>(QStringLiteral("0611223344")));
        QTRY_COMPARE(deux.telephone(), QStringLiteral("0611223344"));
        QCOMPARE(deux.distanceMax(), distance);
        QCOMPARE(deux.qualificationSelectionnee(), permis);
        QCOMPARE(deux.choixQualification()->currentText(), QStringLiteral("Permis C"));
        QVERIFY(!deux.hasUnsavedChanges());

        // The second types the e-mail alone and saves: the first one's changes stay.
        deux.activateWindow();
        deux.champEmail()->setFocus();
        fixtures::typeText(deux.champEmail(), QStringLiteral("ana.roux@exemple.fr"));
        QVERIFY(deux.hasUnsavedChanges());
        QTest::mouseClick(deux.boutonEnregistrer(), Qt::LeftButton);
        QCOMPARE(c->email(), std::optional<QString>(QStringLiteral("ana.roux@exemple.fr")));
        QCOMPARE(c->telephone(), std::optional<QString>(QStringLiteral("0611223344")));
        QCOMPARE(c->distanceMax(), distance);
        QCOMPARE(c->qualification(), permis);
        QTRY_COMPARE(un.email(), QStringLiteral("ana.roux@exemple.fr"));
        QVERIFY(!un.hasUnsavedChanges());

        // A name typed in the second stays typed while the first stores another phone.
        deux.champNom()->setFocus();
        fixtures::typeText(deux.champNom(), QStringLiteral("-Lefèvre"));
        un.champTelephone()->selectAll();
        fixtures::typeText(un.champTelephone(), QStringLiteral("0699887766"));
        QTest::mouseClick(un.boutonEnregistrer(), Qt::LeftButton);
        QTRY_COMPARE(deux.telephone(), QStringLiteral("0699887766"));
        QCOMPARE(deux.nom(), QStringLiteral("Roux-Lefèvre"));
        QTest::mouseClick(deux.boutonEnregistrer(), Qt::LeftButton);
        QCOMPARE(c->nom(), QStringLiteral("Roux-Lefèvre"));
        QCOMPARE(c->telephone(), std::optional<QString>(QStringLiteral("0699887766")));
    }
    // What the store file keeps.
    auto ctx = m.ouvrir();
    Chauffeur* c = ctx->all<Chauffeur>().value(0);
    QVERIFY(c);
    QCOMPARE(c->nom(), QStringLiteral("Roux-Lefèvre"));
    QCOMPARE(c->email(), std::optional<QString>(QStringLiteral("ana.roux@exemple.fr")));
    QCOMPARE(c->telephone(), std::optional<QString>(QStringLiteral("0699887766")));
    QVERIFY(c->qualification());
}
