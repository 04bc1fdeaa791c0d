// Every place where a user types, driven through the main window as a user does: Ctrl+S and
// Ctrl+Return save what was typed (the store reads it back), Ctrl+Escape takes it back after
// asking, and leaving with typed work (another row, another command, closing the window, the
// sheet's "Annuler" or Escape) asks « Enregistrer les modifications ? » and never drops it
// silently. One table lists the places; each check walks all of them.

#include "tests.h"

#include "screenfixtures.h"

#include "app/contentview.h"
#include "clients/clienteditorview.h"
#include "clients/vueclients.h"
#include "drivers/formulairechauffeurview.h"
#include "drivers/vuechauffeurs.h"
#include "fleet/benneeditorview.h"
#include "fleet/vuebennes.h"
#include "planning/vueplanificationbennes.h"
#include "rentals/feuillenouvellelocation.h"
#include "rentals/formulairelocationview.h"
#include "rentals/geocodageapresenregistrement.h"
#include "wastes/centreeditorview.h"
#include "wastes/centreslistview.h"
#include "wastes/gestiontypesdechetsview.h"
#include "wastes/typedechetformview.h"
#include "weighing/locationsetpeseeview.h"
#include "weighing/minibondepeseeform.h"
#include "widgets/forms/editorframe.h"
#include "widgets/forms/listpanel.h"
#include "widgets/searchablepicker.h"
#include "platform/adresseservice.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QPointer>
#include <QSettings>
#include <QTest>
#include <QTimer>

using namespace kv;
using namespace fixtures;

namespace {

const QString kQuestion = QStringLiteral("Enregistrer les modifications ?");
// Answers a question by Return, whatever button that presses.
const QString kReturnKey = QStringLiteral("⏎");

// Button texts may carry the '&' of an Alt letter.
QString bare(QString text)
{
    return text.remove(QLatin1Char('&'));
}

// The question open anywhere: the active modal widget first, else any visible message box.
QMessageBox* shownBox()
{
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); box && box->isVisible())
        return box;
    for (QWidget* w : QApplication::allWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
            return box;
    return nullptr;
}

// Answers the next question with the button of this text, from the event loop: a question that
// runs a loop of its own (exec) is answered as well as one that returns at once. It looks again
// on each turn of the loop for a while, then settles on "nothing was asked".
class Answerer : public QObject {
public:
    explicit Answerer(QString button) : m_button(std::move(button)) { QTimer::singleShot(0, this, [this] { look(); }); }

    bool done() const { return m_done; }
    bool asked() const { return !m_text.isNull(); }
    QString text() const { return m_text; }
    bool answered() const { return m_answered; }

private:
    void look()
    {
        if (QMessageBox* box = shownBox()) {
            m_text = box->text();
            if (m_button == kReturnKey) {
                m_answered = true;
                QTest::keyClick(box->focusWidget() ? box->focusWidget() : box, Qt::Key_Return);
            }
            for (QAbstractButton* b : box->buttons())
                if (!m_answered && bare(b->text()) == bare(m_button)) {
                    m_answered = true;
                    b->click();
                    break;
                }
            if (!m_answered)
                box->done(0);
            m_done = true;
            return;
        }
        // Enough turns for a question posted by the key to open; none came.
        if (++m_turns > 40) {
            m_done = true;
            return;
        }
        QTimer::singleShot(0, this, [this] { look(); });
    }

    QString m_button;
    QString m_text;
    bool m_answered = false;
    bool m_done = false;
    int m_turns = 0;
};

// Types `text` over what a field holds.
void typeOver(QWidget* field, const QString& text)
{
    field->setFocus();
    if (auto* line = qobject_cast<QLineEdit*>(field))
        line->selectAll();
    else
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    typeText(field, text);
    QApplication::processEvents();
}

QString shownIn(QWidget* field)
{
    if (auto* line = qobject_cast<QLineEdit*>(field))
        return line->text();
    if (auto* text = qobject_cast<QPlainTextEdit*>(field))
        return text->toPlainText();
    return QString();
}

