// The waste types screen driven as a user would: search, open, add, delete.

#include "screenfixtures.h"
#include "lecteurecran.h"
#include "../widgets/screenfit.h"
#include "wastes/gestiontypesdechetsview.h"
#include "wastes/typedechetformview.h"
#include "wastes/typedechetrow.h"
#include "widgets/forms/editorframe.h"
#include "widgets/forms/listpanel.h"
#include "widgets/forms/formstyle.h"

#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QStyleOptionViewItem>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

using namespace kv;

class TestGestionTypesDechets : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void rechercheSurLeLibelle();
    void clicOuvreLeTypeEtFlechesSelectionnentSeulement();
    void ajouterPuisAnnulerOuEnregistrer();
    void rechercheNeReconstruitPasLeFormulaire();
    void suppressionRefuseeTantQueDesLocationsUtilisentLeType();
    void suppressionImmediateEtEnregistree();
    void suppressionParLaToucheSurUneListeFiltree();
    void suppressionDePlusieursLignes();
    void echecDeLaSauvegardeDUneSuppression();
    void couleursDesPastilles();
    void tientDansLaPlusPetiteFenetre();
    void laListePrendLaPlaceDeSesNoms();
    void chaqueChampEstNomme();
    void dangereuxSeLitSurUnFondSombre();

private:
    TypeDechet* ajouter(const QString& libelle);
    void taper(const QString& recherche);

    std::unique_ptr<ModelContext> m_store;
    std::unique_ptr<GestionTypesDechetsView> m_vue;
};

void TestGestionTypesDechets::init()
{
    m_store = fixtures::store();
    m_vue = std::make_unique<GestionTypesDechetsView>(m_store.get());
    m_vue->resize(1000, 700);
    m_vue->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_vue.get()));
}

void TestGestionTypesDechets::cleanup()
{
    m_vue.reset();
    m_store.reset();
}

TypeDechet* TestGestionTypesDechets::ajouter(const QString& libelle)
{
    TypeDechet* t = fixtures::wasteType(libelle);
    m_store->insert(t);
    m_store->save();
    QApplication::processEvents();
    return t;
}

void TestGestionTypesDechets::taper(const QString& recherche)
{
    QLineEdit* champ = m_vue->listPanel()->searchField();
    champ->clear();
    fixtures::typeText(champ, recherche);
    QApplication::processEvents();
}

void TestGestionTypesDechets::rechercheSurLeLibelle()
{
    for (const char* l : {"Plastique", "Déchets verts", "Bois", "Bois de palette", "DIB"})
        ajouter(QString::fromUtf8(l));
    QCOMPARE(fixtures::rowTexts(m_vue->listPanel()),
             QStringList({"Bois", "Bois de palette", "Déchets verts", "DIB", "Plastique"}));

    taper(QStringLiteral("PLAST"));
    QCOMPARE(fixtures::rowTexts(m_vue->listPanel()), QStringList({"Plastique"}));
    // Accents must match: the search is not folded.
    taper(QStringLiteral("dechets"));
    QCOMPARE(fixtures::rowTexts(m_vue->listPanel()), QStringList());
    taper(QStringLiteral("déchets"));
    QCOMPARE(fixtures::rowTexts(m_vue->listPanel()), QStringList({"Déchets verts"}));
    // A blank is searched as it is.
    taper(QStringLiteral(" "));
    QCOMPARE(fixtures::rowTexts(m_vue->listPanel()), QStringList({"Bois de palette", "Déchets verts"}));
    taper(QString());
    QCOMPARE(fixtures::rowTexts(m_vue->listPanel()).size(), 5);

    const QList<TypeDechet*> tous = m_store->all<TypeDechet>();
    QCOMPARE(GestionTypesDechetsView::typesFiltres(tous, QStringLiteral("bois")).size(), 2);
    QCOMPARE(GestionTypesDechetsView::typesFiltres(tous, QString()), tous);
}

