// The waste type form driven as a user would: fields, checks, numbers in French, saving.

#include "screenfixtures.h"
#include "wastes/typedechetformview.h"
#include "widgets/forms/colorfield.h"
#include "widgets/forms/editorframe.h"
#include "widgets/forms/numberfield.h"

#include <QCheckBox>
#include <QClipboard>
#include <QColorDialog>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QMenu>
#include <QtTest>

using namespace kv;

class TestTypeDechetForm : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void nouveauTypeEtatInitial();
    void libelleEtTvaConditionnentLeBouton();
    void nombresDansLaLangueDeLUtilisateur();
    void saisieNonNumeriqueRefusee();
    void nombresHorsLimitesRefuses();
    void toutNombreHorsLimitesRetientLeBouton();
    void tauxCorrigeAccepteAussitot();
    void enregistrementAuClavierSansQuitterLeChamp();
    void toucheEntreeDuLibelle();
    void couleurChoisieEtCopiee();
    void creationComplete();
    void editionDUnTypeExistant();
    void echecDeSauvegardeEnCreation();
    void echecDeSauvegardeEnEdition();
    void annulation();
    void centresDansLOrdreDesListes();
    void unSecondFormulaireSuitEtNEnregistreQueLaSaisie();
    void modifieDesDeuxCotesDemandeQuoiGarder();

private:
    TypeDechetFormView* ouvrir(TypeDechet* type);
    // Saves what the test put in the store, then opens the form; whether the store was saved.
    bool enregistrerEtOuvrir(TypeDechet* type) { return m_store->save() && ouvrir(type); }
    QLineEdit* ligne(const QString& nomAccessible) const;
    forms::NumberField* nombre(const QString& nomAccessible) const;
    void saisir(const QString& nomAccessible, const QString& texte);
    std::unique_ptr<TypeDechetFormView> second(TypeDechet* type);

    std::unique_ptr<ModelContext> m_store;
    std::unique_ptr<TypeDechetFormView> m_form;
    QList<TypeDechet*> m_enregistres;
    int m_annulations = 0;
};

void TestTypeDechetForm::init()
{
    m_store = fixtures::store();
    m_enregistres.clear();
    m_annulations = 0;
}

void TestTypeDechetForm::cleanup()
{
    m_form.reset();
    m_store.reset();
}

TypeDechetFormView* TestTypeDechetForm::ouvrir(TypeDechet* type)
{
    m_form = std::make_unique<TypeDechetFormView>(m_store.get(), type, type, type != nullptr);
    connect(m_form.get(), &TypeDechetFormView::saved, this, [this](TypeDechet* t) { m_enregistres.append(t); });
    connect(m_form.get(), &TypeDechetFormView::cancelled, this, [this] { ++m_annulations; });
    m_form->resize(640, 900);
    m_form->show();
    m_form->activateWindow();
    [[maybe_unused]] bool expose = QTest::qWaitForWindowExposed(m_form.get());
    return m_form.get();
}

QLineEdit* TestTypeDechetForm::ligne(const QString& nomAccessible) const
{
    for (QLineEdit* e : m_form->findChildren<QLineEdit*>())
        if (e->accessibleName() == nomAccessible || e->placeholderText() == nomAccessible)
            return e;
    qWarning("champ « %s » absent", qPrintable(nomAccessible));
    return nullptr;
}

forms::NumberField* TestTypeDechetForm::nombre(const QString& nomAccessible) const
{
    return qobject_cast<forms::NumberField*>(ligne(nomAccessible)->parentWidget());
}

void TestTypeDechetForm::saisir(const QString& nomAccessible, const QString& texte)
{
    QLineEdit* e = ligne(nomAccessible);
    e->setFocus();
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Backspace);
    fixtures::typeText(e, texte);
    QTest::keyClick(e, Qt::Key_Return);
}

void TestTypeDechetForm::nouveauTypeEtatInitial()
{
    CentreTraitement* b = fixtures::centre(QStringLiteral("Bassens"));
    CentreTraitement* a = fixtures::centre(QStringLiteral("Ambarès"));
    m_store->insert(b);
    m_store->insert(a);
    ouvrir(nullptr);
    QCOMPARE(m_form->frame()->title(), QStringLiteral("Nouveau type de déchet"));
    QCOMPARE(m_form->frame()->saveButton()->text(), QStringLiteral("Ajouter"));
    QVERIFY(!m_form->frame()->saveButton()->isEnabled());
    QCOMPARE(QApplication::focusWidget(), m_form->champ(TypeDechetFormView::Champ::libelle));
    auto* categorie = m_form->findChild<QComboBox*>();
    QCOMPARE(categorie->currentText(), QStringLiteral("DIB"));
    QCOMPARE(ligne(QStringLiteral("TVA %"))->text(), QStringLiteral("20"));
    QCOMPARE(m_form->findChild<forms::ColorField*>()->hexLabel()->text(), QStringLiteral("#D1D5DB"));
    QComboBox* centre = nullptr;
    for (QComboBox* c : m_form->findChildren<QComboBox*>())
        if (c->accessibleName() == QStringLiteral("Centre"))
            centre = c;
    QVERIFY(centre);
    QCOMPARE(centre->currentText(), QStringLiteral("— Aucun —"));
    QCOMPARE(centre->count(), 3);
    QCOMPARE(centre->itemText(1), QStringLiteral("Ambarès")); // sorted by name
}

