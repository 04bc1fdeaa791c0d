// The editable copy of a waste type: how it is filled from a record and written back.

#include "screenfixtures.h"
#include "wastes/typedechetformmodel.h"

#include <QtTest>

using namespace kv;

class TestTypeDechetFormModel : public QObject {
    Q_OBJECT

private slots:
    void sansTypeLesValeursParDefaut();
    void remplissageDepuisUnType();
    void centreChoisiALOuverture();
    void ecritureDesTextesOptionnels();
    void ecritureDesCouleurs();
    void dechetsInterditsDecoupesEtJoints_data();
    void dechetsInterditsDecoupesEtJoints();
    void dechetsInterditsRelusALaReouverture();
    void centreFavoriLieEtConserve();
    void centreDisparuIgnore();
    void champsNonEditesConserves();
    void echecDeSauvegardeRapporte();
    void valeursRelues();
};

void TestTypeDechetFormModel::sansTypeLesValeursParDefaut()
{
    fixtures::StdoutCapture sortie;
    TypeDechetFormModel m(nullptr);
    QCOMPARE(sortie.text(), QStringLiteral("TypeDechetFormModel init - type: nil\n"));
    QCOMPARE(m.libelle(), QString());
    QCOMPARE(m.details(), QString());
    QCOMPARE(m.categorie(), QStringLiteral("DIB"));
    QCOMPARE(m.codeCED(), QString());
    QVERIFY(!m.prixBaseForfait() && !m.prixBaseParTonne() && !m.franchiseTonnage()
            && !m.supplementTonnage() && !m.dureeIncluse() && !m.supplementJour());
    QCOMPARE(m.tva(), 20.0);
    QVERIFY(!m.melangeInterdit());
    QVERIFY(!m.estDangereux());
    QCOMPARE(m.dechetsInterdits(), QString());
    QCOMPARE(m.consignes(), QString());
    QCOMPARE(m.couleur(), QStringLiteral("#D1D5DB"));
    QVERIFY(!m.selectedCentreID());
}

void TestTypeDechetFormModel::remplissageDepuisUnType()
{
    auto store = fixtures::store();
    TypeDechet* t = fixtures::wasteType(QStringLiteral("Plâtre"), QStringLiteral("Inertes"));
    store->insert(t);
    t->setCodeCED(QStringLiteral("17 08 02"));
    t->setPrixBaseForfait(150.5);
    t->setDureeIncluse(7);
    t->setSupplementJour(12.5);
    t->setTva(10.0);
    t->setEstDangereux(true);
    t->setDechetsInterditsString(QStringLiteral("verre| amiante ||bois"));
    t->setCouleur(QString());

    fixtures::StdoutCapture sortie;
    TypeDechetFormModel m(t);
    QCOMPARE(sortie.text(), QStringLiteral("TypeDechetFormModel init - type: Plâtre\n"));
    QCOMPARE(m.libelle(), QStringLiteral("Plâtre"));
    QCOMPARE(m.categorie(), QStringLiteral("Inertes"));
    QCOMPARE(m.details(), QString()); // none reads as empty
    QCOMPARE(m.codeCED(), QStringLiteral("17 08 02"));
    QCOMPARE(m.prixBaseForfait(), std::optional<double>(150.5));
    QVERIFY(!m.prixBaseParTonne());
    QCOMPARE(m.dureeIncluse(), std::optional<qint64>(7));
    QCOMPARE(m.supplementJour(), std::optional<double>(12.5));
    QCOMPARE(m.tva(), 10.0);
    QVERIFY(m.estDangereux());
    QCOMPARE(m.dechetsInterdits(), QStringLiteral("verre, amiante, bois"));
    // A colour stored as an empty text stays empty; only an absent one takes the default.
    QCOMPARE(m.couleur(), QString());
    t->setCouleur(std::nullopt);
    QCOMPARE(TypeDechetFormModel(t).couleur(), QStringLiteral("#D1D5DB"));
}