void TestGestionTypesDechets::clicOuvreLeTypeEtFlechesSelectionnentSeulement()
{
    TypeDechet* bois = ajouter(QStringLiteral("Bois"));
    TypeDechet* dib = ajouter(QStringLiteral("DIB"));
    QVERIFY(!m_vue->formulaire());

    fixtures::clickRow(m_vue->listPanel(), 0);
    QCOMPARE(m_vue->selection(), bois);
    QVERIFY(m_vue->formulaire());
    QCOMPARE(m_vue->typeEnCoursEdition(), bois);
    QVERIFY(m_vue->isEditing());
    QCOMPARE(m_vue->formulaire()->frame()->title(), QStringLiteral("Modifier le type de déchet"));
    QCOMPARE(m_vue->formulaire()->frame()->saveButton()->text(), QStringLiteral("Enregistrer"));
    QCOMPARE(qobject_cast<QLineEdit*>(m_vue->formulaire()->champ(TypeDechetFormView::Champ::libelle))->text(),
             QStringLiteral("Bois"));

    // The arrow keys move the selection; the form stays on the opened type.
    m_vue->listPanel()->listView()->setFocus();
    QTest::keyClick(m_vue->listPanel()->listView(), Qt::Key_Down);
    QCOMPARE(m_vue->selection(), dib);
    QCOMPARE(m_vue->typeEnCoursEdition(), bois);

    // Return opens the selected type.
    QTest::keyClick(m_vue->listPanel()->listView(), Qt::Key_Return);
    QCOMPARE(m_vue->typeEnCoursEdition(), dib);

    // "Modifier" opens a type without changing the selection.
    QVERIFY(fixtures::chooseInContextMenu(m_vue->listPanel(), 0, QStringLiteral("Modifier")));
    QCOMPARE(m_vue->typeEnCoursEdition(), bois);
    QCOMPARE(m_vue->selection(), dib);
}