void TestTypeDechetForm::libelleEtTvaConditionnentLeBouton()
{
    ouvrir(nullptr);
    QPushButton* ajouter = m_form->frame()->saveButton();
    auto* libelle = qobject_cast<QLineEdit*>(m_form->champ(TypeDechetFormView::Champ::libelle));
    fixtures::typeText(libelle, QStringLiteral("   "));
    QVERIFY(!ajouter->isEnabled());
    fixtures::typeText(libelle, QStringLiteral("Bois  "));
    QVERIFY(ajouter->isEnabled());

    QWidget* ligneTva = ligne(QStringLiteral("TVA %"))->parentWidget()->parentWidget();
    for (const char* valide : {"0", "100", "5,5"}) {
        saisir(QStringLiteral("TVA %"), QString::fromLatin1(valide));
        QVERIFY2(ajouter->isEnabled(), valide);
        QVERIFY(!forms::hasInvalidOutline(ligneTva));
    }
    for (const char* invalide : {"100,5", "-1"}) {
        saisir(QStringLiteral("TVA %"), QString::fromLatin1(invalide));
        QVERIFY2(!ajouter->isEnabled(), invalide);
        QVERIFY(forms::hasInvalidOutline(ligneTva));
    }
    // Ctrl+Return on an invalid form saves nothing.
    QTest::keyClick(libelle, Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(m_store->count<TypeDechet>(), 0);
    QVERIFY(m_enregistres.isEmpty());

    saisir(QStringLiteral("TVA %"), QStringLiteral("10"));
    QVERIFY(ajouter->isEnabled());
    QVERIFY(!forms::hasInvalidOutline(ligneTva));
    ajouter->click();
    QCOMPARE(m_enregistres.size(), 1);
    QCOMPARE(m_enregistres.first()->libelle(), QStringLiteral("   Bois  "));
    QCOMPARE(m_enregistres.first()->tva(), 10.0);
}

void TestTypeDechetForm::nombresDansLaLangueDeLUtilisateur()
{
    TypeDechet* t = fixtures::wasteType(QStringLiteral("Bois"));
    m_store->insert(t);
    t->setPrixBaseForfait(150.0);
    t->setSupplementJour(3.0);
    t->setTva(5.5);
    QVERIFY(enregistrerEtOuvrir(t));
    QCOMPARE(ligne(QStringLiteral("TVA %"))->text(), QStringLiteral("5,5"));

    saisir(QStringLiteral("Suppl. jour (€)"), QStringLiteral("12,5"));
    saisir(QStringLiteral("Forfait (€ HT)"), QString()); // cleared: no value
    saisir(QStringLiteral("Jours inclus"), QStringLiteral("7"));
    saisir(QStringLiteral("Prix / tonne (€ HT)"), QStringLiteral("4,25"));
    saisir(QStringLiteral("TVA %"), QString()); // the rate is required: kept
    QCOMPARE(ligne(QStringLiteral("TVA %"))->text(), QStringLiteral("5,5"));
    QVERIFY(!nombre(QStringLiteral("TVA %"))->message().isEmpty());
    m_form->frame()->saveButton()->click();

    QCOMPARE(m_enregistres, QList<TypeDechet*>({t}));
    QCOMPARE(t->supplementJour(), std::optional<double>(12.5));
    QVERIFY(!t->prixBaseForfait());
    QCOMPARE(t->dureeIncluse(), std::optional<qint64>(7));
    QCOMPARE(t->prixBaseParTonne(), std::optional<double>(4.25));
    QCOMPARE(t->tva(), 5.5);
    QVERIFY(!m_store->hasChanges());
}

void TestTypeDechetForm::saisieNonNumeriqueRefusee()
{
    TypeDechet* t = fixtures::wasteType(QStringLiteral("Bois"));
    m_store->insert(t);
    t->setSupplementJour(3.0);
    QVERIFY(enregistrerEtOuvrir(t));

    for (const char* texte : {"abc", "inf", "nan", "1e999"}) {
        saisir(QStringLiteral("Suppl. jour (€)"), QString::fromLatin1(texte));
        QCOMPARE(ligne(QStringLiteral("Suppl. jour (€)"))->text(), QStringLiteral("3"));
        QVERIFY2(!nombre(QStringLiteral("Suppl. jour (€)"))->message().isEmpty(), texte);
    }
    saisir(QStringLiteral("Jours inclus"), QStringLiteral("2,5"));
    QCOMPARE(ligne(QStringLiteral("Jours inclus"))->text(), QString());
    QVERIFY(!nombre(QStringLiteral("Jours inclus"))->message().isEmpty());

    // Typed but not committed: saving reads it, refuses it and saves nothing.
    QLineEdit* forfait = ligne(QStringLiteral("Forfait (€ HT)"));
    forfait->setFocus();
    fixtures::typeText(forfait, QStringLiteral("douze"));
    m_form->frame()->saveButton()->click();
    QVERIFY(m_enregistres.isEmpty());
    QVERIFY(!t->prixBaseForfait());
    QCOMPARE(forfait->text(), QString());
    QVERIFY(!m_store->hasChanges());
    QCOMPARE(t->supplementJour(), std::optional<double>(3.0));
}

void TestTypeDechetForm::nombresHorsLimitesRefuses()
{
    // Values stored before numbers were bounded.
    TypeDechet* t = fixtures::wasteType(QStringLiteral("Bois"));
    m_store->insert(t);
    t->setPrixBaseForfait(1e20);
    t->setDureeIncluse(1'000'000);
    t->setSupplementJour(3.0);
    QVERIFY(enregistrerEtOuvrir(t));

    struct Cas {
        const char* champ;    // the field's accessible name
        const char* libelle;  // its name in the message
        const char* trop;     // just past the range
        const char* juste;    // at its bound
    };
    const QList<Cas> cas = {
        {"TVA %", "TVA", "100,01", "100"},
        {"Forfait (€ HT)", "Forfait", "100000,01", "100000"},
        {"Prix / tonne (€ HT)", "Prix / tonne", "-0,01", "0"},
        {"Franchise (t)", "Franchise", "1000,01", "1000"},
        {"Suppl. tonne (€)", "Suppl. tonne", "100000,01", "100000"},
        {"Jours inclus", "Jours inclus", "3651", "3650"},
        {"Suppl. jour (€)", "Suppl. jour", "-1", "0"},
    };
    QPushButton* enregistrer = m_form->frame()->saveButton();
    const auto rienEnregistre = [&] {
        QVERIFY(m_enregistres.isEmpty());
        QVERIFY(!m_store->hasChanges());
        QCOMPARE(t->prixBaseForfait(), std::optional<double>(1e20));
        QCOMPARE(t->dureeIncluse(), std::optional<qint64>(1'000'000));
        QCOMPARE(t->supplementJour(), std::optional<double>(3.0));
        QVERIFY(!t->franchiseTonnage());
        QCOMPARE(t->tva(), 20.0);
    };
    for (const Cas& c : cas) {
        const QString champ = QString::fromUtf8(c.champ);
        // Typed and saved at once with the keyboard.
        QLineEdit* e = ligne(champ);
        e->setFocus();
        e->selectAll();
        QTest::keyClick(e, Qt::Key_Backspace);
        fixtures::typeText(e, QString::fromUtf8(c.trop));
        QTest::keyClick(e, Qt::Key_Return, Qt::ControlModifier);
        rienEnregistre();
        // The text stays to be mended, the message names the field and the range.
        QCOMPARE(e->text(), QString::fromUtf8(c.trop));
        QCOMPARE(QApplication::focusWidget(), e);
        const QString message = nombre(champ)->message();
        QVERIFY2(message.startsWith(QString::fromUtf8(c.libelle) + QStringLiteral(" : entre ")), qPrintable(message));
        QVERIFY(nombre(champ)->messageLabel()->isVisibleTo(m_form.get()));
        // Left with Tab, then saved with the mouse: still refused.
        QTest::keyClick(e, Qt::Key_Tab);
        QCOMPARE(e->text(), QString::fromUtf8(c.trop));
        if (enregistrer->isEnabled())
            QTest::mouseClick(enregistrer, Qt::LeftButton);
        rienEnregistre();
        // Mended to the bound itself, the message goes.
        saisir(champ, QString::fromUtf8(c.juste));
        QCOMPARE(nombre(champ)->message(), QString());
    }
    // The rate refused as typed outlines its row and holds the button, as an invalid rate does.
    QWidget* ligneTva = ligne(QStringLiteral("TVA %"))->parentWidget()->parentWidget();
    saisir(QStringLiteral("TVA %"), QStringLiteral("150"));
    QVERIFY(forms::hasInvalidOutline(ligneTva));
    QVERIFY(!enregistrer->isEnabled());
    saisir(QStringLiteral("TVA %"), QStringLiteral("20"));
    QVERIFY(!forms::hasInvalidOutline(ligneTva));

    // Every bound typed is accepted and saved.
    QVERIFY(enregistrer->isEnabled());
    QTest::mouseClick(enregistrer, Qt::LeftButton);
    QCOMPARE(m_enregistres, QList<TypeDechet*>({t}));
    QCOMPARE(t->prixBaseForfait(), std::optional<double>(100000));
    QCOMPARE(t->dureeIncluse(), std::optional<qint64>(3650));
    QCOMPARE(t->franchiseTonnage(), std::optional<double>(1000));
    QCOMPARE(t->supplementJour(), std::optional<double>(0));
}

void TestTypeDechetForm::toutNombreHorsLimitesRetientLeBouton()
{
    // A new type: every number field outside its range holds "Ajouter" as a rate of 150 does,
    // and outlines the field; mended, the button comes back.
    ouvrir(nullptr);
    saisir(QStringLiteral("Libellé *"), QStringLiteral("Gravats"));
    QPushButton* ajouter = m_form->frame()->saveButton();
    QVERIFY(ajouter->isEnabled());
    const QList<std::pair<QString, QString>> cas = {
        {QStringLiteral("Forfait (€ HT)"), QStringLiteral("-5")},
        {QStringLiteral("Jours inclus"), QStringLiteral("99999")},
        {QStringLiteral("Suppl. jour (€)"), QStringLiteral("-0,5")},
    };
    for (const auto& [champ, trop] : cas) {
        QLineEdit* e = ligne(champ);
        e->setFocus();
        fixtures::typeText(e, trop);
        QTest::keyClick(e, Qt::Key_Tab);
        QVERIFY2(!ajouter->isEnabled(), qPrintable(champ));
        QVERIFY(forms::hasInvalidOutline(e));
        QTest::mouseClick(ajouter, Qt::LeftButton);
        QVERIFY(m_enregistres.isEmpty());
        QCOMPARE(m_store->count<TypeDechet>(), 0);
        saisir(champ, QStringLiteral("5"));
        QVERIFY2(ajouter->isEnabled(), qPrintable(champ));
        QVERIFY(!forms::hasInvalidOutline(e));
    }
    QTest::mouseClick(ajouter, Qt::LeftButton);
    QCOMPARE(m_store->count<TypeDechet>(), 1);
    QCOMPARE(m_enregistres.first()->prixBaseForfait(), std::optional<double>(5));
}

void TestTypeDechetForm::tauxCorrigeAccepteAussitot()
{
    // A new type: 150 in the rate is refused, then 20 (the rate it holds) is typed back.
    ouvrir(nullptr);
    saisir(QStringLiteral("Libellé *"), QStringLiteral("Gravats"));
    QWidget* ligneTva = ligne(QStringLiteral("TVA %"))->parentWidget()->parentWidget();
    QPushButton* ajouter = m_form->frame()->saveButton();
    QLineEdit* tva = ligne(QStringLiteral("TVA %"));
    const auto taper = [&](const QString& texte) {
        tva->setFocus();
        tva->selectAll();
        fixtures::typeText(tva, texte);
        QTest::keyClick(tva, Qt::Key_Tab);
    };
    taper(QStringLiteral("150"));
    QVERIFY(forms::hasInvalidOutline(ligneTva));
    QVERIFY(!ajouter->isEnabled());
    taper(QStringLiteral("20"));
    QCOMPARE(tva->text(), QStringLiteral("20"));
    QVERIFY(!forms::hasInvalidOutline(ligneTva));
    QVERIFY(ajouter->isEnabled());
    QCOMPARE(nombre(QStringLiteral("TVA %"))->message(), QString());
    QTest::mouseClick(ajouter, Qt::LeftButton);
    QCOMPARE(m_enregistres.size(), 1);
    QCOMPARE(m_enregistres.first()->tva(), 20.0);
}

void TestTypeDechetForm::enregistrementAuClavierSansQuitterLeChamp()
{
    TypeDechet* t = fixtures::wasteType(QStringLiteral("Bois"));
    m_store->insert(t);
    QVERIFY(enregistrerEtOuvrir(t));
    QLineEdit* franchise = ligne(QStringLiteral("Franchise (t)"));
    franchise->setFocus();
    fixtures::typeText(franchise, QStringLiteral("1,5"));
    QTest::keyClick(franchise, Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(m_enregistres.size(), 1);
    QCOMPARE(t->franchiseTonnage(), std::optional<double>(1.5));
}

void TestTypeDechetForm::toucheEntreeDuLibelle()
{
    ouvrir(nullptr);
    QWidget* libelle = m_form->champ(TypeDechetFormView::Champ::libelle);
    fixtures::typeText(libelle, QStringLiteral("Bois"));
    QTest::keyClick(libelle, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), m_form->champ(TypeDechetFormView::Champ::codeCED));
    QVERIFY(m_enregistres.isEmpty());
}

void TestTypeDechetForm::couleurChoisieEtCopiee()
{
    TypeDechet* t = fixtures::wasteType(QStringLiteral("Bois"));
    m_store->insert(t);
    t->setCouleur(QStringLiteral("#ab12cd"));
    QVERIFY(enregistrerEtOuvrir(t));
    auto* couleur = m_form->findChild<forms::ColorField*>();
    // Shown upper-cased, copied as held.
    QCOMPARE(couleur->hexLabel()->text(), QStringLiteral("#AB12CD"));
    m_form->copierCodeCouleur();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("#ab12cd"));

    couleur->pickerButton()->click();
    QColorDialog* dialogue = couleur->openDialog();
    QVERIFY(dialogue);
    dialogue->setCurrentColor(QColor(255, 128, 0));
    dialogue->accept();
    QApplication::processEvents();
    QCOMPARE(m_form->model()->couleur(), QStringLiteral("FF8000"));
    QCOMPARE(couleur->hexLabel()->text(), QStringLiteral("FF8000"));
    m_form->copierCodeCouleur();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("FF8000"));
    m_form->frame()->saveButton()->click();
    QCOMPARE(t->couleur(), std::optional<QString>(QStringLiteral("FF8000")));
}

