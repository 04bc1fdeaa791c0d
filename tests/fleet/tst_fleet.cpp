// The skip fleet screen and the skip editor, driven through their controls.

#include "tests.h"
#include "lecteurecran.h"
#include "screenfixtures.h"
#include "../widgets/screenfit.h"

#include "fleet/benneeditorview.h"
#include "model/volume.h"
#include "fleet/vuebennes.h"
#include "widgets/forms/colorfield.h"
#include "widgets/forms/detailpane.h"
#include "widgets/forms/editorframe.h"
#include "widgets/forms/numberfield.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QListView>

#include <limits>

using namespace kv;

namespace {

struct Ecran : fixtures::ListScreen<VueBennes> {
    Ecran() : ListScreen({1200, 900}) {}
    QStringList lignes() const
    {
        QStringList out;
        for (Benne* b : vue->bennesFiltrees())
            out.append(texteVolume(b->volume()) + QLatin1Char(' ') + b->etatTexte());
        return out;
    }
};

struct Editeur {
    std::unique_ptr<ModelContext> ctx;
    std::unique_ptr<BenneEditorView> vue;
    int annulations = 0;
    QList<Benne*> enregistrees;
    explicit Editeur(Benne* benne = nullptr, std::unique_ptr<ModelContext> c = fixtures::store()) : ctx(std::move(c))
    {
        vue = std::make_unique<BenneEditorView>(ctx.get(), benne, ctx->all<DispositifSpecial>());
        QObject::connect(vue.get(), &BenneEditorView::cancelled, [this] { ++annulations; });
        QObject::connect(vue.get(), &BenneEditorView::saved, [this](Benne* b) { enregistrees.append(b); });
        vue->resize(900, 1000);
        vue->show();
        QVERIFY(QTest::qWaitForWindowExposed(vue.get()));
    }
    QPushButton* enregistrer() const { return vue->frame()->saveButton(); }
};

} // namespace

void TestVueBennes::switchesAndSearch()
{
    Ecran e;
    DispositifSpecial* grue = new DispositifSpecial(QStringLiteral("Grue hydraulique"));
    e.ctx->insert(grue);
    fixtures::benne(e.ctx.get(), 10, EtatBenne::sale);
    fixtures::benne(e.ctx.get(), 7.9, EtatBenne::neuf, QStringLiteral("Réparée"), grue);
    fixtures::benne(e.ctx.get(), 15, EtatBenne::inutilisable);
    fixtures::benne(e.ctx.get(), 12, EtatBenne::correct, QStringLiteral("10 m³ très sale"));
    fixtures::save(e.ctx.get());
    e.ouvrir();

    // Both switches start on: dirty and unusable skips are hidden.
    QVERIFY(e.vue->filtreInutilisables()->isChecked());
    QVERIFY(e.vue->filtreSales()->isChecked());
    QCOMPARE(e.lignes(), QStringList({"7 Neuf", "12 Correct"}));
    QCOMPARE(e.liste()->countText(), QStringLiteral("Nombre de bennes : 2\n2\u00A0bennes masquées par les filtres"));

    // A hidden state cannot be found until its switch is off.
    e.chercher(QStringLiteral("inutilisable"));
    QCOMPARE(e.lignes(), QStringList());
    QTest::mouseClick(e.vue->filtreInutilisables(), Qt::LeftButton);
    fixtures::settle();
    QCOMPARE(e.lignes(), QStringList{"15 Inutilisable"});
    QCOMPARE(e.liste()->rowCount(), 1);

    QTest::mouseClick(e.vue->filtreSales(), Qt::LeftButton);
    // Case and accents ignored; the volume is searched without its fraction.
    e.chercher(QStringLiteral("NEUF"));
    QCOMPARE(e.lignes(), QStringList{"7 Neuf"});
    e.chercher(QStringLiteral("reparee"));
    QCOMPARE(e.lignes(), QStringList{"7 Neuf"});
    e.chercher(QStringLiteral("7"));
    QCOMPARE(e.lignes(), QStringList{"7 Neuf"});
    e.chercher(QStringLiteral("8"));
    QCOMPARE(e.lignes(), QStringList());
    e.chercher(QStringLiteral("grue"));
    QCOMPARE(e.lignes(), QStringList{"7 Neuf"});
    // Two words must stand in one field: 10 and sale are both in the notes of the 12 m³ skip
    // only; the 10 m³ skip is "Sale" but its volume and state are two fields.
    e.chercher(QStringLiteral("10 sale"));
    QCOMPARE(e.lignes(), QStringList{"12 Correct"});
    e.chercher(QStringLiteral("1"));
    QCOMPARE(e.lignes(), QStringList({"10 Sale", "12 Correct", "15 Inutilisable"}));
    e.chercher(QStringLiteral(" \n "));
    QCOMPARE(e.lignes().size(), 4);
    QCOMPARE(e.liste()->countText(), QStringLiteral("Nombre de bennes : 4"));
}

void TestVueBennes::countSaysWhatTheSwitchesHide()
{
    // Eight skips created; two of them saved as "Sale" and "Inutilisable" leave the list, and
    // the count line says so.
    Ecran e;
    for (int volume = 3; volume <= 10; ++volume)
        fixtures::benne(e.ctx.get(), volume, EtatBenne::neuf);
    fixtures::save(e.ctx.get());
    e.ouvrir();
    QCOMPARE(e.liste()->countText(), QStringLiteral("Nombre de bennes : 8"));

    const auto enregistrerEtat = [&](int ligne, EtatBenne etat) {
        fixtures::clickRow(e.liste(), ligne);
        QVERIFY(e.vue->editeur());
        QTest::mouseClick(e.vue->editeur()->etatButton(etat), Qt::LeftButton);
        QTest::mouseClick(e.vue->editeur()->frame()->saveButton(), Qt::LeftButton);
        fixtures::settle();
    };
    enregistrerEtat(0, EtatBenne::sale);
    QCOMPARE(e.liste()->rowCount(), 7);
    QCOMPARE(e.liste()->countText(), QStringLiteral("Nombre de bennes : 7\n1\u00A0benne masquée par les filtres"));
    enregistrerEtat(0, EtatBenne::inutilisable);
    QCOMPARE(e.liste()->rowCount(), 6);
    QCOMPARE(e.liste()->countText(), QStringLiteral("Nombre de bennes : 6\n2\u00A0bennes masquées par les filtres"));
    QVERIFY(!e.ctx->hasChanges());

    // One switch off: the dirty skip is back, the unusable one still counted as hidden.
    QTest::mouseClick(e.vue->filtreSales(), Qt::LeftButton);
    fixtures::settle();
    QCOMPARE(e.liste()->countText(), QStringLiteral("Nombre de bennes : 7\n1\u00A0benne masquée par les filtres"));
    // A search counts only the hidden skips it would find.
    e.chercher(QStringLiteral("neuf"));
    QCOMPARE(e.liste()->countText(), QStringLiteral("Nombre de bennes : 6"));
    e.chercher(QStringLiteral("inutilisable"));
    QCOMPARE(e.liste()->countText(), QStringLiteral("Nombre de bennes : 0\n1\u00A0benne masquée par les filtres"));
    e.chercher(QString());
    // A hidden skip added elsewhere changes no row, but the count.
    fixtures::benne(e.ctx.get(), 20, EtatBenne::inutilisable);
    fixtures::save(e.ctx.get());
    fixtures::settle();
    QCOMPARE(e.liste()->countText(), QStringLiteral("Nombre de bennes : 7\n2\u00A0bennes masquées par les filtres"));
    // Both switches off: nothing hidden, nothing said.
    QTest::mouseClick(e.vue->filtreInutilisables(), Qt::LeftButton);
    fixtures::settle();
    QCOMPARE(e.liste()->countText(), QStringLiteral("Nombre de bennes : 9"));
}