void TestGestionTypesDechets::ajouterPuisAnnulerOuEnregistrer()
{
    ajouter(QStringLiteral("Bois"));
    QTest::keyClick(m_vue.get(), Qt::Key_N, Qt::ControlModifier);
    QVERIFY(m_vue->formulaire());
    QVERIFY(!m_vue->isEditing());
    QCOMPARE(m_vue->formulaire()->frame()->title(), QStringLiteral("Nouveau type de déchet"));
    m_vue->formulaire()->frame()->cancelButton()->click();
    QApplication::processEvents();
    QVERIFY(!m_vue->formulaire());
    QCOMPARE(m_store->count<TypeDechet>(), 1);

    m_vue->listPanel()->addButton()->click();
    auto* libelle = qobject_cast<QLineEdit*>(m_vue->formulaire()->champ(TypeDechetFormView::Champ::libelle));
    fixtures::typeText(libelle, QStringLiteral("Verre"));
    QTest::keyClick(libelle, Qt::Key_Return, Qt::ControlModifier);
    QApplication::processEvents();
    QCOMPARE(m_store->count<TypeDechet>(), 2);
    QVERIFY(!m_store->hasChanges());
    QVERIFY(m_vue->selection());
    QCOMPARE(m_vue->selection()->libelle(), QStringLiteral("Verre"));
    QCOMPARE(fixtures::rowTexts(m_vue->listPanel()), QStringList({"Bois", "Verre"}));
    // The new type stays in view, in its edit form, as in the other editors.
    QVERIFY(m_vue->formulaire());
    QVERIFY(m_vue->isEditing());
    QCOMPARE(m_vue->typeEnCoursEdition(), m_vue->selection());
    QCOMPARE(m_vue->formulaire()->frame()->title(), QStringLiteral("Modifier le type de déchet"));
    QCOMPARE(qobject_cast<QLineEdit*>(m_vue->formulaire()->champ(TypeDechetFormView::Champ::libelle))->text(),
             QStringLiteral("Verre"));
    QVERIFY(!m_vue->formulaire()->hasUnsavedChanges());
    // Saved again from there, it changes the same record.
    libelle = qobject_cast<QLineEdit*>(m_vue->formulaire()->champ(TypeDechetFormView::Champ::libelle));
    fixtures::typeText(libelle, QStringLiteral(" blanc"));
    QTest::keyClick(libelle, Qt::Key_Return, Qt::ControlModifier);
    QApplication::processEvents();
    QCOMPARE(m_store->count<TypeDechet>(), 2);
    QCOMPARE(fixtures::rowTexts(m_vue->listPanel()), QStringList({"Bois", "Verre blanc"}));
    // An existing type saved stays in view as well, chosen in the list, and Ctrl+S saves too.
    TypeDechet* verre = m_vue->selection();
    QVERIFY(m_vue->formulaire());
    QVERIFY(m_vue->isEditing());
    QCOMPARE(m_vue->typeEnCoursEdition(), verre);
    fixtures::clickRow(m_vue->listPanel(), 0);
    QCOMPARE(m_vue->typeEnCoursEdition()->libelle(), QStringLiteral("Bois"));
    libelle = qobject_cast<QLineEdit*>(m_vue->formulaire()->champ(TypeDechetFormView::Champ::libelle));
    libelle->setFocus();
    fixtures::typeText(libelle, QStringLiteral(" flotté"));
    QTest::keyClick(libelle, Qt::Key_S, Qt::ControlModifier);
    QApplication::processEvents();
    QVERIFY(!m_store->hasChanges());
    QCOMPARE(fixtures::rowTexts(m_vue->listPanel()), QStringList({"Bois flotté", "Verre blanc"}));
    QVERIFY(m_vue->formulaire());
    QVERIFY(m_vue->isEditing());
    QCOMPARE(m_vue->selection()->libelle(), QStringLiteral("Bois flotté"));
    QCOMPARE(m_vue->typeEnCoursEdition(), m_vue->selection());
    QCOMPARE(qobject_cast<QLineEdit*>(m_vue->formulaire()->champ(TypeDechetFormView::Champ::libelle))->text(),
             QStringLiteral("Bois flotté"));
    QVERIFY(!m_vue->formulaire()->hasUnsavedChanges());
}

void TestGestionTypesDechets::rechercheNeReconstruitPasLeFormulaire()
{
    TypeDechet* bois = ajouter(QStringLiteral("Bois"));
    fixtures::clickRow(m_vue->listPanel(), 0);
    TypeDechetFormView* formulaire = m_vue->formulaire();
    auto* codeCED = qobject_cast<QLineEdit*>(formulaire->champ(TypeDechetFormView::Champ::codeCED));
    fixtures::typeText(codeCED, QStringLiteral("17 02 01"));

    taper(QStringLiteral("Bo"));
    ajouter(QStringLiteral("Carton")); // an unrelated record changes the store
    QCOMPARE(m_vue->formulaire(), formulaire);
    QCOMPARE(codeCED->text(), QStringLiteral("17 02 01"));
    formulaire->frame()->saveButton()->click();
    QCOMPARE(bois->codeCED(), std::optional<QString>(QStringLiteral("17 02 01")));
}

