// Typed work and linked records are never lost by one key or one click on the clients screen:
// deleting asks and says what goes with the client, an editor left with unsaved changes asks,
// one-line fields hold one line, and the contact cards never delete by typing. Driven at the
// small window size (1200 × 760) with keys and clicks.

#include "tests.h"
#include "screenfixtures.h"

#include "clients/clienteditorview.h"
#include "clients/vueclients.h"
#include "widgets/forms/detailpane.h"
#include "widgets/forms/editorframe.h"
#include "widgets/forms/recordrow.h"

#include <QClipboard>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScrollArea>
#include <QToolTip>

using namespace kv;

namespace {

using Champ = ClientEditorView::Champ;

struct Ecran : fixtures::ListScreen<VueClients> {
    void ouvrir()
    {
        vue = std::make_unique<VueClients>(ctx.get());
        // The main window's screen area in a 1200 × 760 window, at the screen's scale.
        const qreal scale = qApp->devicePixelRatio();
        vue->resize(int(1200 / scale) - 220, int(760 / scale) - 60);
        vue->show();
        QVERIFY(QTest::qWaitForWindowExposed(vue.get()));
        vue->activateWindow();
        fixtures::settle();
    }
    QLineEdit* champ(Champ c) const { return vue->editeur()->champ(c); }
    void choisir(const QString& nom) { fixtures::clickRow(liste(), fixtures::rowOf(liste(), nom)); }
    QMessageBox* question() const { return fixtures::openBox(vue.get(), QStringLiteral("enregistrerModifications")); }
    // The window takes the keyboard back once a message box is gone.
    void revenir()
    {
        vue->activateWindow();
        QTRY_VERIFY(vue->isActiveWindow());
    }
};

// A client with rentals, each with weighbridge tickets.
Client* clientAvecLocations(ModelContext* ctx, const QString& nom, int locations, int bonsParLocation)
{
    Client* c = fixtures::client(ctx, nom);
    Benne* b = fixtures::benne(ctx, 8);
    for (int i = 0; i < locations; ++i) {
        LocationDeBenne* l = fixtures::location(c, b);
        for (int j = 0; j < bonsParLocation; ++j)
            l->ajouterBonDePesee(QDateTime::currentDateTime(), QString::number(j), 1000, 500, std::nullopt,
                                 std::nullopt);
    }
    return c;
}

QString boutonParDefaut(QMessageBox* box)
{
    return box && box->defaultButton() ? fixtures::shownText(box->defaultButton()) : QString();
}

} // namespace

