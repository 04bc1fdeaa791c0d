// The treatment centres screen and editor driven as a user would.

#include "screenfixtures.h"
#include "lecteurecran.h"
#include "../widgets/screenfit.h"
#include "wastes/centreeditorview.h"
#include "wastes/centreslistview.h"
#include "widgets/forms/listpanel.h"
#include "widgets/forms/recordrow.h"

#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QMenu>
#include <QtTest>

using namespace kv;

class TestCentres : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void rechercheParMotsSurLeNomOuLaVille();
    void contenuDesLignes();
    void ajouterPuisChoisirUnCentre();
    void nouveauCentreEnFrance();
    void enregistrerDeuxFoisNeCreeQuUnCentre();
    void editionGardeLesChampsNonAffiches();
    void nomVideRefuse();
    void echapAnnuleSansRienEcrire();
    void ctrlEchapDemandeAvantDePerdreLaSaisie();
    void suppressionParMenuEtParTouche();
    void suppressionRetireLeCentreDesTypes();
    void echecsDeSauvegarde();
    void tientDansLaPlusPetiteFenetre();
    void unSecondEditeurSuitEtNEnregistreQueLaSaisie();
    void laListeMontreSesNomsEntiers();
    void chaqueChampEstNomme();

private:
    CentreTraitement* ajouter(const QString& nom, const std::optional<QString>& ville = {});
    void ouvrirVue();
    void taper(QLineEdit* champ, const QString& texte);

    std::unique_ptr<ModelContext> m_store;
    std::unique_ptr<CentresListView> m_vue;
};

void TestCentres::init()
{
    m_store = fixtures::store();
}

void TestCentres::cleanup()
{
    m_vue.reset();
    m_store.reset();
}

CentreTraitement* TestCentres::ajouter(const QString& nom, const std::optional<QString>& ville)
{
    CentreTraitement* c = fixtures::centre(nom, ville);
    m_store->insert(c);
    m_store->save();
    QApplication::processEvents();
    return c;
}

void TestCentres::ouvrirVue()
{
    m_vue = std::make_unique<CentresListView>(m_store.get());
    m_vue->resize(1000, 700);
    m_vue->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_vue.get()));
}

void TestCentres::taper(QLineEdit* champ, const QString& texte)
{
    champ->setFocus();
    champ->selectAll();
    QTest::keyClick(champ, Qt::Key_Backspace);
    fixtures::typeText(champ, texte);
    QApplication::processEvents();
}

void TestCentres::rechercheParMotsSurLeNomOuLaVille()
{
    ajouter(QStringLiteral("Centre Nord Bordeaux"), QStringLiteral("Mérignac"));
    ajouter(QStringLiteral("Plateforme Sud"), QStringLiteral("Bordeaux-Nord"));
    ajouter(QStringLiteral("Nord Recyclage"), QStringLiteral("Bordeaux"));
    ajouter(QStringLiteral("Écopôle"));
    ouvrirVue();
    QLineEdit* recherche = m_vue->listPanel()->searchField();
    const auto noms = [this] {
        QStringList out;
        for (CentreTraitement* c : m_vue->centresFiltres())
            out.append(c->nom());
        return out;
    };
    QCOMPARE(noms(), QStringList({"Centre Nord Bordeaux", "Écopôle", "Nord Recyclage", "Plateforme Sud"}));

    taper(recherche, QStringLiteral("bordeaux nord"));
    QCOMPARE(noms(), QStringList({"Centre Nord Bordeaux", "Plateforme Sud"}));
    QCOMPARE(fixtures::rowTexts(m_vue->listPanel()).size(), 2);
    taper(recherche, QStringLiteral("ECOPOLE"));
    QCOMPARE(noms(), QStringList({"Écopôle"}));
    taper(recherche, QStringLiteral("mérignac"));
    QCOMPARE(noms(), QStringList({"Centre Nord Bordeaux"}));
    taper(recherche, QStringLiteral("   "));
    QCOMPARE(noms().size(), 4);
}

