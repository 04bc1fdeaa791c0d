// Typed work in the ticket form is kept as in the record editors: leaving it asks, the editors'
// keys save and take back, a ticket changed elsewhere is followed where nothing was typed and asked
// about where it was, and nothing under the pointer moves while a weight is typed.

#include "tests.h"

#include "outils.h"
#include "weighing/locationsetpeseeview.h"
#include "weighing/minibondepeseeform.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

using kv::BonDePesee;
using kv::LocationDeBenne;
using kv::LocationsEtPeseeView;
using kv::MiniBonDePeseeForm;
using namespace outils;

namespace {

// « Enregistrer les modifications ? » open over `fenetre`, or null.
QMessageBox* question(QWidget* fenetre)
{
    fixtures::settle();
    for (QMessageBox* box : fenetre->findChildren<QMessageBox*>())
        if (box->isVisible() && box->objectName() == QStringLiteral("enregistrerModifications"))
            return box;
    return nullptr;
}

bool repondre(QWidget* fenetre, const QString& texte)
{
    QMessageBox* box = question(fenetre);
    if (!box)
        return false;
    for (QAbstractButton* b : box->buttons())
        if (fixtures::shownText(b) == texte) {
            b->click();
            fixtures::settle();
            return true;
        }
    return false;
}

// The screen with two removed rentals without tickets, shown and active, « Sans pesée uniquement » on.
struct Ecran {
    Bureau b;
    LocationDeBenne* durand = b.location(b.client(QStringLiteral("Durand")), at(2026, 3, 9, 10));
    LocationDeBenne* martin = b.location(b.client(QStringLiteral("Martin")), at(2026, 3, 8, 10));
    std::unique_ptr<LocationsEtPeseeView> v;

    explicit Ecran(QSize taille = QSize(1200, 760))
    {
        if (!b.sauver())
            qWarning("magasin non enregistré");
        v = std::make_unique<LocationsEtPeseeView>(b.ctx.get(), b.horloge, b.dossier);
        v->resize(taille);
        v->show();
        if (!QTest::qWaitForWindowExposed(v.get()))
            qWarning("écran non exposé");
        QApplication::setActiveWindow(v.get());
        QTest::mouseClick(v->interrupteur(), Qt::LeftButton, {}, QPoint(8, v->interrupteur()->height() / 2));
        fixtures::settle();
    }

    void choisir(int rang)
    {
        QListView* liste = v->liste();
        QTest::mouseClick(liste->viewport(), Qt::LeftButton, {},
                          liste->visualRect(liste->model()->index(rang, 0)).center());
        fixtures::settle();
    }
    int rangChoisi() const
    {
        const QModelIndexList rangs = v->liste()->selectionModel()->selectedRows();
        return rangs.size() == 1 ? rangs.first().row() : -1;
    }
    QLineEdit* poids() const { return v->formulaire() ? v->formulaire()->champPoids() : nullptr; }
    void taper(const QString& texte)
    {
        poids()->setFocus();
        QTest::keyClicks(poids(), texte);
    }
};

QList<QPushButton*> choixDeBons(const MiniBonDePeseeForm& f)
{
    return f.findChildren<QPushButton*>(QStringLiteral("choisirBon"));
}

} // namespace

void TestTravailTape::autreLocationDemande()
{
    Ecran e;
    QVERIFY(e.v->filtreSansPeseeOnly());
    QCOMPARE(e.v->locationsFiltrees(), (QList<LocationDeBenne*>{e.durand, e.martin}));
    e.choisir(0);
    QCOMPARE(e.v->selection(), e.durand);
    // Nothing typed: another rental opens without a word, and back.
    e.choisir(1);
    QVERIFY(!question(e.v.get()));
    QCOMPARE(e.v->selection(), e.martin);
    e.choisir(0);
    QCOMPARE(e.v->selection(), e.durand);

    e.taper(QStringLiteral("4100"));
    e.choisir(1);
    QVERIFY(question(e.v.get()));
    // The list shows the rental being typed for while the question is open.
    QCOMPARE(e.rangChoisi(), 0);
    QVERIFY(repondre(e.v.get(), QStringLiteral("Annuler")));
    QCOMPARE(e.v->selection(), e.durand);
    QCOMPARE(e.rangChoisi(), 0);
    QCOMPARE(e.poids()->text(), QStringLiteral("4100"));
    QVERIFY(e.durand->bonsDePesee().isEmpty());

    e.choisir(1);
    QVERIFY(repondre(e.v.get(), QStringLiteral("Ne pas enregistrer")));
    QCOMPARE(e.v->selection(), e.martin);
    QCOMPARE(e.rangChoisi(), 1);
    QCOMPARE(e.poids()->text(), QString());
    QVERIFY(e.durand->bonsDePesee().isEmpty());
    QVERIFY(!e.b.ctx->hasChanges());

    // A weight that cannot be stored: "Enregistrer" says why and the form stays on its rental.
    e.choisir(0);
    e.taper(QStringLiteral("12 t"));
    e.choisir(1);
    QVERIFY(repondre(e.v.get(), QStringLiteral("Enregistrer")));
    QCOMPARE(e.v->selection(), e.durand);
    QCOMPARE(e.rangChoisi(), 0);
    QCOMPARE(e.poids()->text(), QStringLiteral("12 t"));
    QVERIFY(!e.v->formulaire()->importerError().isEmpty());
    QVERIFY(e.durand->bonsDePesee().isEmpty());

    e.poids()->selectAll();
    QTest::keyClicks(e.poids(), QStringLiteral("4100"));
    e.choisir(1);
    QVERIFY(repondre(e.v.get(), QStringLiteral("Enregistrer")));
    QCOMPARE(e.durand->bonsDePesee().size(), 1);
    QCOMPARE(e.durand->bonsDePesee().first()->poidsDechetsKg(), std::optional<double>(4100));
    QVERIFY(!e.b.ctx->hasChanges());
    QCOMPARE(e.v->selection(), e.martin);
    QCOMPARE(e.poids()->text(), QString());
}