void TestTypeDechetFormModel::centreChoisiALOuverture()
{
    auto store = fixtures::store();
    TypeDechet* t = fixtures::wasteType(QStringLiteral("Bois"));
    store->insert(t);
    QVERIFY(!TypeDechetFormModel(t).selectedCentreID());

    CentreTraitement* a = fixtures::centre(QStringLiteral("A"));
    CentreTraitement* b = fixtures::centre(QStringLiteral("B"));
    store->insert(a);
    store->insert(b);
    t->setCentres({a, b});
    // No favourite: the first centre is chosen.
    QCOMPARE(TypeDechetFormModel(t).selectedCentreID(), std::optional<QUuid>(a->id()));
    // An id that matches none of the centres also falls back to the first one.
    t->setCentreFavoriID(QUuid::createUuid());
    QCOMPARE(TypeDechetFormModel(t).selectedCentreID(), std::optional<QUuid>(a->id()));
    t->setCentreFavoriID(b->id());
    QCOMPARE(TypeDechetFormModel(t).selectedCentreID(), std::optional<QUuid>(b->id()));
}

void TestTypeDechetFormModel::ecritureDesTextesOptionnels()
{
    auto store = fixtures::store();
    TypeDechet* t = fixtures::wasteType(QStringLiteral("Ancien"));
    store->insert(t);
    t->setDetails(QStringLiteral("à effacer"));

    TypeDechetFormModel m(t);
    m.setLibelle(QStringLiteral("  Gravats  "));
    m.setDetails(QStringLiteral("   \n "));
    m.setCodeCED(QStringLiteral("  17 01 07 "));
    m.setConsignes(QStringLiteral("\tBâcher la benne\n"));
    m.setCategorie(QStringLiteral("Inertes"));
    m.setPrixBaseParTonne(-3.0);
    m.setDureeIncluse(14);
    m.setTva(5.5);
    m.setMelangeInterdit(true);
    QString erreur;
    QVERIFY2(m.enregistrer(t, store.get(), &erreur), qPrintable(erreur));

    QCOMPARE(t->libelle(), QStringLiteral("  Gravats  ")); // the name keeps its blanks
    QVERIFY(!t->details());
    QCOMPARE(t->codeCED(), std::optional<QString>(QStringLiteral("17 01 07")));
    QCOMPARE(t->consignes(), std::optional<QString>(QStringLiteral("Bâcher la benne")));
    QCOMPARE(t->categorie(), QStringLiteral("Inertes"));
    QCOMPARE(t->prixBaseParTonne(), std::optional<double>(-3.0));
    QCOMPARE(t->dureeIncluse(), std::optional<qint64>(14));
    QCOMPARE(t->tva(), 5.5);
    QVERIFY(t->melangeInterdit());
    QVERIFY(!store->hasChanges());

    // Clearing a number removes the stored value.
    m.setPrixBaseParTonne(std::nullopt);
    QVERIFY(m.enregistrer(t, store.get()));
    QVERIFY(!t->prixBaseParTonne());
}

void TestTypeDechetFormModel::ecritureDesCouleurs()
{
    auto store = fixtures::store();
    TypeDechet* t = fixtures::wasteType(QStringLiteral("Verre"));
    store->insert(t);

    TypeDechetFormModel m(t);
    QVERIFY(m.enregistrer(t, store.get()));
    QCOMPARE(t->couleur(), std::optional<QString>(QStringLiteral("#D1D5DB")));

    m.setCouleur(QStringLiteral("  "));
    QVERIFY(m.enregistrer(t, store.get()));
    QVERIFY(!t->couleur());

    m.setCouleur(QStringLiteral("FF8000"));
    QVERIFY(m.enregistrer(t, store.get()));
    QCOMPARE(t->couleur(), std::optional<QString>(QStringLiteral("FF8000")));
}

void TestTypeDechetFormModel::dechetsInterditsDecoupesEtJoints_data()
{
    QTest::addColumn<QString>("saisie");
    QTest::addColumn<QString>("stocke");
    QTest::newRow("séparateurs et blancs") << QStringLiteral("verre ;; plâtre,amiante ,")
                                           << QStringLiteral("verre|plâtre|amiante");
    QTest::newRow("doublons gardés dans l'ordre") << QStringLiteral("b, a; b")
                                                  << QStringLiteral("b|a|b");
    QTest::newRow("barre dans un déchet") << QStringLiteral("huile | graisse, pneus|jantes")
                                          << QStringLiteral("huile / graisse|pneus/jantes");
    QTest::newRow("seulement des séparateurs") << QStringLiteral(" , ;\n; ,") << QString();
    QTest::newRow("vide") << QString() << QString();
}