void TestCentres::contenuDesLignes()
{
    CentreTraitement* sansVille = ajouter(QStringLiteral("Sans ville"), QString());
    CentreTraitement* avecVille = ajouter(QStringLiteral("Bassens"), QStringLiteral("Bassens"));
    for (const char* l : {"A", "B", "C"}) {
        TypeDechet* t = fixtures::wasteType(QString::fromLatin1(l));
        m_store->insert(t);
        t->setCentres({avecVille});
    }
    const auto textes = [](const forms::RowContent& r) {
        QStringList out;
        for (const forms::RowLine& l : r.lines) {
            QStringList parts;
            for (const forms::RowPart& p : l.parts)
                parts.append(p.text);
            out.append(parts.join(QLatin1Char('|')));
        }
        return out;
    };
    QCOMPARE(textes(CentresListView::ligneCentre(sansVille)), QStringList({"Sans ville", "0\u00A0type(s)"}));
    QCOMPARE(textes(CentresListView::ligneCentre(avecVille)), QStringList({"Bassens", "Bassens|3\u00A0type(s)"}));
    QCOMPARE(CentresListView::ligneCentre(avecVille).lines.at(1).parts.at(0).symbol,
             QStringLiteral("mappin.and.ellipse"));
}

void TestCentres::ajouterPuisChoisirUnCentre()
{
    CentreTraitement* a = ajouter(QStringLiteral("Alpha"));
    ajouter(QStringLiteral("Beta"));
    ouvrirVue();
    QVERIFY(!m_vue->editeur());

    fixtures::clickRow(m_vue->listPanel(), 0);
    QCOMPARE(m_vue->selection(), a);
    QVERIFY(m_vue->editeur());
    QCOMPARE(m_vue->editeur()->entete(), QStringLiteral("Modifier le centre"));
    QCOMPARE(m_vue->editeur()->champ(CentreEditorView::FocusField::nom)->text(), QStringLiteral("Alpha"));
    // The list keeps the focus: the arrow keys move through the centres, Delete asks about the
    // chosen one, and the name field is left alone.
    QCOMPARE(QApplication::focusWidget(), m_vue->listPanel()->listView());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QCOMPARE(m_vue->selection()->nom(), QStringLiteral("Beta"));
    QCOMPARE(m_vue->editeur()->champ(CentreEditorView::FocusField::nom)->text(), QStringLiteral("Beta"));
    QCOMPARE(QApplication::focusWidget(), m_vue->listPanel()->listView());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Delete);
    QVERIFY(fixtures::clickBoxButton(fixtures::openBox(m_vue.get(), QStringLiteral("confirmation")),
                                     QStringLiteral("Annuler")));
    QCOMPARE(m_vue->editeur()->champ(CentreEditorView::FocusField::nom)->text(), QStringLiteral("Beta"));
    QCOMPARE(m_store->count<CentreTraitement>(), 2);
    m_vue->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_vue.get()));
    QTest::keyClick(m_vue->listPanel()->listView(), Qt::Key_Up);
    QCOMPARE(m_vue->selection(), a);

    QTest::keyClick(m_vue.get(), Qt::Key_N, Qt::ControlModifier);
    QVERIFY(!m_vue->selection());
    QVERIFY(m_vue->isCreating());
    QVERIFY(m_vue->editeur());
    QCOMPARE(m_vue->editeur()->entete(), QStringLiteral("Nouveau centre"));
    QCOMPARE(m_vue->editeur()->champ(CentreEditorView::FocusField::nom)->text(), QString());
    QCOMPARE(QApplication::focusWidget(), m_vue->editeur()->champ(CentreEditorView::FocusField::nom));
    fixtures::typeText(m_vue->editeur()->champ(CentreEditorView::FocusField::nom), QStringLiteral("Brouillon"));

    // Choosing a centre asks first; "Ne pas enregistrer" abandons the new entry: nothing was
    // created.
    fixtures::clickRow(m_vue->listPanel(), 1);
    QVERIFY(m_vue->isCreating());
    QVERIFY(fixtures::clickBoxButton(fixtures::openBox(m_vue.get(), QStringLiteral("enregistrerModifications")),
                                     QStringLiteral("Ne pas enregistrer")));
    QVERIFY(!m_vue->isCreating());
    QCOMPARE(m_vue->editeur()->champ(CentreEditorView::FocusField::nom)->text(), QStringLiteral("Beta"));
    QCOMPARE(m_store->count<CentreTraitement>(), 2);

    // "Annuler" brings the placeholder back.
    m_vue->editeur()->boutonAnnuler()->click();
    QApplication::processEvents();
    QVERIFY(!m_vue->editeur());
    QVERIFY(!m_vue->selection());
    QVERIFY(!m_vue->centreEdite());
}

