#include "tests.h"
#include "lecteurecran.h"

#include "outils.h"
#include "screenfixtures.h"

#include "drivers/formulaireajoutdisponibilite.h"
#include "drivers/formulaireajoutformationchauffeur.h"
#include "drivers/formulaireajoutqualification.h"
#include "drivers/formulaireajoutspecialisation.h"
#include "drivers/formulairechauffeurview.h"
#include "widgets/dateentry.h"
#include "widgets/dialogconventions.h"
#include "widgets/wheelguard.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimeZone>
#include <QWindow>

using namespace kv;
using namespace outils;

namespace {

const QDateTime kMaintenant(QDate(2026, 3, 10), QTime(9, 30));

template <class T>
QStringList nomsDe(kv::ModelContext* ctx)
{
    QStringList out;
    for (T* r : ctx->all<T>())
        out.append(r->nom());
    return out;
}

} // namespace

void TestFeuilles::namesAndTrimming()
{
    Magasin m;
    {
        auto ctx = m.ouvrir();
        QWidget fenetre;
        int fermetures = 0;

        // Qualification: blank once white space and line ends go means disabled; stored as typed.
        auto* q = new FormulaireAjoutQualification(ctx.get(), [&] { ++fermetures; }, &fenetre);
        QCOMPARE(q->titre(), QStringLiteral("Nouvelle qualification"));
        QVERIFY(!q->boutonConfirmer()->isEnabled());
        q->champNom()->setText(QStringLiteral("  \t "));
        QVERIFY(!q->boutonConfirmer()->isEnabled());
        q->champNom()->setText(QStringLiteral("\n"));
        QVERIFY(!q->boutonConfirmer()->isEnabled());
        q->champNom()->setText(QStringLiteral("  Permis C  "));
        QVERIFY(q->boutonConfirmer()->isEnabled());
        q->boutonConfirmer()->click();
        QCOMPARE(fermetures, 1);
        // The same name again: a second record.
        auto* q2 = new FormulaireAjoutQualification(ctx.get(), [&] { ++fermetures; }, &fenetre);
        q2->champNom()->setText(QStringLiteral("  Permis C  "));
        q2->boutonConfirmer()->click();
        // "Annuler" creates nothing.
        auto* q3 = new FormulaireAjoutQualification(ctx.get(), [&] { ++fermetures; }, &fenetre);
        q3->champNom()->setText(QStringLiteral("Autre"));
        q3->boutonAnnuler()->click();
        QCOMPARE(fermetures, 3);

        // Specialisation: spaces and tabs trimmed, line ends kept.
        auto* s = new FormulaireAjoutSpecialisation(ctx.get(), [&] { ++fermetures; }, &fenetre);
        QCOMPARE(s->titre(), QStringLiteral("Nouvelle spécialisation"));
        s->champNom()->setText(QStringLiteral(" \t "));
        QVERIFY(!s->boutonConfirmer()->isEnabled());
        s->champNom()->setText(QStringLiteral("\n"));
        QVERIFY(s->boutonConfirmer()->isEnabled());
        s->champNom()->setText(QStringLiteral(" \tGrue \t"));
        s->boutonConfirmer()->click();
        auto* s2 = new FormulaireAjoutSpecialisation(ctx.get(), [&] { ++fermetures; }, &fenetre);
        s2->champNom()->setText(QStringLiteral("Grue"));
        s2->boutonConfirmer()->click();
        QCOMPARE(fermetures, 5);
        QVERIFY(!ctx->hasChanges());
    }
    auto ctx = m.ouvrir();
    QCOMPARE(nomsDe<Qualification>(ctx.get()), (QStringList{QStringLiteral("  Permis C  "), QStringLiteral("  Permis C  ")}));
    QCOMPARE(nomsDe<Specialisation>(ctx.get()), (QStringList{QStringLiteral("Grue"), QStringLiteral("Grue")}));
}

