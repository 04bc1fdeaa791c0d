// The clients screen driven as a user would: typing in the search, clicking rows and buttons,
// right-clicking, pressing keys.

#include "tests.h"
#include "lecteurecran.h"
#include "screenfixtures.h"
#include "../widgets/screenfit.h"

#include "clients/clienteditorview.h"
#include "clients/vueclients.h"
#include "widgets/forms/detailpane.h"
#include "widgets/forms/editorframe.h"
#include "widgets/forms/recordrow.h"

#include <QApplication>
#include <QMessageBox>
#include <QLineEdit>
#include <QListView>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QMainWindow>
#include <QLocale>
#include <QMenuBar>
#include <QPushButton>

using namespace kv;

namespace {

struct Ecran : fixtures::ListScreen<VueClients> {
    Ecran() : ListScreen({1300, 800}) {}
    QStringList noms() const
    {
        QStringList out;
        for (Client* c : vue->clientsFiltres())
            out.append(c->nom());
        return out;
    }
};

} // namespace

void TestVueClients::emptyStore()
{
    Ecran e;
    e.ouvrir();
    QCOMPARE(e.liste()->rowCount(), 0);
    QCOMPARE(e.liste()->countText(), QStringLiteral("Nombre de clients : 0"));
    QVERIFY(e.vue->panneauDetail()->showsPlaceholder());
    auto* placeholder = e.vue->findChild<forms::EmptyState*>();
    QVERIFY(placeholder && placeholder->isVisible());
    QCOMPARE(placeholder->title(), QStringLiteral("Sélectionnez un client"));
}

void TestVueClients::search()
{
    Ecran e;
    fixtures::client(e.ctx.get(), QStringLiteral("Martin Terrassement"), QStringLiteral("Vénissieux"),
                   QStringLiteral("69200"), QStringLiteral("4 chemin du Moulin"));
    fixtures::client(e.ctx.get(), QStringLiteral("Durand"), QStringLiteral("Lyon"), QStringLiteral("69003"),
                   QStringLiteral("12 rue de Lyon Martin"), QStringLiteral("contact@durand.fr"));
    fixtures::client(e.ctx.get(), QStringLiteral("Albert Paysage"), QStringLiteral("Grenoble"),
                   QStringLiteral("38000"));
    fixtures::save(e.ctx.get());
    e.ouvrir();
    QCOMPARE(e.noms(), QStringList({"Albert Paysage", "Durand", "Martin Terrassement"}));

    // Case and accents are ignored both ways.
    e.chercher(QStringLiteral("VENISSIEUX"));
    QCOMPARE(e.noms(), QStringList{"Martin Terrassement"});
    e.chercher(QStringLiteral("grénoble"));
    QCOMPARE(e.noms(), QStringList{"Albert Paysage"});
    // Containment, across the searched fields.
    e.chercher(QStringLiteral("69"));
    QCOMPARE(e.noms(), QStringList({"Durand", "Martin Terrassement"}));
    e.chercher(QStringLiteral("durand.fr"));
    QCOMPARE(e.noms(), QStringList{"Durand"});
    // Every word in one and the same field: name + town does not match, an address does.
    e.chercher(QStringLiteral("martin vénissieux"));
    QCOMPARE(e.noms(), QStringList());
    e.chercher(QStringLiteral("lyon martin"));
    QCOMPARE(e.noms(), QStringList{"Durand"});
    // Blanks and line ends only: no search.
    e.liste()->searchField()->setText(QStringLiteral("  \t "));
    fixtures::settle();
    QCOMPARE(e.noms().size(), 3);
    // The list and the count follow.
    e.chercher(QStringLiteral("a"));
    QCOMPARE(e.liste()->rowCount(), e.noms().size());
    QCOMPARE(e.liste()->countText(), QStringLiteral("Nombre de clients : %1").arg(e.noms().size()));
    // A new client shows up at its place by name.
    e.chercher(QString());
    fixtures::client(e.ctx.get(), QStringLiteral("Bernard"));
    fixtures::settle();
    QCOMPARE(e.noms(), QStringList({"Albert Paysage", "Bernard", "Durand", "Martin Terrassement"}));
    QCOMPARE(e.liste()->countText(), QStringLiteral("Nombre de clients : 4"));

    // After Ctrl+End in a long list, a new search starts at its first result.
    for (int i = 0; i < 200; ++i)
        fixtures::client(e.ctx.get(), QStringLiteral("Client %1").arg(i));
    fixtures::settle();
    QListView* vue = e.liste()->listView();
    vue->setFocus();
    QTest::keyClick(vue, Qt::Key_End, Qt::ControlModifier);
    e.liste()->searchField()->setFocus();
    QTest::keyClicks(e.liste()->searchField(), QStringLiteral("Client 1"));
    fixtures::settle();
    QVERIFY(vue->verticalScrollBar()->maximum() > 0);
    QCOMPARE(vue->indexAt(QPoint(1, 1)).row(), 0);
}