void TestTypeDechetForm::creationComplete()
{
    CentreTraitement* centre = fixtures::centre(QStringLiteral("ISDD"));
    m_store->insert(centre);
    QVERIFY(enregistrerEtOuvrir(nullptr));
    fixtures::typeText(m_form->champ(TypeDechetFormView::Champ::libelle), QStringLiteral("Amiante"));
    auto* categorie = m_form->findChildren<QComboBox*>().at(0);
    categorie->setCurrentIndex(3);
    emit categorie->activated(3);
    auto* centres = m_form->findChildren<QComboBox*>().at(1);
    centres->setCurrentIndex(1);
    emit centres->activated(1);
    saisir(QStringLiteral("Code CED"), QStringLiteral(" 17 06 05* "));
    m_form->findChildren<QCheckBox*>().at(0)->click();
    const QList<QPlainTextEdit*> textes = m_form->findChildren<QPlainTextEdit*>();
    textes.at(0)->setPlainText(QStringLiteral("Double ensachage"));
    textes.at(1)->setPlainText(QStringLiteral("plâtre; bois|palettes ,"));
    m_form->frame()->saveButton()->click();

    QCOMPARE(m_store->count<TypeDechet>(), 1);
    TypeDechet* t = m_store->all<TypeDechet>().first();
    QCOMPARE(m_enregistres, QList<TypeDechet*>({t}));
    QCOMPARE(t->libelle(), QStringLiteral("Amiante"));
    QCOMPARE(t->categorie(), QStringLiteral("Dangereux"));
    QCOMPARE(t->codeCED(), std::optional<QString>(QStringLiteral("17 06 05*")));
    QVERIFY(t->estDangereux());
    QVERIFY(!t->melangeInterdit());
    QCOMPARE(t->consignes(), std::optional<QString>(QStringLiteral("Double ensachage")));
    QCOMPARE(t->dechetsInterditsString(), std::optional<QString>(QStringLiteral("plâtre|bois/palettes")));
    QCOMPARE(t->couleur(), std::optional<QString>(QStringLiteral("#D1D5DB")));
    QCOMPARE(t->centres(), QList<CentreTraitement*>({centre}));
    QCOMPARE(t->centreFavoriID(), std::optional<QUuid>(centre->id()));
    QCOMPARE(t->tva(), 20.0);
    QVERIFY(!m_store->hasChanges());
}