void TestFeuilles::period()
{
    QWidget fenetre;
    QList<Disponibilite*> recues;
    auto recevoir = [&](Disponibilite* d) { recues.append(d); };

    // Untouched "Fin": an open-ended period; "Fin" shows and follows "Début".
    auto* f = new FormulaireAjoutDisponibilite(kMaintenant, recevoir, &fenetre);
    QCOMPARE(f->titre(), QStringLiteral("Nouvelle disponibilité"));
    QVERIFY(f->caseDisponible()->isChecked());
    QCOMPARE(f->champDebut()->date(), kMaintenant.date());
    QCOMPARE(f->champFin()->date(), kMaintenant.date());
    f->champDebut()->setDate(QDate(2026, 5, 2));
    QCOMPARE(f->champFin()->date(), QDate(2026, 5, 2));
    QCOMPARE(f->dateFin(), std::nullopt);
    QVERIFY(f->boutonConfirmer()->isEnabled());
    f->boutonConfirmer()->click();
    QCOMPARE(recues.size(), 1);
    QVERIFY(recues[0]->disponible());
    QCOMPARE(recues[0]->dateDebut(), QDateTime(QDate(2026, 5, 2), QTime(9, 30)));
    QCOMPARE(recues[0]->dateFin(), std::nullopt);
    QVERIFY(!recues[0]->modelContext());

    // "Fin" touched once: an end, which no longer follows; an end before the start is kept.
    auto* g = new FormulaireAjoutDisponibilite(kMaintenant, recevoir, &fenetre);
    g->caseDisponible()->setChecked(false);
    g->champFin()->setDate(QDate(2026, 3, 1));
    g->champDebut()->setDate(QDate(2026, 3, 20));
    QCOMPARE(g->champFin()->date(), QDate(2026, 3, 1));
    g->boutonConfirmer()->click();
    QCOMPARE(recues.size(), 2);
    QVERIFY(!recues[1]->disponible());
    QCOMPARE(recues[1]->dateFin()->date(), QDate(2026, 3, 1));
    QCOMPARE(recues[1]->dateDebut().date(), QDate(2026, 3, 20));

    // A date refused as typed: nothing is handed back; corrected, the fields stand where they stood.
    installDateEntry(qApp);
    auto* r = new FormulaireAjoutDisponibilite(kMaintenant, recevoir, &fenetre);
    r->show();
    QVERIFY(QTest::qWaitForWindowExposed(r));
    const int place = r->champFin()->y();
    QTest::keyClicks(r->champDebut(), QStringLiteral("31/02/2026"));
    r->boutonConfirmer()->click();
    QCOMPARE(recues.size(), 2);
    QTest::keyClicks(r->champDebut(), QStringLiteral("01/04/2026"));
    removeDateEntry(qApp);
    QTRY_COMPARE(r->champFin()->y(), place);
    auto* h = new FormulaireAjoutDisponibilite(kMaintenant, recevoir, &fenetre);
    h->boutonAnnuler()->click();
    QCOMPARE(recues.size(), 2);
    for (Disponibilite* d : recues)
        Record::disposeIfFree(d);
}

namespace {

// Opens the calendar of a date field with its arrow.
void ouvrirCalendrier(QDateEdit* champ)
{
    QTest::mouseClick(champ, Qt::LeftButton, {}, QPoint(champ->width() - 8, champ->height() / 2));
    laisserPasser();
}

// Clicks the day that the open calendar of `champ` shows as chosen.
bool cliquerJourChoisi(QDateEdit* champ)
{
    QCalendarWidget* calendrier = champ->calendarWidget();
    auto* jours = calendrier->findChild<QTableView*>();
    if (!calendrier->isVisible() || !jours)
        return false;
    const QRect cellule = jours->visualRect(jours->currentIndex());
    if (!cellule.isValid())
        return false;
    QTest::mouseClick(jours->viewport(), Qt::LeftButton, {}, cellule.center());
    laisserPasser();
    return !calendrier->isVisible();
}

// A period sheet, shown in a window as the form opens it, on which `toucher` does what a user
// does to "Fin" (false when a step of it could not be done); then "Valider". What the sheet
// handed back as the end, in `fin`.
bool finApres(const std::function<bool(FormulaireAjoutDisponibilite*, QDateEdit*)>& toucher,
              std::optional<QDateTime>& fin)
{
    QWidget fenetre;
    fenetre.resize(600, 400);
    fenetre.show();
    bool rendue = false;
    auto* feuille = new FormulaireAjoutDisponibilite(kMaintenant, [&](Disponibilite* d) {
        rendue = true;
        fin = d->dateFin();
        Record::disposeIfFree(d);
    }, &fenetre);
    feuille->open();
    if (!QTest::qWaitForWindowExposed(feuille) || !toucher(feuille, feuille->champFin()))
        return false;
    QTest::mouseClick(feuille->boutonConfirmer(), Qt::LeftButton);
    laisserPasser();
    return rendue;
}

} // namespace