void TestTypeDechetFormModel::dechetsInterditsDecoupesEtJoints()
{
    QFETCH(QString, saisie);
    QFETCH(QString, stocke);
    auto store = fixtures::store();
    TypeDechet* t = fixtures::wasteType(QStringLiteral("DIB"));
    store->insert(t);
    TypeDechetFormModel m(t);
    m.setDechetsInterdits(saisie);
    QVERIFY(m.enregistrer(t, store.get()));
    // An empty list is stored as an empty text, not as none.
    QCOMPARE(t->dechetsInterditsString(), std::optional<QString>(stocke));
}

void TestTypeDechetFormModel::dechetsInterditsRelusALaReouverture()
{
    auto store = fixtures::store();
    TypeDechet* t = fixtures::wasteType(QStringLiteral("DIB"));
    store->insert(t);
    TypeDechetFormModel m(t);
    m.setDechetsInterdits(QStringLiteral("verre ;; plâtre|ciment , amiante"));
    QVERIFY(m.enregistrer(t, store.get()));
    const TypeDechetFormModel relu(t);
    QCOMPARE(relu.dechetsInterdits(), QStringLiteral("verre, plâtre/ciment, amiante"));
    QCOMPARE(t->dechetsInterdits(),
             QStringList({QStringLiteral("verre"), QStringLiteral("plâtre/ciment"),
                          QStringLiteral("amiante")}));
}

void TestTypeDechetFormModel::centreFavoriLieEtConserve()
{
    auto store = fixtures::store();
    TypeDechet* t = fixtures::wasteType(QStringLiteral("Bois"));
    CentreTraitement* a = fixtures::centre(QStringLiteral("A"));
    CentreTraitement* b = fixtures::centre(QStringLiteral("B"));
    CentreTraitement* c = fixtures::centre(QStringLiteral("C"));
    store->insert(t);
    store->insert(a);
    store->insert(b);
    store->insert(c);
    t->setCentres({a, b});
    QVERIFY(store->save());

    TypeDechetFormModel m(t);
    // A centre already linked: the list stays as it is, the favourite changes.
    m.setSelectedCentreID(b->id());
    QVERIFY(m.enregistrer(t, store.get()));
    QCOMPARE(t->centres(), QList<CentreTraitement*>({a, b}));
    QCOMPARE(t->centreFavoriID(), std::optional<QUuid>(b->id()));

    // Another centre is appended once, at the end, and both ends agree.
    m.setSelectedCentreID(c->id());
    QVERIFY(m.enregistrer(t, store.get()));
    QVERIFY(m.enregistrer(t, store.get()));
    QCOMPARE(t->centres(), QList<CentreTraitement*>({a, b, c}));
    QCOMPARE(t->centreFavoriID(), std::optional<QUuid>(c->id()));
    QVERIFY(c->typesAcceptes().contains(t));

    // "— Aucun —": no favourite, every centre stays linked.
    m.setSelectedCentreID(std::nullopt);
    QVERIFY(m.enregistrer(t, store.get()));
    QVERIFY(!t->centreFavoriID());
    QCOMPARE(t->centres(), QList<CentreTraitement*>({a, b, c}));

    // Opened again without a favourite, the first centre is chosen and saving makes it the favourite.
    TypeDechetFormModel rouvert(t);
    QVERIFY(rouvert.enregistrer(t, store.get()));
    QCOMPARE(t->centreFavoriID(), std::optional<QUuid>(a->id()));
}

void TestTypeDechetFormModel::centreDisparuIgnore()
{
    auto store = fixtures::store();
    TypeDechet* t = fixtures::wasteType(QStringLiteral("Bois"));
    CentreTraitement* a = fixtures::centre(QStringLiteral("A"));
    CentreTraitement* b = fixtures::centre(QStringLiteral("B"));
    store->insert(t);
    store->insert(a);
    store->insert(b);
    t->setCentreFavori(a);
    QVERIFY(store->save());

    TypeDechetFormModel m(t);
    m.setSelectedCentreID(b->id());
    m.setLibelle(QStringLiteral("Bois B"));
    QVERIFY(store->remove(b));
    QVERIFY(m.enregistrer(t, store.get()));
    QCOMPARE(t->libelle(), QStringLiteral("Bois B"));
    QCOMPARE(t->centreFavoriID(), std::optional<QUuid>(a->id()));
    QCOMPARE(t->centres(), QList<CentreTraitement*>({a}));
}