void TestVueClients::rows()
{
    auto ctx = fixtures::store();
    auto texts = [](const Client* c) {
        QStringList out;
        const forms::RowContent row = VueClients::ligneClient(c);
        for (const forms::RowPart& p : row.lines.value(1).parts)
            out.append(p.text);
        return out;
    };
    Client* c = fixtures::client(ctx.get(), QStringLiteral("A"), QString(), QStringLiteral("69001"));
    QCOMPARE(texts(c), QStringList{"69001"});
    c->setCodePostal(QString());
    c->setVille(QStringLiteral("Lyon"));
    QCOMPARE(texts(c), QStringList{"Lyon"});
    // Blanks and tabs around the place go, no-break spaces included; line ends stay.
    c->setVille(QStringLiteral("\u00A0Lyon\t"));
    c->setCodePostal(QStringLiteral("\u00A0"));
    QCOMPARE(texts(c), QStringList{"Lyon"});
    c->setVille(QStringLiteral("Lyon\n"));
    c->setCodePostal(QString());
    QCOMPARE(texts(c), QStringList{"Lyon\n"});
    c->setVille(QString());
    QCOMPARE(texts(c), QStringList());
    c->setEmail(QString());
    QCOMPARE(texts(c), QStringList());
    c->setEmail(QStringLiteral("a@b.fr"));
    c->setTelephone(QStringLiteral("0102"));
    new Contact(QStringLiteral("Jean"), QStringLiteral("Dupont"), QString(), QString(), c);
    QCOMPARE(texts(c), QStringList({"0102", "a@b.fr", "1\u00A0contact(s)"}));
    // The list measures a row by its lines alone: the same lines as the row it paints.
    const auto lignes = [](const forms::RowContent& row) {
        QStringList out;
        for (const forms::RowLine& line : row.lines)
            out.append(line.parts.isEmpty() ? QStringLiteral("-") : QString::number(int(line.parts.first().style)));
        return out;
    };
    QCOMPARE(lignes(VueClients::formeLigne(c)), lignes(VueClients::ligneClient(c)));
    Client* nu = fixtures::client(ctx.get(), QStringLiteral("B"));
    QCOMPARE(lignes(VueClients::formeLigne(nu)), lignes(VueClients::ligneClient(nu)));

    // A long town never pushes the phone out of the row: the town is cut with "…" first.
    c->setVille(QStringLiteral("Saint-Martin-d'Hères / <b>Plateau</b> du Vercors ").repeated(8));
    c->setTelephone(QStringLiteral("04 78 90 12 34"));
    const forms::RowContent row = VueClients::ligneClient(c);
    const QFont font = QApplication::font();
    for (const int width : {360, 520, 900}) {
        QString town, phone;
        bool townCut = false;
        for (const auto& placed : forms::RecordRowDelegate::placeLines(row, QRect(0, 0, width, 60), font)) {
            if (placed.line != 1)
                continue;
            const QString& text = row.lines[1].parts[placed.part].text;
            if (text == c->telephone())
                phone = placed.shown;
            else if (text.contains(QStringLiteral("Vercors"))) {
                town = placed.shown;
                townCut = placed.cut;
            }
        }
        QCOMPARE(phone, c->telephone());
        QVERIFY2(townCut && town.endsWith(QChar(0x2026)), qPrintable(QString::number(width) + QLatin1Char(' ') + town));
    }

    // A narrow list (a large scale, the editor open): the postcode gives way before the town,
    // which reads whole as long as it can; the place never goes while the phone or the count
    // stays, and what is left of it is never a cut postcode.
    c->setCodePostal(QStringLiteral("69100"));
    c->setVille(QStringLiteral("Villeurbanne"));
    const forms::RowContent narrow = VueClients::ligneClient(c);
    bool townAlone = false;
    for (int width = 120; width <= 700; width += 4) {
        QString place;
        int others = 0;
        for (const auto& placed : forms::RecordRowDelegate::placeLines(narrow, QRect(0, 0, width, 60), font))
            if (placed.line == 1 && placed.part == 0)
                place = placed.shown;
            else if (placed.line == 1)
                ++others;
        const QString at = QString::number(width) + QLatin1Char(' ') + place;
        QVERIFY2(!place.isEmpty() || others == 0, qPrintable(at));
        QVERIFY2(place.isEmpty() || place == QStringLiteral("69100 Villeurbanne") || !place.front().isDigit(), qPrintable(at));
        townAlone = townAlone || place == QStringLiteral("Villeurbanne");
    }
    QVERIFY(townAlone);

    for (const QString& ok : {QStringLiteral("abcdef"), QStringLiteral(" #ABCDEF \n")}) {
        c->setCouleur(ok);
        QCOMPARE(VueClients::ligneClient(c).leadingDot, std::optional<QColor>(QColor(0xAB, 0xCD, 0xEF)));
    }
    for (const QString& bad : {QStringLiteral("ABCDE"), QStringLiteral("ABCDEF0")}) {
        c->setCouleur(bad);
        QVERIFY(!VueClients::ligneClient(c).leadingDot);
    }
}

