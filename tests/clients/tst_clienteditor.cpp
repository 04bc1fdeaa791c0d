// The client editor on its own, with its callbacks, driven through its fields and buttons.

#include "tests.h"
#include "screenfixtures.h"

#include "clients/clienteditorview.h"
#include "clients/vueclients.h"
#include "widgets/forms/colorfield.h"
#include "widgets/forms/detailpane.h"
#include "widgets/forms/editorframe.h"

#include <QColorDialog>
#include <QLabel>
#include <QToolButton>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

using namespace kv;

namespace {

struct Editeur {
    std::unique_ptr<ModelContext> ctx;
    std::unique_ptr<ClientEditorView> vue;
    int annulations = 0;
    QList<Client*> enregistres;

    explicit Editeur(Client* client = nullptr, std::unique_ptr<ModelContext> c = fixtures::store())
        : ctx(std::move(c))
    {
        ouvrir(client);
    }
    void ouvrir(Client* client)
    {
        vue = std::make_unique<ClientEditorView>(ctx.get(), client);
        QObject::connect(vue.get(), &ClientEditorView::cancelled, [this] { ++annulations; });
        QObject::connect(vue.get(), &ClientEditorView::saved, [this](Client* c) { enregistres.append(c); });
        vue->resize(900, 900);
        vue->show();
        QVERIFY(QTest::qWaitForWindowExposed(vue.get()));
    }
    QLineEdit* champ(ClientEditorView::Champ c) const { return vue->champ(c); }
    void taper(ClientEditorView::Champ c, const QString& texte)
    {
        champ(c)->clear();
        QTest::keyClicks(champ(c), texte);
    }
    QPushButton* enregistrer() const { return vue->frame()->saveButton(); }
};

using Champ = ClientEditorView::Champ;

} // namespace