void TestTypeDechetForm::editionDUnTypeExistant()
{
    TypeDechet* t = fixtures::wasteType(QStringLiteral("Gravats"), QStringLiteral("Béton armé"));
    CentreTraitement* centre = fixtures::centre(QStringLiteral("Carrière"));
    m_store->insert(t);
    m_store->insert(centre);
    t->setCentreFavoriID(QUuid::createUuid()); // no such centre
    QVERIFY(enregistrerEtOuvrir(t));
    // A category outside the list shows as an entry of its own after the five, chosen; an
    // unknown centre as no choice. Both are kept.
    auto* categorie = m_form->findChildren<QComboBox*>().at(0);
    QCOMPARE(categorie->count(), TypeDechetFormView::categories.size() + 1);
    QCOMPARE(categorie->currentText(), QStringLiteral("Béton armé"));
    QCOMPARE(categorie->itemText(categorie->count() - 1), QStringLiteral("Béton armé"));
    saisir(QStringLiteral("Détails"), QStringLiteral("Sans ferraille"));
    m_form->frame()->saveButton()->click();
    QCOMPARE(t->categorie(), QStringLiteral("Béton armé"));
    QCOMPARE(t->details(), std::optional<QString>(QStringLiteral("Sans ferraille")));
    QVERIFY(t->centres().isEmpty());
    QCOMPARE(m_store->count<TypeDechet>(), 1);

    // Another category chosen, then the stored one again from its entry: that one is written.
    ouvrir(t);
    categorie = m_form->findChildren<QComboBox*>().at(0);
    categorie->setCurrentIndex(1);
    emit categorie->activated(1);
    QCOMPARE(m_form->model()->categorie(), QStringLiteral("Inertes"));
    const int propre = categorie->count() - 1;
    categorie->setCurrentIndex(propre);
    emit categorie->activated(propre);
    QCOMPARE(m_form->model()->categorie(), QStringLiteral("Béton armé"));
    m_form->frame()->saveButton()->click();
    QCOMPARE(t->categorie(), QStringLiteral("Béton armé"));
}