void TestFeuilles::oneDayPeriod()
{
    // "Fin" shows the start day while untouched: choosing that same day must still give an end,
    // however it is chosen.
    std::optional<QDateTime> fin;
    // In the calendar, with the mouse.
    QVERIFY(finApres([](auto*, QDateEdit* champ) {
        ouvrirCalendrier(champ);
        return cliquerJourChoisi(champ);
    }, fin));
    QCOMPARE(fin, std::optional<QDateTime>(kMaintenant));

    // In the calendar, with Return, after the start moved.
    QVERIFY(finApres([](FormulaireAjoutDisponibilite* f, QDateEdit* champ) {
        f->champDebut()->setDate(QDate(2026, 3, 12));
        ouvrirCalendrier(champ);
        if (!champ->calendarWidget()->isVisible())
            return false;
        QTest::keyClick(champ->calendarWidget()->window()->windowHandle(), Qt::Key_Return);
        laisserPasser();
        return true;
    }, fin));
    QCOMPARE(fin, std::optional<QDateTime>(QDateTime(QDate(2026, 3, 12), kMaintenant.time())));

    // Typing the day shown.
    QVERIFY(finApres([](auto*, QDateEdit* champ) {
        champ->setFocus();
        QTest::keyClick(champ, Qt::Key_Home);
        QTest::keyClicks(champ, QStringLiteral("10"));
        return true;
    }, fin));
    QCOMPARE(fin, std::optional<QDateTime>(kMaintenant));

    // A step up and back down.
    QVERIFY(finApres([](auto*, QDateEdit* champ) {
        champ->setFocus();
        QTest::keyClick(champ, Qt::Key_Up);
        QTest::keyClick(champ, Qt::Key_Down);
        return true;
    }, fin));
    QCOMPARE(fin, std::optional<QDateTime>(kMaintenant));

    // Only passing through "Fin" with Tab (day, month, year, out) leaves the period open-ended.
    QVERIFY(finApres([](auto*, QDateEdit* champ) {
        champ->setFocus(Qt::TabFocusReason);
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(champ, Qt::Key_Tab);
        return !champ->hasFocus();
    }, fin));
    QCOMPARE(fin, std::nullopt);
}

void TestFeuilles::training()
{
    Magasin m;
    {
        auto ctx = m.ouvrir();
        Query<Formation> formations(ctx.get());
        QWidget fenetre;
        QList<QPair<Formation*, QDateTime>> recues;
        auto recevoir = [&](Formation* f, const QDateTime& d) { recues.append({f, d}); };

        // No course yet: "Choisir…" alone, "Valider" disabled.
        auto* f = new FormulaireAjoutFormationChauffeur(ctx.get(), &formations, kMaintenant, recevoir, &fenetre);
        QCOMPARE(f->titre(), QStringLiteral("Ajouter une formation suivie"));
        QCOMPARE(f->choixFormation()->count(), 1);
        QCOMPARE(f->choixFormation()->itemText(0), QStringLiteral("Choisir…"));
        QVERIFY(!f->boutonConfirmer()->isEnabled());
        QVERIFY(!f->boutonAjouter()->isEnabled());
        f->champNouvelleFormation()->setText(QStringLiteral(" \t"));
        QVERIFY(!f->boutonAjouter()->isEnabled());

        // A course created: trimmed, offered and chosen, "Valider" ready; the name field emptied.
        f->champNouvelleFormation()->setText(QStringLiteral("  FIMO\t"));
        f->boutonAjouter()->click();
        laisserPasser();
        QCOMPARE(f->champNouvelleFormation()->text(), QString());
        QCOMPARE(f->choixFormation()->count(), 2);
        QCOMPARE(f->choixFormation()->itemText(1), QStringLiteral("FIMO"));
        QCOMPARE(f->choixFormation()->currentIndex(), 1);
        QVERIFY(f->boutonConfirmer()->isEnabled());

        // A second course created (Return in its field) is the one chosen.
        f->champNouvelleFormation()->setText(QStringLiteral("FIMO"));
        QTest::keyClick(f->champNouvelleFormation(), Qt::Key_Return);
        laisserPasser();
        QCOMPARE(f->choixFormation()->count(), 3);
        QCOMPARE(f->choixFormation()->currentIndex(), 2);
        QVERIFY(f->isVisible() || !fenetre.isVisible());
        QCOMPARE(recues.size(), 0);
        // "Choisir…" counts as no choice.
        f->choixFormation()->setCurrentIndex(0);
        QVERIFY(!f->boutonConfirmer()->isEnabled());
        f->choixFormation()->setCurrentIndex(2);
        installDateEntry(qApp);
        QTest::keyClicks(f->champExpiration(), QStringLiteral("31/02/2030"));
        f->boutonConfirmer()->click();
        removeDateEntry(qApp);
        QCOMPARE(recues.size(), 0);
        f->champExpiration()->setDate(QDate(2030, 1, 2));
        f->boutonConfirmer()->click();
        QCOMPARE(recues.size(), 1);
        QCOMPARE(recues[0].first, ctx->all<Formation>().at(1));
        QCOMPARE(recues[0].second, QDateTime(QDate(2030, 1, 2), QTime(9, 30)));
        QCOMPARE(ctx->count<FormationChauffeur>(), 0);

        // Created then cancelled: the course stays.
        auto* g = new FormulaireAjoutFormationChauffeur(ctx.get(), &formations, kMaintenant, recevoir, &fenetre);
        g->champNouvelleFormation()->setText(QStringLiteral("CACES"));
        g->boutonAjouter()->click();
        g->boutonAnnuler()->click();
        QCOMPARE(recues.size(), 1);
        QVERIFY(!ctx->hasChanges());
    }
    auto ctx = m.ouvrir();
    QCOMPARE(nomsDe<Formation>(ctx.get()),
             (QStringList{QStringLiteral("FIMO"), QStringLiteral("FIMO"), QStringLiteral("CACES")}));
}