void TestVueClients::detailPaneStates()
{
    Ecran e;
    Client* a = fixtures::client(e.ctx.get(), QStringLiteral("Alpha"), QStringLiteral("Lyon"));
    Client* b = fixtures::client(e.ctx.get(), QStringLiteral("Beta"), QStringLiteral("Paris"));
    fixtures::save(e.ctx.get());
    e.ouvrir();

    // Ajouter: a new entry, no selection.
    QTest::mouseClick(e.liste()->addButton(), Qt::LeftButton);
    QVERIFY(e.vue->isCreating());
    QCOMPARE(e.vue->selection(), nullptr);
    ClientEditorView* editeur = e.vue->editeur();
    QVERIFY(editeur);
    QCOMPARE(editeur->frame()->title(), QStringLiteral("Nouveau client"));
    QTRY_VERIFY(editeur->champ(ClientEditorView::Champ::nom)->hasFocus());

    // Selecting a row abandons the entry and edits the row's client in the same editor.
    fixtures::clickRow(e.liste(), fixtures::rowOf(e.liste(), "Beta"));
    QVERIFY(!e.vue->isCreating());
    QCOMPARE(e.vue->selection(), b);
    QCOMPARE(e.vue->clientEdite(), b);
    QCOMPARE(e.vue->editeur(), editeur);
    QCOMPARE(editeur->frame()->title(), QStringLiteral("Modifier le client"));
    QCOMPARE(editeur->champ(ClientEditorView::Champ::nom)->text(), QStringLiteral("Beta"));

    // The search does not change the selection or the editor.
    e.chercher(QStringLiteral("alpha"));
    QCOMPARE(e.vue->selection(), b);
    QCOMPARE(e.vue->clientEdite(), b);
    e.chercher(QString());

    // Ctrl+N, then a save: the new client is selected and stays in the editor.
    e.liste()->listView()->setFocus();
    QTest::keyClick(e.liste()->listView(), Qt::Key_N, Qt::ControlModifier);
    QVERIFY(e.vue->isCreating());
    QCOMPARE(editeur->champ(ClientEditorView::Champ::nom)->text(), QString());
    QTest::keyClicks(editeur->champ(ClientEditorView::Champ::nom), QStringLiteral("Gamma"));
    QTest::mouseClick(editeur->frame()->saveButton(), Qt::LeftButton);
    fixtures::settle();
    QCOMPARE(e.ctx->count<Client>(), 3);
    Client* gamma = e.ctx->all<Client>().last();
    QCOMPARE(gamma->nom(), QStringLiteral("Gamma"));
    QVERIFY(!e.vue->isCreating());
    QCOMPARE(e.vue->selection(), gamma);
    QCOMPARE(e.vue->clientEdite(), gamma);
    QVERIFY(e.liste()->listView()->selectionModel()->isRowSelected(fixtures::rowOf(e.liste(), "Gamma"), {}));
    QCOMPARE(editeur->frame()->title(), QStringLiteral("Modifier le client"));

    // Annuler: nothing selected, the placeholder is back; the next editor is a fresh one.
    QTest::mouseClick(editeur->frame()->cancelButton(), Qt::LeftButton);
    QVERIFY(e.vue->panneauDetail()->showsPlaceholder());
    QCOMPARE(e.vue->selection(), nullptr);
    QCOMPARE(e.vue->clientEdite(), nullptr);
    // The keys are back in the list, on the row of the client that was open.
    QTRY_COMPARE(QApplication::focusWidget(), e.liste()->listView());
    QCOMPARE(e.liste()->listView()->currentIndex().row(), fixtures::rowOf(e.liste(), "Gamma"));
    fixtures::clickRow(e.liste(), fixtures::rowOf(e.liste(), "Alpha"));
    QCOMPARE(e.vue->clientEdite(), a);
    QVERIFY(e.vue->editeur());

    // Escape alone keeps the editor; Ctrl+Escape cancels.
    QTest::keyClick(e.vue->editeur()->champ(ClientEditorView::Champ::nom), Qt::Key_Escape);
    QVERIFY(!e.vue->panneauDetail()->showsPlaceholder());
    QTest::keyClick(e.vue->editeur()->champ(ClientEditorView::Champ::nom), Qt::Key_Escape, Qt::ControlModifier);
    QVERIFY(e.vue->panneauDetail()->showsPlaceholder());
}