void TestTypeDechetForm::echecDeSauvegardeEnCreation()
{
    CentreTraitement* centre = fixtures::centre(QStringLiteral("ISDD"));
    m_store->insert(centre);
    QVERIFY(enregistrerEtOuvrir(nullptr));
    fixtures::typeText(m_form->champ(TypeDechetFormView::Champ::libelle), QStringLiteral("Amiante"));
    auto* centres = m_form->findChildren<QComboBox*>().at(1);
    centres->setCurrentIndex(1);
    emit centres->activated(1);

    m_store->failNextSave(QStringLiteral("base verrouillée"));
    {
        fixtures::StdoutCapture sortie;
        m_form->frame()->saveButton()->click();
        // The test framework's own warnings go to the same output: read the first line.
        QCOMPARE(sortie.text().section(QLatin1Char('\n'), 0, 0),
                 QStringLiteral("Erreur lors de l’enregistrement du TypeDechet: base verrouillée"));
    }
    QMessageBox* erreur = fixtures::openBox(m_form.get());
    QVERIFY(erreur);
    QCOMPARE(erreur->text(), QStringLiteral("Échec de la sauvegarde: base verrouillée"));
    fixtures::clickBoxButton(erreur, QStringLiteral("OK"));
    // Nothing is left behind and the input is kept.
    QVERIFY(m_enregistres.isEmpty());
    QCOMPARE(m_store->count<TypeDechet>(), 0);
    QVERIFY(centre->typesAcceptes().isEmpty());
    QCOMPARE(qobject_cast<QLineEdit*>(m_form->champ(TypeDechetFormView::Champ::libelle))->text(),
             QStringLiteral("Amiante"));

    // A retry stores one type.
    m_form->frame()->saveButton()->click();
    QCOMPARE(m_store->count<TypeDechet>(), 1);
    QCOMPARE(m_enregistres.size(), 1);
    QCOMPARE(centre->typesAcceptes(), QList<TypeDechet*>({m_enregistres.first()}));
}