void TestTravailTape::autreBonDemande()
{
    Bureau b;
    auto* l = b.location(b.client(QStringLiteral("Durand")), at(2026, 3, 9, 10));
    BonDePesee* ancien = b.bon(l, at(2026, 3, 3, 9), 100);
    BonDePesee* recent = b.bon(l, at(2026, 3, 5, 9), 200);
    QVERIFY(b.sauver());
    MiniBonDePeseeForm f(b.ctx.get(), l, b.horloge, b.dossier);
    f.resize(800, 700);
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    QCOMPARE(f.bonCourant(), recent);
    QVERIFY(!f.hasUnsavedChanges());

    QTest::keyClicks(f.champPoids(), QStringLiteral("5"));
    QCOMPARE(f.poidsNetKgStr(), QStringLiteral("2005"));
    // The ticket loaded keeps the typed weight when its own row is clicked.
    QTest::mouseClick(choixDeBons(f)[0], Qt::LeftButton);
    QVERIFY(!question(&f));
    QCOMPARE(f.poidsNetKgStr(), QStringLiteral("2005"));

    QTest::mouseClick(choixDeBons(f)[1], Qt::LeftButton);
    QVERIFY(question(&f));
    QVERIFY(repondre(&f, QStringLiteral("Annuler")));
    QCOMPARE(f.bonCourant(), recent);
    QCOMPARE(f.poidsNetKgStr(), QStringLiteral("2005"));

    QTest::mouseClick(choixDeBons(f)[1], Qt::LeftButton);
    QVERIFY(repondre(&f, QStringLiteral("Enregistrer")));
    QCOMPARE(recent->poidsDechetsKg(), std::optional<double>(2005));
    QCOMPARE(f.bonCourant(), ancien);
    QCOMPARE(f.poidsNetKgStr(), QStringLiteral("100"));

    // "Nouveau bon" asks too; "Ne pas enregistrer" leaves the ticket as stored.
    f.champPoids()->selectAll();
    QTest::keyClicks(f.champPoids(), QStringLiteral("7"));
    QTest::mouseClick(f.findChild<QPushButton*>(QStringLiteral("nouveauBon")), Qt::LeftButton);
    QVERIFY(repondre(&f, QStringLiteral("Ne pas enregistrer")));
    QVERIFY(!f.bonCourant());
    QCOMPARE(f.poidsNetKgStr(), QString());
    QCOMPARE(ancien->poidsDechetsKg(), std::optional<double>(100));
    QVERIFY(!b.ctx->hasChanges());

    // A new ticket with only its date typed is typed work too.
    f.champDate()->setFocus();
    f.champDate()->setDateTime(at(2026, 3, 9, 7));
    QVERIFY(f.hasUnsavedChanges());
    QTest::mouseClick(choixDeBons(f)[0], Qt::LeftButton);
    QVERIFY(repondre(&f, QStringLiteral("Enregistrer")));
    QCOMPARE(l->bonsDePesee().size(), 3);
    QCOMPARE(l->bonsDePesee().last()->date(), at(2026, 3, 9, 7));
    QVERIFY(!l->bonsDePesee().last()->poidsDechetsKg());
}