void TestCentres::nouveauCentreEnFrance()
{
    ouvrirVue();
    m_vue->listPanel()->addButton()->click();
    CentreEditorView* e = m_vue->editeur();
    fixtures::typeText(e->champ(CentreEditorView::FocusField::nom), QStringLiteral("  Écopôle Ouest  "));
    fixtures::typeText(e->champ(CentreEditorView::FocusField::adresse1), QStringLiteral("    "));
    fixtures::typeText(e->champ(CentreEditorView::FocusField::codePostal), QStringLiteral(" 33530 "));
    fixtures::typeText(e->champ(CentreEditorView::FocusField::ville), QStringLiteral("Bassens"));
    fixtures::typeText(e->champ(CentreEditorView::FocusField::email), QStringLiteral("contact@ecopole.fr"));
    QTest::keyClick(e->champ(CentreEditorView::FocusField::email), Qt::Key_Return, Qt::ControlModifier);

    QCOMPARE(m_store->count<CentreTraitement>(), 1);
    QVERIFY(!m_store->hasChanges());
    CentreTraitement* c = m_store->all<CentreTraitement>().first();
    QCOMPARE(c->nom(), QStringLiteral("Écopôle Ouest"));
    QVERIFY(!c->adresseLigne1());
    QCOMPARE(c->codePostal(), std::optional<QString>(QStringLiteral("33530")));
    QCOMPARE(c->ville(), std::optional<QString>(QStringLiteral("Bassens")));
    QVERIFY(!c->telephone());
    QCOMPARE(c->email(), std::optional<QString>(QStringLiteral("contact@ecopole.fr")));
    QCOMPARE(c->pays(), std::optional<QString>(QStringLiteral("France")));
    QVERIFY(!c->siteWeb() && !c->adresseLigne2() && !c->siret() && !c->numeroTrackdechets());
    QVERIFY(!c->latitude() && !c->longitude());
    QVERIFY(c->typesAcceptes().isEmpty());

    // The list selects the new centre and its editor stays open on it, reloaded.
    QCOMPARE(m_vue->selection(), c);
    QCOMPARE(m_vue->centreEdite(), c);
    QCOMPARE(m_vue->editeur(), e);
    QCOMPARE(e->entete(), QStringLiteral("Modifier le centre"));
    QCOMPARE(e->champ(CentreEditorView::FocusField::nom)->text(), QStringLiteral("Écopôle Ouest"));
    QCOMPARE(e->champ(CentreEditorView::FocusField::adresse1)->text(), QString());
}

void TestCentres::enregistrerDeuxFoisNeCreeQuUnCentre()
{
    int enregistrements = 0;
    CentreEditorView e(m_store.get(), nullptr);
    QObject::connect(&e, &CentreEditorView::saved, [&](CentreTraitement*) { ++enregistrements; });
    e.show();
    fixtures::typeText(e.champ(CentreEditorView::FocusField::nom), QStringLiteral("Alpha"));
    e.boutonEnregistrer()->click();
    taper(e.champ(CentreEditorView::FocusField::telephone), QStringLiteral("05 56 00 00 00"));
    e.boutonEnregistrer()->click();
    QCOMPARE(enregistrements, 2);
    QCOMPARE(m_store->count<CentreTraitement>(), 1);
    QCOMPARE(m_store->all<CentreTraitement>().first()->telephone(),
             std::optional<QString>(QStringLiteral("05 56 00 00 00")));
}

