#pragma once

// Fixtures shared by the screen tests: stores and records, clicks on list rows, context menus,
// message boxes, typing, and a capture of the standard output.

#include "model/horloge.h"
#include "model/modelcontext.h"
#include "model/records.h"
#include "widgets/forms/listpanel.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QUuid>
#include <QtTest>

#include <cstdio>
#include <memory>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace fixtures {

// A store without file.
inline std::unique_ptr<kv::ModelContext> store(const QString& path = QStringLiteral(":memory:"))
{
    QString error;
    auto ctx = kv::ModelContext::open(path, &error);
    if (!ctx)
        qFatal("store: %s", qPrintable(error));
    return ctx;
}

inline void save(kv::ModelContext* ctx)
{
    QString error;
    if (!ctx->save(&error))
        qFatal("save: %s", qPrintable(error));
}

// Lets the store announce its changes and the lists refresh.
inline void settle()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
    // A timer that fired in the last pass may have resized a widget and asked its layout to
    // put it back (a combo box fitting its entries does): let the layouts answer before a test
    // reads geometries.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
}

inline kv::Client* client(kv::ModelContext* ctx, const QString& nom, const QString& ville = QString(),
                          const QString& cp = QString(), const QString& adresse = QString(),
                          std::optional<QString> email = std::nullopt)
{
    auto* c = new kv::Client(QUuid::createUuid(), nom, QStringLiteral("00FF00"), adresse, cp, ville,
                             QString(), email, std::nullopt);
    ctx->insert(c);
    return c;
}

inline kv::Benne* benne(kv::ModelContext* ctx, double volume, kv::EtatBenne etat = kv::EtatBenne::correct,
                        const QString& notes = QString(), kv::DispositifSpecial* d = nullptr)
{
    auto* b = new kv::Benne(volume, QStringLiteral("808080"), etat, notes, d);
    ctx->insert(b);
    return b;
}

// A rental of `c` and `b` (it joins their store), optionally of a waste type.
inline kv::LocationDeBenne* location(kv::Client* c, kv::Benne* b, kv::TypeDechet* type = nullptr)
{
    return new kv::LocationDeBenne(c, b, std::nullopt, std::nullopt, std::nullopt, 0, 0, 0,
                                   QDateTime::currentDateTime(), std::nullopt, type);
}

// A rental of a new client and skip that uses `type`.
inline kv::LocationDeBenne* rentalUsing(kv::ModelContext* ctx, kv::TypeDechet* type)
{
    return location(client(ctx, QStringLiteral("Client")), benne(ctx, 10.0), type);
}

// A waste type as the screens create one: a name, a category, VAT 20 and nothing else (not inserted).
inline kv::TypeDechet* wasteType(const QString& libelle, const QString& categorie = QStringLiteral("DIB"))
{
    return new kv::TypeDechet(libelle, std::nullopt, categorie, std::nullopt, std::nullopt, std::nullopt,
                              std::nullopt, std::nullopt, std::nullopt, std::nullopt, 20.0, false, std::nullopt,
                              false, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt);
}

// A treatment centre with a name and a town (not inserted).
inline kv::CentreTraitement* centre(const QString& nom, const std::optional<QString>& ville = {})
{
    return new kv::CentreTraitement(nom, std::nullopt, std::nullopt, std::nullopt, std::nullopt, ville,
                                    std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                                    std::nullopt, std::nullopt);
}

// Types a text into a widget, key by key (accented letters included).
inline void typeText(QWidget* field, const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(field, char(c.unicode()));
            continue;
        }
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(field, &press);
        QApplication::sendEvent(field, &release);
    }
}

// What the rows of a list panel show, as their accessible texts.
inline QStringList rowTexts(kv::forms::ListPanel* panel)
{
    QApplication::processEvents();
    QStringList out;
    QAbstractItemModel* m = panel->listView()->model();
    for (int i = 0; i < m->rowCount(); ++i)
        out.append(m->index(i, 0).data(Qt::AccessibleTextRole).toString());
    return out;
}