void TestVueClients::deleteFromTheList()
{
    Ecran e;
    Client* a = fixtures::client(e.ctx.get(), QStringLiteral("Alpha"));
    // Two clients of one name: the question says which one goes.
    Client* b = fixtures::client(e.ctx.get(), QStringLiteral("Beta"), QStringLiteral("Lyon"));
    Client* b2 = fixtures::client(e.ctx.get(), QStringLiteral("Beta"), QStringLiteral("Bron"));
    fixtures::client(e.ctx.get(), QStringLiteral("Gamma"));
    new Contact(QStringLiteral("Jean"), QStringLiteral("A"), QString(), QString(), a);
    Benne* benne = fixtures::benne(e.ctx.get(), 10);
    LocationDeBenne* loc = fixtures::location(a, benne);
    loc->ajouterBonDePesee(QDateTime::currentDateTime(), QStringLiteral("1"), 100, 50, std::nullopt, std::nullopt);
    fixtures::save(e.ctx.get());
    e.ouvrir();

    // Deleting another client leaves the editor alone.
    fixtures::clickRow(e.liste(), fixtures::rowOf(e.liste(), "Alpha"));
    QVERIFY(fixtures::chooseInContextMenu(e.liste(), fixtures::rowOf(e.liste(), "Beta"), QStringLiteral("Supprimer")));
    QMessageBox* box = fixtures::openBox(e.vue.get(), QStringLiteral("confirmation"));
    QVERIFY(box);
    const QString asked = box->informativeText();
    QVERIFY(fixtures::clickBoxButton(box, QStringLiteral("Supprimer")));
    fixtures::settle();
    QVERIFY(b->isDeleted() != b2->isDeleted());
    const QString town = b->isDeleted() ? QStringLiteral("Lyon") : QStringLiteral("Bron");
    QVERIFY2(asked.startsWith(QStringLiteral("« Beta (%1) »\n").arg(town)), qPrintable(asked));
    QCOMPARE(e.vue->clientEdite(), a);
    QCOMPARE(e.noms(), QStringList({"Alpha", "Beta", "Gamma"}));
    QVERIFY(fixtures::chooseInContextMenu(e.liste(), fixtures::rowOf(e.liste(), "Beta"), QStringLiteral("Supprimer")));
    QVERIFY(fixtures::clickBoxButton(fixtures::openBox(e.vue.get(), QStringLiteral("confirmation")), QStringLiteral("Supprimer")));
    fixtures::settle();
    QCOMPARE(e.noms(), QStringList({"Alpha", "Gamma"}));

    // Deleting the edited client, once confirmed, with what it owns: the placeholder comes back.
    QVERIFY(fixtures::chooseInContextMenu(e.liste(), fixtures::rowOf(e.liste(), "Alpha"), QStringLiteral("Supprimer")));
    QVERIFY(fixtures::clickBoxButton(fixtures::openBox(e.vue.get(), QStringLiteral("confirmation")), QStringLiteral("Supprimer")));
    fixtures::settle();
    QVERIFY(a->isDeleted());
    QCOMPARE(e.ctx->count<Contact>(), 0);
    QCOMPARE(e.ctx->count<LocationDeBenne>(), 0);
    QCOMPARE(e.ctx->count<BonDePesee>(), 0);
    QCOMPARE(e.ctx->count<Benne>(), 1);
    QVERIFY(!e.ctx->hasChanges());
    QVERIFY(e.vue->panneauDetail()->showsPlaceholder());

    // While a new client is entered, a deletion leaves the entry open.
    QTest::mouseClick(e.liste()->addButton(), Qt::LeftButton);
    // A right click does not select the row.
    QListView* view = e.liste()->listView();
    QTest::mouseClick(view->viewport(), Qt::RightButton, {}, view->visualRect(view->model()->index(0, 0)).center());
    QVERIFY(e.vue->isCreating());
    QVERIFY(fixtures::chooseInContextMenu(e.liste(), 0, QStringLiteral("Supprimer")));
    QVERIFY(fixtures::clickBoxButton(fixtures::openBox(e.vue.get(), QStringLiteral("confirmation")), QStringLiteral("Supprimer")));
    fixtures::settle();
    QVERIFY(e.vue->isCreating());
    QVERIFY(e.vue->editeur());
    QCOMPARE(e.liste()->rowCount(), 0);
}