void TestCentres::editionGardeLesChampsNonAffiches()
{
    auto* c = new CentreTraitement(QStringLiteral("ISDND"), QUrl(QStringLiteral("https://isdnd.example")),
                                   QStringLiteral("Route de la carrière"), QStringLiteral("Bâtiment B"),
                                   QStringLiteral("33440"), QStringLiteral("Ambarès"), QStringLiteral("Belgique"),
                                   QStringLiteral("05 00"), QStringLiteral("a@b.fr"),
                                   QStringLiteral("12345678900011"), QStringLiteral("TD-42"), 44.9, -0.5);
    m_store->insert(c);
    TypeDechet* t = fixtures::wasteType(QStringLiteral("Bois"));
    m_store->insert(t);
    c->setTypesAcceptes({t});
    QVERIFY(m_store->save());

    CentreTraitement* enregistre = nullptr;
    CentreEditorView e(m_store.get(), c);
    QObject::connect(&e, &CentreEditorView::saved, [&](CentreTraitement* x) { enregistre = x; });
    e.show();
    taper(e.champ(CentreEditorView::FocusField::ville), QString());
    taper(e.champ(CentreEditorView::FocusField::nom), QStringLiteral("ISDND Ambarès"));
    e.boutonEnregistrer()->click();

    QCOMPARE(enregistre, c);
    QCOMPARE(c->nom(), QStringLiteral("ISDND Ambarès"));
    QVERIFY(!c->ville());
    QCOMPARE(c->siteWeb(), std::optional<QUrl>(QUrl(QStringLiteral("https://isdnd.example"))));
    QCOMPARE(c->adresseLigne2(), std::optional<QString>(QStringLiteral("Bâtiment B")));
    QCOMPARE(c->pays(), std::optional<QString>(QStringLiteral("Belgique")));
    QCOMPARE(c->siret(), std::optional<QString>(QStringLiteral("12345678900011")));
    QCOMPARE(c->numeroTrackdechets(), std::optional<QString>(QStringLiteral("TD-42")));
    QCOMPARE(c->latitude(), std::optional<double>(44.9));
    QCOMPARE(c->longitude(), std::optional<double>(-0.5));
    QCOMPARE(c->typesAcceptes(), QList<TypeDechet*>({t}));
    QVERIFY(!m_store->hasChanges());
}

void TestCentres::nomVideRefuse()
{
    int enregistrements = 0;
    CentreEditorView e(m_store.get(), nullptr);
    QObject::connect(&e, &CentreEditorView::saved, [&](CentreTraitement*) { ++enregistrements; });
    e.show();
    QLineEdit* nom = e.champ(CentreEditorView::FocusField::nom);
    QVERIFY(!e.boutonEnregistrer()->isEnabled());
    fixtures::typeText(nom, QStringLiteral("   "));
    QVERIFY(!e.peutEnregistrer());
    QVERIFY(!e.boutonEnregistrer()->isEnabled());
    QTest::keyClick(nom, Qt::Key_Return, Qt::ControlModifier);
    e.enregistrer();
    QCOMPARE(enregistrements, 0);
    QCOMPARE(m_store->count<CentreTraitement>(), 0);
    fixtures::typeText(nom, QStringLiteral("x"));
    QVERIFY(e.boutonEnregistrer()->isEnabled());
}