void TestTypeDechetForm::echecDeSauvegardeEnEdition()
{
    TypeDechet* t = fixtures::wasteType(QStringLiteral("Bois"));
    m_store->insert(t);
    QVERIFY(enregistrerEtOuvrir(t));
    saisir(QStringLiteral("Code CED"), QStringLiteral("17 02 01"));
    m_store->failNextSave(QStringLiteral("disque plein"));
    {
        fixtures::StdoutCapture sortie;
        m_form->frame()->saveButton()->click();
        QVERIFY(sortie.text().contains(QStringLiteral("disque plein")));
    }
    QMessageBox* erreur = fixtures::openBox(m_form.get());
    QVERIFY(erreur);
    QCOMPARE(erreur->text(), QStringLiteral("Échec de la sauvegarde: disque plein"));
    fixtures::clickBoxButton(erreur, QStringLiteral("OK"));
    QVERIFY(m_enregistres.isEmpty());
    QCOMPARE(ligne(QStringLiteral("Code CED"))->text(), QStringLiteral("17 02 01"));
    m_form->frame()->saveButton()->click();
    QCOMPARE(m_enregistres.size(), 1);
    QVERIFY(!m_store->hasChanges());
}

void TestTypeDechetForm::annulation()
{
    TypeDechet* t = fixtures::wasteType(QStringLiteral("Bois"));
    m_store->insert(t);
    QVERIFY(enregistrerEtOuvrir(t));
    saisir(QStringLiteral("Code CED"), QStringLiteral("17 02 01"));
    QLineEdit* ced = ligne(QStringLiteral("Code CED"));

    // Escape in the open list of "Catégorie" closes the list alone.
    auto* categorie = m_form->findChildren<QComboBox*>().value(0);
    QVERIFY(categorie);
    categorie->showPopup();
    QTRY_VERIFY(QApplication::activePopupWidget());
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
    QTRY_VERIFY(!QApplication::activePopupWidget());
    QCOMPARE(m_annulations, 0);
    QCOMPARE(ced->text(), QStringLiteral("17 02 01"));

    // So does Escape in a field's context menu.
    ced->setFocus();
    QContextMenuEvent menuEvent(QContextMenuEvent::Keyboard, QPoint(5, 5), ced->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(ced, &menuEvent);
    QTRY_VERIFY(qobject_cast<QMenu*>(QApplication::activePopupWidget()));
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
    QTRY_VERIFY(!QApplication::activePopupWidget());
    QCOMPARE(m_annulations, 0);

    // And in the colour dialog.
    auto* couleur = m_form->findChild<forms::ColorField*>();
    couleur->pickerButton()->click();
    QTRY_VERIFY(couleur->openDialog());
    QTest::keyClick(couleur->openDialog(), Qt::Key_Escape);
    QTRY_VERIFY(!couleur->openDialog());
    QCOMPARE(m_annulations, 0);

    // Escape alone leaves the form as typed; Ctrl+Escape cancels without writing anything.
    QTest::keyClick(ced, Qt::Key_Escape);
    QCOMPARE(m_annulations, 0);
    QCOMPARE(ced->text(), QStringLiteral("17 02 01"));
    QTest::keyClick(ced, Qt::Key_Escape, Qt::ControlModifier);
    QCOMPARE(m_annulations, 1);
    QVERIFY(m_enregistres.isEmpty());
    QVERIFY(!t->codeCED());
    QVERIFY(!m_store->hasChanges());

    // "Annuler" cancels too.
    m_form->frame()->cancelButton()->click();
    QCOMPARE(m_annulations, 2);
}

void TestTypeDechetForm::centresDansLOrdreDesListes()
{
    // Sorted by name as the lists sort text: case and accents do not push a name to the end.
    for (const char* nom : {"Zéphyr", "écopôle", "Bassens", "ambarès", "Cestas"})
        m_store->insert(fixtures::centre(QString::fromUtf8(nom)));
    QVERIFY(enregistrerEtOuvrir(nullptr));
    QComboBox* centre = nullptr;
    for (QComboBox* c : m_form->findChildren<QComboBox*>())
        if (c->accessibleName() == QStringLiteral("Centre"))
            centre = c;
    QVERIFY(centre);
    QStringList noms;
    for (int i = 1; i < centre->count(); ++i)
        noms << centre->itemText(i);
    QStringList attendus = noms;
    std::sort(attendus.begin(), attendus.end(),
              [](const QString& a, const QString& b) { return QString::localeAwareCompare(a, b) < 0; });
    QCOMPARE(noms, attendus);
    QCOMPARE(centre->itemText(0), QStringLiteral("— Aucun —"));
    QCOMPARE(noms.size(), 5);
}

std::unique_ptr<TypeDechetFormView> TestTypeDechetForm::second(TypeDechet* type)
{
    auto form = std::make_unique<TypeDechetFormView>(m_store.get(), type, type, true);
    form->resize(640, 900);
    form->show();
    [[maybe_unused]] bool expose = QTest::qWaitForWindowExposed(form.get());
    return form;
}

namespace {

QLineEdit* ligneDe(QWidget* form, const QString& nomAccessible)
{
    for (QLineEdit* e : form->findChildren<QLineEdit*>())
        if (e->accessibleName() == nomAccessible || e->placeholderText() == nomAccessible)
            return e;
    return nullptr;
}

// Types into a field of the form and leaves it by Return, as a user does.
void saisirDans(QWidget* form, const QString& nomAccessible, const QString& texte)
{
    QLineEdit* e = ligneDe(form, nomAccessible);
    QVERIFY(e);
    form->activateWindow();
    e->setFocus();
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Backspace);
    fixtures::typeText(e, texte);
    QTest::keyClick(e, Qt::Key_Return);
}

} // namespace