void TestGestionTypesDechets::suppressionRefuseeTantQueDesLocationsUtilisentLeType()
{
    TypeDechet* bois = ajouter(QStringLiteral("Bois"));
    fixtures::rentalUsing(m_store.get(), bois);
    TypeDechet* autre = ajouter(QStringLiteral("Gravats"));
    fixtures::rentalUsing(m_store.get(), autre); // a rental of another type does not count
    QVERIFY(m_store->save());

    QVERIFY(fixtures::chooseInContextMenu(m_vue->listPanel(), 0, QStringLiteral("Supprimer")));
    QMessageBox* alerte = fixtures::openBox(m_vue.get());
    QVERIFY(alerte);
    QCOMPARE(alerte->windowTitle(), QStringLiteral("Suppression impossible"));
    QCOMPARE(alerte->informativeText(),
             QStringLiteral("Le type de déchet « Bois » est utilisé dans 1\u00A0location(s). Supprimez-les d'abord "
                            "ou modifiez leur type de déchet."));
    fixtures::clickBoxButton(alerte, QStringLiteral("OK"));
    QVERIFY(!fixtures::openBox(m_vue.get()));
    QVERIFY(!bois->isDeleted());

    fixtures::rentalUsing(m_store.get(), bois);
    fixtures::rentalUsing(m_store.get(), bois);
    QCOMPARE(GestionTypesDechetsView::nombreLocations(m_store.get(), bois), 3);
    m_vue->supprimerType(bois);
    alerte = fixtures::openBox(m_vue.get());
    QVERIFY(alerte);
    QVERIFY(alerte->informativeText().startsWith(QStringLiteral("Le type de déchet « Bois » est utilisé dans 3\u00A0location(s).")));
    fixtures::clickBoxButton(alerte, QStringLiteral("OK"));
    QCOMPARE(m_store->count<TypeDechet>(), 2);
}

void TestGestionTypesDechets::suppressionImmediateEtEnregistree()
{
    TypeDechet* bois = ajouter(QStringLiteral("Bois"));
    CentreTraitement* centre = fixtures::centre(QStringLiteral("Centre"));
    m_store->insert(centre);
    bois->setCentres({centre});
    QVERIFY(m_store->save());

    fixtures::clickRow(m_vue->listPanel(), 0);
    QVERIFY(m_vue->formulaire());
    QVERIFY(fixtures::chooseInContextMenu(m_vue->listPanel(), 0, QStringLiteral("Supprimer")));
    // An unused type asks first, as the Delete key does.
    QMessageBox* confirmation = fixtures::openBox(m_vue.get(), QStringLiteral("confirmation"));
    QVERIFY(confirmation);
    QCOMPARE(confirmation->text(), QStringLiteral("Supprimer ce type de déchet ?"));
    QCOMPARE(fixtures::shownText(confirmation->defaultButton()), QStringLiteral("Annuler"));
    QVERIFY(!bois->isDeleted());
    QVERIFY(fixtures::clickBoxButton(confirmation, QStringLiteral("Supprimer")));
    QVERIFY(bois->isDeleted());
    QVERIFY(!m_store->hasChanges()); // saved at once
    QVERIFY(!m_vue->selection());
    // The form of the deleted type closes.
    QVERIFY(!m_vue->formulaire());
    QVERIFY(!m_vue->typeEnCoursEdition());
    QVERIFY(centre->typesAcceptes().isEmpty());
    QCOMPARE(fixtures::rowTexts(m_vue->listPanel()), QStringList());
}

void TestGestionTypesDechets::suppressionParLaToucheSurUneListeFiltree()
{
    ajouter(QStringLiteral("Bois"));
    TypeDechet* plastique = ajouter(QStringLiteral("Plastique"));
    ajouter(QStringLiteral("Plâtre"));
    taper(QStringLiteral("plastique"));
    QCOMPARE(fixtures::rowTexts(m_vue->listPanel()), QStringList({"Plastique"}));
    fixtures::clickRow(m_vue->listPanel(), 0);
    QTest::keyClick(m_vue->listPanel()->listView(), Qt::Key_Delete);
    QMessageBox* question = fixtures::openBox(m_vue.get());
    QVERIFY(question);
    QCOMPARE(question->text(), QStringLiteral("Supprimer ce type de déchet ?"));
    fixtures::clickBoxButton(question, QStringLiteral("Annuler"));
    QApplication::processEvents();
    QVERIFY(!plastique->isDeleted());
    QTest::keyClick(m_vue->listPanel()->listView(), Qt::Key_Delete);
    fixtures::clickBoxButton(fixtures::openBox(m_vue.get()), QStringLiteral("Supprimer"));
    QApplication::processEvents();
    QVERIFY(plastique->isDeleted());
    QCOMPARE(m_store->count<TypeDechet>(), 2);
    QVERIFY(!m_vue->formulaire());
}