void TestVueClients::deleteByPositions()
{
    Ecran e;
    for (const char* nom : {"Alpha", "Beta", "Gamma", "Delta"})
        fixtures::client(e.ctx.get(), QString::fromLatin1(nom));
    fixtures::save(e.ctx.get());
    e.ouvrir();
    e.chercher(QStringLiteral("a"));
    QCOMPARE(e.noms(), QStringList({"Alpha", "Beta", "Delta", "Gamma"}));

    // Positions are those the user saw; those beyond the list are ignored.
    e.vue->supprimerClients({3, 1, 7, -1});
    fixtures::settle();
    QCOMPARE(e.noms(), QStringList({"Alpha", "Delta"}));

    // The Delete key asks first: "Annuler" keeps the client, "Supprimer" deletes it.
    fixtures::clickRow(e.liste(), 1);
    QTest::keyClick(e.liste()->listView(), Qt::Key_Delete);
    QMessageBox* question = fixtures::openBox(e.vue.get(), QStringLiteral("confirmation"));
    QVERIFY(question);
    QCOMPARE(question->text(), QStringLiteral("Supprimer ce client ?"));
    QVERIFY(fixtures::clickBoxButton(question, QStringLiteral("Annuler")));
    fixtures::settle();
    QCOMPARE(e.noms(), QStringList({"Alpha", "Delta"}));
    QVERIFY(!fixtures::openBox(e.vue.get(), QStringLiteral("confirmation")));
    QTest::keyClick(e.liste()->listView(), Qt::Key_Delete);
    QVERIFY(fixtures::clickBoxButton(fixtures::openBox(e.vue.get(), QStringLiteral("confirmation")), QStringLiteral("Supprimer")));
    fixtures::settle();
    QCOMPARE(e.noms(), QStringList({"Alpha"}));
    QCOMPARE(e.ctx->count<Client>(), 1);
    QVERIFY(e.vue->panneauDetail()->showsPlaceholder());
}