void TestTypedWork::everyDeleteAsksAndSaysWhatGoes()
{
    Ecran e;
    Client* gros = clientAvecLocations(e.ctx.get(), QStringLiteral("Gros"), 3, 2);
    new Contact(QStringLiteral("Jean"), QString(), QString(), QString(), gros);
    new Contact(QStringLiteral("Anne"), QString(), QString(), QString(), gros);
    Client* petit = clientAvecLocations(e.ctx.get(), QStringLiteral("Petit"), 1, 0);
    fixtures::client(e.ctx.get(), QStringLiteral("Seul"));
    fixtures::save(e.ctx.get());
    e.ouvrir();

    // The context menu asks, "Annuler" first; the client's sentence is kept and the count of
    // what goes with it follows.
    QVERIFY(fixtures::chooseInContextMenu(e.liste(), fixtures::rowOf(e.liste(), "Gros"), QStringLiteral("Supprimer")));
    QMessageBox* box = fixtures::openBox(e.vue.get(), QStringLiteral("confirmation"));
    QVERIFY(box);
    QCOMPARE(boutonParDefaut(box), QStringLiteral("Annuler"));
    QCOMPARE(box->informativeText(),
             QStringLiteral("« Gros »\nTous les contacts de ce client seront également supprimés. "
                            "2\u00A0contacts, 3\u00A0locations et 6\u00A0bons de pesée seront aussi supprimés."));
    QVERIFY(fixtures::clickBoxButton(box, QStringLiteral("Annuler")));
    QVERIFY(!gros->isDeleted());
    QCOMPARE(e.ctx->count<LocationDeBenne>(), 4);

    // One rental alone: singular, feminine.
    QVERIFY(fixtures::chooseInContextMenu(e.liste(), fixtures::rowOf(e.liste(), "Petit"), QStringLiteral("Supprimer")));
    box = fixtures::openBox(e.vue.get(), QStringLiteral("confirmation"));
    QVERIFY(box && box->informativeText().endsWith(QStringLiteral(" 1\u00A0location sera aussi supprimée.")));
    QVERIFY(fixtures::clickBoxButton(box, QStringLiteral("Supprimer")));
    fixtures::settle();
    QVERIFY(petit->isDeleted());

    // Nothing linked: the sentence of the screen alone.
    QVERIFY(fixtures::chooseInContextMenu(e.liste(), fixtures::rowOf(e.liste(), "Seul"), QStringLiteral("Supprimer")));
    box = fixtures::openBox(e.vue.get(), QStringLiteral("confirmation"));
    QVERIFY(box);
    QCOMPARE(box->informativeText(), QStringLiteral("« Seul »\nTous les contacts de ce client seront également supprimés."));
    fixtures::closeBoxes(e.vue.get());

    // The Delete key asks the same question.
    e.choisir(QStringLiteral("Gros"));
    QApplication::setActiveWindow(e.vue->window());
    QTRY_VERIFY(e.vue->isActiveWindow());
    e.liste()->listView()->setFocus();
    QTRY_VERIFY(e.liste()->listView()->hasFocus());
    QTest::keyClick(e.liste()->listView(), Qt::Key_Delete);
    box = fixtures::openBox(e.vue.get(), QStringLiteral("confirmation"));
    QVERIFY(box && box->informativeText().contains(QStringLiteral("3\u00A0locations et 6\u00A0bons de pesée")));
    QVERIFY(fixtures::clickBoxButton(box, QStringLiteral("Supprimer")));
    fixtures::settle();
    QVERIFY(gros->isDeleted());
    // The list keeps the keyboard on a row it shows (the window manager gives the window back
    // its activation once the question closes; here, the test does).
    QApplication::setActiveWindow(e.vue->window());
    QTRY_VERIFY2(e.liste()->listView()->hasFocus(), QApplication::focusWidget() ? QApplication::focusWidget()->metaObject()->className() : "none");
    QVERIFY(e.liste()->listView()->currentIndex().isValid());
    QCOMPARE(e.ctx->count<BonDePesee>(), 0);
    QCOMPARE(e.ctx->count<Contact>(), 0);
}