void TestFeuilles::failedSaves()
{
    Magasin m;
    auto ctx = m.ouvrir();
    QWidget fenetre;
    fenetre.show();
    int fermetures = 0;

    auto* q = new FormulaireAjoutQualification(ctx.get(), [&] { ++fermetures; }, &fenetre);
    q->open();
    q->champNom()->setText(QStringLiteral("Permis C"));
    ctx->failNextSave(QStringLiteral("disque plein"));
    q->boutonConfirmer()->click();
    QVERIFY(fixtures::openBox(&fenetre, QStringLiteral("erreur")));
    QCOMPARE(fixtures::openBox(&fenetre, QStringLiteral("erreur"))->text(), QStringLiteral("Échec de la sauvegarde: disque plein"));
    QCOMPARE(fermetures, 0);
    QVERIFY(q->isVisible());
    QCOMPARE(q->champNom()->text(), QStringLiteral("Permis C"));
    QVERIFY(!ctx->hasChanges());
    QCOMPARE(ctx->count<Qualification>(), 0);
    fixtures::closeBoxes(&fenetre);
    q->boutonConfirmer()->click();
    QCOMPARE(fermetures, 1);
    QCOMPARE(ctx->count<Qualification>(), 1);

    auto* s = new FormulaireAjoutSpecialisation(ctx.get(), [&] { ++fermetures; }, &fenetre);
    s->open();
    s->champNom()->setText(QStringLiteral("Grue"));
    ctx->failNextSave(QStringLiteral("verrou"));
    s->boutonConfirmer()->click();
    QVERIFY(fixtures::openBox(&fenetre, QStringLiteral("erreur")));
    QCOMPARE(fermetures, 1);
    QVERIFY(s->isVisible());
    QCOMPARE(s->champNom()->text(), QStringLiteral("Grue"));
    QVERIFY(!ctx->hasChanges());
    QCOMPARE(ctx->count<Specialisation>(), 0);
    fixtures::closeBoxes(&fenetre);
    s->boutonAnnuler()->click();

    Query<Formation> formations(ctx.get());
    auto* f = new FormulaireAjoutFormationChauffeur(ctx.get(), &formations, kMaintenant, {}, &fenetre);
    f->open();
    f->champNouvelleFormation()->setText(QStringLiteral("FIMO"));
    ctx->failNextSave(QStringLiteral("lecture seule"));
    f->boutonAjouter()->click();
    laisserPasser();
    QVERIFY(fixtures::openBox(&fenetre, QStringLiteral("erreur")));
    QCOMPARE(fixtures::openBox(&fenetre, QStringLiteral("erreur"))->text(), QStringLiteral("Échec de la sauvegarde: lecture seule"));
    QCOMPARE(f->champNouvelleFormation()->text(), QStringLiteral("FIMO"));
    QCOMPARE(f->choixFormation()->count(), 1);
    QVERIFY(!ctx->hasChanges());
    QCOMPARE(ctx->count<Formation>(), 0);
    fixtures::closeBoxes(&fenetre);
    f->boutonAjouter()->click();
    laisserPasser();
    QCOMPARE(ctx->count<Formation>(), 1);
    QCOMPARE(f->choixFormation()->count(), 2);
}