void TestVueClients::failedDeletionIsReported()
{
    Ecran e;
    fixtures::client(e.ctx.get(), QStringLiteral("Alpha"));
    fixtures::save(e.ctx.get());
    e.ouvrir();
    e.ctx->failNextSave(QStringLiteral("disque plein"));
    QVERIFY(fixtures::chooseInContextMenu(e.liste(), 0, QStringLiteral("Supprimer")));
    QVERIFY(fixtures::clickBoxButton(fixtures::openBox(e.vue.get(), QStringLiteral("confirmation")), QStringLiteral("Supprimer")));
    QMessageBox* erreur = fixtures::openBox(e.vue.get(), QStringLiteral("erreur"));
    QVERIFY(erreur);
    QCOMPARE(erreur->text(), QStringLiteral("Échec de la suppression: disque plein"));
    // The deletion stays pending and is written by the next save.
    QVERIFY(e.ctx->hasChanges());
    fixtures::closeBoxes(e.vue.get());
    fixtures::save(e.ctx.get());
    QCOMPARE(e.ctx->count<Client>(), 0);
}

void TestVueClients::addKeyInAWindowWithItsOwnCtrlN()
{
    // A window whose menu binds Ctrl+N too: while the screen is shown, Ctrl+N is its
    // "Ajouter", wherever the focus is in the window.
    auto ctx = fixtures::store();
    fixtures::client(ctx.get(), QStringLiteral("Alpha"));
    fixtures::save(ctx.get());
    QMainWindow fenetre;
    int nouvellesFenetres = 0;
    QAction* nouvelle = fenetre.menuBar()->addMenu(QStringLiteral("&Fichier"))->addAction(QStringLiteral("Nouvelle fenêtre"));
    nouvelle->setShortcut(QKeySequence::New);
    connect(nouvelle, &QAction::triggered, &fenetre, [&] { ++nouvellesFenetres; });
    auto* vue = new VueClients(ctx.get());
    fenetre.setCentralWidget(vue);
    fenetre.resize(1300, 800);
    fenetre.show();
    QVERIFY(QTest::qWaitForWindowExposed(&fenetre));

    vue->liste()->searchField()->setFocus();
    QTest::keyClick(vue->liste()->searchField(), Qt::Key_N, Qt::ControlModifier);
    QVERIFY(vue->isCreating());
    QVERIFY(vue->editeur());
    QCOMPARE(vue->liste()->searchField()->text(), QString());

    fixtures::clickRow(vue->liste(), 0);
    QVERIFY(!vue->isCreating());
    QTest::keyClick(vue->editeur()->champ(ClientEditorView::Champ::ville), Qt::Key_N, Qt::ControlModifier);
    QVERIFY(vue->isCreating());
    QCOMPARE(vue->clientEdite(), nullptr);
    QCOMPARE(nouvellesFenetres, 0);

    // Without the screen, the window's own Ctrl+N works again.
    delete vue;
    QTest::keyClick(&fenetre, Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(nouvellesFenetres, 1);
}

void TestVueClients::fitsTheSmallestWindow()
{
    auto ctx = fixtures::store();
    Client* c = fixtures::client(ctx.get(), fixtures::longName(QStringLiteral("Client")),
                                 fixtures::longName(QStringLiteral("Ville")), QStringLiteral("33000"),
                                 fixtures::longName(QStringLiteral("Adresse")), fixtures::longName(QStringLiteral("mail")));
    ctx->insert(new Contact(fixtures::longName(QStringLiteral("Prénom")), fixtures::longName(QStringLiteral("Contact")),
                            fixtures::longName(QStringLiteral("Tél")), fixtures::longName(QStringLiteral("mail")), c));
    fixtures::save(ctx.get());

    // The smallest window: "Annuler", "Enregistrer", "Ville" and the contact's "Supprimer" stay
    // whole and in view, the labels above their fields; nothing scrolls sideways.
    const QStringList faults = fit::listScreenFaults(new VueClients(ctx.get()));
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));

    // Wide, the labels beside their fields.
    const QStringList wide = fit::wideEditorFaults(new VueClients(ctx.get()));
    QVERIFY2(wide.isEmpty(), qPrintable(wide.join(QLatin1Char('\n'))));

    // Another client chosen, or a new one, opens at the top of its editor, "Nom" in view.
    fixtures::client(ctx.get(), QStringLiteral("Zola Démolition"), QStringLiteral("Lyon"));
    fixtures::save(ctx.get());
    const QStringList top = fit::newRecordsOpenAtTheirTop(new VueClients(ctx.get()));
    QVERIFY2(top.isEmpty(), qPrintable(top.join(QLatin1Char('\n'))));
}