// The office: two of each record an editor edits, two removed rentals without tickets, one
// skip free for a new rental.
struct Office {
    std::unique_ptr<ModelContext> ctx = store();
    Client* alpha = officeClient(ctx.get(), QStringLiteral("Alpha"));
    Client* beta = officeClient(ctx.get(), QStringLiteral("Bêta"));
    Benne* petite = colouredBenne(ctx.get(), 3, QStringLiteral("0000FF"));
    Benne* grande = colouredBenne(ctx.get(), 15, QStringLiteral("FF0000"));
    TypeDechet* gravats = wasteType(ctx.get(), QStringLiteral("Gravats"));
    TypeDechet* bois = wasteType(ctx.get(), QStringLiteral("Bois"));
    CentreTraitement* nord = centre(QStringLiteral("Centre Nord"));
    CentreTraitement* sud = centre(QStringLiteral("Centre Sud"));
    Chauffeur* paul = driver(ctx.get(), QStringLiteral("Martin"), QStringLiteral("Paul"));
    Chauffeur* lea = driver(ctx.get(), QStringLiteral("Petit"), QStringLiteral("Léa"));
    LocationDeBenne* premiere = removed(alpha, 5);
    LocationDeBenne* seconde = removed(beta, 3);

    Office() { QVERIFY(saved(ctx.get())); }

    CentreTraitement* centre(const QString& nom)
    {
        auto* c = new CentreTraitement(nom, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                                       QStringLiteral("Lyon"), std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                                       std::nullopt, std::nullopt, std::nullopt);
        ctx->insert(c);
        return c;
    }
    // A rental of the small skip, removed `daysAgo` days before today.
    LocationDeBenne* removed(Client* c, int daysAgo)
    {
        const QDateTime fin = QDateTime::currentDateTime().addDays(-daysAgo);
        return placedRental(ctx.get(), c, petite, fin.addDays(-2), fin);
    }
    // The rentals of the big skip, the one the new-rental sheet books.
    QList<LocationDeBenne*> bookings() const
    {
        QList<LocationDeBenne*> out;
        for (LocationDeBenne* l : ctx->all<LocationDeBenne>())
            if (l->benne() == grande)
                out.append(l);
        return out;
    }
};

// One place where a user types, as reached from the main window.
struct Place {
    QString name;
    Commande commande;
    // Two texts typed in turn (each differs from what is stored).
    QStringList texts;
    // Reaches the place with its first record chosen (or its sheet open); false when it cannot.
    std::function<bool(Office&, ContentView*)> open;
    // The field typed into, once open.
    std::function<QWidget*(ContentView*)> field;
    // What the store holds for that field of the first record.
    std::function<QString(Office&)> stored;
    // Chooses the second record of the list; none for a sheet.
    std::function<void(ContentView*)> chooseOther;
    // Whether the place (its editor or sheet) still shows what was typed.
    std::function<bool(ContentView*)> isOpen;
};

template <class Screen>
Screen* screenOf(ContentView* w)
{
    return qobject_cast<Screen*>(w->detailScreen());
}

// Chooses a row of a list as a user does: a click on it.
bool chooseRow(forms::ListPanel* panel, int row)
{
    if (!panel || panel->listView()->model()->rowCount() <= row)
        return false;
    clickRow(panel, row);
    return true;
}

QString text(const std::optional<QString>& value)
{
    return value.value_or(QString());
}

// The net weight of the latest ticket of a rental, as typed ("" without ticket).
QString ticketWeight(const LocationDeBenne* l)
{
    const BonDePesee* bon = dernierBon(l);
    return bon && bon->poidsDechetsKg() ? QString::number(*bon->poidsDechetsKg(), 'f', 0) : QString();
}

FeuilleNouvelleLocation* sheetOf(ContentView* w)
{
    return FeuilleNouvelleLocation::ouverteSur(w);
}