void TestVueBennes::rowsAndVolumesOutOfRange()
{
    auto ctx = fixtures::store();
    Benne* b = fixtures::benne(ctx.get(), 7.9, EtatBenne::sale, QStringLiteral("  "));
    auto texts = [](const Benne* x) {
        QStringList out;
        for (const forms::RowLine& line : VueBennes::ligneBenne(x).lines)
            for (const forms::RowPart& p : line.parts)
                if (p.kind == forms::RowPart::Kind::Text && !p.iconOnly)
                    out.append(p.text);
        return out;
    };
    QCOMPARE(texts(b), QStringList({"7 m³", "Sale", "•   "}));
    b->setCouleur(QStringLiteral("12345"));
    QCOMPARE(VueBennes::ligneBenne(b).lines.first().parts.size(), 2); // no swatch

    // Volumes without a whole value neither crash nor match numbers.
    for (double v : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), 1e300,
                     -1e19}) {
        b->setVolume(v);
        QCOMPARE(texts(b).first(), QStringLiteral("— m³"));
        QVERIFY(!VueBennes::benneCorrespond(b, {QStringLiteral("1")}));
        QVERIFY(!volumeEnregistrable(v));
    }
    QCOMPARE(texteVolume(-9.2e18), QStringLiteral("-9200000000000000000"));

    // The list sorts such skips without breaking its order (the store refuses to save them,
    // but they live in the session until then).
    b->setVolume(std::numeric_limits<double>::quiet_NaN());
    fixtures::benne(ctx.get(), 20);
    fixtures::benne(ctx.get(), 5);
    VueBennes vue(ctx.get());
    vue.filtreSales()->setChecked(false);
    QCOMPARE(vue.bennesFiltrees().size(), 3);
    QCOMPARE(vue.bennesFiltrees().first()->volume(), 5.0);
    QCOMPARE(vue.bennesFiltrees().last(), b);
}

void TestVueBennes::dupliquer()
{
    Ecran e;
    auto* grue = new DispositifSpecial(QStringLiteral("Grue"));
    e.ctx->insert(grue);
    Benne* b = fixtures::benne(e.ctx.get(), 8, EtatBenne::neuf, QStringLiteral("Bleue"), grue);
    b->setCouleur(QStringLiteral("#0000ff"));
    Benne* autre = fixtures::benne(e.ctx.get(), 20);
    fixtures::location(fixtures::client(e.ctx.get(), QStringLiteral("A")), b);
    fixtures::save(e.ctx.get());
    e.ouvrir();
    fixtures::clickRow(e.liste(), 1);
    QCOMPARE(e.vue->selection(), autre);

    QVERIFY(fixtures::chooseInContextMenu(e.liste(), 0, QStringLiteral("Dupliquer")));
    fixtures::settle();
    QCOMPARE(e.ctx->count<Benne>(), 3);
    Benne* copie = e.ctx->all<Benne>().last();
    QVERIFY(copie != b && copie->id() != b->id());
    QCOMPARE(copie->volume(), 8.0);
    QCOMPARE(copie->couleur(), QStringLiteral("#0000ff"));
    QCOMPARE(copie->etat(), std::optional<EtatBenne>(EtatBenne::neuf));
    QCOMPARE(copie->notes(), QStringLiteral("Bleue"));
    QCOMPARE(copie->dispositifSpecial(), grue);
    QVERIFY(copie->locations().isEmpty());
    QCOMPARE(e.ctx->count<DispositifSpecial>(), 1);
    QVERIFY(!e.ctx->hasChanges());
    QCOMPARE(e.vue->selection(), autre);
    QCOMPARE(e.vue->benneEditee(), autre);
    QCOMPARE(e.liste()->rowCount(), 3);

    // A copy that could not be saved is not kept.
    e.ctx->failNextSave(QStringLiteral("disque plein"));
    QVERIFY(fixtures::chooseInContextMenu(e.liste(), 0, QStringLiteral("Dupliquer")));
    QMessageBox* erreur = fixtures::openBox(e.vue.get(), QStringLiteral("erreur"));
    QVERIFY(erreur);
    QCOMPARE(erreur->text(), QStringLiteral("Échec de la sauvegarde: disque plein"));
    fixtures::closeBoxes(e.vue.get());
    QCOMPARE(e.ctx->count<Benne>(), 3);
}