void TestClientEditor::newClientChecksAndSaves()
{
    Editeur e;
    QCOMPARE(e.vue->frame()->title(), QStringLiteral("Nouveau client"));
    QVERIFY(!e.vue->frame()->section(QStringLiteral("Contacts"))->isVisible());
    QVERIFY(!e.vue->frame()->section(QStringLiteral("Danger zone"))->isVisible());
    QCOMPARE(e.vue->couleur()->hexText(), QStringLiteral("00FF00"));
    QTRY_VERIFY(e.champ(Champ::nom)->hasFocus());

    // A blank name keeps the button and Ctrl+Return off.
    e.taper(Champ::nom, QStringLiteral("  \t "));
    QVERIFY(!e.enregistrer()->isEnabled());
    QTest::keyClick(e.champ(Champ::nom), Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(e.ctx->count<Client>(), 0);

    // Return moves from the name to the address, and from the address to the postcode.
    e.taper(Champ::nom, QStringLiteral("  Dupont BTP  "));
    QTest::keyClick(e.champ(Champ::nom), Qt::Key_Return);
    QVERIFY(e.champ(Champ::adresse)->hasFocus());
    QTest::keyClicks(e.champ(Champ::adresse), QStringLiteral(" 1 rue Haute "));
    QTest::keyClick(e.champ(Champ::adresse), Qt::Key_Return);
    QVERIFY(e.champ(Champ::cp)->hasFocus());

    // An e-mail needs both "@" and "."; the field is outlined while it is not valid.
    e.taper(Champ::email, QStringLiteral("contact@dupont"));
    QVERIFY(!e.enregistrer()->isEnabled());
    QVERIFY(forms::hasInvalidOutline(e.champ(Champ::email)));
    e.taper(Champ::email, QStringLiteral("contact.dupont"));
    QVERIFY(!e.enregistrer()->isEnabled());
    e.champ(Champ::email)->clear();
    QVERIFY(e.enregistrer()->isEnabled());
    QVERIFY(!forms::hasInvalidOutline(e.champ(Champ::email)));
    e.taper(Champ::tva, QStringLiteral("  "));

    QTest::keyClick(e.champ(Champ::tva), Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(e.ctx->count<Client>(), 1);
    Client* c = e.ctx->all<Client>().first();
    QCOMPARE(e.enregistres, QList<Client*>{c});
    QCOMPARE(c->nom(), QStringLiteral("Dupont BTP"));
    QCOMPARE(c->adresse(), QStringLiteral(" 1 rue Haute "));
    QCOMPARE(c->email(), std::nullopt);
    QCOMPARE(c->numeroTVA(), std::optional<QString>(QStringLiteral("  ")));
    QCOMPARE(c->couleur(), QStringLiteral("00FF00"));
    QVERIFY(!e.ctx->hasChanges());
    // The editor follows its binding, not the save.
    QCOMPARE(e.vue->frame()->title(), QStringLiteral("Nouveau client"));
}

void TestClientEditor::existingClientIsReloadedAndSaved()
{
    auto ctx = fixtures::store();
    Client* a = fixtures::client(ctx.get(), QStringLiteral("Alpha"), QStringLiteral("Lyon"), QStringLiteral("69001"),
                               QString(), QStringLiteral("a@alpha.fr"));
    a->setCouleur(QStringLiteral("#00ff00"));
    Client* b = fixtures::client(ctx.get(), QStringLiteral("Beta"));
    b->setCouleur(QStringLiteral("#123456"));
    fixtures::save(ctx.get());
    Editeur e(a, std::move(ctx));
    QCOMPARE(e.vue->frame()->title(), QStringLiteral("Modifier le client"));
    QCOMPARE(e.champ(Champ::email)->text(), QStringLiteral("a@alpha.fr"));
    // The stored text of the colour already shown is kept as written.
    QCOMPARE(e.vue->couleur()->hexText(), QStringLiteral("#00ff00"));

    // Another client replaces every field, unsaved edits included.
    e.taper(Champ::ville, QStringLiteral("Paris"));
    e.vue->setClient(b);
    QCOMPARE(e.champ(Champ::nom)->text(), QStringLiteral("Beta"));
    QCOMPARE(e.champ(Champ::ville)->text(), QString());
    QCOMPARE(e.vue->couleur()->hexText(), QStringLiteral("123456"));
    QCOMPARE(a->ville(), QStringLiteral("Lyon"));
    e.vue->setClient(a);
    QCOMPARE(e.champ(Champ::ville)->text(), QStringLiteral("Lyon"));

    // Picking a colour stores six upper-case digits; emptying the e-mail stores none.
    QTest::mouseClick(e.vue->couleur()->pickerButton(), Qt::LeftButton);
    QVERIFY(e.vue->couleur()->openDialog());
    e.vue->couleur()->openDialog()->setCurrentColor(QColor(0xAB, 0x01, 0xFF));
    e.vue->couleur()->openDialog()->accept();
    e.champ(Champ::email)->clear();
    QTest::mouseClick(e.enregistrer(), Qt::LeftButton);
    QCOMPARE(a->couleur(), QStringLiteral("AB01FF"));
    QCOMPARE(a->email(), std::nullopt);
    QCOMPARE(e.enregistres, QList<Client*>{a});

    // None: an empty form, green again.
    e.vue->setClient(nullptr);
    QCOMPARE(e.champ(Champ::nom)->text(), QString());
    QCOMPARE(e.vue->couleur()->hexText(), QStringLiteral("00FF00"));
    QCOMPARE(e.vue->frame()->title(), QStringLiteral("Nouveau client"));
}

void TestClientEditor::failedSaves()
{
    Editeur e;
    e.taper(Champ::nom, QStringLiteral("Nouveau"));
    e.ctx->failNextSave(QStringLiteral("base verrouillée"));
    QTest::mouseClick(e.enregistrer(), Qt::LeftButton);
    QMessageBox* erreur = fixtures::openBox(e.vue.get(), QStringLiteral("erreur"));
    QVERIFY(erreur);
    QCOMPARE(erreur->text(), QStringLiteral("Échec de la sauvegarde: base verrouillée"));
    QVERIFY(e.enregistres.isEmpty());
    QCOMPARE(e.ctx->count<Client>(), 0);
    QCOMPARE(e.champ(Champ::nom)->text(), QStringLiteral("Nouveau"));
    fixtures::closeBoxes(e.vue.get());

    // The retry stores one client.
    QTest::mouseClick(e.enregistrer(), Qt::LeftButton);
    QCOMPARE(e.ctx->count<Client>(), 1);
    QCOMPARE(e.enregistres.size(), 1);

    // An existing client: the failure is reported, the form keeps what was typed.
    e.ouvrir(e.enregistres.first());
    e.taper(Champ::ville, QStringLiteral("Nantes"));
    e.ctx->failNextSave(QStringLiteral("disque plein"));
    QTest::mouseClick(e.enregistrer(), Qt::LeftButton);
    QVERIFY(fixtures::openBox(e.vue.get(), QStringLiteral("erreur")));
    QCOMPARE(e.enregistres.size(), 1);
    QCOMPARE(e.champ(Champ::ville)->text(), QStringLiteral("Nantes"));
    fixtures::closeBoxes(e.vue.get());
}

void TestClientEditor::contacts()
{
    auto ctx = fixtures::store();
    Client* a = fixtures::client(ctx.get(), QStringLiteral("Alpha"));
    fixtures::save(ctx.get());
    Editeur e(a, std::move(ctx));
    QVERIFY(e.vue->aucunContactLabel()->isVisible());
    QVERIFY(e.vue->contactCards().isEmpty());

    // "Ajouter un contact" opens a card; its record is made at the first keystroke, so an
    // empty contact is never stored.
    QTest::mouseClick(e.vue->ajouterContactButton(), Qt::LeftButton);
    fixtures::settle();
    QCOMPARE(e.vue->contactCards().size(), 1);
    QVERIFY(!e.vue->aucunContactLabel()->isVisible());
    QVERIFY(a->contacts().isEmpty());
    QCOMPARE(e.ctx->count<Contact>(), 0);
    QTest::keyClicks(e.vue->contactCards().first()->nomField(), QStringLiteral("Martin"));
    QCOMPARE(a->contacts().size(), 1);
    QCOMPARE(a->contacts().first()->nom(), QStringLiteral("Martin"));
    fixtures::settle();
    // Ctrl+Maj+N is the window's "Nouvelle fenêtre" wherever the focus is: no contact added.
    QTest::keyClick(e.champ(Champ::nom), Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
    fixtures::settle();
    QCOMPARE(a->contacts().size(), 1);
    QCOMPARE(e.vue->contactCards().size(), 1);
    QTest::mouseClick(e.vue->ajouterContactButton(), Qt::LeftButton);
    QTest::keyClicks(e.vue->contactCards().last()->telephoneField(), QStringLiteral("06"));
    QCOMPARE(a->contacts().size(), 2);
    fixtures::settle();
    QCOMPARE(e.vue->contactCards().size(), 2);

    // Typing in a card writes the record at once, and does not rebuild the cards.
    ContactCard* first = e.vue->contactCards().first();
    QTest::keyClicks(first->prenomField(), QStringLiteral("Jeanne"));
    fixtures::settle();
    QCOMPARE(a->contacts().first()->prenom(), QStringLiteral("Jeanne"));
    QCOMPARE(e.vue->contactCards().first(), first);

    // "Supprimer" on a card that holds text asks first.
    Contact* second = a->contacts().last();
    QTest::mouseClick(e.vue->contactCards().last()->deleteButton(), Qt::LeftButton);
    QVERIFY(fixtures::clickBoxButton(fixtures::openBox(e.vue.get(), QStringLiteral("confirmation")),
                                     QStringLiteral("Supprimer")));
    QVERIFY(second->isDeleted());
    QCOMPARE(a->contacts().size(), 1);
    QCOMPARE(e.vue->contactCards().size(), 1);

    // A new card left empty goes without a trace.
    e.vue->window()->activateWindow();
    QTRY_VERIFY(e.vue->isActiveWindow());
    QTest::mouseClick(e.vue->ajouterContactButton(), Qt::LeftButton);
    QCOMPARE(e.vue->contactCards().size(), 2);
    e.champ(Champ::ville)->setFocus();
    fixtures::settle();
    QCOMPARE(e.vue->contactCards().size(), 1);
    QCOMPARE(e.ctx->count<Contact>(), 1);
    // So does one left empty when Ctrl+S saves from it.
    QTest::mouseClick(e.vue->ajouterContactButton(), Qt::LeftButton);
    QCOMPARE(e.vue->contactCards().size(), 2);
    QTest::keyClicks(e.champ(Champ::ville), QStringLiteral("Bron"));
    QTest::keyClick(e.vue->contactCards().last()->prenomField(), Qt::Key_S, Qt::ControlModifier);
    fixtures::settle();
    QCOMPARE(a->ville(), QStringLiteral("Bron"));
    QCOMPARE(e.vue->contactCards().size(), 1);
    QCOMPARE(e.ctx->count<Contact>(), 1);
}

void TestClientEditor::contactEditsReachTheStore()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("store.sqlite"));
    {
        auto ctx = fixtures::store(path);
        Client* a = fixtures::client(ctx.get(), QStringLiteral("Alpha"));
        new Contact(QString(), QString(), QString(), QString(), a);
        fixtures::save(ctx.get());
        ctx->setAutosaveEnabled(true, 50);
        Editeur e(a, std::move(ctx));
        QTest::keyClicks(e.vue->contactCards().first()->telephoneField(), QStringLiteral("0607"));
        QTRY_VERIFY(!e.ctx->hasChanges());
    }
    auto reopened = fixtures::store(path);
    QCOMPARE(reopened->all<Contact>().first()->telephone(), QStringLiteral("0607"));
}

void TestClientEditor::deleteAfterConfirmation()
{
    auto ctx = fixtures::store();
    Client* a = fixtures::client(ctx.get(), QStringLiteral("Alpha"));
    new Contact(QStringLiteral("Jean"), QString(), QString(), QString(), a);
    fixtures::location(a, fixtures::benne(ctx.get(), 10));
    fixtures::save(ctx.get());
    VueClients vue(ctx.get());
    vue.resize(1300, 800);
    vue.show();
    QVERIFY(QTest::qWaitForWindowExposed(&vue));
    fixtures::clickRow(vue.liste(), 0);
    ClientEditorView* editeur = vue.editeur();
    QVERIFY(editeur);

    // "Annuler" in the question changes nothing.
    QTest::mouseClick(editeur->supprimerClientButton(), Qt::LeftButton);
    QMessageBox* question = fixtures::openBox(&vue, QStringLiteral("confirmation"));
    QVERIFY(question);
    QCOMPARE(question->text(), QStringLiteral("Supprimer ce client ?"));
    // The client's sentence, then what its delete rules take along.
    QCOMPARE(question->informativeText(), QStringLiteral("« Alpha »\nTous les contacts de ce client seront également supprimés. "
                                                         "1\u00A0contact et 1\u00A0location seront aussi supprimés."));
    QVERIFY(fixtures::clickBoxButton(question, QStringLiteral("Annuler")));
    fixtures::settle();
    QVERIFY(!a->isDeleted());
    QCOMPARE(vue.clientEdite(), a);

    // A failed deletion is reported.
    QTest::mouseClick(editeur->supprimerClientButton(), Qt::LeftButton);
    ctx->failNextSave(QStringLiteral("disque plein"));
    QVERIFY(fixtures::clickBoxButton(fixtures::openBox(&vue, QStringLiteral("confirmation")), QStringLiteral("Supprimer")));
    QMessageBox* erreur = fixtures::openBox(&vue, QStringLiteral("erreur"));
    QVERIFY(erreur);
    QCOMPARE(erreur->text(), QStringLiteral("Échec de la suppression: disque plein"));
    fixtures::closeBoxes(&vue);
    fixtures::save(ctx.get());
    QCOMPARE(ctx->count<Client>(), 0);
    QCOMPARE(ctx->count<Contact>(), 0);
    QCOMPARE(ctx->count<LocationDeBenne>(), 0);
    // The client is gone from the session, so is its editor.
    QVERIFY(vue.panneauDetail()->showsPlaceholder());

    // "Supprimer": the client, its contacts and rentals go, and the placeholder comes back.
    Client* b = fixtures::client(ctx.get(), QStringLiteral("Beta"));
    new Contact(QStringLiteral("Paul"), QString(), QString(), QString(), b);
    fixtures::save(ctx.get());
    fixtures::settle();
    fixtures::clickRow(vue.liste(), 0);
    QTest::mouseClick(vue.editeur()->supprimerClientButton(), Qt::LeftButton);
    QVERIFY(fixtures::clickBoxButton(fixtures::openBox(&vue, QStringLiteral("confirmation")), QStringLiteral("Supprimer")));
    fixtures::settle();
    QVERIFY(b->isDeleted());
    QCOMPARE(ctx->count<Contact>(), 0);
    QVERIFY(!ctx->hasChanges());
    QVERIFY(vue.panneauDetail()->showsPlaceholder());
    QCOMPARE(vue.selection(), nullptr);
}

void TestClientEditor::tabRunsThroughTheContactCards()
{
    auto ctx = fixtures::store();
    Client* a = fixtures::client(ctx.get(), QStringLiteral("Alpha"));
    new Contact(QStringLiteral("Jean"), QString(), QString(), QString(), a);
    new Contact(QStringLiteral("Paul"), QString(), QString(), QString(), a);
    fixtures::save(ctx.get());
    Editeur e(a, std::move(ctx));
    QCOMPARE(e.vue->contactCards().size(), 2);

    // From the VAT number, Tab goes through each card as it stands, then to "Ajouter un
    // contact" and the danger zone.
    QList<QWidget*> attendus;
    for (ContactCard* card : e.vue->contactCards())
        attendus << card->prenomField() << card->nomField() << card->telephoneField() << card->emailField()
                 << card->deleteButton();
    attendus << e.vue->ajouterContactButton() << e.vue->supprimerClientButton();
    e.champ(Champ::tva)->setFocus();
    QVERIFY(e.champ(Champ::tva)->hasFocus());
    for (QWidget* attendu : attendus) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), attendu);
    }

    // The same once a contact is added from the keyboard.
    e.vue->ajouterContactButton()->setFocus();
    QTest::keyClick(e.vue->ajouterContactButton(), Qt::Key_Space);
    fixtures::settle();
    QCOMPARE(e.vue->contactCards().size(), 3);
    QCOMPARE(QApplication::focusWidget(), e.vue->contactCards().last()->prenomField());
    e.vue->contactCards().last()->emailField()->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), e.vue->contactCards().last()->deleteButton());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), e.vue->ajouterContactButton());
}