QList<Place> places()
{
    QList<Place> out;
    out.append({QStringLiteral("clients"), Commande::clients,
                {QStringLiteral("Villeurbanne <b>Écully</b> / Nord"), QStringLiteral("Caluire-et-Cuire")},
                [](Office& o, ContentView* w) {
                    auto* vue = screenOf<VueClients>(w);
                    return vue && chooseRow(vue->liste(), rowOf(vue->liste(), o.alpha->nom()));
                },
                [](ContentView* w) -> QWidget* {
                    auto* e = screenOf<VueClients>(w)->editeur();
                    return e ? e->champ(ClientEditorView::Champ::ville) : nullptr;
                },
                [](Office& o) { return o.alpha->ville(); },
                [](ContentView* w) {
                    auto* vue = screenOf<VueClients>(w);
                    clickRow(vue->liste(), rowOf(vue->liste(), QStringLiteral("Bêta")));
                },
                [](ContentView* w) {
                    auto* vue = screenOf<VueClients>(w);
                    return vue && vue->editeur() && vue->clientEdite() == vue->clientsFiltres().value(0);
                }});
    out.append({QStringLiteral("bennes"), Commande::bennes,
                {QStringLiteral("Porte arrière <b>voilée</b> / à revoir"), QStringLiteral("Repeinte")},
                [](Office&, ContentView* w) {
                    auto* vue = screenOf<VueBennes>(w);
                    return vue && chooseRow(vue->liste(), 0);
                },
                [](ContentView* w) -> QWidget* {
                    auto* e = screenOf<VueBennes>(w)->editeur();
                    return e ? e->notesField() : nullptr;
                },
                [](Office& o) { return o.petite->notes(); },
                [](ContentView* w) { clickRow(screenOf<VueBennes>(w)->liste(), 1); },
                [](ContentView* w) {
                    auto* vue = screenOf<VueBennes>(w);
                    return vue && vue->editeur() && vue->benneEditee() == vue->bennesFiltrees().value(0);
                }});
    out.append({QStringLiteral("déchets"), Commande::dechets,
                {QStringLiteral("Béton <b>armé</b> / briques"), QStringLiteral("Tuiles")},
                [](Office&, ContentView* w) {
                    auto* vue = screenOf<GestionTypesDechetsView>(w);
                    return vue && chooseRow(vue->listPanel(), 0);
                },
                [](ContentView* w) -> QWidget* {
                    auto* f = screenOf<GestionTypesDechetsView>(w)->formulaire();
                    return f ? f->champ(TypeDechetFormView::Champ::details) : nullptr;
                },
                // Listed by label: « Bois » first.
                [](Office& o) { return text(o.bois->details()); },
                [](ContentView* w) { clickRow(screenOf<GestionTypesDechetsView>(w)->listPanel(), 1); },
                [](ContentView* w) {
                    auto* vue = screenOf<GestionTypesDechetsView>(w);
                    return vue && vue->formulaire() && vue->isEditing()
                        && vue->typeEnCoursEdition()->libelle() == QStringLiteral("Bois");
                }});
    out.append({QStringLiteral("centres"), Commande::centreDechets,
                {QStringLiteral("Vénissieux <b>Est</b> / ZI"), QStringLiteral("Bron")},
                [](Office&, ContentView* w) {
                    auto* vue = screenOf<CentresListView>(w);
                    return vue && chooseRow(vue->listPanel(), 0);
                },
                [](ContentView* w) -> QWidget* {
                    auto* e = screenOf<CentresListView>(w)->editeur();
                    return e ? e->champ(CentreEditorView::FocusField::ville) : nullptr;
                },
                [](Office& o) { return text(o.nord->ville()); },
                [](ContentView* w) { clickRow(screenOf<CentresListView>(w)->listPanel(), 1); },
                [](ContentView* w) {
                    auto* vue = screenOf<CentresListView>(w);
                    return vue && vue->editeur() && vue->centreEdite() == vue->centresFiltres().value(0);
                }});
    out.append({QStringLiteral("chauffeurs"), Commande::chauffeurs,
                {QStringLiteral("06 12 34 56 78"), QStringLiteral("04 78 00 11 22")},
                [](Office&, ContentView* w) {
                    auto* vue = screenOf<VueChauffeurs>(w);
                    return vue && chooseRow(vue->liste(), 0);
                },
                [](ContentView* w) -> QWidget* {
                    auto* f = screenOf<VueChauffeurs>(w)->formulaire();
                    return f ? f->champTelephone() : nullptr;
                },
                // Store order: Paul Martin first.
                [](Office& o) { return text(o.paul->telephone()); },
                [](ContentView* w) { clickRow(screenOf<VueChauffeurs>(w)->liste(), 1); },
                [](ContentView* w) {
                    auto* vue = screenOf<VueChauffeurs>(w);
                    return vue && vue->formulaire() && vue->chauffeurSelectionne()
                        && vue->chauffeurSelectionne()->prenom() == QStringLiteral("Paul");
                }});
    out.append({QStringLiteral("bons de pesée"), Commande::bonDePesee,
                {QStringLiteral("4100"), QStringLiteral("3450")},
                [](Office& o, ContentView* w) {
                    auto* vue = screenOf<LocationsEtPeseeView>(w);
                    if (!vue)
                        return false;
                    const int row = int(vue->locationsFiltrees().indexOf(o.premiere));
                    return row >= 0 && chooseRow(vue->listPanel(), row);
                },
                [](ContentView* w) -> QWidget* {
                    auto* f = screenOf<LocationsEtPeseeView>(w)->formulaire();
                    return f ? f->champPoids() : nullptr;
                },
                [](Office& o) { return ticketWeight(o.premiere); },
                [](ContentView* w) {
                    auto* vue = screenOf<LocationsEtPeseeView>(w);
                    for (int row = 0; row < vue->locationsFiltrees().size(); ++row)
                        if (vue->locationsFiltrees().at(row) != vue->selection()) {
                            clickRow(vue->listPanel(), row);
                            return;
                        }
                },
                [](ContentView* w) {
                    auto* vue = screenOf<LocationsEtPeseeView>(w);
                    return vue && vue->formulaire() && vue->selection()
                        && vue->selection()->client()->nom() == QStringLiteral("Alpha");
                }});
    out.append({QStringLiteral("nouvelle location"), Commande::defaut,
                {QStringLiteral("12 rue de l'Église <b>bât. B</b> / 2e"), QStringLiteral("3 quai Perrache")},
                [](Office& o, ContentView* w) {
                    auto* planning = screenOf<VuePlanificationBennes>(w);
                    if (!planning)
                        return false;
                    planning->selectionnerBenne(o.grande);
                    FeuilleNouvelleLocation* sheet = sheetOf(w);
                    if (!sheet || !QTest::qWaitForWindowExposed(sheet))
                        return false;
                    QApplication::setActiveWindow(sheet);
                    if (!QTest::qWaitForWindowActive(sheet))
                        return false;
                    // The sheet chooses no client: the user picks the first one.
                    QTest::keyClick(sheet->formulaire()->choixClient(), Qt::Key_Down);
                    return sheet->formulaire()->clientSelectionne() != nullptr;
                },
                [](ContentView* w) -> QWidget* {
                    FeuilleNouvelleLocation* sheet = sheetOf(w);
                    return sheet ? sheet->formulaire()->champAdresse() : nullptr;
                },
                // The address of the latest booking of the big skip.
                [](Office& o) {
                    const QList<LocationDeBenne*> l = o.bookings();
                    return l.isEmpty() ? QString() : text(l.last()->adresse());
                },
                {},
                [](ContentView* w) { return sheetOf(w) && sheetOf(w)->isVisible(); }});
    return out;
}