void TestCentres::echapAnnuleSansRienEcrire()
{
    CentreTraitement* c = ajouter(QStringLiteral("Alpha"), QStringLiteral("Pessac"));
    int annulations = 0;
    CentreEditorView e(m_store.get(), c);
    QObject::connect(&e, &CentreEditorView::cancelled, [&] { ++annulations; });
    e.show();
    QVERIFY(QTest::qWaitForWindowExposed(&e));
    QLineEdit* ville = e.champ(CentreEditorView::FocusField::ville);
    taper(ville, QStringLiteral("Talence"));
    // Escape in a field's context menu closes the menu alone.
    QContextMenuEvent menuEvent(QContextMenuEvent::Keyboard, QPoint(5, 5), ville->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(ville, &menuEvent);
    QTRY_VERIFY(qobject_cast<QMenu*>(QApplication::activePopupWidget()));
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
    QTRY_VERIFY(!QApplication::activePopupWidget());
    QCOMPARE(annulations, 0);
    QCOMPARE(ville->text(), QStringLiteral("Talence"));
    // Escape alone no longer throws the typed work away; Ctrl+Escape cancels, as in the other
    // editors (the list screen asks first, see the screen's test).
    QTest::keyClick(ville, Qt::Key_Escape);
    QCOMPARE(annulations, 0);
    QCOMPARE(ville->text(), QStringLiteral("Talence"));
    QTest::keyClick(ville, Qt::Key_Escape, Qt::ControlModifier);
    QCOMPARE(annulations, 1);
    QCOMPARE(c->ville(), std::optional<QString>(QStringLiteral("Pessac")));
    QVERIFY(!m_store->hasChanges());
}

void TestCentres::suppressionParMenuEtParTouche()
{
    CentreTraitement* a = ajouter(QStringLiteral("Alpha"));
    CentreTraitement* b = ajouter(QStringLiteral("Beta"), QStringLiteral("Bordeaux"));
    CentreTraitement* c = ajouter(QStringLiteral("Gamma"), QStringLiteral("Bordeaux"));
    fixtures::wasteType(m_store.get(), QStringLiteral("Gravats"))->setCentres({a});
    m_store->save();
    ouvrirVue();
    fixtures::clickRow(m_vue->listPanel(), 2);
    QCOMPARE(m_vue->centreEdite(), c);

    // Another centre deleted from its menu, once confirmed ("Annuler" the default): the editor
    // stays on the edited one.
    QVERIFY(fixtures::chooseInContextMenu(m_vue->listPanel(), 0, QStringLiteral("Supprimer")));
    QMessageBox* confirmation = fixtures::openBox(m_vue.get(), QStringLiteral("confirmation"));
    QVERIFY(confirmation);
    QCOMPARE(confirmation->text(), QStringLiteral("Supprimer ce centre ?"));
    // The question says what else goes: the waste types it took lose it.
    QVERIFY2(confirmation->informativeText().contains(QStringLiteral("« Gravats »")), qPrintable(confirmation->informativeText()));
    QCOMPARE(fixtures::shownText(confirmation->defaultButton()), QStringLiteral("Annuler"));
    QVERIFY(!a->isDeleted());
    QVERIFY(fixtures::clickBoxButton(confirmation, QStringLiteral("Supprimer")));
    QVERIFY(a->isDeleted());
    QVERIFY(!m_store->hasChanges());
    QCOMPARE(m_vue->centreEdite(), c);
    QVERIFY(m_vue->editeur());

    // With a search on, the Delete key deletes the centre shown at that row and closes the editor.
    taper(m_vue->listPanel()->searchField(), QStringLiteral("gamma"));
    QCOMPARE(m_vue->centresFiltres(), QList<CentreTraitement*>({c}));
    m_vue->listPanel()->listView()->setFocus();
    QTest::keyClick(m_vue->listPanel()->listView(), Qt::Key_Delete);
    QMessageBox* question = fixtures::openBox(m_vue.get());
    QVERIFY(question);
    QCOMPARE(question->text(), QStringLiteral("Supprimer ce centre ?"));
    fixtures::clickBoxButton(question, QStringLiteral("Annuler"));
    QApplication::processEvents();
    QVERIFY(!c->isDeleted());
    QTest::keyClick(m_vue->listPanel()->listView(), Qt::Key_Delete);
    fixtures::clickBoxButton(fixtures::openBox(m_vue.get()), QStringLiteral("Supprimer"));
    QApplication::processEvents();
    QVERIFY(c->isDeleted());
    QVERIFY(!b->isDeleted());
    QVERIFY(!m_vue->centreEdite());
    QVERIFY(!m_vue->editeur());
    QVERIFY(!m_vue->selection());
    QCOMPARE(m_store->count<CentreTraitement>(), 1);
    QVERIFY(!m_store->hasChanges());
    // The keys stay in the list, left empty by the search.
    QTRY_COMPARE(QApplication::focusWidget(), m_vue->listPanel()->listView());
}

void TestCentres::suppressionRetireLeCentreDesTypes()
{
    CentreTraitement* a = ajouter(QStringLiteral("Alpha"));
    TypeDechet* t = fixtures::wasteType(QStringLiteral("Bois"));
    m_store->insert(t);
    t->setCentreFavori(a);
    QVERIFY(m_store->save());
    ouvrirVue();
    m_vue->supprimerCentres({0, 7});
    QVERIFY(a->isDeleted());
    QVERIFY(t->centres().isEmpty());
    QCOMPARE(t->centreFavoriID(), std::optional<QUuid>(a->id())); // the stored id is not touched
}

void TestCentres::echecsDeSauvegarde()
{
    ouvrirVue();
    m_vue->preparerEdition(true);
    CentreEditorView* e = m_vue->editeur();
    fixtures::typeText(e->champ(CentreEditorView::FocusField::nom), QStringLiteral("Alpha"));

    m_store->failNextSave(QStringLiteral("disque plein"));
    e->boutonEnregistrer()->click();
    QMessageBox* erreur = fixtures::openBox(m_vue.get());
    QVERIFY(erreur);
    QCOMPARE(erreur->text(), QStringLiteral("Échec de la sauvegarde: disque plein"));
    fixtures::clickBoxButton(erreur, QStringLiteral("OK"));
    // Nothing is left behind, the input is kept and the list still creates.
    QCOMPARE(m_store->count<CentreTraitement>(), 0);
    QVERIFY(!m_store->hasChanges());
    QVERIFY(m_vue->isCreating());
    QCOMPARE(e->entete(), QStringLiteral("Nouveau centre"));
    QCOMPARE(e->champ(CentreEditorView::FocusField::nom)->text(), QStringLiteral("Alpha"));
    e->boutonEnregistrer()->click();
    QCOMPARE(m_store->count<CentreTraitement>(), 1);
    CentreTraitement* c = m_store->all<CentreTraitement>().first();
    QCOMPARE(m_vue->selection(), c);

    // A failed update is reported; the editor keeps what was typed.
    taper(e->champ(CentreEditorView::FocusField::ville), QStringLiteral("Pessac"));
    m_store->failNextSave(QStringLiteral("base verrouillée"));
    e->boutonEnregistrer()->click();
    erreur = fixtures::openBox(m_vue.get());
    QVERIFY(erreur);
    QCOMPARE(erreur->text(), QStringLiteral("Échec de la sauvegarde: base verrouillée"));
    fixtures::clickBoxButton(erreur, QStringLiteral("OK"));
    QCOMPARE(e->champ(CentreEditorView::FocusField::ville)->text(), QStringLiteral("Pessac"));

    // A failed save after a deletion is reported; the deletion stays pending.
    m_store->failNextSave(QStringLiteral("disque plein"));
    m_vue->supprimerCentre(c);
    erreur = fixtures::openBox(m_vue.get());
    QVERIFY(erreur);
    QCOMPARE(erreur->text(), QStringLiteral("Échec de la suppression: disque plein"));
    fixtures::clickBoxButton(erreur, QStringLiteral("OK"));
    QVERIFY(m_store->hasChanges());
    QVERIFY(m_store->save());
    QCOMPARE(m_store->count<CentreTraitement>(), 0);
}

void TestCentres::ctrlEchapDemandeAvantDePerdreLaSaisie()
{
    ajouter(QStringLiteral("Alpha"));
    ouvrirVue();
    // A new centre typed in full: Escape alone keeps it, Ctrl+Escape asks.
    QTest::keyClick(m_vue->listPanel()->searchField(), Qt::Key_N, Qt::ControlModifier);
    QVERIFY(m_vue->isCreating());
    QLineEdit* nom = m_vue->editeur()->champ(CentreEditorView::FocusField::nom);
    QCOMPARE(m_vue->window()->focusWidget(), nom);
    taper(nom, QStringLiteral("Centre de tri du Médoc"));
    QTest::keyClick(nom, Qt::Key_Escape);
    QVERIFY(m_vue->isCreating());
    QCOMPARE(nom->text(), QStringLiteral("Centre de tri du Médoc"));
    QTest::keyClick(nom, Qt::Key_Escape, Qt::ControlModifier);
    QMessageBox* question = fixtures::openBox(m_vue.get(), QStringLiteral("enregistrerModifications"));
    QVERIFY(question);
    QVERIFY(fixtures::clickBoxButton(question, QStringLiteral("Annuler")));
    QVERIFY(m_vue->isCreating());
    QCOMPARE(nom->text(), QStringLiteral("Centre de tri du Médoc"));
    QTest::keyClick(nom, Qt::Key_Escape, Qt::ControlModifier);
    QVERIFY(fixtures::clickBoxButton(fixtures::openBox(m_vue.get(), QStringLiteral("enregistrerModifications")),
                                     QStringLiteral("Enregistrer")));
    QCOMPARE(m_store->count<CentreTraitement>(), 2);
    QVERIFY(!m_store->hasChanges());

    // Nothing typed: Ctrl+Escape leaves at once.
    fixtures::clickRow(m_vue->listPanel(), 0);
    QVERIFY(m_vue->editeur());
    QTest::keyClick(m_vue->editeur()->champ(CentreEditorView::FocusField::ville), Qt::Key_Escape, Qt::ControlModifier);
    QVERIFY(!fixtures::openBox(m_vue.get(), QStringLiteral("enregistrerModifications")));
    QVERIFY(!m_vue->editeur());
}

void TestCentres::unSecondEditeurSuitEtNEnregistreQueLaSaisie()
{
    CentreTraitement* c = ajouter(QStringLiteral("Recyclerie"), QStringLiteral("Cenon"));
    using F = CentreEditorView::FocusField;
    CentreEditorView un(m_store.get(), c);
    CentreEditorView deux(m_store.get(), c);
    un.show();
    deux.show();
    QVERIFY(QTest::qWaitForWindowExposed(&deux));

    // The first saves a phone and a town (Ctrl+S): the second shows them, nothing typed there.
    un.activateWindow();
    taper(un.champ(F::telephone), QStringLiteral("05 56 00 11 22"));
    taper(un.champ(F::ville), QStringLiteral("Saint-Loubès"));
    QTest::keyClick(un.champ(F::ville), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(c->telephone(), std::optional<QString>(QStringLiteral("05 56 00 11 22")));
    QTRY_COMPARE(deux.champ(F::telephone)->text(), QStringLiteral("05 56 00 11 22"));
    QCOMPARE(deux.champ(F::ville)->text(), QStringLiteral("Saint-Loubès"));
    QVERIFY(!deux.hasUnsavedChanges());

    // The second types the e-mail and saves (Ctrl+Return): the first one's fields stay.
    deux.activateWindow();
    taper(deux.champ(F::email), QStringLiteral("accueil@recyclerie.fr"));
    QTest::keyClick(deux.champ(F::email), Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(c->email(), std::optional<QString>(QStringLiteral("accueil@recyclerie.fr")));
    QCOMPARE(c->telephone(), std::optional<QString>(QStringLiteral("05 56 00 11 22")));
    QCOMPARE(c->ville(), std::optional<QString>(QStringLiteral("Saint-Loubès")));
    QTRY_COMPARE(un.champ(F::email)->text(), QStringLiteral("accueil@recyclerie.fr"));

    // A field typed in the second keeps the typing when the first stores another field.
    taper(deux.champ(F::codePostal), QStringLiteral("33450"));
    un.activateWindow();
    taper(un.champ(F::nom), QStringLiteral("Recyclerie de l’Entre-deux-Mers"));
    un.boutonEnregistrer()->click();
    QTRY_COMPARE(deux.champ(F::nom)->text(), QStringLiteral("Recyclerie de l’Entre-deux-Mers"));
    QCOMPARE(deux.champ(F::codePostal)->text(), QStringLiteral("33450"));
    QVERIFY(deux.hasUnsavedChanges());
    deux.boutonEnregistrer()->click();
    QCOMPARE(c->codePostal(), std::optional<QString>(QStringLiteral("33450")));
    QCOMPARE(c->nom(), QStringLiteral("Recyclerie de l’Entre-deux-Mers"));
    QVERIFY(!m_store->hasChanges());
}

int lancerTestCentres(int argc, char** argv)
{
    TestCentres t;
    return QTest::qExec(&t, argc, argv);
}

void TestCentres::tientDansLaPlusPetiteFenetre()
{
    ajouter(fixtures::longName(QStringLiteral("Centre")), fixtures::longName(QStringLiteral("Ville")));
    const QStringList faults = fit::listScreenFaults(new CentresListView(m_store.get()));
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));

    const QStringList wide = fit::wideEditorFaults(new CentresListView(m_store.get()));
    QVERIFY2(wide.isEmpty(), qPrintable(wide.join(QLatin1Char('\n'))));

    // Another centre chosen, or a new one, opens at the top of its editor.
    ajouter(QStringLiteral("Zénith Recyclage"), QStringLiteral("Lyon"));
    const QStringList top = fit::newRecordsOpenAtTheirTop(new CentresListView(m_store.get()));
    QVERIFY2(top.isEmpty(), qPrintable(top.join(QLatin1Char('\n'))));
}

#include "tst_centres.moc"

void TestCentres::laListeMontreSesNomsEntiers()
{
    ajouter(QStringLiteral("Centre de tri Caluire-et-Cuire"), QStringLiteral("Caluire-et-Cuire"));
    CentreTraitement* court = ajouter(QStringLiteral("Écopôle"), QStringLiteral("Lyon"));
    ouvrirVue();
    m_vue->resize(1400, 860);
    fixtures::clickRow(m_vue->listPanel(), 1);
    QCOMPARE(m_vue->centreEdite(), court);
    QListView* vue = m_vue->listPanel()->listView();
    QTRY_VERIFY(vue->viewport()->width() > 0);
    const auto coupes = [vue] {
        QStringList out;
        auto* delegate = qobject_cast<forms::RecordRowDelegate*>(vue->itemDelegate());
        for (int i = 0; i < vue->model()->rowCount(); ++i) {
            const QModelIndex index = vue->model()->index(i, 0);
            for (const auto& placed :
                 forms::RecordRowDelegate::placeLines(delegate->contentAt(index), vue->visualRect(index), vue->font()))
                if (placed.cut)
                    out.append(placed.shown);
        }
        return out;
    };
    QTRY_COMPARE(coupes(), QStringList());
}

void TestCentres::chaqueChampEstNomme()
{
    ajouter(QStringLiteral("Écopôle"), QStringLiteral("Lyon"));
    ouvrirVue();
    fixtures::clickRow(m_vue->listPanel(), 0);
    QVERIFY(m_vue->editeur());
    QCOMPARE(fixtures::unnamedControls(m_vue.get()).join(QStringLiteral(", ")), QString());
    QCOMPARE(fixtures::spokenName(m_vue->listPanel()->listView()), QStringLiteral("Centres de traitement"));
}