void TestFeuilles::sheetsFromTheForm()
{
    Magasin m;
    auto ctx = m.ouvrir();
    QWidget fenetre;
    auto* form = new FormulaireChauffeurView(ctx.get(), nullptr, {},
                                             Horloge::fixe(kMaintenant, QTimeZone::systemTimeZone()), &fenetre);
    fenetre.resize(900, 700);
    fenetre.show();
    QVERIFY(QTest::qWaitForWindowExposed(&fenetre));
    form->champPrenom()->setText(QStringLiteral("Ana"));
    installDialogConventions(); // as the program does
    installWheelGuard(qApp);
    // A sheet opens with the keys in its first field, none of whose text is selected.
    const auto ouverteSansSelection = [](QDialog* feuille) {
        if (!feuille->isActiveWindow() || !feuille->isAncestorOf(QApplication::focusWidget()))
            return false;
        const QList<QLineEdit*> lignes = feuille->findChildren<QLineEdit*>();
        return std::none_of(lignes.begin(), lignes.end(), [](QLineEdit* l) { return l->hasSelectedText(); });
    };

    // Each add button opens its sheet, window-modal; one at a time.
    form->boutonAjoutQualification()->click();
    QVERIFY(form->montrerSheetAjoutQualification());
    QDialog* feuille = form->feuilleOuverte();
    QVERIFY(feuille && feuille->isVisible());
    QCOMPARE(feuille->windowModality(), Qt::WindowModal);
    form->boutonAjoutSpecialisation()->click();
    QVERIFY(!form->montrerAjoutSpecialisation());
    auto* q = qobject_cast<FormulaireAjoutQualification*>(feuille);
    QVERIFY(q);
    // Each sheet's fields are spoken by their labels.
    QCOMPARE(fixtures::unnamedControls(q).join(QStringLiteral(", ")), QString());
    q->champNom()->setText(QStringLiteral("Permis C"));
    QTest::keyClick(q->champNom(), Qt::Key_Return);
    laisserPasser();
    QVERIFY(!form->montrerSheetAjoutQualification());
    QCOMPARE(ctx->count<Qualification>(), 1);
    // Offered in the picker and chosen for the driver.
    QCOMPARE(form->choixQualification()->count(), 2);
    QCOMPARE(form->choixQualification()->currentIndex(), 1);
    QCOMPARE(form->qualificationSelectionnee(), ctx->all<Qualification>().first());

    form->boutonAjoutSpecialisation()->click();
    QVERIFY(form->montrerAjoutSpecialisation());
    auto* s = qobject_cast<FormulaireAjoutSpecialisation*>(form->feuilleOuverte());
    QVERIFY(s);
    QCOMPARE(fixtures::unnamedControls(s).join(QStringLiteral(", ")), QString());
    // Escape closes the sheet only.
    QTest::keyClick(s->champNom(), Qt::Key_Escape);
    laisserPasser();
    QVERIFY(!form->montrerAjoutSpecialisation());
    QCOMPARE(form->prenom(), QStringLiteral("Ana"));

    // The sheets get "now" from the form's clock.
    form->boutonAjoutDisponibilite()->click();
    QVERIFY(form->montrerAjoutDisponibilite());
    auto* d = qobject_cast<FormulaireAjoutDisponibilite*>(form->feuilleOuverte());
    QVERIFY(d);
    QCOMPARE(d->dateDebut(), kMaintenant);
    QTRY_VERIFY(ouverteSansSelection(d));
    QCOMPARE(fixtures::unnamedControls(d).join(QStringLiteral(", ")), QString());
    d->boutonAnnuler()->click();
    laisserPasser();
    QVERIFY(!form->montrerAjoutDisponibilite());
    QVERIFY(form->disponibilites().isEmpty());

    form->boutonAjoutFormation()->click();
    QVERIFY(form->montrerAjoutFormationChauffeur());
    auto* t = qobject_cast<FormulaireAjoutFormationChauffeur*>(form->feuilleOuverte());
    QVERIFY(t);
    QCOMPARE(t->champExpiration()->date(), kMaintenant.date());
    QTRY_VERIFY(ouverteSansSelection(t));
    QCOMPARE(fixtures::unnamedControls(t).join(QStringLiteral(", ")), QString());
    t->boutonAnnuler()->click();
    laisserPasser();
    QVERIFY(!form->feuilleOuverte());
    QVERIFY(form->formationsSuivies().isEmpty());
}