struct Window {
    Office office;
    std::unique_ptr<ContentView> window;

    Window()
    {
        window = std::make_unique<ContentView>(office.ctx.get());
        const qreal scale = qApp->devicePixelRatio();
        window->resize(int(1200 / scale), int(760 / scale));
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        activate();
    }
    ~Window()
    {
        if (FeuilleNouvelleLocation* sheet = sheetOf(window.get()))
            sheet->congedier();
        qApp->setProperty("kv.quitWithoutQuestions", true);
        window->close();
        qApp->setProperty("kv.quitWithoutQuestions", QVariant());
    }

    void activate()
    {
        QApplication::setActiveWindow(window.get());
        QTRY_VERIFY(window->isActiveWindow());
    }
    // Shows the place's command from the sidebar, then reaches the place.
    bool open(const Place& p)
    {
        if (window->selection() != std::optional<Commande>(p.commande))
            window->chooseCommand(p.commande);
        QApplication::processEvents();
        return p.open(office, window.get());
    }
    // The bookings made by the sheet go again, so that the next one is over nobody's.
    void forgetBookings()
    {
        for (LocationDeBenne* l : office.bookings())
            office.ctx->remove(l);
        QVERIFY(saved(office.ctx.get()));
    }
};

// Presses keys on `target` and answers the question that comes (if any) with `button`.
std::unique_ptr<Answerer> pressAnswering(QWidget* target, Qt::Key key, Qt::KeyboardModifiers mods,
                                         const QString& button)
{
    auto answerer = std::make_unique<Answerer>(button);
    QTest::keyClick(target, key, mods);
    return answerer;
}