void TestVueClients::whatShowsAtOnceIsWhatSettles()
{
    // Two thousand clients, of one line or two: the list shows the rows in view first and
    // measures the others afterwards. Its first paint must already be what the user sees once
    // everything has settled: the same rows in the same places, the same count.
    auto ctx = fixtures::store();
    for (int i = 0; i < 2000; ++i)
        fixtures::client(ctx.get(), QStringLiteral("Client %1").arg(i), i % 3 ? QStringLiteral("Lyon") : QString(),
                         i % 3 ? QStringLiteral("69001") : QString());
    fixtures::save(ctx.get());

    QWidget fenetre;
    auto* layout = new QVBoxLayout(&fenetre);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* vue = new VueClients(ctx.get());
    layout->addWidget(vue);
    fenetre.resize(1600, 1000);
    fenetre.show();
    QListView* liste = vue->liste()->listView();
    const auto rowsInView = [&] {
        QStringList rows;
        for (int y = 0; y < liste->viewport()->height(); y += 7) {
            const QModelIndex i = liste->indexAt(QPoint(20, y));
            const QRect r = liste->visualRect(i);
            const QString row = i.isValid() ? QStringLiteral("%1 @%2 %3x%4").arg(i.data().toString()).arg(r.top()).arg(r.width()).arg(r.height())
                                            : QString();
            if (rows.isEmpty() || rows.last() != row)
                rows.append(row);
        }
        return rows;
    };
    // What the list's first paint shows: its rows in view, where they stand and how wide they
    // are (a scroll bar that comes later narrows them), and the count above.
    // Read just after the list's first paint: at the next event the window handles.
    struct FirstPaint : QObject {
        QWidget* viewport = nullptr;
        bool painted = false;
        std::function<void()> take;
        bool eventFilter(QObject* o, QEvent* e) override
        {
            if (painted && take) {
                const auto t = std::move(take);
                take = {};
                t();
            }
            if (o == viewport && e->type() == QEvent::Paint)
                painted = true;
            return false;
        }
    } firstPaint;
    firstPaint.viewport = liste->viewport();
    QStringList rowsAtOnce;
    QString countAtOnce;
    firstPaint.take = [&] {
        rowsAtOnce = rowsInView();
        countAtOnce = vue->liste()->countText();
    };
    qApp->installEventFilter(&firstPaint);
    QTRY_VERIFY(!firstPaint.take);
    qApp->removeEventFilter(&firstPaint);
    QVERIFY2(rowsAtOnce.size() > 10, qPrintable(rowsAtOnce.join(QLatin1Char('|'))));

    // Every row measured.
    QVERIFY(QTest::qWaitForWindowExposed(&fenetre));
    QTRY_VERIFY(liste->visualRect(liste->model()->index(1999, 0)).isValid());
    fit::Host::settle();
    QCOMPARE(countAtOnce, QStringLiteral("Nombre de clients : 2") + QLocale().groupSeparator() + QStringLiteral("000"));
    QCOMPARE(vue->liste()->countText(), countAtOnce);
    QCOMPARE(rowsInView(), rowsAtOnce);

    // The last client can be reached, whole at the bottom of the list.
    liste->scrollToBottom();
    fit::Host::settle();
    QVERIFY(liste->viewport()->rect().contains(liste->visualRect(liste->model()->index(1999, 0))));
}