// The first row whose text starts so, or -1.
inline int rowOf(kv::forms::ListPanel* panel, const QString& startsWith)
{
    const QStringList texts = rowTexts(panel);
    for (int i = 0; i < texts.size(); ++i)
        if (texts[i].startsWith(startsWith))
            return i;
    return -1;
}

// Clicks a row with the mouse.
inline void clickRow(kv::forms::ListPanel* panel, int row)
{
    QListView* view = panel->listView();
    const QRect r = view->visualRect(view->model()->index(row, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, r.center());
    QApplication::processEvents();
}

// Right-clicks a row and chooses the menu entry of this text; false when it is missing.
inline bool chooseInContextMenu(kv::forms::ListPanel* panel, int row, const QString& entry)
{
    QListView* view = panel->listView();
    const QPoint pos = view->visualRect(view->model()->index(row, 0)).center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, pos, view->viewport()->mapToGlobal(pos));
    QApplication::sendEvent(view->viewport(), &event);
    QMenu* menu = nullptr;
    for (QMenu* m : panel->findChildren<QMenu*>())
        if (m->isVisible())
            menu = m;
    if (!menu)
        return false;
    QAction* chosen = nullptr;
    for (QAction* a : menu->actions())
        if (a->text() == entry)
            chosen = a;
    menu->close();
    if (chosen)
        chosen->trigger();
    QApplication::processEvents();
    return chosen != nullptr;
}

// A button's text as it reads on screen: its Alt letter's mark taken out ("&&" shows as "&").
inline QString shownText(QString text)
{
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text.at(i) == QLatin1Char('&'))
            text.remove(i, 1); // the next character, even a second '&', is kept as shown
    return text;
}
inline QString shownText(const QAbstractButton* button)
{
    return shownText(button->text());
}

// Whether `name` is what the label standing for `field` (its buddy) reads, its colon aside: a
// field whose placeholder repeats its label is named by the label, not by the placeholder.
inline bool readByItsLabel(const QWidget* field, const QString& name)
{
    for (const QLabel* label : field->window()->findChildren<QLabel*>())
        if (label->buddy() == field && label->isVisible()) {
            QString text = shownText(label->text()).simplified();
            if (text.endsWith(QLatin1Char(':')))
                text.chop(1);
            return text.trimmed() == name;
        }
    return false;
}

// The message box open over `over`'s window (the last one opened; of this object name when one
// is given: "confirmation", "erreur"), or null.
inline QMessageBox* openBox(QWidget* over, const QString& name = QString())
{
    QApplication::processEvents();
    QMessageBox* found = nullptr;
    for (QMessageBox* b : over->window()->findChildren<QMessageBox*>())
        if (b->isVisible() && (name.isEmpty() || b->objectName() == name))
            found = b;
    return found;
}

// Clicks the button of a message box that bears this text, then lets the box go.
inline bool clickBoxButton(QMessageBox* box, const QString& text)
{
    if (!box)
        return false;
    for (QAbstractButton* button : box->buttons()) {
        if (shownText(button) == text) {
            button->click();
            QApplication::processEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return true;
        }
    }
    return false;
}

// Deletes the row the keys are on as a keyboard user does: Delete, then Shift+Tab to
// "Supprimer" in the question and Return. False when no question came.
inline bool deleteByKeys(QListView* list, QWidget* over)
{
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Delete);
    if (!openBox(over, QStringLiteral("confirmation")))
        return false;
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    return true;
}

// Presses `button` by its key (Space) and answers the delete question it asks with « Supprimer ».
// False when no question came.
inline bool deleteByButton(QAbstractButton* button, QWidget* over)
{
    button->setFocus();
    QTest::keyClick(button, Qt::Key_Space);
    QMessageBox* question = openBox(over, QStringLiteral("confirmation"));
    return question && clickBoxButton(question, QStringLiteral("Supprimer"));
}