// Runs `act` (a click, a command change) and answers the question that comes with `button`.
std::unique_ptr<Answerer> doAnswering(const std::function<void()>& act, const QString& button)
{
    auto answerer = std::make_unique<Answerer>(button);
    act();
    return answerer;
}

// Waits until the answer was given (or nothing was asked), then lets the closed question go, as
// the event loop of the program does once it is back at its top.
#define SETTLED(answerer)                                                    \
    do {                                                                     \
        QTRY_VERIFY((answerer)->done());                                     \
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); \
        QApplication::processEvents();                                       \
    } while (false)

} // namespace

void TypingTest::initTestCase()
{
    // No address service answers in tests: a closed local port fails at once.
    QSettings().setValue(QStringLiteral("addresses/baseUrl"), QStringLiteral("http://127.0.0.1:9/"));
}

void TypingTest::cleanupTestCase()
{
    QSettings().remove(QStringLiteral("addresses/baseUrl"));
}

void TypingTest::saveKeysStoreTypedWork_data()
{
    QTest::addColumn<int>("place");
    const QList<Place> all = places();
    for (int i = 0; i < all.size(); ++i)
        QTest::newRow(qPrintable(all[i].name)) << i;
}

void TypingTest::saveKeysStoreTypedWork()
{
    QFETCH(int, place);
    const Place p = places().at(place);
    Window w;
    GeocodageApresEnregistrement::pour(w.office.ctx.get())->service()->setBaseUrl(QUrl(QStringLiteral("http://127.0.0.1:9/")));
    const QList<std::pair<Qt::Key, QString>> keys = {{Qt::Key_S, QStringLiteral("Ctrl+S")},
                                                      {Qt::Key_Return, QStringLiteral("Ctrl+Return")}};
    for (int i = 0; i < keys.size(); ++i) {
        const QString& typed = p.texts.at(i);
        QVERIFY2(w.open(p), qPrintable(keys[i].second));
        QWidget* field = p.field(w.window.get());
        QVERIFY(field);
        typeOver(field, typed);
        QCOMPARE(shownIn(field), typed);
        QVERIFY2(w.window->hasUnsavedChanges() || sheetOf(w.window.get()), qPrintable(keys[i].second));
        auto answer = pressAnswering(field, keys[i].first, Qt::ControlModifier, QStringLiteral("Annuler"));
        SETTLED(answer);
        QVERIFY2(!answer->asked(), qPrintable(keys[i].second + QStringLiteral(" asked: ") + answer->text()));
        QVERIFY2(p.stored(w.office) == typed, qPrintable(keys[i].second + QStringLiteral(" stored «")
                                                           + p.stored(w.office) + QStringLiteral("»")));
        QVERIFY2(!w.office.ctx->hasChanges(), qPrintable(keys[i].second + QStringLiteral(" left changes unsaved")));
        QVERIFY(!w.window->hasUnsavedChanges());
        if (!p.chooseOther) {
            // The sheet closes once its rental is stored.
            QTRY_VERIFY(!sheetOf(w.window.get()));
            QCOMPARE(w.office.bookings().size(), 1);
            w.forgetBookings();
        }
    }
}