void TestVueClients::lookAlikesStayToldApartInANarrowList()
{
    // Two offices of one name, each with a phone, an e-mail and contacts: in a list as narrow as
    // at 1.5 on a small screen, their towns show whole; what else the line holds gives way.
    Ecran e;
    const auto client = [&e](const QString& cp, const QString& ville, const QString& tel) {
        auto* c = new Client(QUuid::createUuid(), QStringLiteral("Dupont Travaux"), QStringLiteral("1565C0"),
                             QStringLiteral("1 rue Haute"), cp, ville, tel,
                             QStringLiteral("contact.chantiers@dupont-travaux.fr"), std::nullopt);
        e.ctx->insert(c);
        for (const char* nom : {"Paul", "Anne"})
            new Contact(QString::fromLatin1(nom), QString(), QString(), QString(), c);
        return c;
    };
    client(QStringLiteral("33000"), QStringLiteral("Bordeaux"), QStringLiteral("05 56 00 00 01"));
    client(QStringLiteral("33500"), QStringLiteral("Libourne"), QStringLiteral("05 57 00 00 02"));
    fixtures::save(e.ctx.get());
    e.ouvrir();
    QListView* vue = e.liste()->listView();
    auto* delegate = qobject_cast<forms::RecordRowDelegate*>(vue->itemDelegate());
    QVERIFY(delegate);
    QFont police = vue->font();
    police.setPointSizeF(police.pointSizeF() * 1.5);
    for (int row = 0; row < 2; ++row) {
        const forms::RowContent content = delegate->contentAt(vue->model()->index(row, 0));
        const QString ville = row == 0 ? QStringLiteral("Bordeaux") : QStringLiteral("Libourne");
        QStringList vus;
        for (const auto& placed : forms::RecordRowDelegate::placeLines(content, QRect(0, 0, 300, 60), police))
            vus.append(placed.shown);
        QVERIFY2(vus.join(QLatin1Char('|')).contains(ville), qPrintable(vus.join(QLatin1Char('|'))));
    }
}

void TestVueClients::keysGoOnFromTheDeletedClient()
{
    Ecran e;
    for (const char* nom : {"Alpha", "Bravo", "Charlie"})
        fixtures::client(e.ctx.get(), QString::fromLatin1(nom));
    fixtures::save(e.ctx.get());
    e.ouvrir();
    QListView* vue = e.liste()->listView();
    fixtures::HeardAnnouncements lecteur; // what went is said once the keys are in the list

    // The question answered by keys: Shift+Tab to "Supprimer", Return.
    fixtures::clickRow(e.liste(), 1);
    QVERIFY(fixtures::deleteByKeys(vue, e.vue.get()));
    QTRY_COMPARE(e.noms(), QStringList({QStringLiteral("Alpha"), QStringLiteral("Charlie")}));
    QTRY_COMPARE(lecteur.said, QStringList{QStringLiteral("Client supprimé\u00A0: Bravo.")});
    // The row that took its place has the keys, drawn with its focus; ↓ and ↑ go on from it.
    QTRY_COMPARE(QApplication::focusWidget(), vue);
    QCOMPARE(vue->currentIndex().row(), 1);
    QTest::keyClick(vue, Qt::Key_Up);
    QCOMPARE(e.vue->selection()->nom(), QStringLiteral("Alpha"));

    // From the editor's « Supprimer ce client »: the keys go back to the list too.
    ClientEditorView* editeur = e.vue->editeur();
    QVERIFY(editeur);
    QPushButton* supprimer = nullptr;
    for (QPushButton* b : editeur->findChildren<QPushButton*>())
        if (fixtures::shownText(b) == QStringLiteral("Supprimer ce client"))
            supprimer = b;
    QVERIFY(supprimer);
    QVERIFY(fixtures::deleteByButton(supprimer, e.vue.get()));
    QTRY_COMPARE(e.noms(), QStringList({QStringLiteral("Charlie")}));
    QTRY_COMPARE(QApplication::focusWidget(), vue);
    QCOMPARE(vue->currentIndex().row(), 0);
    QTRY_COMPARE(lecteur.said.last(), QStringLiteral("Client supprimé\u00A0: Alpha."));
}

void TestVueClients::everyControlIsNamed()
{
    Ecran e;
    fixtures::officeClient(e.ctx.get());
    fixtures::save(e.ctx.get());
    e.ouvrir();
    fixtures::clickRow(e.liste(), 0);
    QVERIFY(e.vue->editeur());
    QCOMPARE(fixtures::unnamedControls(e.vue.get()).join(QStringLiteral(", ")), QString());
    QCOMPARE(fixtures::spokenName(e.liste()->listView()), QStringLiteral("Clients"));
    QCOMPARE(fixtures::spokenName(e.liste()->searchField()), QStringLiteral("Rechercher un client"));
}