void TestGestionTypesDechets::suppressionDePlusieursLignes()
{
    TypeDechet* a = ajouter(QStringLiteral("A"));
    TypeDechet* b = ajouter(QStringLiteral("B"));
    TypeDechet* c = ajouter(QStringLiteral("C"));
    TypeDechet* d = ajouter(QStringLiteral("D"));
    fixtures::rentalUsing(m_store.get(), b);
    fixtures::rentalUsing(m_store.get(), d);
    fixtures::rentalUsing(m_store.get(), d);
    QVERIFY(m_store->save());

    // Rows in any order, one out of range: the types listed at those rows are each judged.
    m_vue->supprimerTypes({3, 0, 1, 2, 42});
    QVERIFY(a->isDeleted());
    QVERIFY(!b->isDeleted());
    QVERIFY(c->isDeleted());
    QVERIFY(!d->isDeleted());
    QVERIFY(!m_store->hasChanges());
    QMessageBox* alerte = fixtures::openBox(m_vue.get());
    QVERIFY(alerte);
    // One alert, quoting the last refused type.
    QVERIFY(alerte->informativeText().contains(QStringLiteral(" 2\u00A0location(s)")));
    fixtures::clickBoxButton(alerte, QStringLiteral("OK"));
    QCOMPARE(fixtures::rowTexts(m_vue->listPanel()), QStringList({"B", "D"}));
}

void TestGestionTypesDechets::echecDeLaSauvegardeDUneSuppression()
{
    TypeDechet* bois = ajouter(QStringLiteral("Bois"));
    m_store->failNextSave(QStringLiteral("disque plein"));
    m_vue->supprimerType(bois);
    QMessageBox* erreur = fixtures::openBox(m_vue.get());
    QVERIFY(erreur);
    QCOMPARE(erreur->text(), QStringLiteral("Échec de la suppression: disque plein"));
    fixtures::clickBoxButton(erreur, QStringLiteral("OK"));
    // The deletion stays pending and reaches the store with the next save.
    QVERIFY(m_store->hasChanges());
    QVERIFY(m_store->save());
    QCOMPARE(m_store->count<TypeDechet>(), 0);
}

void TestGestionTypesDechets::couleursDesPastilles()
{
    QCOMPARE(TypeDechetRow::couleurPastille(std::nullopt), QColor(0xD1, 0xD5, 0xDB));
    const QColor gris = TypeDechetRow::couleurPastille(QString());
    QCOMPARE(TypeDechetRow::couleurPastille(QStringLiteral("12345")), gris);
    QCOMPARE(TypeDechetRow::couleurPastille(QStringLiteral("1234567")), gris);
    QVERIFY(gris != QColor(0xD1, 0xD5, 0xDB));
    QCOMPARE(TypeDechetRow::couleurPastille(QStringLiteral("#ff0000")), QColor(255, 0, 0));

    // The rows are painted from those colours: the dot of a red type is red on screen.
    TypeDechet* t = ajouter(QStringLiteral("Rouge"));
    t->setCouleur(QStringLiteral("#ff0000"));
    t->setEstDangereux(true);
    QApplication::processEvents();
    QListView* vue = m_vue->listPanel()->listView();
    const QRect r = vue->visualRect(vue->model()->index(0, 0));
    const QImage image = vue->viewport()->grab(r).toImage();
    QCOMPARE(image.pixelColor(8 + 12, r.height() / 2), QColor(255, 0, 0));
}

int lancerTestGestionTypesDechets(int argc, char** argv)
{
    TestGestionTypesDechets t;
    return QTest::qExec(&t, argc, argv);
}