void TypingTest::ctrlEscapeTakesTypedWorkBackAfterAsking_data()
{
    saveKeysStoreTypedWork_data();
}

void TypingTest::ctrlEscapeTakesTypedWorkBackAfterAsking()
{
    QFETCH(int, place);
    const Place p = places().at(place);
    Window w;
    ContentView* window = w.window.get();
    const QString before = p.stored(w.office);

    // Nothing typed: it takes back at once, without a question. (The new-rental sheet is
    // reached with a client picked by the user, a choice that asks as typing does.)
    QVERIFY(w.open(p));
    QWidget* field = p.field(window);
    QVERIFY(field);
    if (p.chooseOther) {
        field->setFocus();
        auto answer = pressAnswering(field, Qt::Key_Escape, Qt::ControlModifier, QStringLiteral("Annuler"));
        SETTLED(answer);
        QVERIFY2(!answer->asked(), qPrintable(answer->text()));
        QVERIFY(!p.isOpen(window) || shownIn(p.field(window)) == before);
        QVERIFY(w.open(p));
        field = p.field(window);
    }

    // Typed: it asks; "Annuler" keeps the typing where it was.
    typeOver(field, p.texts.first());
    auto answer = pressAnswering(field, Qt::Key_Escape, Qt::ControlModifier, QStringLiteral("Annuler"));
    SETTLED(answer);
    QCOMPARE(answer->text(), kQuestion);
    QVERIFY(answer->answered());
    QVERIFY(p.isOpen(window));
    QCOMPARE(shownIn(p.field(window)), p.texts.first());
    QCOMPARE(p.stored(w.office), before);

    // Return on the question never stores what the user asked to take back.
    answer = pressAnswering(p.field(window), Qt::Key_Escape, Qt::ControlModifier, kReturnKey);
    SETTLED(answer);
    QCOMPARE(answer->text(), kQuestion);
    QCOMPARE(p.stored(w.office), before);
    // Nor after the editor's own « Annuler ».
    QVERIFY(w.open(p));
    if (QPointer<QWidget> editor = p.field(window)) {
        QWidget* frame = editor;
        while (frame && !qobject_cast<forms::EditorFrame*>(frame))
            frame = frame->parentWidget();
        if (frame) {
            typeOver(editor, p.texts.first());
            answer = doAnswering([frame] { static_cast<forms::EditorFrame*>(frame)->cancelButton()->click(); }, kReturnKey);
            SETTLED(answer);
            QCOMPARE(answer->text(), kQuestion);
            QCOMPARE(p.stored(w.office), before);
        }
    }
    QVERIFY(w.open(p));

    // "Ne pas enregistrer": the typing goes, the store keeps what it held.
    typeOver(p.field(window), p.texts.first());
    answer = pressAnswering(p.field(window), Qt::Key_Escape, Qt::ControlModifier, QStringLiteral("Ne pas enregistrer"));
    SETTLED(answer);
    QCOMPARE(answer->text(), kQuestion);
    // Taken back: the editor closed, or showing what is stored again.
    QTRY_VERIFY(!p.isOpen(window) || shownIn(p.field(window)) == before);
    QCOMPARE(p.stored(w.office), before);
    QVERIFY(!window->hasUnsavedChanges());
    QVERIFY(w.open(p));
    QCOMPARE(shownIn(p.field(window)), before);
    QVERIFY(!w.office.ctx->hasChanges());
    QVERIFY(w.office.bookings().isEmpty());
}

void TypingTest::leavingTypedWorkAsks_data()
{
    saveKeysStoreTypedWork_data();
}