void TestVueBennes::deleteFromTheList()
{
    Ecran e;
    Benne* a = fixtures::benne(e.ctx.get(), 5);
    Benne* b = fixtures::benne(e.ctx.get(), 10);
    auto* grue = new DispositifSpecial(QStringLiteral("Grue"));
    b->setDispositifSpecial(grue);
    fixtures::location(fixtures::client(e.ctx.get(), QStringLiteral("A")), b);
    fixtures::save(e.ctx.get());
    e.ouvrir();

    fixtures::clickRow(e.liste(), 0);
    QCOMPARE(e.vue->benneEditee(), a);
    // The context menu asks, says what goes with the skip, "Annuler" first.
    QVERIFY(fixtures::chooseInContextMenu(e.liste(), 1, QStringLiteral("Supprimer")));
    QMessageBox* confirmation = fixtures::openBox(e.vue.get(), QStringLiteral("confirmation"));
    QVERIFY(confirmation);
    QCOMPARE(confirmation->informativeText(),
             QStringLiteral("« 10 m³ gris · chez A »\nCette action est irréversible. 1\u00A0location sera aussi supprimée."));
    QCOMPARE(fixtures::shownText(confirmation->defaultButton()), QStringLiteral("Annuler"));
    QVERIFY(!b->isDeleted());
    QVERIFY(fixtures::clickBoxButton(confirmation, QStringLiteral("Supprimer")));
    fixtures::settle();
    QVERIFY(b->isDeleted());
    QCOMPARE(e.ctx->count<LocationDeBenne>(), 0);
    QCOMPARE(e.ctx->count<DispositifSpecial>(), 1);
    QCOMPARE(e.ctx->count<Client>(), 1);
    QCOMPARE(e.vue->benneEditee(), a);

    // While a new skip is entered, deleting leaves the entry open; positions out of range are ignored.
    QTest::mouseClick(e.liste()->addButton(), Qt::LeftButton);
    e.vue->supprimerBennes({4, 0});
    fixtures::settle();
    QVERIFY(a->isDeleted());
    QVERIFY(e.vue->isCreating());
    QVERIFY(e.vue->editeur());
    QCOMPARE(e.liste()->countText(), QStringLiteral("Nombre de bennes : 0"));
}

