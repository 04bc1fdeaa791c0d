#include "tests.h"

#include "outils.h"
#include "lecteurecran.h"
#include "model/plages.h"
#include "weighing/dispositionetroite.h"
#include "widgets/windowtitle.h"
#include "widgets/etiquetterepliable.h"
#include "weighing/minibondepeseeform.h"
#include "weighing/piecejointepreview.h"
#include "widgets/elidedlabel.h"
#include "widgets/macsectionheader.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using kv::BonDePesee;
using kv::MiniBonDePeseeForm;
using namespace outils;

namespace {

// The form shown over a rental holding one saved ticket of that weight.
std::unique_ptr<MiniBonDePeseeForm> formulaireDUnBon(Bureau& b, double kg, kv::LocationDeBenne** l, BonDePesee** bon)
{
    *l = b.location(b.client(QStringLiteral("Durand")), at(2026, 3, 9, 10));
    *bon = b.bon(*l, at(2026, 3, 5, 9), kg);
    if (!b.sauver())
        qWarning("magasin non enregistré");
    auto f = formulaire(b, *l);
    f->show();
    return f;
}

QList<QWidget*> lignes(const MiniBonDePeseeForm& f)
{
    return f.findChildren<QWidget*>(QStringLiteral("ligneBon"));
}

QString dateDeLigne(QWidget* ligne)
{
    return ligne->findChild<QLabel*>(QStringLiteral("dateBon"))->text();
}

bool grasse(QWidget* ligne)
{
    return ligne->findChild<QLabel*>(QStringLiteral("dateBon"))->font().weight() == QFont::DemiBold;
}

QStringList tagsMontres(const MiniBonDePeseeForm& f)
{
    // The document's state first, then the weight.
    QStringList montres;
    for (kv::EtiquetteRepliable* tag : f.findChildren<kv::EtiquetteRepliable*>())
        montres << tag->texte();
    for (kv::MacTag* tag : f.findChildren<kv::MacTag*>())
        montres << tag->text();
    return montres;
}

void taper(MiniBonDePeseeForm& f, const QString& texte)
{
    f.champPoids()->clear();
    QTest::keyClicks(f.champPoids(), texte);
}

void cliquer(QWidget* parent, const char* nom)
{
    auto* b = parent->findChild<QAbstractButton*>(QLatin1String(nom));
    QVERIFY2(b, nom);
    QVERIFY2(b->isVisibleTo(parent) && b->isEnabled(), nom);
    QTest::mouseClick(b, Qt::LeftButton);
}

// Answers the open question box with the button of that text.
bool repondre(QWidget* sur, const QString& bouton)
{
    for (QMessageBox* box : sur->findChildren<QMessageBox*>()) {
        for (QAbstractButton* b : box->buttons())
            if (fixtures::shownText(b) == bouton) {
                b->click();
                QCoreApplication::processEvents();
                return true;
            }
    }
    return false;
}

} // namespace

void TestFormulaire::sansBon()
{
    Bureau b;
    auto* l = b.location(b.client(QStringLiteral("Durand")), at(2026, 3, 9, 10));
    QVERIFY(b.sauver());
    auto f = formulaire(b, l);
    f->show();
    QVERIFY(!f->bonCourant());
    QCOMPARE(f->date(), maintenant());
    QCOMPARE(f->poidsNetKgStr(), QString());
    QVERIFY(!f->findChild<QWidget*>(QStringLiteral("listeBons"))->isVisibleTo(f.get())
            || lignes(*f).isEmpty());
    QVERIFY(f->findChild<QLabel*>(QStringLiteral("aucunePiece"))->isVisible());
    QVERIFY(f->findChild<QPushButton*>(QStringLiteral("ajouterBordereau"))->isVisible());

    taper(*f, QStringLiteral("850,5"));
    cliquer(f.get(), "enregistrer");
    tourDeBoucle();
    QCOMPARE(l->bonsDePesee().size(), 1);
    BonDePesee* bon = l->bonsDePesee().first();
    QCOMPARE(f->bonCourant(), bon);
    QCOMPARE(bon->poidsDechetsKg(), std::optional<double>(850.5));
    QCOMPARE(bon->date(), maintenant());
    QVERIFY(!bon->numero() && !bon->poidsArriveePontKg() && !bon->poidsApresVidagePontKg());
    QVERIFY(!b.ctx->hasChanges());
    QCOMPARE(lignes(*f).size(), 1);
    QVERIFY(grasse(lignes(*f).first()));
    QCOMPARE(lignes(*f).first()->findChild<kv::ElidedLabel*>(QStringLiteral("poidsBon"))->text(), QStringLiteral("850 kg"));
}