void TestTravailTape::raccourcisEnregistrent()
{
    Ecran e;
    e.choisir(0);
    QTRY_VERIFY(e.v->isActiveWindow());
    e.taper(QStringLiteral("4100"));
    QTest::keyClick(e.poids(), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(e.durand->bonsDePesee().size(), 1);
    BonDePesee* bon = e.durand->bonsDePesee().first();
    QCOMPARE(bon->poidsDechetsKg(), std::optional<double>(4100));
    QVERIFY(!e.b.ctx->hasChanges());
    QVERIFY(!e.v->formulaire()->hasUnsavedChanges());

    // From the list beside the form as well, and Ctrl+Return from the date field.
    e.poids()->selectAll();
    QTest::keyClicks(e.poids(), QStringLiteral("4200"));
    e.v->liste()->setFocus();
    QTest::keyClick(e.v->liste(), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(bon->poidsDechetsKg(), std::optional<double>(4200));
    e.poids()->selectAll();
    QTest::keyClicks(e.poids(), QStringLiteral("4300"));
    e.v->formulaire()->champDate()->setFocus();
    QTest::keyClick(e.v->formulaire()->champDate(), Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(bon->poidsDechetsKg(), std::optional<double>(4300));
    QCOMPARE(e.durand->bonsDePesee().size(), 1);

    // A weight refused by Ctrl+S says why, and nothing is stored.
    e.poids()->selectAll();
    QTest::keyClicks(e.poids(), QStringLiteral("-5"));
    QTest::keyClick(e.poids(), Qt::Key_S, Qt::ControlModifier);
    QVERIFY(e.v->formulaire()->importerError().contains(QStringLiteral("négatif")));
    QCOMPARE(bon->poidsDechetsKg(), std::optional<double>(4300));
}

void TestTravailTape::ctrlEchapReprend()
{
    Ecran e;
    e.choisir(0);
    QTRY_VERIFY(e.v->isActiveWindow());
    e.taper(QStringLiteral("4100"));
    QTest::keyClick(e.poids(), Qt::Key_Escape, Qt::ControlModifier);
    QVERIFY(question(e.v.get()));
    QVERIFY(repondre(e.v.get(), QStringLiteral("Annuler")));
    QCOMPARE(e.poids()->text(), QStringLiteral("4100"));
    QCOMPARE(e.v->selection(), e.durand);

    // « Ne pas enregistrer » drops the typing, never the rental chosen.
    const int rang = e.rangChoisi();
    QTest::keyClick(e.poids(), Qt::Key_Escape, Qt::ControlModifier);
    QVERIFY(repondre(e.v.get(), QStringLiteral("Ne pas enregistrer")));
    QVERIFY(e.durand->bonsDePesee().isEmpty());
    QVERIFY(e.v->formulaire());
    QCOMPARE(e.v->selection(), e.durand);
    QCOMPARE(e.rangChoisi(), rang);
    QCOMPARE(e.poids()->text(), QString());
    QVERIFY(!e.v->formulaire()->hasUnsavedChanges());

    // A stored ticket comes back as stored (the window active again, as the desktop makes it
    // once the question closes).
    QApplication::setActiveWindow(e.v.get());
    QTRY_VERIFY(e.v->isActiveWindow());
    e.taper(QStringLiteral("4100"));
    QTest::keyClick(e.poids(), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(e.durand->bonsDePesee().size(), 1);
    e.taper(QStringLiteral("9999"));
    QTest::keyClick(e.poids(), Qt::Key_Escape, Qt::ControlModifier);
    QVERIFY(repondre(e.v.get(), QStringLiteral("Ne pas enregistrer")));
    QCOMPARE(e.v->selection(), e.durand);
    QCOMPARE(e.durand->bonsDePesee().first()->poidsDechetsKg(), std::optional<double>(4100));
    QCOMPARE(e.poids()->text(), QStringLiteral("4100"));
    QVERIFY(!e.v->formulaire()->hasUnsavedChanges());

    // Nothing typed: nothing is asked, nothing moves.
    QTest::keyClick(e.poids(), Qt::Key_Escape, Qt::ControlModifier);
    QVERIFY(!question(e.v.get()));
    QCOMPARE(e.v->selection(), e.durand);
    QVERIFY(!e.b.ctx->hasChanges());
}

void TestTravailTape::rienNeBougeEnTapant()
{
    // Every width of the screen from its narrowest: the form's buttons and fields stay where the
    // pointer aims while a weight comes and goes.
    Ecran e(QSize(1200, 760));
    e.choisir(0);
    const int plusEtroit = std::max(e.v->minimumSizeHint().width(), 500);
    for (int largeur = plusEtroit; largeur <= 1300; largeur += 15) {
        e.v->resize(largeur, 760);
        fixtures::settle();
        MiniBonDePeseeForm* f = e.v->formulaire();
        QVERIFY(f);
        f->champPoids()->setFocus();
        f->champPoids()->clear();
        fixtures::settle();
        const QPoint enregistrer = f->boutonEnregistrer()->mapTo(e.v.get(), QPoint(0, 0));
        const QPoint champ = f->champPoids()->mapTo(e.v.get(), QPoint(0, 0));
        for (const QChar c : QStringLiteral("3450")) {
            QTest::keyClicks(f->champPoids(), QString(c));
            fixtures::settle();
            QCOMPARE(f->tagsEnTete().size(), 2);
            QVERIFY2(f->boutonEnregistrer()->mapTo(e.v.get(), QPoint(0, 0)) == enregistrer,
                     qPrintable(QStringLiteral("largeur %1 : %2 → %3")
                                    .arg(largeur)
                                    .arg(enregistrer.y())
                                    .arg(f->boutonEnregistrer()->mapTo(e.v.get(), QPoint(0, 0)).y())));
            QCOMPARE(f->champPoids()->mapTo(e.v.get(), QPoint(0, 0)), champ);
        }
        for (int i = 0; i < 4; ++i)
            QTest::keyClick(f->champPoids(), Qt::Key_Backspace);
        fixtures::settle();
        QCOMPARE(f->tagsEnTete().size(), 1);
        QCOMPARE(f->boutonEnregistrer()->mapTo(e.v.get(), QPoint(0, 0)), enregistrer);
    }
}

void TestTravailTape::uneAutreFenetreNeDefaitRien()
{
    // Two screens on one store, as two main windows are, both on the ticket of one rental.
    Ecran un;
    BonDePesee* bon = un.b.bon(un.durand, at(2026, 3, 5, 9), 5000, QStringLiteral("/ailleurs/a.pdf"));
    QVERIFY(un.b.sauver());
    LocationsEtPeseeView deux(un.b.ctx.get(), un.b.horloge, un.b.dossier);
    deux.show();
    QVERIFY(QTest::qWaitForWindowExposed(&deux));
    un.v->setFiltreSansPeseeOnly(false);
    un.v->setSelection(un.durand);
    deux.setSelection(un.durand);
    MiniBonDePeseeForm* f1 = un.v->formulaire();
    MiniBonDePeseeForm* f2 = deux.formulaire();
    const auto taper = [](MiniBonDePeseeForm* f, const QString& texte) {
        f->champPoids()->selectAll();
        QTest::keyClicks(f->champPoids(), texte);
    };
    const auto enregistrer = [](MiniBonDePeseeForm* f) {
        QTest::mouseClick(f->boutonEnregistrer(), Qt::LeftButton);
        fixtures::settle();
    };

    // A date typed here stays while the weight and the document stored there come in; the save
    // writes the date alone.
    f1->champDate()->setDateTime(at(2026, 3, 7, 7, 30));
    taper(f2, QStringLiteral("5100"));
    bon->setCheminFichierTicket(QStringLiteral("/ailleurs/b.pdf"));
    enregistrer(f2);
    QCOMPARE(f1->poidsNetKgStr(), QStringLiteral("5100"));
    QCOMPARE(f1->cheminFichier(), std::optional<QString>(QStringLiteral("/ailleurs/b.pdf")));
    enregistrer(f1);
    QCOMPARE(bon->date(), at(2026, 3, 7, 7, 30));
    QCOMPARE(f2->champDate()->dateTime(), at(2026, 3, 7, 7, 30));

    // The same weight typed in both: the later save asks, as the editors do, and writes nothing
    // before the answer. "Garder ma saisie" stores this window's.
    taper(f1, QStringLiteral("5400"));
    taper(f2, QStringLiteral("5500"));
    enregistrer(f2);
    enregistrer(f1);
    QMessageBox* box = fixtures::openBox(un.v.get(), QStringLiteral("modifieAilleurs"));
    QVERIFY(box);
    QCOMPARE(box->text(), QStringLiteral("Ce bon de pesée a été modifié dans une autre fenêtre"));
    QVERIFY(box->informativeText().contains(QStringLiteral("« Poids net (kg) »")));
    QCOMPARE(bon->poidsDechetsKg(), std::optional<double>(5500));
    QVERIFY(fixtures::clickBoxButton(box, QStringLiteral("Garder ma saisie")));
    QCOMPARE(bon->poidsDechetsKg(), std::optional<double>(5400));
    QTRY_COMPARE(f2->poidsNetKgStr(), QStringLiteral("5400"));

    // "Reprendre l’enregistré": the stored weight comes into the form, the date typed is saved.
    taper(f1, QStringLiteral("5600"));
    f1->champDate()->setDateTime(at(2026, 3, 8, 6));
    taper(f2, QStringLiteral("5700"));
    enregistrer(f2);
    enregistrer(f1);
    QVERIFY(fixtures::clickBoxButton(fixtures::openBox(un.v.get(), QStringLiteral("modifieAilleurs")),
                                     QStringLiteral("Reprendre l’enregistré")));
    QCOMPARE(f1->poidsNetKgStr(), QStringLiteral("5700"));
    QCOMPARE(bon->poidsDechetsKg(), std::optional<double>(5700));
    QCOMPARE(bon->date(), at(2026, 3, 8, 6));
}