void TestBenneEditor::newSkipDefaults()
{
    Editeur e;
    QCOMPARE(e.vue->frame()->title(), QStringLiteral("Nouvelle benne"));
    QCOMPARE(e.vue->volumeShown(), QStringLiteral("8 m³"));
    QCOMPARE(e.vue->apercu()->volumeText(), QStringLiteral("Benne 8 m³"));
    QCOMPARE(e.vue->apercu()->etatText(), QStringLiteral("État : Correct"));
    QVERIFY(e.vue->etatButton(EtatBenne::correct)->isChecked());
    QCOMPARE(e.vue->dispositifPicker()->currentText(), QStringLiteral("Aucun"));
    QVERIFY(!e.vue->effacerSelectionButton()->isVisible());
    QCOMPARE(e.vue->couleur()->hexText(), QStringLiteral("808080"));
    QVERIFY(!e.vue->frame()->section(QStringLiteral("Danger zone"))->isVisible());
    QTRY_VERIFY(e.vue->volumeStepper()->hasFocus());
    QVERIFY(e.enregistrer()->isEnabled());

    // The stepper's keys and the slider move by whole steps within 1…60.
    QTest::keyClick(e.vue->volumeStepper(), Qt::Key_Up);
    QCOMPARE(e.vue->volume(), 9.0);
    QCOMPARE(e.vue->apercu()->volumeText(), QStringLiteral("Benne 9 m³"));
    e.vue->volumeSlider()->setFocus();
    QTest::keyClick(e.vue->volumeSlider(), Qt::Key_End);
    QCOMPARE(e.vue->volume(), 60.0);
    QTest::keyClick(e.vue->volumeStepper(), Qt::Key_Up);
    QCOMPARE(e.vue->volume(), 60.0);
    QTest::keyClick(e.vue->volumeSlider(), Qt::Key_Home);
    QTest::keyClick(e.vue->volumeStepper(), Qt::Key_Down);
    QCOMPARE(e.vue->volume(), 1.0);
    QTest::keyClick(e.vue->volumeStepper(), Qt::Key_Up);

    QTest::mouseClick(e.vue->etatButton(EtatBenne::sale), Qt::LeftButton);
    QCOMPARE(e.vue->apercu()->etatText(), QStringLiteral("État : Sale"));
    QVERIFY(!e.vue->etatButton(EtatBenne::correct)->isChecked());
    e.vue->notesField()->setPlainText(QStringLiteral(" à nettoyer "));

    QTest::keyClick(e.vue->notesField(), Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(e.ctx->count<Benne>(), 1);
    Benne* b = e.ctx->all<Benne>().first();
    QCOMPARE(e.enregistrees, QList<Benne*>{b});
    QCOMPARE(b->volume(), 2.0);
    QCOMPARE(b->etat(), std::optional<EtatBenne>(EtatBenne::sale));
    QCOMPARE(b->notes(), QStringLiteral(" à nettoyer "));
    QCOMPARE(b->couleur(), QStringLiteral("808080"));
    QCOMPARE(b->dispositifSpecial(), nullptr);
    QVERIFY(!e.ctx->hasChanges());
}

void TestBenneEditor::storedVolumeIsNeverChangedByLoading()
{
    auto ctx = fixtures::store();
    Benne* petite = fixtures::benne(ctx.get(), 0.5);
    Benne* grande = fixtures::benne(ctx.get(), 61);
    Benne* limite = fixtures::benne(ctx.get(), 60.9, EtatBenne::neuf);
    fixtures::save(ctx.get());
    Editeur e(petite, std::move(ctx));

    QCOMPARE(e.vue->volumeShown(), QStringLiteral("0 m³"));
    QVERIFY(!e.enregistrer()->isEnabled());
    QVERIFY(forms::hasInvalidOutline(e.vue->volumeRow()));
    QTest::keyClick(e.vue->volumeStepper(), Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(petite->volume(), 0.5);
    QVERIFY(!e.ctx->hasChanges());

    e.vue->setBenne(grande);
    QCOMPARE(e.vue->volumeShown(), QStringLiteral("61 m³"));
    QCOMPARE(e.vue->volume(), 61.0);
    QVERIFY(!e.enregistrer()->isEnabled());

    // The store refuses to save such a volume; it can still be shown while pending.
    Benne* folle = fixtures::benne(e.ctx.get(), std::numeric_limits<double>::infinity());
    e.vue->setBenne(folle);
    QCOMPARE(e.vue->volumeShown(), QStringLiteral("— m³"));
    QVERIFY(!e.enregistrer()->isEnabled());
    e.ctx->discardInsertion(folle);

    // 60.9 counts as 60 and is saved as it is unless the user moves the volume.
    e.vue->setBenne(limite);
    QCOMPARE(e.vue->volumeShown(), QStringLiteral("60 m³"));
    QVERIFY(e.enregistrer()->isEnabled());
    QVERIFY(!forms::hasInvalidOutline(e.vue->volumeRow()));
    QTest::mouseClick(e.enregistrer(), Qt::LeftButton);
    QCOMPARE(limite->volume(), 60.9);
    QCOMPARE(grande->volume(), 61.0);
    QCOMPARE(petite->volume(), 0.5);
    QTest::keyClick(e.vue->volumeStepper(), Qt::Key_Down);
    QTest::mouseClick(e.enregistrer(), Qt::LeftButton);
    QCOMPARE(limite->volume(), 59.0);

    // A user's move brings an out-of-range volume back into range.
    e.vue->setBenne(grande);
    QTest::keyClick(e.vue->volumeStepper(), Qt::Key_Down);
    QCOMPARE(e.vue->volume(), 60.0);
    QVERIFY(e.enregistrer()->isEnabled());
}

void TestBenneEditor::aSecondEditorFollowsAndSavesOnlyWhatWasTyped()
{
    auto ctx = fixtures::store();
    Benne* b = fixtures::benne(ctx.get(), 10);
    fixtures::save(ctx.get());
    Editeur un(b, std::move(ctx));
    BenneEditorView deux(un.ctx.get(), b, {});
    deux.show();
    QVERIFY(QTest::qWaitForWindowExposed(&deux));

    // The first editor saves a volume and notes: the second shows them.
    QTest::keyClick(un.vue->volumeStepper(), Qt::Key_Up);
    un.vue->notesField()->setFocus();
    QTest::keyClicks(un.vue->notesField(), QStringLiteral("Porte faussee"));
    QTest::mouseClick(un.enregistrer(), Qt::LeftButton);
    QCOMPARE(b->volume(), 11.0);
    QTRY_COMPARE(deux.volume(), 11.0);
    QCOMPARE(deux.notesField()->toPlainText(), QStringLiteral("Porte faussee"));
    QVERIFY(!deux.hasUnsavedChanges());

    // The second changes the state only: the first one's volume and notes stay.
    QTest::mouseClick(deux.etatButton(EtatBenne::sale), Qt::LeftButton);
    QTest::mouseClick(deux.frame()->saveButton(), Qt::LeftButton);
    QCOMPARE(b->etat(), std::optional<EtatBenne>(EtatBenne::sale));
    QCOMPARE(b->volume(), 11.0);
    QCOMPARE(b->notes(), QStringLiteral("Porte faussee"));
    QTRY_COMPARE(un.vue->etat(), std::optional<EtatBenne>(EtatBenne::sale));
}

void TestBenneEditor::aFieldChangedOnBothSidesAsksWhichToKeep()
{
    auto ctx = fixtures::store();
    Benne* b = fixtures::benne(ctx.get(), 10, EtatBenne::correct, QStringLiteral("Porte neuve"));
    fixtures::save(ctx.get());
    Editeur un(b, std::move(ctx));
    BenneEditorView deux(un.ctx.get(), b, {});
    int enregistreesDeux = 0;
    QObject::connect(&deux, &BenneEditorView::saved, [&] { ++enregistreesDeux; });
    deux.show();
    QVERIFY(QTest::qWaitForWindowExposed(&deux));
    const auto taperNotes = [](BenneEditorView* v, const QString& texte) {
        v->notesField()->setFocus();
        v->notesField()->selectAll();
        fixtures::typeText(v->notesField(), texte);
    };

    // Both type the notes; the second chooses a state too. The first saves.
    taperNotes(&deux, QStringLiteral("Roue voilée"));
    QTest::mouseClick(deux.etatButton(EtatBenne::sale), Qt::LeftButton);
    taperNotes(un.vue.get(), QStringLiteral("Porte faussée"));
    QTest::mouseClick(un.enregistrer(), Qt::LeftButton);
    QCOMPARE(b->notes(), QStringLiteral("Porte faussée"));
    QCOMPARE(deux.notesField()->toPlainText(), QStringLiteral("Roue voilée"));

    // The second's save asks which notes to keep; "Annuler" stores nothing and keeps the typing.
    QTest::mouseClick(deux.frame()->saveButton(), Qt::LeftButton);
    QMessageBox* box = fixtures::openBox(&deux, QStringLiteral("modifieAilleurs"));
    QVERIFY(box);
    QCOMPARE(box->text(), QStringLiteral("Cette benne a été modifiée dans une autre fenêtre"));
    QVERIFY(box->informativeText().contains(QStringLiteral("« Notes »")));
    QVERIFY(fixtures::clickBoxButton(box, QStringLiteral("Annuler")));
    QCOMPARE(b->notes(), QStringLiteral("Porte faussée"));
    QCOMPARE(b->etat(), std::optional<EtatBenne>(EtatBenne::correct));
    QCOMPARE(enregistreesDeux, 0);
    QVERIFY(deux.hasUnsavedChanges());

    // "Reprendre l’enregistré": the stored notes come back; the state chosen is saved.
    QTest::mouseClick(deux.frame()->saveButton(), Qt::LeftButton);
    QVERIFY(fixtures::clickBoxButton(fixtures::openBox(&deux, QStringLiteral("modifieAilleurs")),
                                     QStringLiteral("Reprendre l’enregistré")));
    QCOMPARE(deux.notesField()->toPlainText(), QStringLiteral("Porte faussée"));
    QCOMPARE(b->notes(), QStringLiteral("Porte faussée"));
    QCOMPARE(b->etat(), std::optional<EtatBenne>(EtatBenne::sale));
    QCOMPARE(enregistreesDeux, 1);
    QVERIFY(!deux.hasUnsavedChanges());

    // "Garder ma saisie": the notes typed here replace those stored by the first.
    taperNotes(&deux, QStringLiteral("Roue changée"));
    taperNotes(un.vue.get(), QStringLiteral("Porte réparée"));
    QTest::mouseClick(un.enregistrer(), Qt::LeftButton);
    QTest::mouseClick(deux.frame()->saveButton(), Qt::LeftButton);
    QVERIFY(fixtures::clickBoxButton(fixtures::openBox(&deux, QStringLiteral("modifieAilleurs")),
                                     QStringLiteral("Garder ma saisie")));
    QCOMPARE(b->notes(), QStringLiteral("Roue changée"));
    QCOMPARE(enregistreesDeux, 2);
    QTRY_COMPARE(un.vue->notesField()->toPlainText(), QStringLiteral("Roue changée"));
    QVERIFY(!un.vue->hasUnsavedChanges());
}

void TestBenneEditor::devices()
{
    auto ctx = fixtures::store();
    auto* grue = new DispositifSpecial(QStringLiteral("Grue"));
    ctx->insert(grue);
    Benne* b = fixtures::benne(ctx.get(), 10, EtatBenne::correct, QString(), grue);
    fixtures::save(ctx.get());
    Editeur e(b, std::move(ctx));
    QCOMPARE(e.vue->dispositifPicker()->currentText(), QStringLiteral("Grue"));
    QVERIFY(e.vue->effacerSelectionButton()->isVisible());

    // Blanks only: nothing happens.
    QTest::keyClicks(e.vue->nouveauDispositifField(), QStringLiteral("   "));
    QTest::mouseClick(e.vue->ajouterDispositifButton(), Qt::LeftButton);
    QCOMPARE(e.ctx->count<DispositifSpecial>(), 1);
    QCOMPARE(e.vue->nouveauDispositifField()->text(), QStringLiteral("   "));

    // Return adds the trimmed device at once, selects it and empties the field.
    e.vue->nouveauDispositifField()->setText(QStringLiteral("  Bâche  "));
    QTest::keyClick(e.vue->nouveauDispositifField(), Qt::Key_Return);
    QCOMPARE(e.ctx->count<DispositifSpecial>(), 2);
    QVERIFY(!e.ctx->hasChanges());
    DispositifSpecial* bache = e.ctx->all<DispositifSpecial>().last();
    QCOMPARE(bache->descriptionDispositif(), QStringLiteral("Bâche"));
    QCOMPARE(e.vue->dispositifSelectionne(), bache);
    QCOMPARE(e.vue->dispositifPicker()->currentText(), QStringLiteral("Bâche"));
    QCOMPARE(e.vue->nouveauDispositifField()->text(), QString());
    // It is fitted to the skip only by "Enregistrer".
    QCOMPARE(b->dispositifSpecial(), grue);
    QTest::mouseClick(e.enregistrer(), Qt::LeftButton);
    QCOMPARE(b->dispositifSpecial(), bache);

    // Clearing the choice changes the skip only when saved; the device stays in the store.
    QTest::mouseClick(e.vue->effacerSelectionButton(), Qt::LeftButton);
    QVERIFY(!e.vue->effacerSelectionButton()->isVisible());
    QCOMPARE(e.vue->dispositifPicker()->currentText(), QStringLiteral("Aucun"));
    QCOMPARE(b->dispositifSpecial(), bache);
    QTest::mouseClick(e.enregistrer(), Qt::LeftButton);
    QCOMPARE(b->dispositifSpecial(), nullptr);
    QCOMPARE(e.ctx->count<DispositifSpecial>(), 2);

    // Choosing from the picker.
    e.vue->setDispositifsDisponibles(e.ctx->all<DispositifSpecial>());
    e.vue->dispositifPicker()->setFocus();
    QTest::keyClick(e.vue->dispositifPicker(), Qt::Key_Down);
    QCOMPARE(e.vue->dispositifSelectionne(), grue);

    // A device that could not be saved is not kept and the typed text stays.
    e.ctx->failNextSave(QStringLiteral("non"));
    e.vue->nouveauDispositifField()->setText(QStringLiteral("Crochet"));
    QTest::keyClick(e.vue->nouveauDispositifField(), Qt::Key_Return);
    QVERIFY(fixtures::openBox(e.vue.get(), QStringLiteral("erreur")));
    fixtures::closeBoxes(e.vue.get());
    QCOMPARE(e.ctx->count<DispositifSpecial>(), 2);
    QCOMPARE(e.vue->nouveauDispositifField()->text(), QStringLiteral("Crochet"));
    QCOMPARE(e.vue->dispositifSelectionne(), grue);
}

void TestBenneEditor::deleteAfterConfirmation()
{
    Ecran e;
    Benne* b = fixtures::benne(e.ctx.get(), 10);
    fixtures::location(fixtures::client(e.ctx.get(), QStringLiteral("A")), b);
    fixtures::save(e.ctx.get());
    e.ouvrir();
    fixtures::clickRow(e.liste(), 0);
    BenneEditorView* editeur = e.vue->editeur();
    QVERIFY(editeur);
    QCOMPARE(editeur->frame()->title(), QStringLiteral("Modifier la benne"));

    QTest::mouseClick(editeur->supprimerBenneButton(), Qt::LeftButton);
    QMessageBox* question = fixtures::openBox(e.vue.get(), QStringLiteral("confirmation"));
    QVERIFY(question);
    QCOMPARE(question->text(), QStringLiteral("Supprimer cette benne ?"));
    QCOMPARE(question->informativeText(), QStringLiteral("« 10 m³ gris · chez A »\nCette action est irréversible. 1\u00A0location sera aussi supprimée."));
    QVERIFY(fixtures::clickBoxButton(question, QStringLiteral("Annuler")));
    QVERIFY(!b->isDeleted());

    QTest::mouseClick(editeur->supprimerBenneButton(), Qt::LeftButton);
    QVERIFY(fixtures::clickBoxButton(fixtures::openBox(e.vue.get(), QStringLiteral("confirmation")), QStringLiteral("Supprimer")));
    fixtures::settle();
    QVERIFY(b->isDeleted());
    QCOMPARE(e.ctx->count<LocationDeBenne>(), 0);
    QVERIFY(!e.ctx->hasChanges());
    QVERIFY(e.vue->panneauDetail()->showsPlaceholder());
}

void TestBenneEditor::failedSaves()
{
    Ecran e;
    e.ouvrir();
    QTest::keyClick(e.liste()->searchField(), Qt::Key_N, Qt::ControlModifier);
    BenneEditorView* editeur = e.vue->editeur();
    QVERIFY(editeur);
    e.ctx->failNextSave(QStringLiteral("base verrouillée"));
    QTest::mouseClick(editeur->frame()->saveButton(), Qt::LeftButton);
    QMessageBox* erreur = fixtures::openBox(e.vue.get(), QStringLiteral("erreur"));
    QVERIFY(erreur);
    QCOMPARE(erreur->text(), QStringLiteral("Échec de la sauvegarde: base verrouillée"));
    fixtures::closeBoxes(e.vue.get());
    QCOMPARE(e.ctx->count<Benne>(), 0);
    QVERIFY(e.vue->isCreating());
    // The retry stores one skip, which the list then selects.
    QTest::mouseClick(editeur->frame()->saveButton(), Qt::LeftButton);
    fixtures::settle();
    QCOMPARE(e.ctx->count<Benne>(), 1);
    QCOMPARE(e.vue->selection(), e.ctx->all<Benne>().first());
    QCOMPARE(editeur->frame()->title(), QStringLiteral("Modifier la benne"));
}

void TestVueBennes::keyboardThroughTheSidebar()
{
    Ecran e;
    fixtures::benne(e.ctx.get(), 10, EtatBenne::sale);
    fixtures::save(e.ctx.get());
    e.ouvrir();
    // Tab goes from "Ajouter" through the two switches, then to the list, as they stand.
    e.liste()->addButton()->setFocus();
    QTest::keyClick(e.liste()->addButton(), Qt::Key_Tab);
    QVERIFY(e.vue->filtreInutilisables()->hasFocus());
    QTest::keyClick(e.vue->filtreInutilisables(), Qt::Key_Tab);
    QVERIFY(e.vue->filtreSales()->hasFocus());
    QTest::keyClick(e.vue->filtreSales(), Qt::Key_Space);
    QVERIFY(!e.vue->filtreSales()->isChecked());
    fixtures::settle();
    QCOMPARE(e.lignes(), QStringList{"10 Sale"});
    QTest::keyClick(e.vue->filtreSales(), Qt::Key_Tab);
    QVERIFY(e.liste()->listView()->hasFocus());
}

void TestBenneEditor::everyStateReachedByKeyboard()
{
    auto ctx = fixtures::store();
    Benne* b = fixtures::benne(ctx.get(), 10, EtatBenne::neuf);
    fixtures::save(ctx.get());
    Editeur e(b, std::move(ctx));
    // Tab stops at each state in turn, and Space chooses the one with the focus.
    QPushButton* neuf = e.vue->etatButton(EtatBenne::neuf);
    neuf->setFocus();
    QVERIFY(neuf->hasFocus());
    for (EtatBenne etat : {EtatBenne::correct, EtatBenne::sale, EtatBenne::inutilisable}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY2(e.vue->etatButton(etat)->hasFocus(), qPrintable(texteEtat(etat)));
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QVERIFY(e.vue->dispositifPicker()->hasFocus());
    QTest::keyClick(e.vue->dispositifPicker(), Qt::Key_Backtab);
    QVERIFY(e.vue->etatButton(EtatBenne::inutilisable)->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
    QVERIFY(e.vue->etatButton(EtatBenne::sale)->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QCOMPARE(e.vue->etat(), std::optional<EtatBenne>(EtatBenne::sale));
    QCOMPARE(e.vue->apercu()->etatText(), QStringLiteral("État : Sale"));
    QVERIFY(e.vue->etatButton(EtatBenne::sale)->isChecked());
    QVERIFY(!e.vue->etatButton(EtatBenne::neuf)->isChecked());
    // Choosing the state already chosen keeps it chosen.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QVERIFY(e.vue->etatButton(EtatBenne::sale)->isChecked());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(b->etat(), std::optional<EtatBenne>(EtatBenne::sale));
}

void TestBenneEditor::escapeClosesOnlyTheOpenList()
{
    auto ctx = fixtures::store();
    ctx->insert(new DispositifSpecial(QStringLiteral("Grue")));
    fixtures::save(ctx.get());
    Editeur e(nullptr, std::move(ctx));
    QPlainTextEdit* notes = e.vue->notesField();
    notes->setFocus();
    QTest::keyClicks(notes, QStringLiteral("porte fendue"));

    // Escape in the open "Dispositif" list closes the list; the editor and its text stay.
    e.vue->dispositifPicker()->showPopup();
    QTRY_VERIFY(QApplication::activePopupWidget());
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
    QTRY_VERIFY(!QApplication::activePopupWidget());
    QCOMPARE(e.annulations, 0);
    QCOMPARE(notes->toPlainText(), QStringLiteral("porte fendue"));

    // Escape alone does not cancel the editor; Ctrl+Escape and "Annuler" do.
    QTest::keyClick(notes, Qt::Key_Escape);
    QCOMPARE(e.annulations, 0);
    QTest::keyClick(notes, Qt::Key_Escape, Qt::ControlModifier);
    QCOMPARE(e.annulations, 1);
    QTest::mouseClick(e.vue->frame()->cancelButton(), Qt::LeftButton);
    QCOMPARE(e.annulations, 2);
    QCOMPARE(e.ctx->count<Benne>(), 0);
}

void TestVueBennes::deleteKeyAsksFirst()
{
    Ecran e;
    Benne* b = fixtures::benne(e.ctx.get(), 10);
    fixtures::location(fixtures::client(e.ctx.get(), QStringLiteral("A")), b);
    fixtures::save(e.ctx.get());
    e.ouvrir();
    fixtures::clickRow(e.liste(), 0);
    QTest::keyClick(e.liste()->listView(), Qt::Key_Delete);
    QMessageBox* question = fixtures::openBox(e.vue.get(), QStringLiteral("confirmation"));
    QVERIFY(question);
    QCOMPARE(question->text(), QStringLiteral("Supprimer cette benne ?"));
    QVERIFY(fixtures::clickBoxButton(question, QStringLiteral("Annuler")));
    fixtures::settle();
    QVERIFY(!b->isDeleted());
    QCOMPARE(e.liste()->rowCount(), 1);

    QTest::keyClick(e.liste()->listView(), Qt::Key_Delete);
    QVERIFY(fixtures::clickBoxButton(fixtures::openBox(e.vue.get(), QStringLiteral("confirmation")), QStringLiteral("Supprimer")));
    fixtures::settle();
    QVERIFY(b->isDeleted());
    QCOMPARE(e.ctx->count<LocationDeBenne>(), 0);
}

void TestVueBennes::ctrlNAndAnotherRowKeepTypedWork()
{
    Ecran e;
    Benne* a = fixtures::benne(e.ctx.get(), 5);
    Benne* b = fixtures::benne(e.ctx.get(), 10);
    fixtures::save(e.ctx.get());
    e.ouvrir();

    // Notes typed in a skip, then another row: the question; "Enregistrer" keeps them.
    fixtures::clickRow(e.liste(), 0);
    QCOMPARE(e.vue->benneEditee(), a);
    QPlainTextEdit* notes = e.vue->editeur()->notesField();
    notes->setFocus();
    fixtures::typeText(notes, QStringLiteral("Porte abîmée"));
    fixtures::clickRow(e.liste(), 1);
    QMessageBox* question = fixtures::openBox(e.vue.get(), QStringLiteral("enregistrerModifications"));
    QVERIFY(question);
    QCOMPARE(e.vue->selection(), a);
    QVERIFY(fixtures::clickBoxButton(question, QStringLiteral("Enregistrer")));
    QCOMPARE(a->notes(), QStringLiteral("Porte abîmée"));
    QCOMPARE(e.vue->benneEditee(), b);

    // Ctrl+N from the notes of a skip: the new skip's first field takes the keys, not its notes.
    notes = e.vue->editeur()->notesField();
    notes->setFocus();
    QTest::keyClick(notes, Qt::Key_N, Qt::ControlModifier);
    QVERIFY(e.vue->isCreating());
    QCOMPARE(e.vue->window()->focusWidget(), e.vue->editeur()->volumeStepper());
    QTest::keyClick(e.vue->editeur()->volumeStepper(), Qt::Key_Up);
    QCOMPARE(e.vue->editeur()->volume(), 9.0);
    QCOMPARE(e.vue->editeur()->notesField()->toPlainText(), QString());
}

void TestVueBennes::countLineWrapsInANarrowList()
{
    // Twenty-five dirty skips hidden by the switches: in a narrow list, with a skip's editor
    // open beside it, the count line wraps and every word of it shows.
    Ecran e;
    for (int i = 0; i < 25; ++i)
        fixtures::benne(e.ctx.get(), 3 + i % 20, EtatBenne::sale);
    fixtures::benne(e.ctx.get(), 10, EtatBenne::neuf);
    fixtures::save(e.ctx.get());
    e.ouvrir();
    e.vue->resize(536, 458);
    fixtures::settle();
    e.liste()->setSelectedRecord(e.ctx->all<Benne>().last());
    fixtures::settle();
    QLabel* ligne = nullptr;
    for (QLabel* l : e.liste()->findChildren<QLabel*>())
        if (l->text() == e.liste()->countText())
            ligne = l;
    QVERIFY(ligne);
    QVERIFY(ligne->text().contains(QStringLiteral("25\u00A0bennes masquées par les filtres")));
    const QRect place = ligne->contentsRect();
    const QRect besoin = ligne->fontMetrics().boundingRect(QRect(0, 0, place.width(), 100000),
                                                          Qt::TextWordWrap, ligne->text());
    if (!ligne->wordWrap()) {
        for (const QString& l : ligne->text().split(QLatin1Char('\n')))
            QVERIFY2(ligne->fontMetrics().horizontalAdvance(l) <= place.width(), qPrintable(l));
    }
    QVERIFY2(besoin.height() <= place.height() && besoin.width() <= place.width(),
             qPrintable(QStringLiteral("%1×%2 in %3×%4").arg(besoin.width()).arg(besoin.height()).arg(place.width()).arg(place.height())));
}

void TestVueBennes::fitsTheSmallestWindow()
{
    // Long texts everywhere: a note, a device, and skips in every state.
    auto ctx = fixtures::store();
    auto* dispositif = new DispositifSpecial(fixtures::longName(QStringLiteral("Dispositif")));
    ctx->insert(dispositif);
    fixtures::benne(ctx.get(), 10, EtatBenne::inutilisable, fixtures::longName(QStringLiteral("Note")), dispositif);
    fixtures::benne(ctx.get(), 15, EtatBenne::neuf, fixtures::longName(QStringLiteral("Note")));
    fixtures::save(ctx.get());

    // The smallest window: the list narrows, the editor's labels go above its fields, the
    // state segments and the stepper wrap; nothing scrolls sideways, every control is whole.
    auto* vue = new VueBennes(ctx.get());
    const QStringList faults = fit::listScreenFaults(vue);
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));

    // Wide, the labels stand beside their fields.
    const QStringList wide = fit::wideEditorFaults(new VueBennes(ctx.get()));
    QVERIFY2(wide.isEmpty(), qPrintable(wide.join(QLatin1Char('\n'))));

    // Another skip chosen, or a new one, opens at the top of its editor, its first field in view.
    fixtures::benne(ctx.get(), 20, EtatBenne::neuf, fixtures::longName(QStringLiteral("Note")));
    fixtures::save(ctx.get());
    const QStringList top = fit::newRecordsOpenAtTheirTop(new VueBennes(ctx.get()));
    QVERIFY2(top.isEmpty(), qPrintable(top.join(QLatin1Char('\n'))));
}

void TestVueBennes::aSkipIsNamedByWhatTellsItApart()
{
    Ecran e;
    ModelContext* ctx = e.ctx.get();
    const QDateTime now = QDateTime::currentDateTime();
    const auto dupont = [ctx](const char* adresse, const char* cp, const char* ville, const char* tel) {
        auto* c = new Client(QUuid::createUuid(), QStringLiteral("Dupont Travaux"), QStringLiteral("00FF00"),
                             QString::fromUtf8(adresse), QString::fromUtf8(cp), QString::fromUtf8(ville),
                             QString::fromUtf8(tel), std::nullopt, std::nullopt);
        ctx->insert(c);
        return c;
    };
    Client* bordeaux = dupont("4 quai des Chartrons", "33000", "Bordeaux", "05 56 00 00 01");
    Client* libourne = dupont("2 rue Gambetta", "33500", "Libourne", "05 57 00 00 02");
    // Two brown skips of one volume and state: the client who has each tells them apart.
    Benne* chezBordeaux = fixtures::colouredBenne(ctx, 3, QStringLiteral("8B4513"));
    Benne* rendue = fixtures::colouredBenne(ctx, 3, QStringLiteral("8B4513"));
    rendue->setNotes(QStringLiteral("n° 4\nroues neuves"));
    fixtures::placedRental(ctx, libourne, chezBordeaux, now.addDays(-40), now.addDays(-30));
    fixtures::placedRental(ctx, bordeaux, chezBordeaux, now.addDays(-2));
    fixtures::placedRental(ctx, bordeaux, rendue, now.addDays(-50), now.addDays(-45));
    fixtures::placedRental(ctx, libourne, rendue, now.addDays(-20), now.addDays(-10));
    // A device and a note: one separator between each part.
    auto* grue = new DispositifSpecial(QStringLiteral("Bras de grue"));
    Benne* equipee = fixtures::colouredBenne(ctx, 12, QStringLiteral("2E7D32"), EtatBenne::neuf, grue);
    equipee->setNotes(QStringLiteral("Benne de test C"));
    fixtures::save(ctx);
    e.ouvrir();

    const auto premiereLigne = [](const QString& message) { return message.section(QLatin1Char('\n'), 0, 0); };
    const qint64 maintenant = QDateTime::currentMSecsSinceEpoch();
    QCOMPARE(premiereLigne(BenneEditorView::questionSuppression({rendue}, maintenant).message),
             QStringLiteral("« 3 m³ marron (n° 4) · dernière location : Dupont Travaux (Libourne) »"));
    QCOMPARE(premiereLigne(BenneEditorView::questionSuppression({equipee}, maintenant).message),
             QStringLiteral("« 12 m³ vert »"));
    QCOMPARE(e.liste()->listView()->model()->index(e.vue->bennesFiltrees().indexOf(equipee), 0)
                 .data(Qt::AccessibleTextRole).toString(),
             QStringLiteral("12 m³ vert"));

    // Asked from the list: the question names it so, and shows its colour.
    fixtures::clickRow(e.liste(), int(e.vue->bennesFiltrees().indexOf(chezBordeaux)));
    QTest::keyClick(e.liste()->listView(), Qt::Key_Delete);
    QMessageBox* question = fixtures::openBox(e.vue.get(), QStringLiteral("confirmation"));
    QVERIFY(question);
    QCOMPARE(premiereLigne(question->informativeText()),
             QStringLiteral("« 3 m³ marron · chez Dupont Travaux (Bordeaux) »"));
    const QImage swatch = question->iconPixmap().toImage();
    QVERIFY(!swatch.isNull());
    QCOMPARE(swatch.pixelColor(swatch.rect().center()).name(), QStringLiteral("#8b4513"));
    QVERIFY(fixtures::clickBoxButton(question, QStringLiteral("Annuler")));
    QVERIFY(!chezBordeaux->isDeleted());
}

void TestVueBennes::keysGoOnFromTheDeletedRow()
{
    Ecran e;
    for (double v : {4.0, 6.0, 8.0})
        fixtures::benne(e.ctx.get(), v);
    fixtures::save(e.ctx.get());
    e.ouvrir();
    QListView* vue = e.liste()->listView();

    // From the list: the Delete key, the question answered by Shift+Tab and Return.
    fixtures::clickRow(e.liste(), 1);
    QVERIFY(fixtures::deleteByKeys(vue, e.vue.get()));
    QTRY_COMPARE(e.liste()->rowCount(), 2);
    QTRY_COMPARE(QApplication::focusWidget(), vue);
    QCOMPARE(vue->currentIndex().row(), 1);
    QCOMPARE(e.vue->bennesFiltrees().at(1)->volume(), 8.0);
    QTest::keyClick(vue, Qt::Key_Up);
    QCOMPARE(e.vue->selection(), e.vue->bennesFiltrees().at(0));

    // From the editor's own button: the last row went, the one before it takes the keys.
    fixtures::clickRow(e.liste(), 1);
    QVERIFY(e.vue->editeur());
    QVERIFY(fixtures::deleteByButton(e.vue->editeur()->supprimerBenneButton(), e.vue.get()));
    QTRY_COMPARE(e.liste()->rowCount(), 1);
    QTRY_COMPARE(QApplication::focusWidget(), vue);
    QCOMPARE(vue->currentIndex().row(), 0);
}

void TestVueBennes::everyControlIsNamed()
{
    Ecran e;
    fixtures::benne(e.ctx.get(), 8);
    fixtures::save(e.ctx.get());
    e.ouvrir();
    fixtures::clickRow(e.liste(), 0);
    QVERIFY(e.vue->editeur());
    QCOMPARE(fixtures::unnamedControls(e.vue.get()).join(QStringLiteral(", ")), QString());
    QCOMPARE(fixtures::spokenName(e.liste()->searchField()), QStringLiteral("Rechercher une benne"));
    QCOMPARE(fixtures::spokenName(e.liste()->listView()), QStringLiteral("Bennes"));
    QCOMPARE(fixtures::spokenName(e.vue->editeur()->volumeStepper()), QStringLiteral("Volume"));
}

void TestBenneEditor::aTypedVolumeIsTakenWithinItsBounds()
{
    Benne* benne = new Benne(8, QStringLiteral("808080"), EtatBenne::correct, QString(), nullptr);
    auto ctx = fixtures::store();
    ctx->insert(benne);
    fixtures::save(ctx.get());
    Editeur e(benne, std::move(ctx));
    QWidget* champ = e.vue->volumeStepper();
    champ->setFocus();
    QVERIFY(champ->hasFocus());
    // Ctrl+A, then `texte` typed over what was there, then Return (with `touches`).
    const auto retaper = [champ](const QString& texte, Qt::KeyboardModifiers touches = Qt::NoModifier) {
        QTest::keyClick(champ, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(champ, texte);
        QTest::keyClick(champ, Qt::Key_Return, touches);
    };

    // A digit typed is typed work before it is read: leaving asks.
    QVERIFY(!e.vue->hasUnsavedChanges());
    QTest::keyClicks(champ, QStringLiteral("9"));
    QVERIFY(e.vue->hasUnsavedChanges());

    // Ctrl+A then « 10 »: the volume typed, the preview and the slider with it.
    retaper(QStringLiteral("10"));
    QCOMPARE(e.vue->volume(), 10.0);
    QCOMPARE(e.vue->volumeSlider()->value(), 10);
    QVERIFY(e.vue->apercu()->volumeText().contains(QStringLiteral("10")));
    QVERIFY(e.vue->hasUnsavedChanges());

    // Outside 1…60, or not a number: refused as every number field refuses, nothing saved.
    retaper(QStringLiteral("75"));
    QCOMPARE(e.vue->volume(), 10.0);
    QCOMPARE(e.vue->volumeField()->message(), QStringLiteral("Volume : entre 1 et 60 m³"));
    QVERIFY(!e.enregistrer()->isEnabled());
    QTest::keyClick(champ, Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(benne->volume(), 8.0);
    retaper(QStringLiteral("douze"));
    QCOMPARE(e.vue->volume(), 10.0);
    QVERIFY(!e.vue->volumeField()->message().isEmpty());

    // Typed and saved at once with Ctrl+Return, the field not left.
    retaper(QStringLiteral("12"), Qt::ControlModifier);
    QCOMPARE(benne->volume(), 12.0);
    QCOMPARE(e.enregistrees.size(), 1);
}