void TestTypedWork::leavingAnEditedClientAsks()
{
    Ecran e;
    Client* a = fixtures::client(e.ctx.get(), QStringLiteral("Alpha"), QStringLiteral("Lyon"));
    Client* b = fixtures::client(e.ctx.get(), QStringLiteral("Beta"));
    fixtures::save(e.ctx.get());
    e.ouvrir();

    // Unchanged: another row opens at once.
    e.choisir(QStringLiteral("Alpha"));
    e.choisir(QStringLiteral("Beta"));
    QVERIFY(!e.question());
    QCOMPARE(e.vue->clientEdite(), b);

    // Changed: the question; "Annuler" stays on the typed work, the list shows its row again.
    e.choisir(QStringLiteral("Alpha"));
    e.champ(Champ::ville)->setFocus();
    QTest::keyClicks(e.champ(Champ::ville), QStringLiteral(" 3e"));
    e.choisir(QStringLiteral("Beta"));
    QMessageBox* box = e.question();
    QVERIFY(box);
    QCOMPARE(box->text(), QStringLiteral("Enregistrer les modifications ?"));
    QCOMPARE(box->standardButtons(), QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    QCOMPARE(e.vue->selection(), a);
    QVERIFY(fixtures::clickBoxButton(box, QStringLiteral("Annuler")));
    QCOMPARE(e.vue->clientEdite(), a);
    QCOMPARE(e.champ(Champ::ville)->text(), QStringLiteral("Lyon 3e"));

    // "Ne pas enregistrer": the other client, nothing written.
    e.choisir(QStringLiteral("Beta"));
    QVERIFY(fixtures::clickBoxButton(e.question(), QStringLiteral("Ne pas enregistrer")));
    QCOMPARE(e.vue->clientEdite(), b);
    QCOMPARE(e.vue->selection(), b);
    QCOMPARE(a->ville(), QStringLiteral("Lyon"));

    // "Enregistrer" before Ctrl+N: stored, then the new client's name takes the typing.
    QTest::keyClicks(e.champ(Champ::nom), QStringLiteral(" SA"));
    QTest::keyClick(e.champ(Champ::nom), Qt::Key_N, Qt::ControlModifier);
    QVERIFY(fixtures::clickBoxButton(e.question(), QStringLiteral("Enregistrer")));
    QCOMPARE(b->nom(), QStringLiteral("Beta SA"));
    QVERIFY(!e.ctx->hasChanges());
    QVERIFY(e.vue->isCreating());
    e.revenir();
    QCOMPARE(QApplication::focusWidget(), e.champ(Champ::nom));

    // "Annuler" of the editor with typed work asks as well.
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Gamma"));
    QTest::keyClick(e.champ(Champ::nom), Qt::Key_Escape, Qt::ControlModifier);
    QVERIFY(fixtures::clickBoxButton(e.question(), QStringLiteral("Enregistrer")));
    QCOMPARE(e.ctx->count<Client>(), 3);
    QVERIFY(e.vue->panneauDetail()->showsPlaceholder());
}

void TestTypedWork::oneQuestionAtATime()
{
    Ecran e;
    Client* a = fixtures::client(e.ctx.get(), QStringLiteral("Alpha"));
    fixtures::client(e.ctx.get(), QStringLiteral("Beta"));
    fixtures::client(e.ctx.get(), QStringLiteral("Gamma"));
    fixtures::save(e.ctx.get());
    e.ouvrir();
    e.choisir(QStringLiteral("Beta"));
    e.champ(Champ::telephone)->setFocus();
    QTest::keyClicks(e.champ(Champ::telephone), QStringLiteral("04 78 80 99"));

    // Back to the list by keys, then ↓: the question. ↑ while it is open asks nothing more.
    QListView* view = e.liste()->listView();
    view->setFocus(Qt::BacktabFocusReason);
    QTRY_VERIFY(view->hasFocus());
    QTest::keyClick(view, Qt::Key_Down);
    QMessageBox* box = e.question();
    QVERIFY(box);
    QTest::keyClick(view, Qt::Key_Up);
    QTest::keyClick(view, Qt::Key_Up);
    fixtures::settle();
    QCOMPARE(e.vue->findChildren<QMessageBox*>().size(), 1);
    QCOMPARE(e.vue->clientEdite()->nom(), QStringLiteral("Beta"));

    // The one question takes Escape: "Annuler", the typed phone stays, and asking works again.
    QTest::keyClick(box, Qt::Key_Escape);
    QTRY_VERIFY(!e.question());
    QCOMPARE(e.champ(Champ::telephone)->text(), QStringLiteral("04 78 80 99"));
    QCOMPARE(e.vue->clientEdite()->nom(), QStringLiteral("Beta"));
    e.choisir(QStringLiteral("Alpha"));
    QVERIFY(fixtures::clickBoxButton(e.question(), QStringLiteral("Ne pas enregistrer")));
    QCOMPARE(e.vue->clientEdite(), a);
}

void TestTypedWork::aSecondWindowNeverUndoesASave()
{
    Ecran un;
    Client* c = fixtures::client(un.ctx.get(), QStringLiteral("Bâtiments Durand 70"));
    c->setTelephone(QStringLiteral("04 78 00 00 00"));
    new Contact(QStringLiteral("Jean"), QString(), QString(), QString(), c);
    fixtures::save(un.ctx.get());
    un.ouvrir();
    Ecran deux;
    deux.ctx.reset();
    deux.vue = std::make_unique<VueClients>(un.ctx.get());
    deux.vue->resize(un.vue->size());
    deux.vue->show();
    QVERIFY(QTest::qWaitForWindowExposed(deux.vue.get()));
    deux.choisir(QStringLiteral("Bâtiments"));
    un.revenir();
    un.choisir(QStringLiteral("Bâtiments"));
    const auto enregistrer = [](Ecran& e) {
        QTest::mouseClick(e.vue->editeur()->frame()->saveButton(), Qt::LeftButton);
    };
    const auto taper = [](Ecran& e, Champ champ, const QString& texte) {
        QLineEdit* f = e.champ(champ);
        f->setFocus();
        f->selectAll();
        QTest::keyClick(f, Qt::Key_Backspace);
        fixtures::typeText(f, texte);
    };

    // Saved in the first window: the second one's open editor follows.
    taper(un, Champ::telephone, QStringLiteral("04 78 80 99"));
    enregistrer(un);
    QCOMPARE(c->telephone(), QStringLiteral("04 78 80 99"));
    QTRY_COMPARE(deux.champ(Champ::telephone)->text(), QStringLiteral("04 78 80 99"));
    QVERIFY(!deux.vue->editeur()->hasUnsavedChanges());

    // A contact added there shows here too; the e-mail typed here is saved alone.
    deux.vue->activateWindow();
    taper(deux, Champ::email, QStringLiteral("durand@exemple.fr"));
    un.vue->editeur()->ajouterContactButton()->click();
    QTest::keyClicks(un.vue->editeur()->contactCards().last()->prenomField(), QStringLiteral("Lou"));
    QTRY_COMPARE(deux.vue->editeur()->contactCards().size(), 2);
    QCOMPARE(deux.vue->editeur()->contactCards().last()->prenomField()->text(), QStringLiteral("Lou"));
    enregistrer(deux);
    QCOMPARE(c->telephone(), QStringLiteral("04 78 80 99"));
    QCOMPARE(c->email(), std::optional<QString>(QStringLiteral("durand@exemple.fr")));
    QCOMPARE(c->contacts().size(), 2);
    QTRY_COMPARE(un.champ(Champ::email)->text(), QStringLiteral("durand@exemple.fr"));

    // The same field typed in both: the second save asks. "Garder ma saisie" keeps this one's.
    taper(un, Champ::ville, QStringLiteral("Lyon"));
    taper(deux, Champ::ville, QStringLiteral("Villeurbanne"));
    taper(deux, Champ::adresse, QStringLiteral("3 rue Neuve"));
    enregistrer(un);
    fixtures::settle();
    QCOMPARE(deux.champ(Champ::ville)->text(), QStringLiteral("Villeurbanne"));
    enregistrer(deux);
    QMessageBox* box = fixtures::openBox(deux.vue.get(), QStringLiteral("modifieAilleurs"));
    QVERIFY(box);
    QCOMPARE(box->text(), QStringLiteral("Ce client a été modifié dans une autre fenêtre"));
    QVERIFY(box->informativeText().contains(QStringLiteral("« Ville »")));
    QVERIFY(!box->informativeText().contains(QStringLiteral("Adresse")));
    QCOMPARE(c->ville(), QStringLiteral("Lyon"));
    QVERIFY(fixtures::clickBoxButton(box, QStringLiteral("Garder ma saisie")));
    QCOMPARE(c->ville(), QStringLiteral("Villeurbanne"));
    QCOMPARE(c->adresse(), QStringLiteral("3 rue Neuve"));
    QVERIFY(!deux.vue->editeur()->hasUnsavedChanges());
    QTRY_COMPARE(un.champ(Champ::ville)->text(), QStringLiteral("Villeurbanne"));

    // "Reprendre l’enregistré": the stored value comes into the form, the other typing is saved.
    deux.vue->activateWindow();
    taper(un, Champ::ville, QStringLiteral("Bron"));
    taper(deux, Champ::ville, QStringLiteral("Vénissieux"));
    taper(deux, Champ::telephone, QStringLiteral("06 00 00 00 01"));
    enregistrer(un);
    fixtures::settle();
    enregistrer(deux);
    QVERIFY(fixtures::clickBoxButton(fixtures::openBox(deux.vue.get(), QStringLiteral("modifieAilleurs")),
                                     QStringLiteral("Reprendre l’enregistré")));
    QCOMPARE(c->ville(), QStringLiteral("Bron"));
    QCOMPARE(deux.champ(Champ::ville)->text(), QStringLiteral("Bron"));
    QCOMPARE(c->telephone(), QStringLiteral("06 00 00 00 01"));
    QCOMPARE(c->contacts().size(), 2);

    // Deleted in the first window while the second holds typing: the second says the client is
    // gone, saves nothing and leaves without a question.
    taper(deux, Champ::ville, QStringLiteral("Caluire"));
    un.ctx->remove(c);
    fixtures::settle();
    auto* gone = deux.vue->editeur()->frame()->findChild<QLabel*>(QStringLiteral("recordGone"));
    QVERIFY(gone && gone->isVisible());
    QCOMPARE(deux.champ(Champ::ville)->text(), QStringLiteral("Caluire"));
    QVERIFY(!deux.vue->editeur()->frame()->saveButton()->isEnabled());
    for (QPushButton* b : deux.vue->editeur()->findChildren<QPushButton*>())
        QVERIFY2(fixtures::shownText(b) != QStringLiteral("Supprimer ce client") || !b->isEnabled(),
                 "nothing left to delete");
    QTest::keyClick(deux.champ(Champ::ville), Qt::Key_S, Qt::ControlModifier);
    QVERIFY(un.ctx->fetch<Client>({}).isEmpty());
    fixtures::client(un.ctx.get(), QStringLiteral("Autre"));
    fixtures::settle();
    deux.choisir(QStringLiteral("Autre"));
    QVERIFY(!deux.question());
    deux.vue.reset();
}

void TestTypedWork::ctrlNTypesIntoTheName()
{
    Ecran e;
    fixtures::client(e.ctx.get(), QStringLiteral("Alpha"));
    fixtures::save(e.ctx.get());
    e.ouvrir();
    e.choisir(QStringLiteral("Alpha"));
    e.champ(Champ::telephone)->setFocus();
    QTest::keyClick(e.champ(Champ::telephone), Qt::Key_N, Qt::ControlModifier);
    QVERIFY(!e.question());
    QVERIFY(e.vue->isCreating());
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Nouveau"));
    QCOMPARE(e.champ(Champ::nom)->text(), QStringLiteral("Nouveau"));
    QCOMPARE(e.champ(Champ::telephone)->text(), QString());

    // Already entering a new client: Ctrl+N from another field keeps what is typed.
    e.champ(Champ::ville)->setFocus();
    QTest::keyClick(e.champ(Champ::ville), Qt::Key_N, Qt::ControlModifier);
    QVERIFY(!e.question());
    QCOMPARE(QApplication::focusWidget(), e.champ(Champ::nom));
    QCOMPARE(e.champ(Champ::nom)->text(), QStringLiteral("Nouveau"));
}

void TestTypedWork::oneLineFieldsHoldOneLine()
{
    Ecran e;
    Client* a = fixtures::client(e.ctx.get(), QStringLiteral("Alpha"));
    new Contact(QString(), QString(), QString(), QString(), a);
    fixtures::save(e.ctx.get());
    e.ouvrir();
    e.choisir(QStringLiteral("Alpha"));

    // Pasted with line ends and tabs: one space for each run, as shown and as stored.
    QGuiApplication::clipboard()->setText(QStringLiteral("Caluire\r\net-Cuire\t\t(69)\n"));
    e.champ(Champ::ville)->setFocus();
    e.champ(Champ::ville)->clear();
    QTest::keyClick(e.champ(Champ::ville), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(e.champ(Champ::ville)->text(), QStringLiteral("Caluire et-Cuire (69) "));
    QGuiApplication::clipboard()->setText(QStringLiteral("Martin\nTerrassement"));
    e.champ(Champ::nom)->setFocus();
    e.champ(Champ::nom)->selectAll();
    QTest::keyClick(e.champ(Champ::nom), Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(e.champ(Champ::nom), Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(a->nom(), QStringLiteral("Martin Terrassement"));
    QCOMPARE(a->ville(), QStringLiteral("Caluire et-Cuire (69) "));

    // A contact's fields write straight into the record: one line there too.
    ContactCard* card = e.vue->editeur()->contactCards().first();
    QGuiApplication::clipboard()->setText(QStringLiteral("04 78\n00 00 00"));
    card->telephoneField()->setFocus();
    QTest::keyClick(card->telephoneField(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(a->contacts().first()->telephone(), QStringLiteral("04 78 00 00 00"));
}

void TestTypedWork::contactCardsNeverDeleteByTyping()
{
    Ecran e;
    Client* a = fixtures::client(e.ctx.get(), QStringLiteral("Alpha"));
    new Contact(QStringLiteral("Jean"), QStringLiteral("Dupont"), QString(), QString(), a);
    fixtures::save(e.ctx.get());
    e.ouvrir();
    e.choisir(QStringLiteral("Alpha"));
    ClientEditorView* ed = e.vue->editeur();
    ContactCard* card = ed->contactCards().first();

    // Tab: Prénom → Nom → Téléphone → E-mail, the delete button last.
    card->prenomField()->setFocus();
    for (QWidget* attendu : {static_cast<QWidget*>(card->nomField()), static_cast<QWidget*>(card->telephoneField()),
                             static_cast<QWidget*>(card->emailField()), static_cast<QWidget*>(card->deleteButton())}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), attendu);
    }

    // A phone number typed with its spaces after Tab from "Nom".
    card->nomField()->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("06 12 34 56 78"));
    fixtures::settle();
    QCOMPARE(a->contacts().size(), 1);
    QCOMPARE(a->contacts().first()->telephone(), QStringLiteral("06 12 34 56 78"));

    // Deleting a contact that holds text asks; "Annuler" keeps it.
    QTest::mouseClick(card->deleteButton(), Qt::LeftButton);
    QMessageBox* box = fixtures::openBox(e.vue.get(), QStringLiteral("confirmation"));
    QVERIFY(box);
    QCOMPARE(box->text(), QStringLiteral("Supprimer ce contact ?"));
    QCOMPARE(boutonParDefaut(box), QStringLiteral("Annuler"));
    QVERIFY(fixtures::clickBoxButton(box, QStringLiteral("Annuler")));
    QCOMPARE(a->contacts().size(), 1);
    e.revenir();

    // A contact added by mistake takes the typing, and goes when it is left empty.
    QTest::mouseClick(ed->ajouterContactButton(), Qt::LeftButton);
    fixtures::settle();
    QCOMPARE(a->contacts().size(), 1);
    QCOMPARE(ed->contactCards().size(), 2);
    ContactCard* nouvelle = ed->contactCards().last();
    QCOMPARE(QApplication::focusWidget(), nouvelle->prenomField());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), nouvelle->nomField());
    e.champ(Champ::nom)->setFocus();
    fixtures::settle();
    QCOMPARE(a->contacts().size(), 1);
    QCOMPARE(ed->contactCards().size(), 1);
    QCOMPARE(e.ctx->count<Contact>(), 1);
    QCOMPARE(a->contacts().first()->prenom(), QStringLiteral("Jean"));

    // One that was filled in stays.
    QTest::mouseClick(ed->ajouterContactButton(), Qt::LeftButton);
    fixtures::settle();
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Lou"));
    e.champ(Champ::nom)->setFocus();
    fixtures::settle();
    QCOMPARE(a->contacts().size(), 2);
    QCOMPARE(a->contacts().last()->prenom(), QStringLiteral("Lou"));
}

void TestTypedWork::rowsAndFieldsAtTheSmallSize()
{
    Ecran e;
    const QString longName = QStringLiteral("Société Nouvelle des Travaux Publics et Terrassements du Haut-Beaujolais");
    Client* a = fixtures::client(e.ctx.get(), longName, QStringLiteral("Caluire-et-Cuire"), QStringLiteral("69300"));
    a->setTelephone(QStringLiteral("04 78 00 00 00"));
    a->setEmail(QStringLiteral("contact@travaux-publics-haut-beaujolais.fr"));
    for (int i = 0; i < 3; ++i)
        new Contact(QStringLiteral("P%1").arg(i), QString(), QString(), QString(), a);
    fixtures::save(e.ctx.get());
    e.ouvrir();

    // The contacts' count stays on the row, shortened when the line is short.
    QListView* view = e.liste()->listView();
    const QModelIndex index = view->model()->index(0, 0);
    auto* delegate = qobject_cast<forms::RecordRowDelegate*>(view->itemDelegate());
    QVERIFY(delegate);
    const forms::RowContent content = delegate->contentAt(index);
    const QRect rect = view->visualRect(index);
    bool compte = false;
    QRect nom;
    for (const auto& p : forms::RecordRowDelegate::placeLines(content, rect, view->font())) {
        if (p.line == 1 && content.lines[1].parts[p.part].symbol == QStringLiteral("person.crop.rectangle.stack"))
            compte = p.shown == QStringLiteral("3") || p.shown == QStringLiteral("3\u00A0contact(s)");
        if (p.line == 0 && p.part == 0) {
            QVERIFY(p.cut);
            nom = p.textRect;
        }
    }
    QVERIFY(compte);

    // The name cut with "…" shows whole in the tool tip.
    QHelpEvent help(QEvent::ToolTip, nom.center(), view->viewport()->mapToGlobal(nom.center()));
    QApplication::sendEvent(view->viewport(), &help);
    QTRY_COMPARE(QToolTip::text(), longName);
    QToolTip::hideText();

    // The client's town shows whole in its field.
    e.choisir(longName.left(8));
    QLineEdit* ville = e.champ(Champ::ville);
    QVERIFY(ville->isVisible());
    const int texte = ville->fontMetrics().horizontalAdvance(ville->text());
    QVERIFY2(ville->width() >= texte + 12, qPrintable(QStringLiteral("%1 < %2").arg(ville->width()).arg(texte)));
}

void TestTypedWork::aSavedNewClientKeepsTheFocusInView()
{
    Ecran e;
    fixtures::client(e.ctx.get(), QStringLiteral("Alpha"));
    fixtures::save(e.ctx.get());
    e.ouvrir();
    // The screen area of a 1366 × 768 screen at 150 %, whatever the scale the test runs at: the
    // form is taller than its pane.
    e.vue->resize(int(1366 / 1.5) - 220, int(768 / 1.5) - 60);
    fixtures::settle();

    // Keys only: a new client typed field after field down to the VAT number, then Ctrl+S.
    QTest::keyClick(e.liste()->searchField(), Qt::Key_N, Qt::ControlModifier);
    QVERIFY(e.vue->isCreating());
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Garage Élan / <b>Test</b>"));
    for (int i = 0; i < 20 && QApplication::focusWidget() != e.champ(Champ::tva); ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), e.champ(Champ::tva));
    QTest::keyClicks(e.champ(Champ::tva), QStringLiteral("FR12345678901"));
    QTest::keyClick(e.champ(Champ::tva), Qt::Key_S, Qt::ControlModifier);
    fixtures::settle();

    QVERIFY(!e.vue->isCreating());
    QVERIFY(e.vue->clientEdite());
    QCOMPARE(e.vue->clientEdite()->numeroTVA().value_or(QString()), QStringLiteral("FR12345678901"));
    // The field the keyboard is still in is in view, not scrolled away under the form's top.
    QLineEdit* tva = e.champ(Champ::tva);
    QCOMPARE(QApplication::focusWidget(), tva);
    QScrollArea* area = nullptr;
    for (QWidget* w = tva->parentWidget(); w && !area; w = w->parentWidget())
        area = qobject_cast<QScrollArea*>(w);
    QVERIFY(area);
    const QRect shown(tva->mapTo(area->viewport(), QPoint(0, 0)), tva->size());
    QVERIFY2(area->viewport()->rect().contains(shown),
             qPrintable(QStringLiteral("field at %1,%2 %3×%4 outside %5×%6")
                            .arg(shown.x()).arg(shown.y()).arg(shown.width()).arg(shown.height())
                            .arg(area->viewport()->width()).arg(area->viewport()->height())));
}