// Whether `faults` is empty, each one said first on a line of its own (a long list is cut short
// in a failure's message), so that all can be seen to.
inline bool noFaults(const QStringList& faults)
{
    for (const QString& fault : faults)
        qWarning("%s", qPrintable(fault));
    return faults.isEmpty();
}

inline void closeBoxes(QWidget* window)
{
    for (QMessageBox* b : window->window()->findChildren<QMessageBox*>())
        b->done(0);
    settle();
}

// Collects what the code under test writes to the standard output while it lives.
class StdoutCapture {
public:
    StdoutCapture()
    {
        static int count = 0;
        m_path = QDir::temp().filePath(QStringLiteral("kestrovan-stdout-%1-%2.txt")
                                           .arg(QCoreApplication::applicationPid())
                                           .arg(++count));
        std::fflush(stdout);
        m_saved = dup(fileno(stdout));
        if (!std::freopen(m_path.toLocal8Bit().constData(), "w", stdout))
            qFatal("cannot capture the standard output");
    }
    ~StdoutCapture()
    {
        text();
        QFile::remove(m_path);
    }
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;

    // What was written so far (UTF-8 decoded); stops the capture.
    QString text()
    {
        if (!m_done) {
            m_done = true;
            std::fflush(stdout);
            dup2(m_saved, fileno(stdout));
            close(m_saved);
        }
        QFile f(m_path);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll());
    }

private:
    int m_saved = -1;
    QString m_path;
    bool m_done = false;
};

// --- Time: the local calendar of the tests and a clock stopped at one instant.

inline const QTimeZone& paris()
{
    static const QTimeZone zone("Europe/Paris");
    return zone;
}

// A local date and time (Paris unless told).
inline QDateTime localDateTime(int y, int m, int d, int h = 0, int min = 0, const QTimeZone& zone = paris())
{
    return QDateTime(QDate(y, m, d), QTime(h, min), zone);
}

// "Now" of the screen tests: Sunday 15 March 2026 at 10:00 in Paris (clocks change on 29 March).
inline QDateTime fixedNow()
{
    return localDateTime(2026, 3, 15, 10);
}

inline kv::Horloge fixedClock(const QDateTime& now = fixedNow(), const QTimeZone& zone = paris())
{
    return kv::Horloge::fixe(now.toMSecsSinceEpoch(), zone);
}

// --- More records

// Saves, telling a failure on the test's output; true when saved.
inline bool saved(kv::ModelContext* ctx)
{
    QString error;
    const bool ok = ctx->save(&error);
    if (!ok)
        qWarning("save: %s", qPrintable(error));
    return ok;
}

// A client as the office records one: an address in Lyon and a phone number.
inline kv::Client* officeClient(kv::ModelContext* ctx, const QString& nom = QStringLiteral("Dupont BTP"))
{
    auto* c = new kv::Client(QUuid::createUuid(), nom, QStringLiteral("00FF00"), QStringLiteral("1 rue Haute"),
                             QStringLiteral("69001"), QStringLiteral("Lyon"), QStringLiteral("0102030405"),
                             std::nullopt, std::nullopt);
    ctx->insert(c);
    return c;
}

// A skip of a colour ("RRGGBB", or any text the screens must cope with).
inline kv::Benne* colouredBenne(kv::ModelContext* ctx, double volume, const QString& couleur,
                                kv::EtatBenne etat = kv::EtatBenne::correct, kv::DispositifSpecial* d = nullptr)
{
    auto* b = new kv::Benne(volume, couleur, etat, QString(), d);
    ctx->insert(b);
    return b;
}

// A waste type as the screens create one, inserted.
inline kv::TypeDechet* wasteType(kv::ModelContext* ctx, const QString& libelle)
{
    kv::TypeDechet* t = wasteType(libelle);
    ctx->insert(t);
    return t;
}