void TestTypeDechetForm::unSecondFormulaireSuitEtNEnregistreQueLaSaisie()
{
    TypeDechet* t = fixtures::wasteType(QStringLiteral("Gravats"));
    t->setPrixBaseForfait(100.0);
    m_store->insert(t);
    QVERIFY(enregistrerEtOuvrir(t));
    std::unique_ptr<TypeDechetFormView> deux = second(t);

    // The first form saves a code, a price and instructions: the second shows them untyped.
    saisir(QStringLiteral("Code CED"), QStringLiteral("17 01 07"));
    saisir(QStringLiteral("Forfait (€ HT)"), QStringLiteral("150,5"));
    auto* consignes = m_form->findChildren<QPlainTextEdit*>().value(0);
    consignes->setFocus();
    fixtures::typeText(consignes, QStringLiteral("Pas de plâtre"));
    m_form->frame()->saveButton()->click();
    QCOMPARE(t->codeCED(), std::optional<QString>(QStringLiteral("17 01 07")));
    QCOMPARE(t->prixBaseForfait(), std::optional<double>(150.5));
    QTRY_COMPARE(ligneDe(deux.get(), QStringLiteral("Code CED"))->text(), QStringLiteral("17 01 07"));
    QCOMPARE(ligneDe(deux.get(), QStringLiteral("Forfait (€ HT)"))->text(), QStringLiteral("150,5"));
    QCOMPARE(deux->findChildren<QPlainTextEdit*>().value(0)->toPlainText(), QStringLiteral("Pas de plâtre"));
    QVERIFY(!deux->hasUnsavedChanges());

    // The second types the details only: its save keeps what the first stored.
    saisirDans(deux.get(), QStringLiteral("Détails"), QStringLiteral("Bâchée / <b>lourde</b>"));
    QVERIFY(deux->hasUnsavedChanges());
    QVERIFY(!m_form->hasUnsavedChanges());
    QTest::keyClick(ligneDe(deux.get(), QStringLiteral("Détails")), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(t->details(), std::optional<QString>(QStringLiteral("Bâchée / <b>lourde</b>")));
    QCOMPARE(t->codeCED(), std::optional<QString>(QStringLiteral("17 01 07")));
    QCOMPARE(t->prixBaseForfait(), std::optional<double>(150.5));
    QCOMPARE(t->consignes(), std::optional<QString>(QStringLiteral("Pas de plâtre")));
    QVERIFY(!deux->hasUnsavedChanges());
    QTRY_COMPARE(ligne(QStringLiteral("Détails"))->text(), QStringLiteral("Bâchée / <b>lourde</b>"));

    // A field typed in the second is not replaced by a change stored from the first.
    saisirDans(deux.get(), QStringLiteral("Code CED"), QStringLiteral("17 09 04"));
    saisir(QStringLiteral("Libellé *"), QStringLiteral("Gravats propres"));
    m_form->frame()->saveButton()->click();
    QTRY_COMPARE(ligneDe(deux.get(), QStringLiteral("Libellé *"))->text(), QStringLiteral("Gravats propres"));
    QCOMPARE(ligneDe(deux.get(), QStringLiteral("Code CED"))->text(), QStringLiteral("17 09 04"));
    QVERIFY(deux->hasUnsavedChanges());
}

void TestTypeDechetForm::modifieDesDeuxCotesDemandeQuoiGarder()
{
    TypeDechet* t = fixtures::wasteType(QStringLiteral("Bois"));
    m_store->insert(t);
    QVERIFY(enregistrerEtOuvrir(t));
    std::unique_ptr<TypeDechetFormView> deux = second(t);
    int enregistresDeux = 0;
    connect(deux.get(), &TypeDechetFormView::saved, this, [&] { ++enregistresDeux; });

    // Both type the label; the second types the code as well. The first saves.
    saisirDans(deux.get(), QStringLiteral("Libellé *"), QStringLiteral("Bois B"));
    saisirDans(deux.get(), QStringLiteral("Code CED"), QStringLiteral("17 02 01"));
    saisir(QStringLiteral("Libellé *"), QStringLiteral("Bois A"));
    m_form->frame()->saveButton()->click();
    QCOMPARE(t->libelle(), QStringLiteral("Bois A"));
    QCOMPARE(ligneDe(deux.get(), QStringLiteral("Libellé *"))->text(), QStringLiteral("Bois B"));

    // The second's save asks; "Annuler" stores nothing and keeps the typing.
    deux->frame()->saveButton()->click();
    QMessageBox* box = fixtures::openBox(deux.get(), QStringLiteral("modifieAilleurs"));
    QVERIFY(box);
    QVERIFY(box->text().contains(QStringLiteral("modifié dans une autre fenêtre")));
    QVERIFY(box->informativeText().contains(QStringLiteral("« Libellé »")));
    QVERIFY(!box->informativeText().contains(QStringLiteral("Code CED")));
    QVERIFY(fixtures::clickBoxButton(box, QStringLiteral("Annuler")));
    QCOMPARE(t->libelle(), QStringLiteral("Bois A"));
    QVERIFY(!t->codeCED());
    QCOMPARE(enregistresDeux, 0);
    QVERIFY(deux->hasUnsavedChanges());

    // "Reprendre l’enregistré": the stored label comes back; the code typed is saved.
    deux->frame()->saveButton()->click();
    box = fixtures::openBox(deux.get(), QStringLiteral("modifieAilleurs"));
    QVERIFY(fixtures::clickBoxButton(box, QStringLiteral("Reprendre l’enregistré")));
    QCOMPARE(t->libelle(), QStringLiteral("Bois A"));
    QCOMPARE(t->codeCED(), std::optional<QString>(QStringLiteral("17 02 01")));
    QCOMPARE(ligneDe(deux.get(), QStringLiteral("Libellé *"))->text(), QStringLiteral("Bois A"));
    QCOMPARE(enregistresDeux, 1);
    QVERIFY(!deux->hasUnsavedChanges());

    // "Garder ma saisie": the typing replaces what the other stored.
    saisirDans(deux.get(), QStringLiteral("Libellé *"), QStringLiteral("Bois traité"));
    saisir(QStringLiteral("Libellé *"), QStringLiteral("Bois brut"));
    m_form->frame()->saveButton()->click();
    QCOMPARE(t->libelle(), QStringLiteral("Bois brut"));
    deux->frame()->saveButton()->click();
    box = fixtures::openBox(deux.get(), QStringLiteral("modifieAilleurs"));
    QVERIFY(fixtures::clickBoxButton(box, QStringLiteral("Garder ma saisie")));
    QCOMPARE(t->libelle(), QStringLiteral("Bois traité"));
    QCOMPARE(enregistresDeux, 2);
    QTRY_COMPARE(ligne(QStringLiteral("Libellé *"))->text(), QStringLiteral("Bois traité"));
    QVERIFY(!m_form->hasUnsavedChanges());
}

int lancerTestTypeDechetForm(int argc, char** argv)
{
    TestTypeDechetForm t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_typedechetform.moc"