void TestTypeDechetFormModel::champsNonEditesConserves()
{
    auto store = fixtures::store();
    TypeDechet* t = fixtures::wasteType(QStringLiteral("Terre"));
    store->insert(t);
    t->setZonesCompatiblesString(QStringLiteral("Nord|Sud"));
    t->setBennesCompatiblesString(QStringLiteral("10.0|15.0"));
    t->setDocumentsObligatoiresString(QStringLiteral("BSD"));
    const QUuid id = t->id();

    TypeDechetFormModel m(t);
    m.setLibelle(QStringLiteral("Terre végétale"));
    QVERIFY(m.enregistrer(t, store.get()));
    QCOMPARE(t->id(), id);
    QCOMPARE(t->zonesCompatiblesString(), std::optional<QString>(QStringLiteral("Nord|Sud")));
    QCOMPARE(t->bennesCompatiblesString(), std::optional<QString>(QStringLiteral("10.0|15.0")));
    QCOMPARE(t->documentsObligatoiresString(), std::optional<QString>(QStringLiteral("BSD")));
}

void TestTypeDechetFormModel::echecDeSauvegardeRapporte()
{
    auto store = fixtures::store();
    TypeDechet* t = fixtures::wasteType(QStringLiteral("Carton"));
    store->insert(t);
    QVERIFY(store->save());

    TypeDechetFormModel m(t);
    m.setLibelle(QStringLiteral("Carton ondulé"));
    store->failNextSave(QStringLiteral("disque plein"));
    QString erreur;
    QVERIFY(!m.enregistrer(t, store.get(), &erreur));
    QVERIFY2(erreur.contains(QStringLiteral("disque plein")), qPrintable(erreur));
    // The values are in the context, unsaved; the model is unchanged and can be written again.
    QCOMPARE(t->libelle(), QStringLiteral("Carton ondulé"));
    QVERIFY(store->hasChanges());
    QCOMPARE(m.libelle(), QStringLiteral("Carton ondulé"));
    QVERIFY(m.enregistrer(t, store.get(), &erreur));
    QVERIFY(!store->hasChanges());
}

void TestTypeDechetFormModel::valeursRelues()
{
    QTemporaryDir dossier;
    QVERIFY(dossier.isValid());
    const QString chemin = dossier.filePath(QStringLiteral("types.store"));
    QUuid id, idCentre;
    {
        auto store = ModelContext::open(chemin);
        QVERIFY(store);
        TypeDechet* t = fixtures::wasteType(QStringLiteral("Amiante"));
        CentreTraitement* c = fixtures::centre(QStringLiteral("ISDD"));
        store->insert(t);
        store->insert(c);
        id = t->id();
        idCentre = c->id();
        TypeDechetFormModel m(t);
        m.setSupplementTonnage(42.25);
        m.setEstDangereux(true);
        m.setDechetsInterdits(QStringLiteral("plâtre, bois"));
        m.setSelectedCentreID(idCentre);
        QVERIFY(m.enregistrer(t, store.get()));
    }
    auto store = ModelContext::open(chemin);
    QVERIFY(store);
    TypeDechet* t = store->find<TypeDechet>(id);
    QVERIFY(t);
    QCOMPARE(t->supplementTonnage(), std::optional<double>(42.25));
    QVERIFY(t->estDangereux());
    QCOMPARE(t->dechetsInterditsString(), std::optional<QString>(QStringLiteral("plâtre|bois")));
    QCOMPARE(t->centreFavoriID(), std::optional<QUuid>(idCentre));
    QCOMPARE(t->centres().size(), 1);
    QCOMPARE(t->centres().first()->id(), idCentre);
}

int lancerTestTypeDechetFormModel(int argc, char** argv)
{
    TestTypeDechetFormModel t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_typedechetformmodel.moc"