void TypingTest::leavingTypedWorkAsks()
{
    QFETCH(int, place);
    const Place p = places().at(place);
    Window w;
    GeocodageApresEnregistrement::pour(w.office.ctx.get())->service()->setBaseUrl(QUrl(QStringLiteral("http://127.0.0.1:9/")));
    ContentView* window = w.window.get();
    const QString before = p.stored(w.office);
    const QString typed = p.texts.first();

    // The ways out of the place other than closing the window.
    struct Way {
        QString name;
        std::function<void()> leave;
    };
    QList<Way> ways;
    if (p.chooseOther) {
        ways.append({QStringLiteral("another row"), [&] { p.chooseOther(window); }});
        const Commande other = p.commande == Commande::clients ? Commande::bennes : Commande::clients;
        ways.append({QStringLiteral("another command"), [&, other] {
                         QListWidget* sidebar = window->sidebar();
                         for (int i = 0; i < sidebar->count(); ++i)
                             if (sidebar->item(i)->text() == titre(other))
                                 QTest::mouseClick(sidebar->viewport(), Qt::LeftButton, {},
                                                   sidebar->visualItemRect(sidebar->item(i)).center());
                     }});
    } else {
        ways.append({QStringLiteral("Annuler"), [&] {
                         QTest::mouseClick(sheetOf(window)->formulaire()->boutonAnnuler(), Qt::LeftButton);
                     }});
        ways.append({QStringLiteral("Escape"), [&] {
                         QTest::keyClick(sheetOf(window)->formulaire()->champAdresse(), Qt::Key_Escape);
                     }});
    }
    const Way closing{QStringLiteral("closing the window"), [&] { window->close(); }};

    // "Annuler": nothing moves, the typing stays and nothing is stored.
    auto cancelKeeps = [&](const Way& way, const QString& typed, const QString& before) {
        const QString why = p.name + QStringLiteral(", ") + way.name;
        QVERIFY2(w.open(p), qPrintable(why));
        typeOver(p.field(window), typed);
        auto answer = doAnswering(way.leave, QStringLiteral("Annuler"));
        SETTLED(answer);
        QVERIFY2(answer->text() == kQuestion, qPrintable(why + QStringLiteral(": asked «") + answer->text() + "»"));
        QVERIFY2(answer->answered(), qPrintable(why));
        QVERIFY2(window->isVisible(), qPrintable(why));
        QVERIFY2(p.isOpen(window), qPrintable(why));
        QCOMPARE(window->selection(), std::optional<Commande>(p.commande));
        QCOMPARE(shownIn(p.field(window)), typed);
        QCOMPARE(p.stored(w.office), before);
    };

    for (const Way& way : ways) {
        cancelKeeps(way, typed, before);
        if (QTest::currentTestFailed())
            return;
        // "Ne pas enregistrer": out, the store as it was.
        auto answer = doAnswering(way.leave, QStringLiteral("Ne pas enregistrer"));
        SETTLED(answer);
        QVERIFY2(answer->text() == kQuestion, qPrintable(way.name));
        QTRY_VERIFY2(!p.isOpen(window), qPrintable(way.name));
        QCOMPARE(p.stored(w.office), before);
    }

    // "Enregistrer" keeps the typing in the store, then leaves.
    QVERIFY(w.open(p));
    typeOver(p.field(window), typed);
    auto answer = doAnswering(ways.first().leave, QStringLiteral("Enregistrer"));
    SETTLED(answer);
    QCOMPARE(answer->text(), kQuestion);
    QTRY_VERIFY(!p.isOpen(window));
    QCOMPARE(p.stored(w.office), typed);
    QVERIFY(!w.office.ctx->hasChanges());
    if (!p.chooseOther)
        w.forgetBookings();

    // Closing the window asks too; "Enregistrer" stores the typing, then the window closes. (A
    // sheet is window-modal: the window cannot be closed under it.)
    if (!p.chooseOther)
        return;
    cancelKeeps(closing, p.texts.at(1), typed);
    if (QTest::currentTestFailed())
        return;
    typeOver(p.field(window), p.texts.at(1));
    answer = doAnswering(closing.leave, QStringLiteral("Enregistrer"));
    SETTLED(answer);
    QCOMPARE(answer->text(), kQuestion);
    QTRY_VERIFY(!window->isVisible());
    QCOMPARE(p.stored(w.office), p.texts.at(1));
    QVERIFY(!w.office.ctx->hasChanges());
}