void TestGestionTypesDechets::tientDansLaPlusPetiteFenetre()
{
    // A long label, a category of another program, a long centre.
    TypeDechet* type = fixtures::wasteType(fixtures::longName(QStringLiteral("Déchet")),
                                           fixtures::longName(QStringLiteral("Catégorie")));
    type->setDetails(fixtures::longName(QStringLiteral("Détails")));
    m_store->insert(type);
    auto* centre = fixtures::centre(fixtures::longName(QStringLiteral("Centre")));
    m_store->insert(centre);
    type->setCentres({centre});
    fixtures::save(m_store.get());

    // In edit and creation mode: no sideways scroll bar, nested or not, every button and
    // field whole; the title cut with "…" reads whole in its tool tip.
    const QStringList faults = fit::listScreenFaults(new GestionTypesDechetsView(m_store.get()));
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));

    const QStringList wide = fit::wideEditorFaults(new GestionTypesDechetsView(m_store.get()));
    QVERIFY2(wide.isEmpty(), qPrintable(wide.join(QLatin1Char('\n'))));

    // Another type opened, or a new one, opens at the top of its form.
    ajouter(QStringLiteral("Verre"));
    const QStringList top = fit::newRecordsOpenAtTheirTop(new GestionTypesDechetsView(m_store.get()));
    QVERIFY2(top.isEmpty(), qPrintable(top.join(QLatin1Char('\n'))));
}

#include "tst_gestiontypesdechets.moc"

void TestGestionTypesDechets::laListePrendLaPlaceDeSesNoms()
{
    // On a wide screen the list shows its labels and the hazard badge whole, the form beside it
    // taking what is left.
    TypeDechet* amiante = ajouter(QStringLiteral("Amiante lié (fibrociment, plaques)"));
    amiante->setEstDangereux(true);
    ajouter(QStringLiteral("Gravats"));
    m_store->save();
    m_vue->resize(1400, 860);
    m_vue->modifierType(amiante);
    QListView* vue = m_vue->listPanel()->listView();
    const int besoin = TypeDechetRow::largeurEntiere(amiante, vue->font());
    QTRY_VERIFY2(vue->viewport()->width() >= besoin,
                 qPrintable(QStringLiteral("%1 < %2").arg(vue->viewport()->width()).arg(besoin)));
}

void TestGestionTypesDechets::chaqueChampEstNomme()
{
    TypeDechet* t = ajouter(QStringLiteral("Gravats"));
    m_vue->modifierType(t);
    QVERIFY(m_vue->formulaire());
    QCOMPARE(fixtures::unnamedControls(m_vue.get()).join(QStringLiteral(", ")), QString());
    QCOMPARE(fixtures::spokenName(m_vue->listPanel()->listView()), QStringLiteral("Types de déchets"));
}

void TestGestionTypesDechets::dangereuxSeLitSurUnFondSombre()
{
    // « ⚠ Dangereux » at the end of a row of a dark palette: the strongest pixel of its word's
    // end reads as text (4.5:1) on the row.
    TypeDechet* amiante = ajouter(QStringLiteral("Amiante lié"));
    amiante->setEstDangereux(true);
    QPalette sombre;
    sombre.setColor(QPalette::Base, QColor(0x4D, 0x4D, 0x4D));
    sombre.setColor(QPalette::AlternateBase, QColor(0x55, 0x55, 0x55));
    sombre.setColor(QPalette::Text, QColor(0xEE, 0xEE, 0xEE));
    QListView* vue = m_vue->listPanel()->listView();
    QStyleOptionViewItem option;
    option.initFrom(vue);
    option.palette = sombre;
    option.state = QStyle::State_Enabled;
    option.rect = QRect(0, 0, 360, 44);
    QImage image(option.rect.size(), QImage::Format_ARGB32);
    image.fill(sombre.color(QPalette::Base));
    QPainter p(&image);
    vue->itemDelegate()->paint(&p, option, vue->model()->index(0, 0));
    p.end();
    double meilleur = 1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = image.width() - 40; x < image.width(); ++x)
            meilleur = std::max(meilleur, forms::contrastRatio(image.pixelColor(x, y), sombre.color(QPalette::Base)));
    QVERIFY2(meilleur >= 4.5, qPrintable(QString::number(meilleur)));
}