void TestFormulaire::troisBons()
{
    Bureau b;
    auto* l = b.location(b.client(QStringLiteral("Durand")), at(2026, 3, 9, 10));
    BonDePesee* ancien = b.bon(l, at(2026, 3, 3, 9), 100);
    BonDePesee* recent = b.bon(l, at(2026, 3, 5, 11, 30), 200, QStringLiteral("/ailleurs/scan.pdf"));
    BonDePesee* milieu = b.bon(l, at(2026, 3, 4, 16), std::nullopt);
    QVERIFY(b.sauver());
    QCOMPARE(kv::bonsParDate(l), (QList<BonDePesee*>{recent, milieu, ancien}));
    QCOMPARE(l->bonsDePesee(), (QList<BonDePesee*>{ancien, recent, milieu})); // never reordered
    QCOMPARE(kv::dernierBon(l), recent);

    auto f = formulaire(b, l);
    f->show();
    QCOMPARE(f->bonCourant(), recent);
    QCOMPARE(f->poidsNetKgStr(), QStringLiteral("200"));
    QCOMPARE(f->cheminFichier(), std::optional<QString>(QStringLiteral("/ailleurs/scan.pdf")));
    const QList<QWidget*> rangs = lignes(*f);
    QCOMPARE(rangs.size(), 3);
    QCOMPARE(dateDeLigne(rangs[0]), QStringLiteral("05/03/2026 11:30"));
    QVERIFY(grasse(rangs[0]) && !grasse(rangs[1]) && !grasse(rangs[2]));
    QVERIFY(rangs[0]->findChild<QLabel*>(QStringLiteral("tromboneBon")));
    QCOMPARE(rangs[0]->findChild<QLabel*>(QStringLiteral("tromboneBon"))->toolTip(), QStringLiteral("Bordereau joint"));
    QVERIFY(!rangs[1]->findChild<QLabel*>(QStringLiteral("tromboneBon")));
    QCOMPARE(rangs[1]->findChild<kv::ElidedLabel*>(QStringLiteral("poidsBon"))->text(), QStringLiteral("0 kg"));

    // Clicking a row loads it; what was typed for the former is dropped once the question says so.
    taper(*f, QStringLiteral("999"));
    QTest::mouseClick(rangs[2]->findChild<QPushButton*>(QStringLiteral("choisirBon")), Qt::LeftButton);
    QCOMPARE(f->bonCourant(), recent);
    QVERIFY(abandonnerSaisie(f.get()));
    QCOMPARE(f->bonCourant(), ancien);
    QCOMPARE(f->poidsNetKgStr(), QStringLiteral("100"));
    QCOMPARE(f->date(), at(2026, 3, 3, 9));
    QVERIFY(!f->cheminFichier());
    const QList<QWidget*> apres = lignes(*f);
    QVERIFY(!grasse(apres[0]) && grasse(apres[2]));
    QCOMPARE(recent->poidsDechetsKg(), std::optional<double>(200));

    // Two tickets of the same instant: the rental's first counts as the newest.
    BonDePesee* jumeau1 = b.bon(l, at(2026, 3, 6, 8), 1);
    b.bon(l, at(2026, 3, 6, 8), 2);
    QCOMPARE(kv::dernierBon(l), jumeau1);
}

void TestFormulaire::poids()
{
    Bureau b;
    kv::LocationDeBenne* l = nullptr;
    BonDePesee* bon = nullptr;
    auto f = formulaireDUnBon(b, 850.456, &l, &bon);
    QCOMPARE(f->poidsNetKgStr(), QStringLiteral("850,46"));

    // Saving without touching the weight keeps the stored value exactly.
    f->enregistrerBon();
    QCOMPARE(bon->poidsDechetsKg(), std::optional<double>(850.456));

    taper(*f, QStringLiteral("8 50,5"));
    f->enregistrerBon();
    QVERIFY(f->importerError().contains(QStringLiteral("8 50,5")));
    QCOMPARE(bon->poidsDechetsKg(), std::optional<double>(850.456));
    QVERIFY(!b.ctx->hasChanges());

    taper(*f, QStringLiteral("inf"));
    f->enregistrerBon();
    QVERIFY(!f->importerError().isEmpty());
    QCOMPARE(bon->poidsDechetsKg(), std::optional<double>(850.456));

    // A weight is never negative: refused in the red line like a text that is not a number.
    taper(*f, QStringLiteral("-3"));
    f->enregistrerBon();
    QVERIFY(f->importerError().contains(QStringLiteral("« -3 »")));
    QVERIFY(f->findChild<QLabel*>(QStringLiteral("ligneErreur"))->isVisibleTo(f.get()));
    QCOMPARE(bon->poidsDechetsKg(), std::optional<double>(850.456));
    QVERIFY(!b.ctx->hasChanges());
    taper(*f, QStringLiteral("-0,5"));
    f->enregistrerBon();
    QVERIFY(f->importerError().contains(QStringLiteral("« -0,5 »")));
    QCOMPARE(bon->poidsDechetsKg(), std::optional<double>(850.456));

    taper(*f, QStringLiteral("850,5"));
    f->enregistrerBon();
    QCOMPARE(f->importerError(), QString()); // a successful save clears the message
    QCOMPARE(bon->poidsDechetsKg(), std::optional<double>(850.5));

    taper(*f, QString());
    f->enregistrerBon();
    QVERIFY(!bon->poidsDechetsKg());
    QVERIFY(!b.ctx->hasChanges());
}