// A rental placed at `pose` (removed at `enlevement`, when given) at a site near Lyon, with
// prices of its own, inserted.
inline kv::LocationDeBenne* placedRental(kv::ModelContext* ctx, kv::Client* c, kv::Benne* b, const QDateTime& pose,
                                         std::optional<QDateTime> enlevement = std::nullopt,
                                         std::optional<QString> adresse = QStringLiteral("3 rue du Port, Lyon"))
{
    auto* l = new kv::LocationDeBenne(c, b, 45.75, 4.85, adresse, 120, 90, 8, pose, enlevement, nullptr);
    ctx->insert(l);
    return l;
}

inline kv::Chauffeur* driver(kv::ModelContext* ctx, const QString& nom = QStringLiteral("Martin"),
                             const QString& prenom = QStringLiteral("Paul"), bool actif = true)
{
    auto* c = new kv::Chauffeur(nom, prenom, nullptr, {}, {}, {}, 50.0, std::nullopt, std::nullopt, std::nullopt,
                                actif);
    ctx->insert(c);
    return c;
}

// --- Mouse gestures at points of a widget

inline void mouseEvent(QWidget* w, QEvent::Type type, const QPointF& at, Qt::MouseButtons buttons,
                       Qt::MouseButton button = Qt::LeftButton)
{
    QMouseEvent e(type, at, w->mapToGlobal(at), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// Presses at `from`, moves in a few steps to `to` and releases there.
inline void drag(QWidget* w, const QPointF& from, const QPointF& to)
{
    mouseEvent(w, QEvent::MouseButtonPress, from, Qt::LeftButton);
    for (int i = 1; i <= 4; ++i)
        mouseEvent(w, QEvent::MouseMove, from + (to - from) * (i / 4.0), Qt::LeftButton, Qt::NoButton);
    mouseEvent(w, QEvent::MouseButtonRelease, to, Qt::NoButton);
}

inline void clickAt(QWidget* w, const QPointF& at)
{
    mouseEvent(w, QEvent::MouseButtonPress, at, Qt::LeftButton);
    mouseEvent(w, QEvent::MouseButtonRelease, at, Qt::NoButton);
}

// --- Message boxes of any window

// The visible message box of this object name, wherever it is open, or null.
inline QMessageBox* visibleBox(const QString& name)
{
    for (QWidget* w : QApplication::topLevelWidgets())
        for (QMessageBox* b : w->findChildren<QMessageBox*>(name))
            if (b->isVisible())
                return b;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* b = qobject_cast<QMessageBox*>(w); b && b->objectName() == name && b->isVisible())
            return b;
    return nullptr;
}

// Clicks the button of this text; the test fails when there is none.
inline void answerBox(QMessageBox* box, const QString& button)
{
    for (QAbstractButton* b : box->buttons())
        if (shownText(b) == button) {
            b->click();
            return;
        }
    QFAIL(qPrintable("no button " + button));
}

// ---------------------------------------------------------------------------------------------
// Instants to the second, a store in a folder of its own, and records placed in time (the
// reports and statistics).

inline QDateTime parisTime(int y, int m, int d, int h = 0, int min = 0, int s = 0)
{
    return QDateTime(QDate(y, m, d), QTime(h, min, s), paris());
}

inline qint64 parisMs(int y, int m, int d, int h = 0, int min = 0, int s = 0)
{
    return parisTime(y, m, d, h, min, s).toMSecsSinceEpoch();
}

// A clock stopped at an instant in milliseconds, in Paris.
inline kv::Horloge fixedClock(qint64 nowMs)
{
    return kv::Horloge::fixe(nowMs, paris());
}

// A store in a file of a temporary folder, as the application keeps one; the folder goes with
// the store.
inline std::unique_ptr<kv::ModelContext> storeInFolder()
{
    auto* folder = new QTemporaryDir;
    if (!folder->isValid())
        qFatal("storeInFolder: no temporary folder");
    auto ctx = store(folder->filePath(QStringLiteral("SwiftData.store")));
    // Removed once the store's own teardown has closed its file.
    struct FolderKeeper : QObject {
        explicit FolderKeeper(QTemporaryDir* d, QObject* parent) : QObject(parent), dir(d) {}
        ~FolderKeeper() override { delete dir; }
        QTemporaryDir* dir;
    };
    new FolderKeeper(folder, ctx.get());
    return ctx;
}

// A skip of a volume and a colour.
inline kv::Benne* colouredSkip(kv::ModelContext* ctx, double volume = 10, const QString& couleur = QStringLiteral("808080"),
                               kv::DispositifSpecial* dispositif = nullptr)
{
    auto* b = new kv::Benne(volume, couleur, kv::EtatBenne::correct, QString(), dispositif);
    ctx->insert(b);
    return b;
}

// A waste type with its prices (inserted).
inline kv::TypeDechet* pricedWasteType(kv::ModelContext* ctx, const QString& libelle, double tva,
                                       std::optional<double> forfait = std::nullopt,
                                       std::optional<double> franchise = std::nullopt,
                                       std::optional<double> supplTonnage = std::nullopt,
                                       std::optional<qint64> dureeIncluse = std::nullopt,
                                       std::optional<double> supplJour = std::nullopt)
{
    auto* t = new kv::TypeDechet(libelle, std::nullopt, QStringLiteral("DIB"), std::nullopt, forfait,
                                 std::nullopt, franchise, supplTonnage, dureeIncluse, supplJour, tva, false,
                                 std::nullopt, false, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                                 std::nullopt);
    ctx->insert(t);
    return t;
}

// A waste type with a colour (inserted).
inline kv::TypeDechet* colouredWasteType(kv::ModelContext* ctx, const QString& libelle,
                                         std::optional<QString> couleur)
{
    kv::TypeDechet* t = wasteType(libelle);
    t->setCouleur(couleur);
    ctx->insert(t);
    return t;
}

// A rental placed at `pose` (it joins its client's store); `kg` > 0 adds one weighbridge ticket
// of that net weight, dated `pose`.
inline kv::LocationDeBenne* rental(kv::Client* c, kv::Benne* b, kv::TypeDechet* t, const QDateTime& pose,
                                   std::optional<QDateTime> enlevement = std::nullopt,
                                   std::optional<QString> adresse = std::nullopt, double kg = 0,
                                   double tarifPose = 0, double tarifEnlevement = 0, double tarifJournalier = 0)
{
    auto* l = new kv::LocationDeBenne(c, b, std::nullopt, std::nullopt, adresse, tarifPose, tarifEnlevement,
                                      tarifJournalier, pose, enlevement, t);
    if (kg > 0)
        l->ajouterBonDePesee(pose, std::nullopt, std::nullopt, std::nullopt, kg, std::nullopt);
    return l;
}

// The same with instants in milliseconds, read in Paris.
inline kv::LocationDeBenne* rental(kv::Client* c, kv::Benne* b, kv::TypeDechet* t, qint64 poseMs,
                                   std::optional<qint64> enlevementMs = std::nullopt)
{
    std::optional<QDateTime> fin;
    if (enlevementMs)
        fin = QDateTime::fromMSecsSinceEpoch(*enlevementMs, paris());
    return rental(c, b, t, QDateTime::fromMSecsSinceEpoch(poseMs, paris()), fin);
}

// A name of 300 characters, with accents, a "/" and markup, that begins with `what` so that
// each field tells which one it is.
inline QString longName(const QString& what)
{
    QString name = what + QStringLiteral(" <b>Établissements</b> Dubois / Démolition & Frères ");
    while (name.size() < 300)
        name += QStringLiteral("Bâtiment élevé à Noël ");
    name.truncate(300);
    return name;
}

// A small office's look-alikes, each rented today: three « Petit Terrassement » at one street of
// Saint-Priest told apart by their phones alone, two « Maçonnerie Dupont » in two towns, two
// identical 3 m³ blue skips and a third told apart by its note. One rental in two was removed
// yesterday (its weighing is due), the others were placed today.
struct LookAlikes {
    QList<kv::Client*> petits, dupont;
    QList<kv::Benne*> bleues;
    // What tells each client apart, as a line shows it (a phone never broken).
    static QString apart(const kv::Client* c)
    {
        return c->telephone().isEmpty() ? c->ville() : QString(c->telephone()).replace(QLatin1Char(' '), QChar(0x00A0));
    }
};
inline LookAlikes lookAlikes(kv::ModelContext* ctx)
{
    LookAlikes l;
    const auto add = [ctx](const QString& nom, const QString& rue, const QString& ville, const QString& tel) {
        auto* c = new kv::Client(QUuid::createUuid(), nom, QStringLiteral("FF9500"), rue, QStringLiteral("69800"),
                                 ville, tel, std::nullopt, std::nullopt);
        ctx->insert(c);
        return c;
    };
    for (const char* tel : {"04 78 16 10 25", "04 78 16 10 26", "04 78 16 10 27"})
        l.petits << add(QStringLiteral("Petit Terrassement"), QStringLiteral("7 chemin des Peupliers"),
                        QStringLiteral("Saint-Priest"), QString::fromLatin1(tel));
    l.dupont << add(QStringLiteral("Maçonnerie Dupont"), QStringLiteral("3 rue Neuve"), QStringLiteral("Villeurbanne"), {})
             << add(QStringLiteral("Maçonnerie Dupont"), QStringLiteral("3 rue Neuve"), QStringLiteral("Vénissieux"), {});
    for (const QString& note : {QString(), QString(), QStringLiteral("n° 7")})
        l.bleues << new kv::Benne(3, QStringLiteral("0040FF"), kv::EtatBenne::correct, note, nullptr);
    const QList<kv::Client*> clients = l.petits + l.dupont;
    for (int i = 0; i < clients.size(); ++i) {
        kv::Benne* b = i < l.bleues.size() ? l.bleues.at(i) : new kv::Benne(10 + i, QStringLiteral("808080"), kv::EtatBenne::correct, QString(), nullptr);
        const QDateTime aujourdhui = QDate::currentDate().startOfDay().addSecs(3600 * (8 + i));
        auto* r = new kv::LocationDeBenne(clients.at(i), b, 45.7 + i * 0.01, 4.9, QStringLiteral("7 chemin des Peupliers"),
                                          100, 100, 10, i % 2 ? aujourdhui : aujourdhui.addDays(-3),
                                          i % 2 ? std::nullopt : std::optional(aujourdhui.addDays(-1)), nullptr);
        r->ajouterBonDePesee(r->datePose(), std::nullopt, std::nullopt, std::nullopt, 800, std::nullopt);
    }
    save(ctx);
    return l;
}

// Renders a screen to PNG for a person to look at, only when KV_CAPTURES names a folder.
inline void capture(QWidget* w, const QString& name)
{
    const QString folder = qEnvironmentVariable("KV_CAPTURES");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    w->grab().save(QDir(folder).filePath(name + QStringLiteral(".png")));
}

// A list screen over a store of its own: the test fills the store, then opens the screen on it.
template <class Vue>
struct ListScreen {
    std::unique_ptr<kv::ModelContext> ctx = store();
    std::unique_ptr<Vue> vue;
    QSize size;

    explicit ListScreen(QSize s = QSize(1200, 760)) : size(s) {}
    void ouvrir()
    {
        vue = std::make_unique<Vue>(ctx.get());
        vue->resize(size);
        vue->show();
        QVERIFY(QTest::qWaitForWindowExposed(vue.get()));
    }
    kv::forms::ListPanel* liste() const { return vue->liste(); }
    // Types into the list's search field and lets the list filter.
    void chercher(const QString& texte)
    {
        liste()->searchField()->setText(texte);
        settle();
    }
};

} // namespace fixtures