void TestFormulaire::poidsHorsLimites()
{
    Bureau b;
    kv::LocationDeBenne* l = nullptr;
    BonDePesee* ancien = nullptr;
    // A weight stored before weights were bounded.
    auto f = formulaireDUnBon(b, 1e20, &l, &ancien);
    QVERIFY(QTest::qWaitForWindowExposed(f.get()));
    f->activateWindow();
    QCOMPARE(f->bonCourant(), ancien);

    // Saved again with its weight untouched, it keeps it as it is.
    f->champDate()->setDateTime(at(2026, 3, 3, 9));
    QTest::keyClick(f->champPoids(), Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(f->importerError(), QString());
    QCOMPARE(ancien->date(), at(2026, 3, 3, 9));
    QCOMPARE(ancien->poidsDechetsKg(), std::optional<double>(1e20));

    // Typed, a weight just past either bound is refused, naming the field and the range.
    const auto refuse = [&](const QString& texte) {
        f->champPoids()->setFocus();
        taper(*f, texte);
        QTest::keyClick(f->champPoids(), Qt::Key_Return, Qt::ControlModifier);
        QVERIFY2(f->importerError().contains(QStringLiteral("« %1 »").arg(texte)), qPrintable(f->importerError()));
        QVERIFY(f->findChild<QLabel*>(QStringLiteral("ligneErreur"))->isVisibleTo(f.get()));
        QCOMPARE(QApplication::focusWidget(), f->champPoids());
        QCOMPARE(ancien->poidsDechetsKg(), std::optional<double>(1e20));
        QVERIFY(!b.ctx->hasChanges());
    };
    refuse(QStringLiteral("100000,01"));
    QVERIFY(f->importerError().contains(QStringLiteral("poids net")));
    QVERIFY(f->importerError().contains(kv::textePlage(kv::plages::poidsNetKg)));
    refuse(QStringLiteral("99999999999999999999"));
    refuse(QStringLiteral("1e20"));
    refuse(QStringLiteral("-0,01"));

    // A new ticket past the bound is not created.
    f->nouveauBon();
    QVERIFY(abandonnerSaisie(f.get()));
    taper(*f, QStringLiteral("100000,5"));
    QTest::keyClick(f->champPoids(), Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(l->bonsDePesee().size(), 1);
    QVERIFY(!b.ctx->hasChanges());

    // The bound itself is accepted.
    taper(*f, QStringLiteral("100000"));
    QTest::keyClick(f->champPoids(), Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(f->importerError(), QString());
    QCOMPARE(l->bonsDePesee().size(), 2);
    QCOMPARE(f->bonCourant()->poidsDechetsKg(), std::optional<double>(kv::plages::poidsNetKg.maximum));
}

void TestFormulaire::formatPoids()
{
    QCOMPARE(MiniBonDePeseeForm::formatPoids(850), QStringLiteral("850"));
    QCOMPARE(MiniBonDePeseeForm::formatPoids(850.456), QStringLiteral("850,46"));
    QCOMPARE(MiniBonDePeseeForm::formatPoids(850.5), QStringLiteral("850,5"));
    QCOMPARE(MiniBonDePeseeForm::formatPoids(12345.25), QStringLiteral("12345,25"));
    QCOMPARE(MiniBonDePeseeForm::formatPoids(-3.1), QStringLiteral("-3,1"));
    QCOMPARE(MiniBonDePeseeForm::formatPoids(0), QStringLiteral("0"));
    // Ties go to the even digit, on the number's shortest decimal text, as the amounts do.
    QCOMPARE(MiniBonDePeseeForm::formatPoids(850.125), QStringLiteral("850,12"));
    QCOMPARE(MiniBonDePeseeForm::formatPoids(850.135), QStringLiteral("850,14"));
    QCOMPARE(MiniBonDePeseeForm::formatPoids(2.675), QStringLiteral("2,68"));
    QCOMPARE(MiniBonDePeseeForm::formatPoids(0.125), QStringLiteral("0,12"));
    QCOMPARE(MiniBonDePeseeForm::formatPoids(99.995), QStringLiteral("100"));
    QCOMPARE(MiniBonDePeseeForm::formatPoids(-0.001), QStringLiteral("0"));
}

void TestFormulaire::kilosEntiers()
{
    QCOMPARE(kv::kilosEntiers(850.99), QStringLiteral("850"));
    QCOMPARE(kv::kilosEntiers(-3.7), QStringLiteral("-3"));
    QCOMPARE(kv::kilosEntiers(0), QStringLiteral("0"));
    QCOMPARE(kv::kilosEntiers(1e20), QStringLiteral("100000000000000000000"));
    QCOMPARE(kv::kilosEntiers(-1e19), QStringLiteral("-10000000000000000000"));
    QCOMPARE(kv::kilosEntiers(std::numeric_limits<double>::infinity()), QStringLiteral("∞"));
    QCOMPARE(kv::kilosEntiers(std::nan("")), QStringLiteral("—"));
}

void TestFormulaire::enTete()
{
    Bureau b;
    auto* l = b.location(b.client(QStringLiteral("Durand & fils")), at(2026, 3, 9, 10));
    QVERIFY(b.sauver());
    auto f = formulaire(b, l);
    f->show();
    auto* entete = f->findChild<kv::MacSectionHeader*>(QStringLiteral("enteteBon"));
    QVERIFY(entete);
    QCOMPARE(entete->title(), QStringLiteral("Bon de pesée"));
    QCOMPARE(f->tagsEnTete(), QStringList{QStringLiteral("Sans document pour le moment")});
    for (const QString& t : {QStringLiteral("0"), QStringLiteral("-3"), QStringLiteral("abc")}) {
        taper(*f, t);
        QCOMPARE(f->tagsEnTete().size(), 1);
    }
    taper(*f, QStringLiteral("12,9"));
    QCOMPARE(f->tagsEnTete(), (QStringList{QStringLiteral("Sans document pour le moment"), QStringLiteral("12 kg")}));
    // The tags shown follow the typed text.
    QCOMPARE(tagsMontres(*f), f->tagsEnTete());
    entete = f->findChild<kv::MacSectionHeader*>(QStringLiteral("enteteBon")); // rebuilt as typed
    auto* aide = entete->findChild<QToolButton*>();
    QVERIFY(aide);
    QCOMPARE(aide->toolTip(), QStringLiteral("Aide sur la saisie du bon de pesée"));
    QVERIFY(aide->focusPolicy() & Qt::TabFocus);

    // A weight typed over a stored one is marked as not stored until it is.
    f->enregistrerBon();
    auto* marque = f->findChild<kv::ElidedLabel*>(QStringLiteral("poidsNonEnregistre"));
    QVERIFY(marque);
    QVERIFY(!marque->isVisible());
    taper(*f, QStringLiteral("9000"));
    QVERIFY(marque->isVisible());
    f->enregistrerBon();
    QVERIFY(!marque->isVisible());
}

void TestFormulaire::dateAvantLaPose()
{
    // A ticket dated before its rental's placement asks first, naming the placement; « Corriger
    // la date » stores nothing and gives the date field the keys.
    Bureau b;
    auto* l = b.location(b.client(QStringLiteral("Durand")), at(2026, 3, 9, 10));
    QVERIFY(b.sauver());
    auto f = formulaire(b, l);
    f->show();
    QVERIFY(QTest::qWaitForWindowActive(f.get()));
    f->champDate()->setDateTime(at(2026, 3, 1, 10));
    taper(*f, QStringLiteral("500"));
    QTest::mouseClick(f->boutonEnregistrer(), Qt::LeftButton);
    QMessageBox* box = fixtures::openBox(f.get(), QStringLiteral("bonAvantPose"));
    QVERIFY(box);
    QVERIFY2(box->informativeText().contains(QStringLiteral("pose de la benne le 02/03/2026 08:00 chez Durand")),
             qPrintable(box->informativeText()));
    QVERIFY(l->bonsDePesee().isEmpty());
    QVERIFY(fixtures::clickBoxButton(box, QStringLiteral("Corriger la date")));
    QVERIFY(l->bonsDePesee().isEmpty());
    QTRY_COMPARE(f->focusWidget(), f->champDate());
    QTest::mouseClick(f->boutonEnregistrer(), Qt::LeftButton);
    QVERIFY(fixtures::clickBoxButton(fixtures::openBox(f.get(), QStringLiteral("bonAvantPose")),
                                     QStringLiteral("Enregistrer quand même")));
    QCOMPARE(l->bonsDePesee().size(), 1);
    QCOMPARE(l->bonsDePesee().first()->date(), at(2026, 3, 1, 10));
}

void TestFormulaire::badgeDuPoids()
{
    Bureau b;
    kv::LocationDeBenne* l = nullptr;
    BonDePesee* ancien = nullptr;
    // A weight stored before weights were bounded is no weight the form would keep if typed.
    auto f = formulaireDUnBon(b, 1e20, &l, &ancien);
    f->resize(420, 700);
    QTest::qWait(0);
    QCOMPARE(f->tagsEnTete().size(), 1);
    const int largeur = f->minimumSizeHint().width();

    // Refused texts show no weight, and none widens the form.
    for (const QString& t : {QStringLiteral("1e300"), QStringLiteral("1e20"), QStringLiteral("100000,01"),
                             QStringLiteral("99999999999999999999"), QStringLiteral("-0,5"), QStringLiteral("8 50")}) {
        f->champPoids()->setFocus();
        taper(*f, t);
        QVERIFY2(f->tagsEnTete().size() == 1, qPrintable(t + QLatin1String(": ") + f->tagsEnTete().join(u'|')));
        QCOMPARE(tagsMontres(*f), f->tagsEnTete());
        QVERIFY2(f->minimumSizeHint().width() <= largeur,
                 qPrintable(QStringLiteral("%1: %2 > %3").arg(t).arg(f->minimumSizeHint().width()).arg(largeur)));
    }
    // A weight within the range shows its whole kilos, the bound included.
    taper(*f, QStringLiteral("100000"));
    QCOMPARE(tagsMontres(*f).value(1), QStringLiteral("100000 kg"));
    taper(*f, QStringLiteral("99999,99"));
    QCOMPARE(tagsMontres(*f).value(1), QStringLiteral("99999 kg"));
}

void TestFormulaire::poidsColle()
{
    Bureau b;
    kv::LocationDeBenne* l = nullptr;
    BonDePesee* bon = nullptr;
    auto f = formulaireDUnBon(b, 500, &l, &bon);
    QVERIFY(QTest::qWaitForWindowExposed(f.get()));
    f->activateWindow();
    const auto coller = [&](const QString& presse) {
        QApplication::clipboard()->setText(presse);
        f->champPoids()->setFocus();
        f->champPoids()->selectAll();
        QTest::keyClick(f->champPoids(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(f->champPoids()->text(), presse);
        QTest::keyClick(f->champPoids(), Qt::Key_Return, Qt::ControlModifier);
    };

    // Out of range, it says its range as a typed one does.
    coller(QStringLiteral("99999999999999999999\n"));
    QCOMPARE(f->importerError(), QStringLiteral("Le poids net « 99999999999999999999 » n'est pas %1 : rien n'a été enregistré.")
                                     .arg(kv::textePlage(kv::plages::poidsNetKg)));
    QCOMPARE(bon->poidsDechetsKg(), std::optional<double>(500));
    coller(QStringLiteral("\t 100000,5 \r\n"));
    QVERIFY2(f->importerError().contains(QStringLiteral("« 100000,5 » n'est pas entre")), qPrintable(f->importerError()));
    QCOMPARE(f->tagsEnTete().size(), 1);

    // Within it, it is saved, and the badge shows it.
    coller(QStringLiteral(" 850,5\n"));
    QCOMPARE(f->tagsEnTete().value(1), QStringLiteral("850 kg"));
    QCOMPARE(f->importerError(), QString());
    QCOMPARE(bon->poidsDechetsKg(), std::optional<double>(850.5));
    QVERIFY(!b.ctx->hasChanges());

    // A line end inside a number is no blank around it.
    coller(QStringLiteral("85\n0"));
    QVERIFY2(f->importerError().contains(QStringLiteral("n'est pas un nombre")), qPrintable(f->importerError()));
    QCOMPARE(bon->poidsDechetsKg(), std::optional<double>(850.5));
}

void TestFormulaire::textesDuDechet()
{
    Bureau b;
    auto* client = b.client(QStringLiteral("Durand"));
    auto* sans = b.location(client, at(2026, 3, 9, 10));
    kv::TypeDechet* gravats = b.type(QStringLiteral("Gravats"), 85);
    kv::TypeDechet* bois = b.type(QStringLiteral("Bois"), std::nullopt);
    kv::CentreTraitement* nord = b.centre(QStringLiteral("Centre Nord"));
    kv::CentreTraitement* sud = b.centre(QStringLiteral("Centre Sud"));
    gravats->setCentres({nord, sud});
    gravats->setCentreFavori(sud);
    auto* avec = b.location(client, at(2026, 3, 9, 10), gravats);
    auto* bois1 = b.location(client, at(2026, 3, 9, 10), bois);
    QVERIFY(b.sauver());

    auto f = formulaire(b, sans);
    QCOMPARE(f->centreTexte(), QStringLiteral("—"));
    QCOMPARE(f->prixTexte(), QStringLiteral("—"));
    QCOMPARE(f->dechetTexte(), QString());
    QCOMPARE(f->poseTexte(), QStringLiteral("02/03/2026"));

    f->setLocation(avec);
    QCOMPARE(f->centreTexte(), QStringLiteral("Centre Sud"));
    QCOMPARE(f->prixTexte(), QStringLiteral("85.00 €/t HT"));
    QCOMPARE(f->dechetTexte(), QStringLiteral("Gravats"));
    QCOMPARE(f->findChild<QLabel*>(QStringLiteral("prixParTonne"))->text(), QStringLiteral("85.00 €/t HT"));

    f->setLocation(bois1);
    QCOMPARE(f->centreTexte(), QStringLiteral("—"));
    QCOMPARE(f->prixTexte(), QStringLiteral("—"));

    // A centre renamed in the store shows at once.
    f->setLocation(avec);
    sud->setNom(QStringLiteral("Centre Sud-Est"));
    tourDeBoucle();
    QCOMPARE(f->findChild<kv::ElidedLabel*>(QStringLiteral("centreTraitement"))->text(), QStringLiteral("Centre Sud-Est"));

    // A ticket keeps showing the centre it was taken to once that centre is deleted.
    taper(*f, QStringLiteral("850"));
    cliquer(f.get(), "enregistrer");
    QCOMPARE(avec->bonsDePesee().size(), 1);
    QVERIFY(b.ctx->remove(sud));
    QVERIFY(b.sauver());
    tourDeBoucle();
    QCOMPARE(f->findChild<kv::ElidedLabel*>(QStringLiteral("centreTraitement"))->text(), QStringLiteral("Centre Sud-Est"));

    // In a wide pane the waste's name and "Prix par tonne" stand whole, uncut, beside each other.
    f->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.get()));
    for (kv::LocationDeBenne* l : {bois1, avec}) {
        f->setLocation(l);
        tourDeBoucle();
        auto* dechet = f->findChild<kv::ElidedLabel*>(QStringLiteral("dechetLibelle"));
        QVERIFY(dechet);
        const QList<kv::ElidedLabel*> rangee = dechet->parentWidget()->findChildren<kv::ElidedLabel*>();
        QVERIFY(rangee.size() >= 2);
        for (kv::ElidedLabel* texte : rangee)
            QVERIFY2(!texte->isVisible() || !texte->isElided(),
                     qPrintable(texte->shownText() + QStringLiteral(" for ") + texte->text()));
        auto* prix = f->findChild<QLabel*>(QStringLiteral("prixParTonne"));
        QCOMPARE(prix->mapTo(f.get(), prix->rect().center()).y(), dechet->mapTo(f.get(), dechet->rect().center()).y());
    }
}

void TestFormulaire::raccourciEnregistrer()
{
    Bureau b;
    auto* l = b.location(b.client(QStringLiteral("Durand")), at(2026, 3, 9, 10));
    QVERIFY(b.sauver());
    auto f = formulaire(b, l);
    f->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.get()));
    f->activateWindow();
    taper(*f, QStringLiteral("420"));
    QTest::keyClick(f->champPoids(), Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(l->bonsDePesee().size(), 1);
    QCOMPARE(l->bonsDePesee().first()->poidsDechetsKg(), std::optional<double>(420));
    // The date typed is the ticket's.
    f->champDate()->setDateTime(at(2026, 3, 8, 7, 45));
    QTest::keyClick(f->champPoids(), Qt::Key_Enter, Qt::ControlModifier);
    QCOMPARE(l->bonsDePesee().size(), 1);
    QCOMPARE(l->bonsDePesee().first()->date(), at(2026, 3, 8, 7, 45));
}

void TestFormulaire::suppression()
{
    Bureau b;
    auto* l = b.location(b.client(QStringLiteral("Durand")), at(2026, 3, 9, 10));
    BonDePesee* ancien = b.bon(l, at(2026, 3, 3, 9), 100);
    BonDePesee* recent = b.bon(l, at(2026, 3, 5, 9), 200);
    QVERIFY(b.sauver());
    auto f = formulaire(b, l);
    f->show();
    QCOMPARE(f->bonCourant(), recent);

    // "Annuler" changes nothing.
    QTest::mouseClick(lignes(*f)[0]->findChild<QToolButton*>(QStringLiteral("supprimerBon")), Qt::LeftButton);
    QVERIFY(repondre(f.get(), QStringLiteral("Annuler")));
    QCOMPARE(l->bonsDePesee().size(), 2);
    QVERIFY(!b.ctx->hasChanges());

    QTest::mouseClick(lignes(*f)[0]->findChild<QToolButton*>(QStringLiteral("supprimerBon")), Qt::LeftButton);
    QMessageBox* question = f->findChild<QMessageBox*>();
    QVERIFY(question);
    QCOMPARE(question->text().isEmpty() && question->informativeText().isEmpty(), false);
    fixtures::HeardAnnouncements lecteur; // the delete and the save are said
    QVERIFY(repondre(f.get(), QStringLiteral("Supprimer")));
    tourDeBoucle();
    QVERIFY(recent->isDeleted());
    taper(*f, QStringLiteral("150"));
    QVERIFY(f->enregistrerBon());
    QCOMPARE(lecteur.said, (QStringList{QStringLiteral("Bon de pesée du 05/03/2026 09:00 supprimé."),
                                        QStringLiteral("Bon de pesée du 03/03/2026 09:00 enregistré.")}));
    QVERIFY(!b.ctx->hasChanges());
    QCOMPARE(f->bonCourant(), ancien);
    QCOMPARE(lignes(*f).size(), 1);

    f->supprimerBon(ancien);
    tourDeBoucle();
    QVERIFY(!f->bonCourant());
    QCOMPARE(f->poidsNetKgStr(), QString());
    QVERIFY(lignes(*f).isEmpty());
}

void TestFormulaire::autreLocation()
{
    Bureau b;
    auto* client = b.client(QStringLiteral("Durand"));
    auto* l1 = b.location(client, at(2026, 3, 9, 10));
    auto* l2 = b.location(b.client(QStringLiteral("Martin")), at(2026, 3, 8, 10));
    auto* l3 = b.location(client, at(2026, 3, 7, 10));
    BonDePesee* bon3 = b.bon(l3, at(2026, 3, 7, 12), 300, QStringLiteral("/x/y.pdf"));
    QVERIFY(b.sauver());
    auto f = formulaire(b, l1);
    f->show();

    // Both without tickets: nothing typed for the first goes to the second.
    taper(*f, QStringLiteral("777"));
    f->champDate()->setDateTime(at(2026, 3, 3, 6));
    f->importerFichierChoisi(ecrireImage(b.donnees.filePath(QStringLiteral("photo.png"))));
    f->enregistrerBon(); // creates on l1
    taper(*f, QStringLiteral("x"));
    f->enregistrerBon(); // a message
    QVERIFY(!f->importerError().isEmpty());
    f->setLocation(l2);
    QVERIFY(!f->bonCourant());
    QCOMPARE(f->poidsNetKgStr(), QString());
    QCOMPARE(f->date(), maintenant());
    QVERIFY(!f->cheminFichier());
    QCOMPARE(f->importerError(), QString());
    f->enregistrerBon();
    QCOMPARE(l2->bonsDePesee().size(), 1);
    QVERIFY(!l2->bonsDePesee().first()->poidsDechetsKg());
    QCOMPARE(l1->bonsDePesee().size(), 1);

    f->setLocation(l3);
    QCOMPARE(f->bonCourant(), bon3);
    QCOMPARE(f->poidsNetKgStr(), QStringLiteral("300"));
    QCOMPARE(f->location(), l3);
}

void TestFormulaire::nouveauBon()
{
    Bureau b;
    auto* l = b.location(b.client(QStringLiteral("Durand")), at(2026, 3, 9, 10));
    BonDePesee* premier = b.bon(l, at(2026, 3, 9, 11), 500);
    QVERIFY(b.sauver());
    auto f = formulaire(b, l);
    f->show();
    QCOMPARE(f->bonCourant(), premier);
    cliquer(f.get(), "nouveauBon");
    QVERIFY(!f->bonCourant());
    QCOMPARE(f->poidsNetKgStr(), QString());
    // An older date than the first ticket's: the new ticket still stays loaded.
    f->champDate()->setDateTime(at(2026, 3, 9, 9));
    taper(*f, QStringLiteral("250"));
    cliquer(f.get(), "enregistrer");
    tourDeBoucle();
    QCOMPARE(l->bonsDePesee().size(), 2);
    BonDePesee* second = l->bonsDePesee().last();
    QCOMPARE(f->bonCourant(), second);
    QCOMPARE(premier->poidsDechetsKg(), std::optional<double>(500));
    QCOMPARE(second->poidsDechetsKg(), std::optional<double>(250));
    QCOMPARE(lignes(*f).size(), 2);
    QVERIFY(grasse(lignes(*f)[1]));
    // "Enregistrer" again updates it, no third ticket.
    taper(*f, QStringLiteral("260"));
    cliquer(f.get(), "enregistrer");
    QCOMPARE(l->bonsDePesee().size(), 2);
    QCOMPARE(second->poidsDechetsKg(), std::optional<double>(260));
}

void TestFormulaire::echecs()
{
    Bureau b;
    auto* l = b.location(b.client(QStringLiteral("Durand")), at(2026, 3, 9, 10));
    QVERIFY(b.sauver());
    auto f = formulaire(b, l);
    f->show();

    // A new ticket whose save failed is dropped: the retry stores one.
    taper(*f, QStringLiteral("100"));
    b.ctx->failNextSave(QStringLiteral("disque plein"));
    f->enregistrerBon();
    QCOMPARE(f->importerError(), QStringLiteral("Échec de la sauvegarde: disque plein"));
    QVERIFY(l->bonsDePesee().isEmpty());
    QVERIFY(!b.ctx->hasChanges());
    QCOMPARE(f->poidsNetKgStr(), QStringLiteral("100"));
    f->enregistrerBon();
    tourDeBoucle();
    QCOMPARE(l->bonsDePesee().size(), 1);
    QCOMPARE(f->importerError(), QString());
    BonDePesee* bon = l->bonsDePesee().first();

    // An edit whose save failed is taken back; the typed value stays.
    taper(*f, QStringLiteral("150"));
    b.ctx->failNextSave(QStringLiteral("verrou"));
    f->enregistrerBon();
    QCOMPARE(f->importerError(), QStringLiteral("Échec de la sauvegarde: verrou"));
    QCOMPARE(bon->poidsDechetsKg(), std::optional<double>(100));
    QCOMPARE(f->poidsNetKgStr(), QStringLiteral("150"));

    // A deletion whose save failed is taken back.
    b.ctx->failNextSave(QStringLiteral("verrou"));
    f->supprimerBon(bon);
    tourDeBoucle();
    QCOMPARE(f->importerError(), QStringLiteral("Échec de la suppression: verrou"));
    QVERIFY(!bon->isDeleted());
    QCOMPARE(l->bonsDePesee().size(), 1);
    QCOMPARE(f->bonCourant(), bon);
    QCOMPARE(f->poidsNetKgStr(), QStringLiteral("150"));
    QVERIFY(!b.ctx->hasChanges());
}

void TestFormulaire::titreDeFenetre()
{
    Bureau b;
    auto* l1 = b.location(b.client(QStringLiteral("Durand")), at(2026, 3, 9, 10));
    auto* l2 = b.location(b.client(QStringLiteral("Martin")), at(2026, 3, 9, 10));
    QVERIFY(b.sauver());
    QWidget fenetre;
    kv::setScreenTitle(&fenetre, QStringLiteral("Kestrovan"));
    auto* f = new MiniBonDePeseeForm(b.ctx.get(), l1, b.horloge, b.dossier, &fenetre);
    fenetre.show();
    QCOMPARE(fenetre.windowTitle(), QStringLiteral("Bon de pesée — Durand"));
    f->setLocation(l2);
    QCOMPARE(fenetre.windowTitle(), QStringLiteral("Bon de pesée — Martin"));
    delete f;
    QTRY_COMPARE(fenetre.windowTitle(), QStringLiteral("Kestrovan"));
    // The window named another screen while the form stood: a form leaving later leaves that name.
    f = new MiniBonDePeseeForm(b.ctx.get(), l1, b.horloge, b.dossier, &fenetre);
    f->show();
    kv::setScreenTitle(&fenetre, QStringLiteral("Kestrovan — Carte des bennes louées"));
    f->hide();
    QCOMPARE(fenetre.windowTitle(), QStringLiteral("Kestrovan — Carte des bennes louées"));
}
