#include "tests.h"

#include "lecteurecran.h"
#include "screenfixtures.h"
#include "shownpart.h"
#include "wheel.h"

#include "app/appdelegate.h"
#include "app/contentview.h"
#include "app/desktop.h"
#include "drivers/formulaireajoutqualification.h"
#include "driverplanning/dateslider.h"
#include "widgets/pastillejour.h"
#include "driverplanning/vueplanningchauffeurs.h"
#include "drivers/formulairechauffeurview.h"
#include "model/helpers.h"
#include "planning/vueplanificationbennes.h"
#include "planning/colonnebennes.h"
#include "planning/grilleplanning.h"
#include "platform/filehelpers.h"
#include "platform/mapwidget.h"
#include "rentals/feuillenouvellelocation.h"
#include "rentals/formulairelocationview.h"
#include "rentals/cartoucheanime.h"
#include "rentals/vuelocationbenne.h"
#include "widgets/searchablepicker.h"
#include "stats/clientsinactifsview.h"
#include "stats/vuestatistiques.h"
#include "reports/alertes.h"
#include "reports/rapportmensuelview.h"
#include "widgets/dialogconventions.h"
#include "widgets/elidedlabel.h"
#include "widgets/forms/listpanel.h"
#include "widgets/forms/recordrow.h"
#include "widgets/forms/dialogs.h"
#include "widgets/forms/windowkey.h"
#include "widgets/plaintext.h"
#include "widgets/wheelguard.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAbstractSpinBox>
#include <QBoxLayout>
#include <QCalendarWidget>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QSignalSpy>
#include <QSlider>
#include <QSplitter>
#include <QTableView>
#include <QGlyphRun>
#include <QTest>
#include <QTextLayout>
#include <QToolBar>
#include <QToolButton>

#include <array>
#include <functional>

using namespace kv;

namespace {

// Every stored text of the store below begins with one of these before the word "Zorg": a label
// that reads it as HTML shows "Zorg" without it.
const QStringList kMarks{QStringLiteral("<b>"), QStringLiteral("&amp;"), QStringLiteral("<img src=x>")};

QString marked(int i, const QString& rest = {})
{
    return kMarks.at(i % kMarks.size()) + QStringLiteral("Zorg") + rest;
}

// A store whose every name, address and note holds markup.
std::unique_ptr<ModelContext> storeOfMarkup()
{
    auto ctx = fixtures::store();
    auto* type = fixtures::wasteType(marked(0, QStringLiteral(" déchets")));
    ctx->insert(type);
    ctx->insert(fixtures::centre(marked(1, QStringLiteral(" centre")), marked(2, QStringLiteral(" ville"))));
    auto* permis = new Qualification(marked(2, QStringLiteral(" permis")));
    ctx->insert(permis);
    ctx->insert(new Chauffeur(marked(0), marked(1), permis, {}, {}, {}, 50, marked(2, QStringLiteral(" tél")),
                              std::nullopt, marked(0, QStringLiteral(" notes")), true));
    const QDateTime now = QDateTime::currentDateTime();
    for (int i = 0; i < 3; ++i) {
        Client* c = fixtures::client(ctx.get(), marked(i, QStringLiteral(" client %1").arg(i)), marked(i + 1),
                                     QStringLiteral("33000"), marked(i + 2, QStringLiteral(" rue")),
                                     QStringLiteral("c%1@exemple.fr").arg(i));
        Benne* b = fixtures::benne(ctx.get(), 10 + i, EtatBenne::correct, marked(i, QStringLiteral(" note")));
        new LocationDeBenne(c, b, 44.84, -0.58, marked(i + 1, QStringLiteral(" chantier")), 100, 100, 10,
                            now.addDays(-2 - i), std::nullopt, type);
    }
    fixtures::save(ctx.get());
    return ctx;
}

// Where a text shows "Zorg" without the mark that precedes it in the store.
void checkShown(const QString& shown, const QString& what, QStringList* faults)
{
    int withMark = 0;
    for (const QString& mark : kMarks)
        withMark += shown.count(mark + QStringLiteral("Zorg"));
    if (shown.count(QStringLiteral("Zorg")) != withMark)
        faults->append(what + QStringLiteral(" shows « ") + shown + QStringLiteral(" »"));
}

void checkShownAsTyped(QWidget* root, const QString& where, QStringList* faults)
{
    for (QLabel* label : root->findChildren<QLabel*>())
        if (label->isVisible())
            checkShown(shownText(label), where + QStringLiteral(": label ") + label->objectName(), faults);
    for (QWidget* w : root->findChildren<QWidget*>())
        if (w->isVisible() && !w->toolTip().isEmpty())
            checkShown(shownToolTip(w->toolTip()), where + QStringLiteral(": tool tip of ") + w->objectName(), faults);
    for (QAbstractItemView* view : root->findChildren<QAbstractItemView*>()) {
        QAbstractItemModel* model = view->model();
        if (!view->isVisible() || !model)
            continue;
        for (int row = 0; row < std::min(model->rowCount(), 50); ++row)
            for (int column = 0; column < model->columnCount(); ++column) {
                const QString tip = model->index(row, column).data(Qt::ToolTipRole).toString();
                if (!tip.isEmpty())
                    checkShown(shownToolTip(tip), where + QStringLiteral(": row tool tip"), faults);
            }
    }
}

// The list screen's first record in its editor.
void selectFirstRecord(QWidget* screen)
{
    if (auto* panel = screen->findChild<forms::ListPanel*>(); panel && panel->isVisible() && panel->rowCount() > 0) {
        fixtures::clickRow(panel, 0);
        fixtures::settle();
    }
}

// The screen's list, when it has one, with its first row selected.
void selectFirstRow(QWidget* screen)
{
    if (auto* panel = screen->findChild<forms::ListPanel*>(); panel && panel->isVisible() && panel->rowCount() > 0) {
        selectFirstRecord(screen);
        return;
    }
    for (QAbstractItemView* view : screen->findChildren<QAbstractItemView*>()) {
        if (!view->isVisible() || !view->model() || view->model()->rowCount() == 0)
            continue;
        const QRect first = view->visualRect(view->model()->index(0, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, first.center());
        fixtures::settle();
        return;
    }
}

// Shows each statistic of the hub in turn and runs `check` on it; on the monthly report, once
// more for each client of its picker that `wanted` accepts, that client chosen.
void visitEveryStatistic(ContentView* window, const std::function<bool(const QString&)>& wanted,
                         const std::function<void(const QString&)>& check)
{
    window->setSelection(Commande::statistiques);
    fixtures::settle();
    auto* statistiques = qobject_cast<VueStatistiques*>(window->detailScreen());
    QVERIFY(statistiques);
    QListWidget* hub = statistiques->sidebar();
    for (int row = 0; row < hub->count(); ++row) {
        hub->setCurrentRow(row);
        fixtures::settle();
        const QString where = QStringLiteral("Statistiques, ") + hub->item(row)->text();
        check(where);
        if (auto* report = window->detailScreen()->findChild<RapportMensuelView*>(); report && report->isVisible()) {
            QComboBox* clients = report->choixClient();
            int chosen = 0;
            for (int i = 1; i < clients->count(); ++i) {
                if (!wanted(clients->itemText(i)))
                    continue;
                clients->setCurrentIndex(i);
                emit clients->activated(i);
                fixtures::settle();
                check(where + QStringLiteral(" (client %1)").arg(i));
                ++chosen;
            }
            QVERIFY(chosen > 0);
        }
    }
}

// Each statistic of the hub, and the monthly report of each client.
void checkEveryStatistic(ContentView* window, QStringList* faults)
{
    visitEveryStatistic(
        window, [](const QString&) { return true; },
        [&](const QString& where) { checkShownAsTyped(window, where, faults); });
}

using fixtures::longName;

// A store whose every name is that long: a client, its site, contact and rentals (one on site
// now, one placed today, one removed with a ticket), the skip, its waste type, centre,
// special device and notes, a driver with his qualification, speciality and training.
std::unique_ptr<ModelContext> storeOfLongNames()
{
    auto ctx = fixtures::store();
    auto* type = fixtures::wasteType(longName(QStringLiteral("Déchet")), longName(QStringLiteral("Catégorie")));
    type->setDetails(longName(QStringLiteral("Détails")));
    ctx->insert(type);
    auto* centre = fixtures::centre(longName(QStringLiteral("Centre")), longName(QStringLiteral("Ville")));
    ctx->insert(centre);
    type->setCentres({centre});
    auto* qualification = new Qualification(longName(QStringLiteral("Permis")));
    ctx->insert(qualification);
    auto* specialisation = new Specialisation(longName(QStringLiteral("Spécialité")));
    ctx->insert(specialisation);
    auto* formation = new Formation(longName(QStringLiteral("Formation")));
    ctx->insert(formation);
    auto* chauffeur = new Chauffeur(longName(QStringLiteral("Nom")), longName(QStringLiteral("Prénom")),
                                    qualification, {specialisation}, {}, {}, 50,
                                    longName(QStringLiteral("Tél")), longName(QStringLiteral("mail")),
                                    longName(QStringLiteral("Notes")), true);
    ctx->insert(chauffeur);
    const QDateTime now = QDateTime::currentDateTime();
    ctx->insert(new FormationChauffeur(chauffeur, formation, now.addDays(20)));
    Client* client = fixtures::client(ctx.get(), longName(QStringLiteral("Client")),
                                      longName(QStringLiteral("Ville")), QStringLiteral("33000"),
                                      longName(QStringLiteral("Adresse")), longName(QStringLiteral("courriel")));
    ctx->insert(new Contact(longName(QStringLiteral("Prénom")), longName(QStringLiteral("Contact")),
                            longName(QStringLiteral("Tél")), longName(QStringLiteral("mail")), client));
    fixtures::client(ctx.get(), QStringLiteral("Zoé"));
    auto* dispositif = new DispositifSpecial(longName(QStringLiteral("Dispositif")));
    ctx->insert(dispositif);
    Benne* benne = fixtures::benne(ctx.get(), 10, EtatBenne::correct, longName(QStringLiteral("Note")), dispositif);
    Benne* autre = fixtures::benne(ctx.get(), 15, EtatBenne::correct, longName(QStringLiteral("Note")));
    const QString site = longName(QStringLiteral("Chantier"));
    auto* surPlace = new LocationDeBenne(client, benne, 44.84, -0.58, site, 100, 100, 10, now.addDays(-3),
                                         std::nullopt, type);
    surPlace->setChauffeurPose(chauffeur);
    auto* duJour = new LocationDeBenne(client, autre, 44.85, -0.57, site, 100, 100, 10,
                                       now.date().startOfDay(), std::nullopt, type);
    duJour->setChauffeurPose(chauffeur);
    auto* enlevee = new LocationDeBenne(client, autre, 44.86, -0.56, site, 100, 100, 10, now.addDays(-20),
                                        now.addDays(-10), type);
    enlevee->setChauffeurEnlevement(chauffeur);
    enlevee->ajouterBonDePesee(now.addDays(-10), longName(QStringLiteral("Numéro")), std::nullopt, std::nullopt,
                               1200, longName(QStringLiteral("Ticket")) + QStringLiteral(".pdf"));
    fixtures::save(ctx.get());
    return ctx;
}

using fixtures::shownPart;

// Tables, the planning grid and the drivers' day scroll their own content sideways by nature;
// what stands around them does not.
bool scrollsItsOwnCanvas(const QAbstractScrollArea* area)
{
    return qobject_cast<const QTableView*>(area) || area->inherits("kv::planning::GrillePlanning")
        || area->objectName() == QStringLiteral("defilementChauffeurs");
}

QString describe(const QWidget* w)
{
    QString path;
    for (const QWidget* p = w; p; p = p->parentWidget()) {
        const QString name = p->objectName().isEmpty() ? QString::fromLatin1(p->metaObject()->className())
                                                       : p->objectName();
        path = path.isEmpty() ? name : name + QLatin1Char('/') + path;
        if (path.size() > 120)
            break;
    }
    return path;
}

// What a screen must keep with long names: no sideways scroll bar (but in the lists and grids that
// scroll sideways by nature), every button whole in the window, every label's text either whole
// or cut with "…" and whole in its tool tip.
void checkFits(QWidget* window, const QString& where, QStringList* faults)
{
    fixtures::settle();
    for (QAbstractScrollArea* area : window->findChildren<QAbstractScrollArea*>()) {
        if (!area->isVisible() || !area->horizontalScrollBar()->isVisible())
            continue;
        if (scrollsItsOwnCanvas(area))
            continue;
        faults->append(QStringLiteral("%1: sideways scroll bar in %2 %3 (%4 px for %5)")
                           .arg(where, QString::fromLatin1(area->metaObject()->className()), describe(area))
                           .arg(area->horizontalScrollBar()->maximum() + area->viewport()->width())
                           .arg(area->viewport()->width()));
    }
    // Scroll bars within scroll bars: the whole screen scrolling down while a part of it does too.
    if (auto* content = qobject_cast<ContentView*>(window); content && content->detailArea()->verticalScrollBar()->isVisible())
        for (QAbstractScrollArea* area : content->detailArea()->widget()->findChildren<QAbstractScrollArea*>())
            if (area->isVisible() && area->verticalScrollBar()->isVisible()
                && area->verticalScrollBar()->maximum() > 0)
                faults->append(QStringLiteral("%1: %2 scrolls down within the scrolling screen")
                                   .arg(where, describe(area)));
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisible() || w->window() != window)
            continue;
        if (!qobject_cast<QAbstractButton*>(w) && !qobject_cast<QComboBox*>(w) && !qobject_cast<QLineEdit*>(w))
            continue;
        if (qobject_cast<QLineEdit*>(w) && qobject_cast<QComboBox*>(w->parentWidget()))
            continue;
        // A long text filled in by the program reads from its start where the keys are not.
        if (auto* line = qobject_cast<QLineEdit*>(w); line && !line->hasFocus() && !line->isModified()
            && line->cursorPosition() > 0 && line->fontMetrics().horizontalAdvance(line->text()) > line->width())
            faults->append(QStringLiteral("%1: %2 shows the end of « %3 »").arg(where, describe(w), line->text().left(40)));
        const QRect shown = shownPart(w, window);
        if (shown.width() < w->width() || shown.height() < w->height())
            faults->append(QStringLiteral("%1: %2 « %3 » out of the window (%4 of %5 px wide shown)")
                               .arg(where, describe(w),
                                    qobject_cast<QAbstractButton*>(w) ? qobject_cast<QAbstractButton*>(w)->text()
                                                                      : QString())
                               .arg(shown.width())
                               .arg(w->width()));
    }
    for (QLabel* label : window->findChildren<QLabel*>()) {
        if (!label->isVisible() || label->window() != window || !label->pixmap().isNull())
            continue;
        const QString text = shownText(label);
        if (text.isEmpty())
            continue;
        const QRect shown = shownPart(label, window);
        const bool wide = !label->wordWrap()
            && label->fontMetrics().horizontalAdvance(text.section(QLatin1Char('\n'), 0, 0))
                > label->contentsRect().width() + 1;
        if (wide || shown.width() < label->width())
            faults->append(QStringLiteral("%1: label %2 cut without « … » (%3 of %4 px shown): « %5 »")
                               .arg(where, describe(label))
                               .arg(shown.width())
                               .arg(label->fontMetrics().horizontalAdvance(text))
                               .arg(text.left(40)));
    }
    for (ElidedLabel* label : window->findChildren<ElidedLabel*>()) {
        if (!label->isVisible() || label->window() != window)
            continue;
        if (shownPart(label, window).width() < label->width())
            faults->append(QStringLiteral("%1: %2 out of the window").arg(where, describe(label)));
        if (label->isElided() && shownToolTip(label->toolTip()) != label->text())
            faults->append(QStringLiteral("%1: %2 cut without its tool tip: « %3 » for « %4 »")
                               .arg(where, describe(label), shownToolTip(label->toolTip()), label->text()));
    }
}

// Ctrl+N on a list screen: its editor of a new record. False on the screens without one.
bool startsCreation(ContentView* window, Commande c)
{
    const QList<Commande> lists{Commande::bennes, Commande::clients, Commande::chauffeurs, Commande::dechets,
                                Commande::centreDechets};
    if (!lists.contains(c))
        return false;
    QApplication::setActiveWindow(window);
    QWidget* first = nullptr;
    for (QAbstractItemView* view : window->detailScreen()->findChildren<QAbstractItemView*>())
        if (view->isVisible() && !first)
            first = view;
    QTest::keyClick(first ? first : window, Qt::Key_N, Qt::ControlModifier);
    fixtures::settle();
    // A question about the selected record's unsaved changes is not expected: nothing was typed.
    return true;
}

std::unique_ptr<ContentView> shownWindow(ModelContext* ctx, QSize size = kDefaultWindowSize)
{
    auto window = std::make_unique<ContentView>(ctx);
    window->resize(size.isEmpty() ? window->smallestSize() : size);
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        qWarning("window not exposed");
    return window;
}


// ---------------------------------------------------------------------------------------------
// The wheel

// A map shown within a view that has something to scroll.
bool inScrollingView(const QWidget* w)
{
    for (const QWidget* p = w->parentWidget(); p && !p->isWindow(); p = p->parentWidget())
        if (auto* area = qobject_cast<const QAbstractScrollArea*>(p); area && area->viewport()->isAncestorOf(w)
            && (area->verticalScrollBar()->maximum() > 0 || area->horizontalScrollBar()->maximum() > 0))
            return true;
    return false;
}

// The visible fields of `window` whose value a wheel turn could change.
QList<QWidget*> wheelFields(QWidget* window)
{
    QList<QWidget*> fields;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisible() || w->window() != window)
            continue;
        if ((qobject_cast<QAbstractSlider*>(w) && !qobject_cast<QScrollBar*>(w)) || qobject_cast<QAbstractSpinBox*>(w)
            || qobject_cast<QComboBox*>(w) || (qobject_cast<MapWidget*>(w) && inScrollingView(w)))
            fields << w;
    }
    return fields;
}

// What each field shows, one line each.
QStringList wheelValues(QWidget* window)
{
    QStringList values;
    for (QWidget* w : wheelFields(window)) {
        QString v;
        if (auto* slider = qobject_cast<QAbstractSlider*>(w))
            v = QString::number(slider->value());
        else if (auto* spin = qobject_cast<QAbstractSpinBox*>(w))
            v = spin->text();
        else if (auto* combo = qobject_cast<QComboBox*>(w))
            v = QStringLiteral("%1 %2").arg(combo->currentIndex()).arg(combo->currentText());
        else if (auto* map = qobject_cast<MapWidget*>(w))
            v = QString::number(map->zoom());
        values << describe(w) + QStringLiteral(" = ") + v;
    }
    return values;
}

bool focusWithin(const QWidget* w)
{
    const QWidget* focus = QApplication::focusWidget();
    return focus && (focus == w || w->isAncestorOf(focus));
}

// Scrolls `w` into view in every scroll area around it; the point of the window where the
// pointer stands over it, or none when nothing of it can be reached.
std::optional<QPoint> pointOver(QWidget* w, QWidget* window)
{
    for (QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget())
        if (auto* area = qobject_cast<QScrollArea*>(p); area && area->widget() && area->widget()->isAncestorOf(w))
            area->ensureWidgetVisible(w, 0, 0);
    QApplication::processEvents();
    QRect shown(w->mapTo(window, QPoint(0, 0)), w->size());
    for (QWidget* p = w->parentWidget(); p; p = p->parentWidget()) {
        shown &= p == window ? window->rect() : QRect(p->mapTo(window, QPoint(0, 0)), p->size());
        if (p == window)
            break;
    }
    if (shown.isEmpty())
        return std::nullopt;
    const QPoint at = shown.center();
    QWidget* under = window->childAt(at);
    if (!under || (under != w && !w->isAncestorOf(under)))
        return std::nullopt;
    return at;
}

// Turns the wheel both ways over every field of `window`, the field brought into view before
// each notch; no field's value and no record may change. The field the screen or sheet gave the
// keyboard as it opened is turned too: only the user's own click, Tab or Alt letter arms it. `reached` counts the
// fields the pointer could reach.
void checkWheelChangesNothing(QWidget* window, ModelContext* ctx, const QString& where, QStringList* faults,
                              int* reached)
{
    fixtures::settle();
    QSignalSpy changes(ctx, &ModelContext::changed);
    const bool pending = ctx->hasChanges();
    for (QWidget* field : wheelFields(window)) {
        if (!field->isVisible())
            continue;
        const QStringList before = wheelValues(window);
        bool turned = false;
        // Compared after each notch: turns both ways could bring a value back.
        for (int notch : {-1, -1, -1, 1, 1, 1, 1, 1, 1, -1, -1, -1}) {
            const std::optional<QPoint> at = pointOver(field, window);
            if (!at)
                continue;
            fixtures::turnWheel(window, *at, notch);
            *reached += turned ? 0 : 1;
            turned = true;
            QApplication::processEvents();
            const QStringList after = wheelValues(window);
            if (after == before)
                continue;
            QStringList changed;
            for (const QString& line : after)
                if (!before.contains(line))
                    changed << line;
            faults->append(QStringLiteral("%1: a wheel over %2 changed %3")
                               .arg(where, describe(field), changed.join(QLatin1String(", "))));
            break;
        }
    }
    fixtures::settle();
    if (!changes.isEmpty() || ctx->hasChanges() != pending)
        faults->append(where + QStringLiteral(": the wheel changed the store"));
}
// The new-rental sheet of the planning's first skip, made active; null when it does not open.
QDialog* openNewRentalSheet(VuePlanificationBennes* planning, ModelContext* ctx)
{
    planning->selectionnerBenne(ctx->fetch<Benne>({}).first());
    QDialog* sheet = planning->feuille();
    if (!sheet || !QTest::qWaitForWindowExposed(sheet))
        return nullptr;
    QApplication::setActiveWindow(sheet);
    return QTest::qWaitFor([sheet] { return sheet->isActiveWindow(); }) ? sheet : nullptr;
}

// Chooses the long-named client in a picker, as a click on its row does; false when it is not there.
bool chooseLongNamedClient(QComboBox* clients)
{
    const int client = clients->findText(longName(QStringLiteral("Client")));
    if (client <= 0)
        return false;
    clients->setCurrentIndex(client);
    emit clients->activated(client);
    fixtures::settle();
    return true;
}
// Every text of `window` that names a look-alike, as painted (a list row's parts joined, a
// label, a tile's name and detail), must show whole what tells it apart; the fleet's identical
// skips say so.
void checkLookAlikes(QWidget* window, const fixtures::LookAlikes& l, const QString& where, QStringList* faults)
{
    fixtures::settle();
    QStringList shown;
    for (forms::ListPanel* panel : window->findChildren<forms::ListPanel*>()) {
        QListView* view = panel->listView();
        auto* rows = qobject_cast<forms::RecordRowDelegate*>(view->itemDelegate());
        if (!panel->isVisible() || !rows)
            continue;
        for (int r = 0; r < view->model()->rowCount(); ++r) {
            const QModelIndex i = view->model()->index(r, 0);
            QStringList parts;
            for (const auto& p : forms::RecordRowDelegate::placeLines(rows->contentAt(i), view->visualRect(i), view->font()))
                parts << p.shown;
            shown << parts.join(QStringLiteral(" | "));
        }
    }
    for (ElidedLabel* e : window->findChildren<ElidedLabel*>())
        if (e->isVisible())
            shown << e->shownText();
    for (QLabel* e : window->findChildren<QLabel*>())
        if (e->isVisible() && e->wordWrap())
            shown << e->text();
    for (CartoucheAnime* c : window->findChildren<CartoucheAnime*>())
        if (c->isVisible())
            shown << c->nomAffiche() + QStringLiteral(" | ") + c->detailAffiche();
    // A bar too short for a name and a phone may cut both; one that shows the name whole shows
    // what tells it apart whole too.
    for (planning::GrillePlanning* grille : window->findChildren<planning::GrillePlanning*>())
        for (const Client* c : l.petits + l.dupont)
            if (const QString texte = grille->etiquette(c->locations().first()).texte;
                grille->isVisible() && texte.contains(c->nom()))
                shown << texte;
    for (const QList<Client*>& groupe : {l.petits, l.dupont}) {
        const QString nom = groupe.first()->nom().left(7);
        for (const QString& texte : std::as_const(shown))
            if (texte.contains(nom) && std::none_of(groupe.cbegin(), groupe.cend(), [&](const Client* c) {
                    return texte.contains(fixtures::LookAlikes::apart(c));
                }))
                faults->append(QStringLiteral("%1: « %2 » does not tell the look-alike apart").arg(where, texte));
    }
    const auto identique = [&](const QString& t) { return t.startsWith(QStringLiteral("3 m³")) && t.contains(QStringLiteral("Identique")); };
    if (where.startsWith(QStringLiteral("Liste des bennes")) && std::count_if(shown.cbegin(), shown.cend(), identique) != 2)
        faults->append(where + QStringLiteral(": the two identical skips are not said so"));
}

} // namespace

void ConventionsTest::lookAlikesAreToldApartOnEveryScreen_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("smallest") << QSize();
    QTest::newRow("950 wide") << QSize(950, 760);
    // A 1366 x 768 display at 150 %.
    QTest::newRow("1366 x 768 at 1.5") << QSize(910, 512);
}

void ConventionsTest::lookAlikesAreToldApartOnEveryScreen()
{
    QFETCH(QSize, size);
    auto ctx = fixtures::store();
    const fixtures::LookAlikes l = fixtures::lookAlikes(ctx.get());
    auto window = shownWindow(ctx.get(), size);
    QStringList faults;
    for (Commande c : toutesLesCommandes()) {
        window->setSelection(c);
        fixtures::settle();
        selectFirstRow(window->detailScreen());
        if (auto* planning = qobject_cast<VuePlanificationBennes*>(window->detailScreen()))
            planning->setLocationInfoSelectionnee(l.petits.first()->locations().first());
        checkLookAlikes(window.get(), l, titre(c), &faults);
    }
    visitEveryStatistic(
        window.get(), [](const QString& client) { return client.startsWith(QStringLiteral("Petit")); },
        [&](const QString& where) { checkLookAlikes(window.get(), l, where, &faults); });
    // The grid's skip column names the third blue skip by its note.
    QVERIFY(planning::ColonneBennes::texteEtiquette(l.bleues.last()).endsWith(QStringLiteral("n° 7")));
    // A client chosen, the tiles keep the room its rentals leave: none shows less than before.
    window->setSelection(Commande::planification);
    fixtures::settle();
    QMap<int, QString> avant;
    CartoucheAnime* premiere = nullptr;
    for (CartoucheAnime* c : window->findChildren<CartoucheAnime*>())
        if (c->isVisible()) {
            avant.insert(c->y(), c->detailAffiche());
            premiere = !premiere || c->y() < premiere->y() ? c : premiere;
        }
    QVERIFY(premiere);
    QTest::mouseClick(premiere, Qt::LeftButton, {}, premiere->rect().center());
    QTRY_VERIFY(window->findChild<QWidget*>(QStringLiteral("nomClientLocations"))->isVisible());
    fixtures::settle();
    for (CartoucheAnime* c : window->findChildren<CartoucheAnime*>())
        QVERIFY2(!c->isVisible() || c->detailAffiche().size() >= avant.value(c->y()).size(), qPrintable(c->detailAffiche()));
    QVERIFY2(fixtures::noFaults(faults), qPrintable(QStringLiteral("%1 faults").arg(faults.size())));
}

void ConventionsTest::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
}

void ConventionsTest::userTextIsShownAsTypedOnEveryScreen()
{
    auto ctx = storeOfMarkup();
    auto window = shownWindow(ctx.get());
    QStringList faults;
    for (Commande c : toutesLesCommandes()) {
        window->setSelection(c);
        fixtures::settle();
        checkShownAsTyped(window.get(), titre(c), &faults);
        selectFirstRow(window->detailScreen());
        checkShownAsTyped(window.get(), titre(c) + QStringLiteral(" (sélection)"), &faults);
    }
    checkEveryStatistic(window.get(), &faults);
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
}

void ConventionsTest::alertsShowUserTextAsTyped()
{
    auto ctx = storeOfMarkup();
    auto window = shownWindow(ctx.get());
    const QString name = marked(0, QStringLiteral(" client"));
    // The shared error box, a confirmation and a screen's own warning.
    QMessageBox* boxes[] = {
        forms::showError(window.get(), name),
        forms::askConfirmation(window.get(), name, marked(1), QStringLiteral("Supprimer"), QStringLiteral("Annuler"), {}),
        avertir(window.get(), QStringLiteral("Export CSV impossible"), marked(2, QStringLiteral(" détail")),
                QStringLiteral("alerte")),
    };
    for (QMessageBox* box : boxes) {
        QVERIFY(QTest::qWaitForWindowExposed(box));
        QStringList faults;
        checkShownAsTyped(box, box->objectName(), &faults);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
        box->close();
    }
    fixtures::settle();
}

void ConventionsTest::alertsAreWideEnoughForTheirTitle()
{
    QWidget over;
    over.resize(600, 400);
    over.show();
    QVERIFY(QTest::qWaitForWindowExposed(&over));
    QFont bold = over.font();
    bold.setBold(true);
    for (QMessageBox* box : {avertir(&over, QStringLiteral("Export CSV impossible"), QStringLiteral("Disque plein"),
                                     QStringLiteral("a")),
                             forms::showError(&over, QStringLiteral("x"))}) {
        QVERIFY(QTest::qWaitForWindowExposed(box));
        // The title, the window's buttons beside it and its margins.
        const int title = QFontMetrics(bold).horizontalAdvance(box->windowTitle()) + 150;
        QVERIFY2(box->width() >= title, qPrintable(QStringLiteral("%1 < %2").arg(box->width()).arg(title)));
        box->close();
    }
    // A progress dialog too (the export's), whose own size knows nothing of its title.
    installDialogConventions();
    QProgressDialog progress(QStringLiteral("Export de la facturation…"), QString(), 0, 0, &over);
    progress.setWindowTitle(QStringLiteral("Exporter la facturation"));
    progress.setCancelButton(nullptr);
    progress.show();
    QVERIFY(QTest::qWaitForWindowExposed(&progress));
    const int title = QFontMetrics(bold).horizontalAdvance(progress.windowTitle()) + 150;
    QVERIFY2(progress.width() >= title, qPrintable(QStringLiteral("%1 < %2").arg(progress.width()).arg(title)));
    fixtures::settle();
}

void ConventionsTest::toolbarRowKeepsItsPlace()
{
    auto ctx = storeOfMarkup();
    auto window = shownWindow(ctx.get());
    window->setSelection(Commande::defaut);
    fixtures::settle();
    const QRect content = window->centralWidget()->geometry();
    const QPoint sidebar = window->sidebar()->mapTo(window.get(), QPoint(0, 0));
    for (Commande c : toutesLesCommandes()) {
        window->setSelection(c);
        fixtures::settle();
        QVERIFY2(window->toolbar()->isVisible(), qPrintable(titre(c)));
        QCOMPARE(window->centralWidget()->geometry(), content);
        QCOMPARE(window->sidebar()->mapTo(window.get(), QPoint(0, 0)), sidebar);
    }
    // The drivers' list puts its own commands in the row.
    window->setSelection(Commande::chauffeurs);
    fixtures::settle();
    QStringList shown;
    for (QToolButton* b : window->toolbar()->findChildren<QToolButton*>())
        if (b->isVisible())
            shown << b->text();
    QVERIFY2(shown.contains(QStringLiteral("Nouveau")) && shown.contains(QStringLiteral("Supprimer")),
             qPrintable(shown.join(QLatin1String(", "))));
}

void ConventionsTest::screensFitWithoutSidewaysScrolling_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("1200 x 760") << kDefaultWindowSize;
    // A 1600 x 1000 display at 150 %.
    QTest::newRow("1600 x 1000 at 1.5") << QSize(1066, 666);
    // The window's smallest size (an empty size stands for it).
    QTest::newRow("smallest") << QSize();
}

void ConventionsTest::screensFitWithoutSidewaysScrolling()
{
    QFETCH(QSize, size);
    auto ctx = storeOfMarkup();
    auto window = shownWindow(ctx.get(), size);
    QStringList faults;
    auto check = [&](const QString& where) {
        QApplication::processEvents();
        // Scroll areas of content (lists and the planning grid scroll sideways by nature).
        for (QScrollArea* area : window->findChildren<QScrollArea*>()) {
            if (!area->isVisible() || !area->widget() || scrollsItsOwnCanvas(area))
                continue;
            if (area->horizontalScrollBar()->isVisible())
                faults << QStringLiteral("%1: %2 of %3 needs %4, has %5")
                              .arg(where, area->objectName(),
                                   QString::fromLatin1(area->parentWidget()->metaObject()->className()))
                              .arg(area->widget()->minimumSizeHint().width())
                              .arg(area->viewport()->width());
        }
    };
    for (Commande c : toutesLesCommandes()) {
        // The rentals-by-client screen's columns and their widths are checked with that screen.
        window->setSelection(c);
        fixtures::settle();
        check(titre(c));
        selectFirstRow(window->detailScreen());
        check(titre(c) + QStringLiteral(" (sélection)"));
    }
    // Every statistic of the hub.
    window->setSelection(Commande::statistiques);
    fixtures::settle();
    auto* statistiques = qobject_cast<VueStatistiques*>(window->detailScreen());
    QVERIFY(statistiques);
    for (int row = 0; row < statistiques->sidebar()->count(); ++row) {
        statistiques->sidebar()->setCurrentRow(row);
        fixtures::settle();
        check(QStringLiteral("Statistiques, ") + statistiques->sidebar()->item(row)->text());
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
}

void ConventionsTest::longNamesKeepEveryScreenInTheWindow_data()
{
    screensFitWithoutSidewaysScrolling_data();
}

void ConventionsTest::longNamesKeepEveryScreenInTheWindow()
{
    QFETCH(QSize, size);
    auto ctx = storeOfLongNames();
    auto window = shownWindow(ctx.get(), size);
    QStringList faults;
    for (Commande c : toutesLesCommandes()) {
        window->setSelection(c);
        fixtures::settle();
        checkFits(window.get(), titre(c), &faults);
        selectFirstRow(window->detailScreen());
        checkFits(window.get(), titre(c) + QStringLiteral(" (sélection)"), &faults);
        if (startsCreation(window.get(), c))
            checkFits(window.get(), titre(c) + QStringLiteral(" (création)"), &faults);
    }
    // Every statistic, and the monthly report of the long-named client.
    visitEveryStatistic(
        window.get(), [](const QString& client) { return client == longName(QStringLiteral("Client")); },
        [&](const QString& where) { checkFits(window.get(), where, &faults); });
    // One line each: a long list is cut short in the failure's message.
    QVERIFY2(fixtures::noFaults(faults), qPrintable(QStringLiteral("%1 faults").arg(faults.size())));
}

void ConventionsTest::sheetsTakeTheKeyboard()
{
    auto ctx = storeOfMarkup();
    auto window = shownWindow(ctx.get());
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    window->setSelection(Commande::chauffeurs);
    fixtures::settle();
    selectFirstRow(window->detailScreen());
    auto* form = window->detailScreen()->findChild<FormulaireChauffeurView*>();
    QVERIFY(form);
    const QString prenom = form->champPrenom()->text();

    // A driver's sheet: the focus in its name field, every key for it.
    form->boutonAjoutQualification()->click();
    auto* sheet = qobject_cast<FormulaireAjoutQualification*>(form->feuilleOuverte());
    QVERIFY(sheet);
    // The window manager activates the sheet; here, the test does.
    QApplication::setActiveWindow(sheet);
    QTRY_VERIFY(sheet->isActiveWindow());
    QTRY_VERIFY2(QApplication::focusWidget() == sheet->champNom(),
                 QApplication::focusWidget() ? QApplication::focusWidget()->metaObject()->className() : "none");
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Grue"));
    QCOMPARE(sheet->champNom()->text(), QStringLiteral("Grue"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QVERIFY(sheet->isVisible());
    QCOMPARE(form->champPrenom()->text(), prenom);
    sheet->boutonAnnuler()->click();
    fixtures::settle();

    // The shared confirmation: no field, the focus on its default button.
    QMessageBox* box = forms::askConfirmation(window->detailScreen(), QStringLiteral("Supprimer ?"),
                                              QStringLiteral("Vraiment ?"), QStringLiteral("Supprimer"),
                                              QStringLiteral("Annuler"), {});
    QApplication::setActiveWindow(box);
    QTRY_VERIFY(box->isActiveWindow());
    QTRY_VERIFY(QApplication::focusWidget() == box->defaultButton());
    box->close();
    fixtures::settle();
}

void ConventionsTest::firstFieldFollowsTheLayout()
{
    // Buttons made before the fields, as the driver form's sheets make them.
    QDialog dialog;
    auto* layout = new QVBoxLayout(&dialog);
    auto* cancel = new QPushButton(QStringLiteral("Annuler"));
    auto* ok = new QPushButton(QStringLiteral("OK"));
    ok->setDefault(true);
    auto* readOnly = new QLineEdit;
    readOnly->setReadOnly(true);
    auto* hidden = new QLineEdit;
    auto* name = new QLineEdit;
    auto* other = new QComboBox;
    layout->addWidget(readOnly);
    layout->addWidget(hidden);
    layout->addWidget(name);
    layout->addWidget(other);
    layout->addWidget(cancel);
    layout->addWidget(ok);
    hidden->hide();
    QCOMPARE(firstField(&dialog), name);
    focusFirstField(&dialog);
    QCOMPARE(dialog.focusWidget(), name);
    // Without a field: the default button.
    QDialog bare;
    auto* row = new QHBoxLayout(&bare);
    auto* no = new QPushButton(QStringLiteral("Non"));
    auto* yes = new QPushButton(QStringLiteral("Oui"));
    row->addWidget(no);
    row->addWidget(yes);
    yes->setDefault(true);
    QCOMPARE(firstField(&bare), nullptr);
    focusFirstField(&bare);
    QCOMPARE(bare.focusWidget(), yes);
}

void ConventionsTest::namesSortAsPeopleReadThem()
{
    const QStringList expected{QStringLiteral("Bâtiments Martin 50"), QStringLiteral("bâtiments Martin 51"),
                               QStringLiteral("Bâtiments Martin 290"), QStringLiteral("Bernard Démolition"),
                               QStringLiteral("Éco Benne"), QStringLiteral("Ecole 2"), QStringLiteral("Zeta")};
    QStringList names = expected;
    std::reverse(names.begin(), names.end());
    QStringList sorted = names;
    std::sort(sorted.begin(), sorted.end(), nameLessThan);
    QCOMPARE(sorted, expected);

    auto ctx = fixtures::store();
    for (const QString& n : std::as_const(names))
        fixtures::client(ctx.get(), n);
    fixtures::benne(ctx.get(), 10);
    fixtures::save(ctx.get());

    // The new-rental form's client picker.
    FormulaireLocationView form(ctx.get(), ctx->fetch<Benne>({}).first()->id(), [] {}, nullptr, nullptr,
                                Horloge::fixe(QDateTime::currentMSecsSinceEpoch(), QTimeZone::systemTimeZone()));
    fixtures::settle();
    QStringList picker;
    for (int i = 0; i < form.choixClient()->count(); ++i)
        if (form.choixClient()->itemData(i).value<void*>()) // not the "choose" entry
            picker << form.choixClient()->itemText(i);
    QCOMPARE(picker.join(QLatin1String(" | ")), expected.join(QLatin1String(" | ")));

    // The clients' list.
    auto window = shownWindow(ctx.get());
    window->setSelection(Commande::clients);
    fixtures::settle();
    auto* panel = window->detailScreen()->findChild<forms::ListPanel*>();
    QVERIFY(panel);
    QStringList rows;
    for (const QString& row : fixtures::rowTexts(panel))
        rows << row.section(QLatin1Char(','), 0, 0);
    QCOMPARE(rows, expected);
}

void ConventionsTest::symbolsShownHaveAGlyph()
{
    // The symbols that screens draw in their text (the planning's unusable skips) come from a
    // font the install brings: none is drawn as an empty box.
    for (const QString& symbol : {QStringLiteral("⚠️"), QStringLiteral("❌"), QStringLiteral("✅")}) {
        QTextLayout layout(symbol, QApplication::font());
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        const QList<QGlyphRun> runs = layout.glyphRuns();
        QVERIFY2(!runs.isEmpty(), qPrintable(symbol));
        for (const QGlyphRun& run : runs)
            for (quint32 glyph : run.glyphIndexes())
                QVERIFY2(glyph != 0, qPrintable(symbol + QStringLiteral(" in ") + run.rawFont().familyName()));
    }
}

void ConventionsTest::wheelScrollsWithoutChangingValues()
{
    auto ctx = storeOfLongNames();
    auto window = shownWindow(ctx.get(), QSize());
    QApplication::setActiveWindow(window.get());
    QStringList faults;
    int reached = 0;
    for (Commande c : toutesLesCommandes()) {
        window->setSelection(c);
        fixtures::settle();
        selectFirstRow(window->detailScreen());
        // The drivers' day with work: today's, where each driver's card shows its small map.
        if (auto* jour = qobject_cast<VuePlanningChauffeurs*>(window->detailScreen())) {
            QTest::mouseClick(jour->dateSlider()->pastilles().first(), Qt::LeftButton);
            fixtures::settle();
            QVERIFY(!jour->findChildren<MapWidget*>().isEmpty());
        }
        checkWheelChangesNothing(window.get(), ctx.get(), titre(c) + QStringLiteral(" (sélection)"), &faults, &reached);
        if (startsCreation(window.get(), c))
            checkWheelChangesNothing(window.get(), ctx.get(), titre(c) + QStringLiteral(" (création)"), &faults,
                                     &reached);
    }
    visitEveryStatistic(
        window.get(), [](const QString& client) { return client == longName(QStringLiteral("Client")); },
        [&](const QString& where) { checkWheelChangesNothing(window.get(), ctx.get(), where, &faults, &reached); });

    // The new-rental sheet over the window at its smallest size, a client with a contact chosen.
    window->setSelection(Commande::defaut);
    fixtures::settle();
    auto* planning = qobject_cast<VuePlanificationBennes*>(window->detailScreen());
    QVERIFY(planning);
    QPointer<QDialog> sheet = openNewRentalSheet(planning, ctx.get());
    QVERIFY(sheet);
    QComboBox* clients = formulaireDe(sheet)->choixClient();
    // As it opens, with the keyboard in its client picker.
    QTRY_VERIFY(focusWithin(clients));
    checkWheelChangesNothing(sheet, ctx.get(), QStringLiteral("Nouvelle location (ouverture)"), &faults, &reached);
    QVERIFY(chooseLongNamedClient(clients));
    const int before = reached;
    checkWheelChangesNothing(sheet, ctx.get(), QStringLiteral("Nouvelle location"), &faults, &reached);
    const int sheetFields = reached - before;
    sheet->reject();
    QVERIFY2(fixtures::noFaults(faults), qPrintable(QStringLiteral("%1 faults").arg(faults.size())));
    // The walk reached the sheet's pickers and dates, and fields on many screens.
    QVERIFY2(sheetFields >= 3, qPrintable(QString::number(sheetFields)));
    QVERIFY2(reached > 20, qPrintable(QString::number(reached)));
}

// Clicked after the wheel, each list screen opens the row that was under the pointer, whatever
// the list does as it takes the keys.
void ConventionsTest::clickAfterWheelOpensTheRowUnderThePointer()
{
    auto ctx = fixtures::store();
    const QDateTime now = QDateTime::currentDateTime();
    for (int i = 0; i < 60; ++i) {
        const QString n = QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'));
        Client* c = fixtures::client(ctx.get(), QStringLiteral("Client ") + n);
        Benne* b = fixtures::benne(ctx.get(), 10 + i);
        fixtures::placedRental(ctx.get(), c, b, now.addDays(-30 - i), now.addDays(-2 - i));
        fixtures::wasteType(ctx.get(), QStringLiteral("Déchet ") + n);
        ctx->insert(fixtures::centre(QStringLiteral("Centre ") + n));
        fixtures::driver(ctx.get(), QStringLiteral("Nom ") + n);
    }
    fixtures::save(ctx.get());
    auto window = shownWindow(ctx.get());
    QApplication::setActiveWindow(window.get());
    QStringList faults;
    for (Commande c : {Commande::clients, Commande::bennes, Commande::dechets, Commande::centreDechets,
                       Commande::chauffeurs, Commande::bonDePesee}) {
        window->setSelection(c);
        fixtures::settle();
        auto* panel = window->detailScreen()->findChild<forms::ListPanel*>();
        QVERIFY2(panel && panel->isVisible(), qPrintable(titre(c)));
        QWidget* rows = panel->listView()->viewport();
        const QPoint at(rows->width() / 2, rows->height() / 2);
        fixtures::turnWheel(rows, at, -10);
        QApplication::processEvents();
        Record* under = panel->recordAtRow(panel->listView()->indexAt(at).row());
        QVERIFY2(under && under != panel->recordAtRow(0), qPrintable(titre(c)));
        QTest::mouseClick(rows, Qt::LeftButton, {}, at);
        fixtures::settle();
        if (panel->selectedRecord() != under)
            faults << titre(c);
    }
    QVERIFY2(fixtures::noFaults(faults), qPrintable(QStringLiteral("%1 faults").arg(faults.size())));
}

// ---------------------------------------------------------------------------------------------
// The focus, by keys alone

namespace {

// Why a focused widget draws no focus: a plain container (or a chart) draws none but for the
// shared outline over it; a list shows it on its current row only.
QString drawnFocusFault(const QWidget* w)
{
    static const QStringList containers{QStringLiteral("QWidget"), QStringLiteral("QFrame"),
                                        QStringLiteral("QScrollArea"), QStringLiteral("QAbstractScrollArea"),
                                        QStringLiteral("QSplitter"), QStringLiteral("QStackedWidget"),
                                        QStringLiteral("QLabel"), QStringLiteral("QToolBar"),
                                        QStringLiteral("QGroupBox"), QStringLiteral("QChartView"),
                                        QStringLiteral("QGraphicsView")};
    const auto* outline = w->findChild<QWidget*>(QStringLiteral("focusOutline"), Qt::FindDirectChildrenOnly);
    if (containers.contains(QString::fromLatin1(w->metaObject()->className())) && !(outline && outline->isVisible()))
        return QStringLiteral("takes the focus but draws none");
    if (auto* view = qobject_cast<const QAbstractItemView*>(w);
        view && view->model() && view->model()->rowCount(view->rootIndex()) > 0 && !view->currentIndex().isValid())
        return QStringLiteral("shows no row with the focus");
    return {};
}

// A new main window of `delegate` at the default size, made active.
ContentView* activeWindow(AppDelegate& delegate, QSize size = kDefaultWindowSize)
{
    auto* window = static_cast<ContentView*>(delegate.newWindow());
    window->resize(size.isEmpty() ? window->smallestSize() : size);
    QApplication::setActiveWindow(window);
    if (!QTest::qWaitForWindowActive(window))
        qWarning("window not active");
    return window;
}

} // namespace

namespace {

// Where a widget stands in the layout, whatever the views around it are scrolled to: the content
// of every scroll area is taken at its origin, and laid out whole, so that what stands under a
// scroll area comes after all of its content.
QRect laidOutIn(const QWidget* w, const QWidget* window, bool unrolled = true)
{
    QPoint at;
    for (const QWidget* p = w; p && p != window; p = p->parentWidget()) {
        const auto* area = p->parentWidget() ? qobject_cast<const QScrollArea*>(p->parentWidget()->parentWidget())
                                             : nullptr;
        if (!area || area->widget() != p)
            at += p->pos();
    }
    QRect place(at, w->size());
    if (!unrolled)
        return place;
    int below = 0;
    for (const QScrollArea* area : window->findChildren<QScrollArea*>()) {
        if (!area->isVisible() || !area->widget() || area->isAncestorOf(w))
            continue;
        const QRect room = laidOutIn(area, window, false);
        if (room.bottom() < place.top() && room.left() < place.right() && place.left() < room.right())
            below += std::max(0, area->widget()->height() - area->viewport()->height());
    }
    return place.translated(0, below);
}

// Why a focused stop cannot be seen: it is hidden, out of sight, or cut although the room its
// parents give it would hold more of it (a stop in a scroll area is scrolled into view).
QString sightFault(const QWidget* w, const QWidget* window)
{
    if (!w->isVisible() || w->width() <= 0 || w->height() <= 0)
        return QStringLiteral("is not shown");
    QRect room = window->rect();
    for (const QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget())
        room &= QRect(p->mapTo(window, QPoint(0, 0)), p->size());
    const QRect seen = room & QRect(w->mapTo(window, QPoint(0, 0)), w->size());
    if (seen.isEmpty())
        return QStringLiteral("is out of sight");
    if ((seen.height() < w->height() && seen.height() < room.height() - 1)
        || (seen.width() < w->width() && seen.width() < room.width() - 1))
        return QStringLiteral("is only partly in view (%1 × %2 of %3 × %4)")
            .arg(seen.width()).arg(seen.height()).arg(w->width()).arg(w->height());
    return {};
}

// The reading order of a screen: top to bottom, then left to right; a column (or pane) to the
// right is read whole once the eye goes into it, so the stops left of it come back only below
// everything read since.
class ReadingOrder {
public:
    // Why `at` cannot follow the stops read so far, or empty.
    QString follow(const QRect& at)
    {
        constexpr int kSlack = 4;
        QString fault;
        if (!m_previous.isNull()) {
            const bool sameLine = std::abs(at.center().y() - m_previous.center().y())
                                  < std::min(at.height(), m_previous.height()) / 2;
            // Off the line and past the previous stop's right edge: into a column to its right.
            const bool nextColumn = !sameLine && at.left() >= m_previous.right() - kSlack;
            if (sameLine ? at.left() < m_previous.left() - kSlack : at.top() < m_previous.top() - kSlack && !nextColumn)
                fault = QStringLiteral("comes before the previous stop");
            for (const Column& column : std::as_const(m_columns))
                if (fault.isEmpty() && at.right() < column.left + kSlack && at.top() < column.bottom - kSlack)
                    fault = QStringLiteral("goes back to a column read before");
            if (nextColumn)
                m_columns.append({at.left(), at.bottom()});
        }
        // A column reaches as far left and as far down as the stops read in it since.
        for (Column& column : m_columns) {
            column.left = std::min(column.left, at.left());
            column.bottom = std::max(column.bottom, at.bottom());
        }
        if (!fault.isEmpty())
            fault += QStringLiteral(" (%1,%2 after %3,%4)")
                         .arg(at.left()).arg(at.top()).arg(m_previous.left()).arg(m_previous.top());
        m_previous = at;
        return fault;
    }

private:
    struct Column {
        int left;
        int bottom;
    };
    QRect m_previous;
    QList<Column> m_columns;
};

// Walks `window` by Tab from its focus until the keyboard comes back where it started: each stop
// within `scope` must be seen as it takes the keyboard and follow the previous one in reading
// order (read from the first stop of the screen, wherever the walk began), and every enabled
// button of `scope` must be reached.
void walkByTab(QWidget* window, QWidget* scope, const QString& where, QStringList* faults,
               const std::function<void()>& atEachTab = {})
{
    QWidget* start = QApplication::focusWidget();
    QList<QWidget*> stops;
    QList<QRect> places;
    // A walk begun inside the screen leaves it for the window's own row, then comes back at the
    // screen's first stop: the reading starts there.
    bool wentOut = false;
    qsizetype cameBack = -1;
    if (start && scope->isAncestorOf(start)) {
        stops << start;
        places << laidOutIn(start, window);
    }
    for (int tab = 0; tab < 300; ++tab) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        fixtures::settle();
        QWidget* now = QApplication::focusWidget();
        if (atEachTab)
            atEachTab();
        // A list may keep the keyboard for its row's own buttons.
        if (!stops.isEmpty() && now == stops.last())
            continue;
        if (!now || now == start || now->window() != window || stops.contains(now))
            break;
        // The window's own row (sidebar, toolbar) stands apart from the screen.
        if (scope != window && !scope->isAncestorOf(now)) {
            wentOut = !stops.isEmpty();
            continue;
        }
        if (wentOut && cameBack < 0 && start && scope->isAncestorOf(start))
            cameBack = stops.size();
        for (const QString& fault : {sightFault(now, window), drawnFocusFault(now)})
            if (!fault.isEmpty())
                faults->append(where + QStringLiteral(": ") + describe(now) + QLatin1Char(' ') + fault);
        stops << now;
        places << laidOutIn(now, window);
    }
    // A sheet's walk begins in its first field: the reading starts at its topmost stop.
    qsizetype first = cameBack > 0 ? cameBack : 0;
    if (scope == window)
        for (qsizetype i = 1; i < places.size(); ++i)
            if (places[i].top() < places[first].top()
                || (places[i].top() == places[first].top() && places[i].left() < places[first].left()))
                first = i;
    ReadingOrder reading;
    for (qsizetype k = 0; k < stops.size(); ++k) {
        const qsizetype i = (first + k) % stops.size();
        if (const QString fault = reading.follow(places[i]); !fault.isEmpty())
            faults->append(where + QStringLiteral(": ") + describe(stops[i]) + QLatin1Char(' ') + fault);
    }
    for (QAbstractButton* button : scope->findChildren<QAbstractButton*>())
        if (button->isVisible() && button->isEnabled() && button->window() == window
            && (button->focusPolicy() & Qt::TabFocus) && !stops.contains(button))
            faults->append(where + QStringLiteral(": ") + describe(button) + QStringLiteral(" « ") + button->text()
                           + QStringLiteral(" » is never reached"));
}

// The command's screen, the keyboard in the sidebar, walked by Tab.
void walkScreen(ContentView* window, const QString& where, QStringList* faults,
                const std::function<void()>& atEachTab = {})
{
    window->sidebar()->setFocus(Qt::TabFocusReason);
    walkByTab(window, window->detailScreen(), where, faults, atEachTab);
}

// Walks the inactive clients' screen by Tab: the buttons painted in the current row (« Copier
// tél. », « E-mail ») take the keyboard in turn.
void walkInactiveClients(ContentView* window, ClientsInactifsView* inactifs, const QString& where,
                         QStringList* faults)
{
    using Bouton = ClientInactifDelegate::Bouton;
    auto* list = inactifs->findChild<QListView*>();
    auto* rows = qobject_cast<ClientInactifDelegate*>(list->itemDelegate());
    QSet<Bouton> seen;
    walkScreen(window, where, faults, [&] {
        if (QApplication::focusWidget() == list
            && ClientInactifDelegate::boutons(list->currentIndex()) == QList{Bouton::copier, Bouton::email})
            seen.insert(rows->boutonClavier());
    });
    if (!seen.contains(Bouton::copier) || !seen.contains(Bouton::email))
        faults->append(where + QStringLiteral(": « Copier tél. » and « E-mail » are not both reached"));
}

// Why the keyboard, given to a screen as it opens, is not where a user can type safely: a text
// it stands in is selected (one stray key would replace it), or it is nowhere to be seen.
QString arrivalFault(ContentView* window)
{
    QWidget* now = QApplication::focusWidget();
    if (!now || now->window() != window)
        return QStringLiteral("no focus in the window");
    auto* line = qobject_cast<QLineEdit*>(now);
    if (!line && qobject_cast<QAbstractSpinBox*>(now))
        line = now->findChild<QLineEdit*>();
    if (line && line->hasSelectedText())
        return describe(now) + QStringLiteral(" « ") + line->text().left(30) + QStringLiteral(" » is selected");
    for (const QString& fault : {sightFault(now, window), drawnFocusFault(now)})
        if (!fault.isEmpty())
            return describe(now) + QLatin1Char(' ') + fault;
    return {};
}

// Deletes the list's first record by keys (Delete on the row, « Supprimer » in the question,
// chosen by Shift+Tab and Return); false when the screen's list deletes nothing.
bool deleteFirstRowByKeys(QWidget* screen)
{
    auto* panel = screen->findChild<forms::ListPanel*>();
    if (!panel || !panel->isVisible() || panel->rowCount() == 0)
        return false;
    fixtures::clickRow(panel, 0);
    fixtures::settle();
    QListView* view = panel->listView();
    view->setFocus(Qt::TabFocusReason);
    QTest::keyClick(view, Qt::Key_Delete);
    fixtures::settle();
    QMessageBox* box = nullptr;
    for (QMessageBox* b : screen->window()->findChildren<QMessageBox*>())
        if (b->isVisible())
            box = b;
    if (!box)
        return false;
    box->activateWindow();
    if (!QTest::qWaitFor([box] { return QApplication::activeWindow() == box; }))
        return false;
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    const QPointer<QMessageBox> answered(box);
    if (!QTest::qWaitFor([answered] { return !answered || !answered->isVisible(); }))
        return false;
    QApplication::setActiveWindow(screen->window());
    fixtures::settle();
    return true;
}

// What a screen reader cannot say of the controls of `window`, one line each: a Tab stop with
// no name, or named by its placeholder or its value; a chosen control not said to be chosen; a
// painted canvas (the planning grid, a map) that exposes nothing in it.
void checkSpoken(QWidget* window, const QString& where, QStringList* faults)
{
    fixtures::settle();
    const auto fault = [&](QWidget* w, const QString& what) {
        const QString line = where + QStringLiteral(": ") + describe(w) + QLatin1Char(' ') + what;
        if (!faults->contains(line))
            faults->append(line);
    };
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisible() || w->window() != window || !fixtures::spokenTabStop(w))
            continue;
        if (const QString why = fixtures::unspokenBecause(w); !why.isEmpty())
            fault(w, why);
        QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(w);
        if (auto* b = qobject_cast<QAbstractButton*>(w); b && b->isCheckable() && b->isChecked() && spoken && !spoken->state().checked)
            fault(w, QStringLiteral("« %1 » is chosen but not said to be").arg(fixtures::spokenName(w)));
    }
    // The painted canvases: their items are children of their own, each named.
    for (QWidget* w : window->findChildren<QWidget*>()) {
        const bool canvas = w->inherits("kv::planning::GrillePlanning") || w->inherits("kv::MapWidget");
        if (!canvas || !w->isVisible() || w->window() != window)
            continue;
        // Its items, through its viewport; its scroll bars are no items.
        QList<QAccessibleInterface*> items;
        std::function<void(QAccessibleInterface*, int)> gather = [&](QAccessibleInterface* at, int depth) {
            for (int i = 0; at && i < at->childCount() && items.size() < 50; ++i) {
                QAccessibleInterface* child = at->child(i);
                if (!child || child->role() == QAccessible::ScrollBar)
                    continue;
                if (child->role() == QAccessible::Client && depth == 0)
                    gather(child, 1);
                else
                    items.append(child);
            }
        };
        gather(QAccessible::queryAccessibleInterface(w), 0);
        if (items.isEmpty())
            fault(w, QStringLiteral("exposes no items"));
        for (QAccessibleInterface* item : std::as_const(items))
            if (item->text(QAccessible::Name).trimmed().isEmpty())
                fault(w, QStringLiteral("has an item without a name"));
    }
}

// Every command's screen, with its first row chosen, every statistic, the new-rental sheet and
// a delete question, through `check`.
void visitForReaders(ContentView* window, ModelContext* ctx, const std::function<void(QWidget*, const QString&)>& check)
{
    for (Commande c : toutesLesCommandes()) {
        if (c == Commande::statistiques)
            continue;
        window->chooseCommand(c);
        fixtures::settle();
        check(window, titre(c));
        selectFirstRow(window->detailScreen());
        check(window, titre(c) + QStringLiteral(" (sélection)"));
        if (auto* jour = qobject_cast<VuePlanningChauffeurs*>(window->detailScreen())) {
            QTest::mouseClick(jour->dateSlider()->pastilles().first(), Qt::LeftButton);
            fixtures::settle();
            check(window, titre(c) + QStringLiteral(" (aujourd'hui)"));
        }
    }
    visitEveryStatistic(
        window, [](const QString& client) { return client == longName(QStringLiteral("Client")); },
        [&](const QString& where) { check(window, where); });
    window->setSelection(Commande::defaut);
    fixtures::settle();
    auto* planning = qobject_cast<VuePlanificationBennes*>(window->detailScreen());
    if (QPointer<QDialog> sheet = planning ? openNewRentalSheet(planning, ctx) : nullptr) {
        check(sheet, QStringLiteral("Nouvelle location"));
        if (chooseLongNamedClient(formulaireDe(sheet)->choixClient()))
            check(sheet, QStringLiteral("Nouvelle location (client choisi)"));
        sheet->reject();
        fixtures::settle();
    }
    window->setSelection(Commande::clients);
    fixtures::settle();
    selectFirstRecord(window->detailScreen());
    auto* panel = window->detailScreen()->findChild<forms::ListPanel*>();
    panel->listView()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(panel->listView(), Qt::Key_Delete);
    fixtures::settle();
    for (QMessageBox* box : window->findChildren<QMessageBox*>())
        if (box->isVisible()) {
            check(box, QStringLiteral("Question ") + box->text());
            box->reject();
        }
    fixtures::settle();
}

} // namespace

void ConventionsTest::everyControlIsSpokenByScreenReaders()
{
    auto ctx = storeOfLongNames();
    AppDelegate delegate(ctx.get());
    ContentView* window = activeWindow(delegate);
    QStringList faults;
    visitForReaders(window, ctx.get(), [&](QWidget* w, const QString& where) { checkSpoken(w, where, &faults); });
    // A command switch says where the keys went: the screen they are in is named by its command.
    QApplication::setActiveWindow(window);
    QVERIFY(QTest::qWaitForWindowActive(window));
    for (Commande c : {Commande::clients, Commande::bonDePesee, Commande::preferences}) {
        window->chooseCommand(c);
        fixtures::settle();
        bool named = false;
        QAccessibleInterface* at = QApplication::focusWidget() ? QAccessible::queryAccessibleInterface(QApplication::focusWidget()) : nullptr;
        for (; at && !named; at = at->parent())
            named = at->role() != QAccessible::Window && at->text(QAccessible::Name) == titre(c);
        if (!named)
            faults.append(titre(c) + QStringLiteral(": the keys went into the screen without its title said"));
    }
    window->closeAnswered();
    // Every fault at once, one line each, so that all can be seen to.
    QVERIFY2(fixtures::noFaults(faults), qPrintable(QStringLiteral("%1 faults").arg(faults.size())));
}

namespace {

// Keys that desktops bind to a standard action beyond what the running platform reports
// (common platform knowledge: the X11, KDE and GNOME key schemes, Windows and macOS, where Ctrl
// stands for Command). A key the program advertises must not be one of these, or the key does
// the standard action in a field or list instead of what the menu says.
QList<QKeySequence> otherDesktopsKeys(QKeySequence::StandardKey standard)
{
    using K = QKeySequence;
    switch (standard) {
    case K::Delete: return {K(Qt::CTRL | Qt::Key_D)}; // X11, KDE, GNOME
    case K::Backspace: return {K(Qt::META | Qt::Key_H)}; // macOS
    case K::Replace: return {K(Qt::CTRL | Qt::Key_H)}; // Windows, X11
    case K::DeleteEndOfLine: return {K(Qt::CTRL | Qt::Key_K)}; // X11, macOS
    case K::MoveToEndOfLine: return {K(Qt::CTRL | Qt::Key_E)}; // X11
    case K::DeleteStartOfWord: return {K(Qt::CTRL | Qt::Key_Backspace)}; // everywhere but macOS
    case K::DeleteEndOfWord: return {K(Qt::CTRL | Qt::Key_Delete)};
    case K::Close: return {K(Qt::CTRL | Qt::Key_F4), K(Qt::CTRL | Qt::Key_W)}; // Windows, X11
    case K::Redo: return {K(Qt::CTRL | Qt::Key_Y), K(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)};
    case K::Refresh: return {K(Qt::Key_F5), K(Qt::CTRL | Qt::Key_R)};
    case K::FindNext: return {K(Qt::CTRL | Qt::Key_G), K(Qt::Key_F3)};
    case K::FindPrevious: return {K(Qt::CTRL | Qt::SHIFT | Qt::Key_G), K(Qt::SHIFT | Qt::Key_F3)};
    case K::FullScreen: return {K(Qt::Key_F11), K(Qt::CTRL | Qt::SHIFT | Qt::Key_F)}; // Windows, KDE
    case K::Deselect: return {K(Qt::CTRL | Qt::SHIFT | Qt::Key_A)}; // X11
    case K::Cancel: return {K(Qt::CTRL | Qt::Key_Period)}; // macOS
    case K::Preferences: return {K(Qt::CTRL | Qt::Key_Comma)}; // macOS
    case K::NextChild: return {K(Qt::CTRL | Qt::Key_Tab), K(Qt::CTRL | Qt::Key_F6)};
    case K::Cut: return {K(Qt::SHIFT | Qt::Key_Delete)};
    case K::Copy: return {K(Qt::CTRL | Qt::Key_Insert)};
    case K::Paste: return {K(Qt::SHIFT | Qt::Key_Insert)};
    default: return {};
    }
}

// The key that names each standard action on every desktop: a key advertised for it is the action.
const QList<QKeySequence>& everywhereKeys()
{
    using K = QKeySequence;
    static const QList<QKeySequence> keys{
        K(Qt::CTRL | Qt::Key_C), K(Qt::CTRL | Qt::Key_X), K(Qt::CTRL | Qt::Key_V), K(Qt::CTRL | Qt::Key_Z),
        K(Qt::CTRL | Qt::Key_A), K(Qt::CTRL | Qt::Key_N), K(Qt::CTRL | Qt::Key_O), K(Qt::CTRL | Qt::Key_S),
        K(Qt::CTRL | Qt::Key_P), K(Qt::CTRL | Qt::Key_F), K(Qt::CTRL | Qt::Key_Q), K(Qt::CTRL | Qt::Key_W),
        K(Qt::Key_Delete), K(Qt::Key_Escape), K(Qt::Key_F1), K(Qt::Key_Return), K(Qt::Key_Enter),
        K(Qt::CTRL | Qt::Key_Comma),
        // The billing's export key: its date fields give it up (ShortcutOverride ignored), so it
        // exports where X11 would move to the end of the line.
        K(Qt::CTRL | Qt::Key_E)};
    return keys;
}

// What each advertised key could also be taken for: "Ctrl+D collides with standard key 7".
void checkKeys(const QList<QAction*>& actions, QList<std::pair<QKeySequence, QString>> advertised,
               const QString& where, QStringList* faults)
{
    const QMetaEnum standards = QMetaEnum::fromType<QKeySequence::StandardKey>();
    for (QAction* a : actions) {
        // An action named by a key every desktop gives it may take the running platform's other
        // keys for it (Ctrl+F4 beside Ctrl+W).
        QList<QKeySequence> own;
        for (const QKeySequence& k : a->shortcuts())
            if (everywhereKeys().contains(k))
                for (int i = 0; i < standards.keyCount(); ++i)
                    if (const auto s = QKeySequence::StandardKey(standards.value(i)); QKeySequence::keyBindings(s).contains(k))
                        own += QKeySequence::keyBindings(s);
        for (const QKeySequence& k : a->shortcuts())
            if (!own.contains(k))
                advertised.append({k, a->text()});
    }
    for (const auto& [key, what] : std::as_const(advertised)) {
        if (key.isEmpty() || everywhereKeys().contains(key))
            continue;
        for (int i = 0; i < standards.keyCount(); ++i) {
            const auto standard = QKeySequence::StandardKey(standards.value(i));
            if (standard == QKeySequence::UnknownKey)
                continue;
            const QList<QKeySequence> taken = QKeySequence::keyBindings(standard) + otherDesktopsKeys(standard);
            if (taken.contains(key))
                faults->append(QStringLiteral("%1: %2 « %3 » is also the standard %4")
                                   .arg(where, key.toString(QKeySequence::PortableText), what,
                                        QString::fromLatin1(standards.key(i))));
        }
    }
}

void checkAdvertisedKeys(QWidget* root, const QString& where, QStringList* faults)
{
    QList<std::pair<QKeySequence, QString>> advertised;
    for (QShortcut* s : root->findChildren<QShortcut*>())
        for (const QKeySequence& k : s->keys())
            advertised.append({k, s->parent()->objectName()});
    for (forms::WindowKey* w : root->findChildren<forms::WindowKey*>())
        advertised.append({w->keys(), w->parent()->objectName()});
    checkKeys(root->findChildren<QAction*>(), advertised, where, faults);
}

// A menu's entries and those of its submenus.
QList<QAction*> menuEntries(QMenu* menu)
{
    QList<QAction*> all;
    for (QAction* a : menu->actions()) {
        all.append(a);
        if (a->menu())
            all += menuEntries(a->menu());
    }
    return all;
}

// The places whose menus `root`'s screen builds on demand, as a right click does: a grid bar, a
// rented skip's tile, a driver's card, a list row; each with the point clicked.
QList<std::pair<QWidget*, QPoint>> menuTargets(QWidget* root, ModelContext* ctx)
{
    QList<std::pair<QWidget*, QPoint>> targets;
    for (auto* grid : root->findChildren<planning::GrillePlanning*>())
        for (LocationDeBenne* l : ctx->fetch<LocationDeBenne>({}))
            if (const QPoint at = grid->rectCorps(l).center().toPoint(); grid->isVisible() && grid->viewport()->rect().contains(at)) {
                targets.append({grid->viewport(), at});
                break;
            }
    for (auto* panel : root->findChildren<forms::ListPanel*>())
        if (panel->isVisible() && panel->rowCount() > 0)
            targets.append({panel->listView()->viewport(),
                            panel->listView()->visualRect(panel->listView()->model()->index(0, 0)).center()});
    for (const char* kind : {"kv::BenneOscillanteView", "kv::PrestationCard"})
        for (QWidget* w : root->findChildren<QWidget*>())
            if (w->inherits(kind) && w->isVisible()) {
                targets.append({w, w->rect().center()});
                break;
            }
    return targets;
}

QMenu* openMenuAt(QWidget* target, QPoint at)
{
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, target->mapToGlobal(at));
    QCoreApplication::sendEvent(target, &event);
    fixtures::settle();
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
}

QString targetName(QWidget* target)
{
    return QStringLiteral("menu of %1").arg(QString::fromLatin1(target->parentWidget()->metaObject()->className()));
}

// Opens in turn the menus that `root`'s screen builds on demand; `check` sees each while it is open.
void visitOnDemandMenus(QWidget* root, ModelContext* ctx, const std::function<void(QMenu*, const QString&)>& check)
{
    for (const auto& [target, at] : menuTargets(root, ctx)) {
        QMenu* menu = openMenuAt(target, at);
        if (!menu)
            continue;
        check(menu, targetName(target));
        menu->close();
        fixtures::settle();
    }
}

// The keys an entry advertises: its shortcuts, or the key written after a tab in its text.
QList<QKeySequence> keysShown(const QAction* a)
{
    QList<QKeySequence> keys = a->shortcuts();
    if (const qsizetype tab = a->text().indexOf(QLatin1Char('\t')); tab >= 0)
        keys.append(QKeySequence::fromString(a->text().mid(tab + 1), QKeySequence::NativeText));
    keys.removeAll(QKeySequence());
    return keys;
}

// The keys a tool tip names after its text: « Enregistrer (Ctrl+S ou Ctrl+Entrée) ».
QList<QKeySequence> keysOfToolTip(const QString& tip)
{
    static const QRegularExpression named(QStringLiteral("\\(((?:Ctrl|Maj|Alt|F\\d)[^)]*)\\)$"));
    QList<QKeySequence> keys;
    const QRegularExpressionMatch m = named.match(tip);
    if (!m.hasMatch())
        return keys;
    QString text = m.captured(1);
    text.replace(QStringLiteral("Échap"), QStringLiteral("Esc")).replace(QStringLiteral("Entrée"), QStringLiteral("Return"))
        .replace(QStringLiteral("Maj"), QStringLiteral("Shift")).replace(QStringLiteral("Suppr"), QStringLiteral("Del"));
    for (const QString& one : text.split(QStringLiteral(" ou ")))
        keys.append(QKeySequence::fromString(one, QKeySequence::PortableText));
    return keys;
}

// A key shown to the user, with the way to the same thing without it.
struct Advertised {
    QKeySequence key;
    QString what;
    // Does the thing the other way (its menu entry, its button), on the screen `setUp` gave.
    std::function<void(QWidget*)> choose;
    // Where the key is pressed on that screen; null: where the keys are.
    std::function<QWidget*(QWidget*)> pressIn;
    // The texts of the actions the key may trigger: the entry itself, or the command it names.
    QStringList actions;
    // Whether the keys end where the other way leaves them: a button clicked by the pointer
    // leaves them where they were, its key may carry them into what it opens.
    bool sameFocus = true;
};

// Records the texts of the actions of `window` that are triggered while it lives.
class TriggeredActions {
public:
    explicit TriggeredActions(QWidget* window)
    {
        for (QAction* a : window->findChildren<QAction*>())
            m_connections.append(QObject::connect(a, &QAction::triggered, [this, text = a->text()] { texts.append(text); }));
    }
    ~TriggeredActions()
    {
        for (const auto& c : std::as_const(m_connections))
            QObject::disconnect(c);
    }
    QStringList texts;

private:
    QList<QMetaObject::Connection> m_connections;
};

// What one gesture did, from its start to `seen()`: the windows and questions it left open, the
// screen shown, the sidebar, where the keys are, the records it added or removed, whether it wrote.
class Outcome {
public:
    Outcome(ContentView* window, ModelContext* ctx)
        : m_window(window), m_ctx(ctx), m_counts(counts(ctx)),
          m_write(QObject::connect(ctx, &ModelContext::changed, [this] { m_wrote = true; }))
    {
        // A file asked for is said, and the question answered « Annuler ».
        FileHelpers::setSaveFileAsker([this](QWidget*, const SaveFileRequest& request) {
            m_asked.append(request.title);
            return QString();
        });
    }
    ~Outcome()
    {
        QObject::disconnect(m_write);
        FileHelpers::setSaveFileAsker({});
    }

    QString seen(bool withFocus = true) const
    {
        fixtures::settle();
        QStringList open;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w != m_window) {
                QString line = QString::fromLatin1(w->metaObject()->className()) + QStringLiteral(" « ") + w->windowTitle();
                if (auto* box = qobject_cast<QMessageBox*>(w))
                    line += QStringLiteral(" » « ") + box->text();
                open.append(line + QStringLiteral(" »"));
            }
        open.sort();
        const QWidget* focus = QApplication::focusWidget();
        const auto now = counts(m_ctx);
        return (open + m_asked).join(QStringLiteral(", "))
            + QStringLiteral("; screen %1; %2; keys in %3; %4 rentals, %5 clients, %6 skips; %7")
                  .arg(m_window->detailScreen() ? m_window->detailScreen()->accessibleName() : QString(),
                       m_window->sidebarAction()->text(),
                       !withFocus ? QStringLiteral("—") : focus ? describe(focus) : QStringLiteral("nothing"))
                  .arg(now[0] - m_counts[0]).arg(now[1] - m_counts[1]).arg(now[2] - m_counts[2])
                  .arg(m_wrote ? QStringLiteral("written") : QStringLiteral("unwritten"));
    }

private:
    static std::array<qsizetype, 3> counts(ModelContext* ctx)
    {
        return {ctx->fetch<LocationDeBenne>({}).size(), ctx->fetch<Client>({}).size(), ctx->fetch<Benne>({}).size()};
    }
    ContentView* m_window;
    ModelContext* m_ctx;
    std::array<qsizetype, 3> m_counts;
    bool m_wrote = false;
    QMetaObject::Connection m_write;
    QStringList m_asked;
};

// Closes whatever a gesture opened (menus, questions, sheets, other windows) and saves, so that
// the next one starts from the same program.
void putBack(ContentView* window, ModelContext* ctx)
{
    // One window at a time: closing one may delete others.
    for (int round = 0; round < 12; ++round) {
        // Questions first: the window they stand over would only ask again.
        QWidget* open = QApplication::activePopupWidget();
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w != window && (!open || (qobject_cast<QMessageBox*>(w) && !QApplication::activePopupWidget())))
                open = w;
        if (!open)
            break;
        if (auto* other = qobject_cast<ContentView*>(open))
            other->closeAnswered();
        else if (auto* box = qobject_cast<QMessageBox*>(open); box && fixtures::clickBoxButton(box, QStringLiteral("Ne pas enregistrer")))
            ;
        else if (auto* dialog = qobject_cast<QDialog*>(open))
            dialog->reject();
        else
            open->close();
        fixtures::settle();
    }
    window->setSidebarShown(true);
    window->setSelection(std::nullopt);
    QApplication::setActiveWindow(window);
    if (!QTest::qWaitForWindowActive(window))
        qWarning("window not active");
    ctx->save();
}

// The keys `root` advertises: the window's menus (with `withMenus`), its buttons' tool tips, the
// menus its screen builds on demand.
QList<Advertised> advertisedIn(ContentView* window, QWidget* root, ModelContext* ctx, bool withMenus)
{
    QList<Advertised> found;
    if (withMenus) {
        QList<QAction*> entries = window->actions();
        for (QAction* title : window->menuBar()->actions())
            if (title->menu())
                entries += menuEntries(title->menu());
        for (QAction* a : std::as_const(entries)) {
            // Quitting and closing the window are pressed last, on windows of their own.
            if (a->objectName() == QStringLiteral("actionQuit") || a->objectName() == QStringLiteral("actionCloseWindow"))
                continue;
            const QPointer<QAction> entry(a);
            const QString text = a->text().section(QLatin1Char('\t'), 0, 0);
            QStringList actions{a->text(), text};
            for (const QKeySequence& key : keysShown(a))
                found.append({key, text, [entry](QWidget*) { entry->trigger(); }, {}, actions});
        }
    }
    for (QAbstractButton* b : root->findChildren<QAbstractButton*>()) {
        if (!b->isVisible() || b->window() != root->window())
            continue;
        const QString tip = b->toolTip();
        for (const QKeySequence& key : keysOfToolTip(tip)) {
            const auto button = [tip](QWidget* r) -> QAbstractButton* {
                for (QAbstractButton* b : r->findChildren<QAbstractButton*>())
                    if (b->isVisible() && b->toolTip() == tip)
                        return b;
                return nullptr;
            };
            found.append({key, tip, [button](QWidget* r) { if (QAbstractButton* b = button(r)) b->click(); }, {}, {}, false});
        }
    }
    const auto targets = menuTargets(root, ctx);
    for (qsizetype i = 0; i < targets.size(); ++i) {
        // The place clicked first, as the user does before the key or the right click.
        const auto clicked = [ctx, i](QWidget* r) -> std::pair<QWidget*, QPoint> {
            const auto again = menuTargets(r, ctx);
            if (i >= again.size())
                return {nullptr, {}};
            QTest::mouseClick(again.at(i).first, Qt::LeftButton, {}, again.at(i).second);
            fixtures::settle();
            return again.at(i);
        };
        QMenu* menu = openMenuAt(targets.at(i).first, targets.at(i).second);
        if (!menu)
            continue;
        for (QAction* a : menu->actions()) {
            const QString text = a->text();
            for (const QKeySequence& key : keysShown(a))
                found.append({key, text + QStringLiteral(" (") + targetName(targets.at(i).first) + QLatin1Char(')'),
                              [clicked, text](QWidget* r) {
                                  const auto [target, at] = clicked(r);
                                  QMenu* again = target ? openMenuAt(target, at) : nullptr;
                                  for (QAction* entry : again ? again->actions() : QList<QAction*>())
                                      if (entry->text() == text && entry->isEnabled()) {
                                          QTest::mouseClick(again, Qt::LeftButton, {}, again->actionGeometry(entry).center());
                                          return;
                                      }
                              },
                              [clicked](QWidget* r) {
                                  QWidget* target = clicked(r).first;
                                  return QApplication::focusWidget() ? QApplication::focusWidget() : target;
                              },
                              {text}});
        }
        menu->close();
        fixtures::settle();
    }
    return found;
}

// Presses each key `setUp`'s screen advertises, with a real key event where the keys are, and
// checks that it does what its menu entry or button does, and nothing else.
void pressAdvertisedKeys(ContentView* window, ModelContext* ctx, const std::function<QWidget*()>& setUp,
                         const QString& where, bool withMenus, QStringList* faults)
{
    QList<Advertised> keys = advertisedIn(window, setUp(), ctx, withMenus);
    putBack(window, ctx);
    for (const Advertised& a : std::as_const(keys)) {
        QString chosen, pressed;
        {
            QWidget* root = setUp();
            Outcome outcome(window, ctx);
            a.choose(root);
            chosen = outcome.seen(a.sameFocus);
        }
        putBack(window, ctx);
        QWidget* root = setUp();
        TriggeredActions triggered(window);
        {
            Outcome outcome(window, ctx);
            QWidget* in = a.pressIn ? a.pressIn(root) : QApplication::focusWidget();
            const QKeyCombination combination = a.key[0];
            QTest::keyClick(in ? in : root, combination.key(), combination.keyboardModifiers());
            pressed = outcome.seen(a.sameFocus);
        }
        putBack(window, ctx);
        const QString line = where + QStringLiteral(": ") + a.key.toString(QKeySequence::PortableText)
            + QStringLiteral(" « ") + a.what + QStringLiteral(" »");
        if (pressed != chosen)
            faults->append(line + QStringLiteral(" leaves [%1], its entry or button [%2]").arg(pressed, chosen));
        for (const QString& other : std::as_const(triggered.texts))
            if (!a.actions.contains(other))
                faults->append(line + QStringLiteral(" also triggers « %1 »").arg(other));
    }
}

} // namespace

void ConventionsTest::advertisedKeysDoWhatTheySay()
{
    auto ctx = storeOfLongNames();
    AppDelegate delegate(ctx.get());
    // A rental in progress: a bar in the grid's first view, a tile beside its client.
    const QDateTime now = QDateTime::currentDateTime();
    Client* renter = ctx->fetch<Client>({}).first();
    fixtures::placedRental(ctx.get(), renter, ctx->fetch<Benne>({}).first(), now.addDays(-1), now.addDays(2));
    fixtures::save(ctx.get());
    ContentView* window = activeWindow(delegate);
    QStringList faults;
    // Each key against the platform's standard bindings it could be taken for.
    visitForReaders(window, ctx.get(), [&](QWidget* w, const QString& where) {
        checkAdvertisedKeys(w, where, &faults);
        // The menus a click or the Menu key builds on demand advertise keys too.
        visitOnDemandMenus(w, ctx.get(), [&](QMenu* menu, const QString& which) {
            checkKeys(menuEntries(menu), {}, where + QStringLiteral(", ") + which, &faults);
        });
    });
    putBack(window, ctx.get());
    // Each key pressed in its screen: the window's on the first one, each screen's own in it;
    // « Vue par client » with the renter chosen, so that its tiles and their menus show.
    for (Commande c : toutesLesCommandes()) {
        const auto setUp = [&, c]() -> QWidget* {
            window->chooseCommand(c);
            fixtures::settle();
            auto* parClient = qobject_cast<VueLocationBenne*>(window->detailScreen());
            if (!parClient)
                parClient = window->detailScreen()->findChild<VueLocationBenne*>();
            if (parClient) {
                parClient->selectionnerClient(renter->id());
                fixtures::settle();
            }
            // The planning's first row would open a sheet over the keys.
            if (c != Commande::defaut)
                selectFirstRow(window->detailScreen());
            return window;
        };
        pressAdvertisedKeys(window, ctx.get(), setUp, titre(c), c == Commande::defaut, &faults);
    }
    // A second window closes by its key, and quitting by its key closes every window.
    // A closed window deletes itself: it is followed by a guarded pointer.
    const QPointer<ContentView> second(activeWindow(delegate));
    QTest::keyClick(second, Qt::Key_W, Qt::ControlModifier);
    fixtures::settle();
    if (second && second->isVisible())
        faults.append(QStringLiteral("Ctrl+W « Fermer la fenêtre » leaves the window open"));
    QApplication::setActiveWindow(window);
    const QPointer<ContentView> first(window);
    QTest::keyClick(window, Qt::Key_Q, Qt::ControlModifier);
    fixtures::settle();
    if (first && first->isVisible()) {
        faults.append(QStringLiteral("Ctrl+Q « Quitter Kestrovan » leaves the window open"));
        first->closeAnswered();
    }
    faults.removeDuplicates();
    QVERIFY2(fixtures::noFaults(faults), qPrintable(QStringLiteral("%1 faults").arg(faults.size())));
}

void ConventionsTest::tabWalksEachScreenInReadingOrder_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<QSize>("size");
    for (Commande c : toutesLesCommandes()) {
        QTest::newRow(qPrintable(titre(c))) << int(c) << kDefaultWindowSize;
        // The window's smallest size (an empty size stands for it).
        QTest::newRow(qPrintable(titre(c) + QStringLiteral(", smallest"))) << int(c) << QSize();
    }
}

void ConventionsTest::tabWalksEachScreenInReadingOrder()
{
    QFETCH(int, command);
    QFETCH(QSize, size);
    const auto c = Commande(command);
    auto ctx = storeOfLongNames();
    AppDelegate delegate(ctx.get());
    ContentView* window = activeWindow(delegate, size);
    QVERIFY(window->isActiveWindow());
    QStringList faults;
    // Arriving by the command's keys, the keyboard where the screen gives it: a text there
    // unselected; the walk goes on from there.
    window->chooseCommand(c);
    fixtures::settle();
    if (const QString fault = arrivalFault(window); !fault.isEmpty())
        faults.append(titre(c) + QStringLiteral(" (arrivée): ") + fault);
    walkByTab(window, window->detailScreen(), titre(c) + QStringLiteral(" (arrivée)"), &faults);
    // As the command opens, then with its first row chosen.
    walkScreen(window, titre(c), &faults);
    selectFirstRow(window->detailScreen());
    if (auto* parClient = qobject_cast<VueLocationBenne*>(window->detailScreen())) {
        parClient->selectionnerClient(parClient->clientsAffiches().first()->id());
        fixtures::settle();
    }
    if (c == Commande::statistiques) {
        // An inactive client to phone or write to.
        for (Client* client : ctx->fetch<Client>({})) {
            client->setTelephone(QStringLiteral("05 56 00 00 00"));
            client->setEmail(QStringLiteral("client@exemple.fr"));
        }
        fixtures::save(ctx.get());
        visitEveryStatistic(
            window, [](const QString& client) { return client == longName(QStringLiteral("Client")); },
            [&](const QString& where) {
                if (auto* inactifs = window->detailScreen()->findChild<ClientsInactifsView*>();
                    inactifs && inactifs->isVisible()) {
                    walkInactiveClients(window, inactifs, where, &faults);
                    return;
                }
                walkScreen(window, where, &faults);
                // The monthly report's preview, read as the screen shows it.
                auto* report = window->detailScreen()->findChild<RapportMensuelView*>();
                if (report && report->isVisible() && report->boutonApercu()->isEnabled()) {
                    report->boutonApercu()->click();
                    fixtures::settle();
                    walkScreen(window, where + QStringLiteral(" (aperçu)"), &faults);
                }
            });
    } else if (auto* jour = qobject_cast<VuePlanningChauffeurs*>(window->detailScreen())) {
        // The day with work: each driver's name, cards and map.
        QTest::mouseClick(jour->dateSlider()->pastilles().first(), Qt::LeftButton);
        fixtures::settle();
        walkScreen(window, titre(c) + QStringLiteral(" (aujourd'hui)"), &faults);
    } else if (auto* planning = qobject_cast<VuePlanificationBennes*>(window->detailScreen())) {
        // The new-rental sheet, a client chosen.
        QPointer<QDialog> sheet = openNewRentalSheet(planning, ctx.get());
        QVERIFY(sheet);
        QComboBox* clients = formulaireDe(sheet)->choixClient();
        QVERIFY(chooseLongNamedClient(clients));
        clients->setFocus(Qt::TabFocusReason);
        walkByTab(sheet, sheet, QStringLiteral("Nouvelle location"), &faults);
        sheet->reject();
        fixtures::settle();
    } else {
        walkScreen(window, titre(c) + QStringLiteral(" (sélection)"), &faults);
    }
    // After a delete by keys, the keyboard stays in the list, on the row that took the deleted
    // one's place, drawn with its focus; Tab goes on from there.
    if (deleteFirstRowByKeys(window->detailScreen())) {
        const QString where = titre(c) + QStringLiteral(" (après suppression)");
        auto* panel = window->detailScreen()->findChild<forms::ListPanel*>();
        if (const QString fault = arrivalFault(window); !fault.isEmpty())
            faults.append(where + QStringLiteral(": ") + fault);
        else if (QApplication::focusWidget() != panel->listView() && panel->rowCount() > 0)
            faults.append(where + QStringLiteral(": the keyboard is on ") + describe(QApplication::focusWidget())
                          + QStringLiteral(", not on the list"));
        walkByTab(window, window->detailScreen(), where, &faults);
    }
    window->closeAnswered();
    QVERIFY2(fixtures::noFaults(faults), qPrintable(QStringLiteral("%1 faults").arg(faults.size())));
}

namespace {

// A window over look-alikes (and a waste type: the new-rental sheet shows its form), the sheet
// opened with its client picker holding the keys as Tab leaves them.
struct AmongLookAlikes {
    std::unique_ptr<ModelContext> ctx = fixtures::store();
    fixtures::LookAlikes l = fixtures::lookAlikes(ctx.get());
    AppDelegate delegate{ctx.get()};
    ContentView* window = nullptr;
    QPointer<QDialog> sheet;
    SearchablePicker* clients = nullptr;
    AmongLookAlikes()
    {
        ctx->insert(fixtures::wasteType(QStringLiteral("Gravats")));
        fixtures::save(ctx.get());
        window = activeWindow(delegate);
    }
    ~AmongLookAlikes() { window->closeAnswered(); }
    SearchablePicker* openSheet()
    {
        window->setSelection(Commande::defaut);
        fixtures::settle();
        sheet = openNewRentalSheet(qobject_cast<VuePlanificationBennes*>(window->detailScreen()), ctx.get());
        clients = sheet ? formulaireDe(sheet)->choixClient() : nullptr;
        if (clients)
            clients->setFocus(Qt::TabFocusReason);
        return clients;
    }
};

// The names a reader hears of the rows under `list` (of its selected rows alone).
QStringList rowNames(QAccessibleInterface* list, bool selectedOnly = false)
{
    QStringList names;
    for (int i = 0; list && i < list->childCount(); ++i)
        if (!selectedOnly || list->child(i)->state().selected)
            names << list->child(i)->text(QAccessible::Name);
    return names;
}

} // namespace

void ConventionsTest::aDropDownListSaysItsChoice()
{
    AmongLookAlikes s;
    QVERIFY(s.openSheet());
    QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(s.clients);
    fixtures::HeardByReaders readers;
    // ↓ on the closed picker: its text says the client as the picker shows it (with what tells
    // it from namesakes), its entry alone is selected, a reader hears the change.
    QTest::keyClick(s.clients, Qt::Key_Down);
    fixtures::settle();
    QVERIFY(s.clients->currentIndex() > 0 && !s.clients->shownDetail().isEmpty());
    const QString chosen = s.clients->currentText() + QStringLiteral(" (") + s.clients->shownDetail() + QLatin1Char(')');
    QAccessibleTextInterface* text = spoken->textInterface();
    QCOMPARE(text ? text->text(0, text->characterCount()) : QString(), chosen);
    QCOMPARE(rowNames(spoken->child(0), true), QStringList{chosen});
    QCOMPARE(readers.of(QAccessible::TextUpdated), QStringList{chosen});
}

void ConventionsTest::pickerRowsTellLookAlikesApartToReaders()
{
    AmongLookAlikes s;
    QVERIFY(s.openSheet());
    s.clients->showPopup();
    // Each namesake row names the phone that tells it apart on screen.
    const QStringList names = rowNames(QAccessible::queryAccessibleInterface(s.clients->filteredList()));
    for (Client* c : s.l.petits)
        QVERIFY2(names.filter(c->telephone()).size() == 1, qPrintable(names.join(QStringLiteral(" | "))));
}

void ConventionsTest::tabIntoAListSaysItsChosenRow()
{
    AmongLookAlikes s;
    s.window->setSelection(Commande::clients);
    fixtures::settle();
    auto* panel = s.window->detailScreen()->findChild<forms::ListPanel*>();
    panel->setSelectedRecord(s.l.petits.at(1));
    fixtures::HeardByReaders readers;
    panel->listView()->setFocus(Qt::TabFocusReason);
    fixtures::settle();
    const QStringList focus = readers.of(QAccessible::Focus);
    QVERIFY2(focus.size() == 1 && focus.first().startsWith(QStringLiteral("Petit Terrassement"))
                 && focus.first().contains(s.l.petits.at(1)->telephone()),
             qPrintable(focus.join(QStringLiteral(" | "))));
}

void ConventionsTest::aDateFieldIsFocusedOncePerStep()
{
    AmongLookAlikes s;
    QVERIFY(s.openSheet());
    FormulaireLocationView* form = formulaireDe(s.sheet);
    // A client chosen, the dates show.
    QTest::keyClick(s.clients, Qt::Key_Down);
    form->boutonFixerEnlevement()->setFocus(Qt::TabFocusReason);
    fixtures::settle();
    fixtures::HeardByReaders readers;
    // The button gives way to the date field: the keys pass by the fields beside on the way.
    QTest::keyClick(form->boutonFixerEnlevement(), Qt::Key_Space);
    fixtures::settle();
    QCOMPARE(readers.of(QAccessible::Focus), QStringList{QStringLiteral("Date d’enlèvement")});
    // Each step of the date moves its hidden calendar's current day too: nothing is said of it.
    fixtures::sayCurrentCellAsQt(form->champDateEnlevement()->calendarWidget()->findChild<QTableView*>());
    readers.heard.clear();
    QTest::keyClick(form->champDateEnlevement(), Qt::Key_Up);
    fixtures::settle();
    QCOMPARE(readers.of(QAccessible::Focus), QStringList{});
}

void ConventionsTest::aSearchFieldsClearButtonIsNamed()
{
    AmongLookAlikes s;
    s.window->setSelection(Commande::planification);
    fixtures::settle();
    QLineEdit* recherche = qobject_cast<VueLocationBenne*>(s.window->detailScreen())->champRecherche();
    recherche->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(recherche, QStringLiteral("Petit"));
    fixtures::settle();
    QCOMPARE(fixtures::spokenName(recherche->findChild<QAbstractButton*>()), QStringLiteral("Effacer la recherche"));
}

// Walks the screen by Tab, paging down at each stop that takes no such key (a button, a card, a
// view; a field would change its value): every part of every view that scrolls comes into view.
// A list or a canvas that is a stop shows each of its rows by its own keys.
static void checkReachedByKeys(ContentView* window, const QString& where, QStringList* faults)
{
    const QList<QAbstractScrollArea*> areas = window->detailScreen()->findChildren<QAbstractScrollArea*>();
    QHash<QAbstractScrollArea*, QList<std::pair<int, int>>> seen;
    const auto look = [&] {
        QList<int> values;
        for (QAbstractScrollArea* a : areas) {
            values << a->verticalScrollBar()->value();
            if (a->isVisible() && a->verticalScrollBar()->maximum() > 0)
                seen[a].append({values.last(), values.last() + a->viewport()->height()});
        }
        return values;
    };
    const auto lookAndPage = [&] {
        QWidget* stop = QApplication::focusWidget();
        const QList<int> start = look();
        if (!stop || qobject_cast<QAbstractItemView*>(stop) || WheelGuard::needsFocus(stop)
            || qobject_cast<QLineEdit*>(stop) || stop->inherits("kv::MapWidget"))
            return;
        for (QList<int> before, now = start; now != before;) {
            before = now;
            QTest::keyClick(stop, Qt::Key_PageDown);
            now = look();
        }
        for (qsizetype i = 0; i < areas.size(); ++i)
            areas[i]->verticalScrollBar()->setValue(start[i]);
    };
    lookAndPage();
    walkScreen(window, where, faults, lookAndPage);
    for (auto it = seen.begin(); it != seen.end(); ++it) {
        QAbstractScrollArea* area = it.key();
        if ((qobject_cast<QAbstractItemView*>(area) || scrollsItsOwnCanvas(area)) && (area->focusPolicy() & Qt::TabFocus))
            continue;
        int end = area->verticalScrollBar()->maximum() + area->viewport()->height();
        if (auto* form = qobject_cast<QScrollArea*>(area); form && form->widget()) {
            end = 0; // a form's margin below its last part holds nothing to see
            for (QWidget* part : form->widget()->findChildren<QWidget*>())
                if (part->isVisible() && part->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).isEmpty())
                    end = std::max(end, part->mapTo(form->widget(), QPoint(0, part->height())).y());
        }
        std::sort(it->begin(), it->end());
        int reached = 0;
        for (const auto& [top, bottom] : std::as_const(*it))
            reached = top <= reached ? std::max(reached, bottom) : reached;
        if (reached < end)
            faults->append(QStringLiteral("%1: %2 shows %3 of %4 px by keys").arg(where, describe(area)).arg(reached).arg(end));
    }
}

// At 1.5 on a 1366 × 768 screen, every part of every screen and statistic comes into view by keys.
void ConventionsTest::everyPartIsBroughtIntoViewByKeys()
{
    auto ctx = storeOfLongNames();
    AppDelegate delegate(ctx.get());
    ContentView* window = activeWindow(delegate, QSize(910, 460));
    QStringList faults;
    for (Commande c : toutesLesCommandes()) {
        window->chooseCommand(c);
        fixtures::settle();
        selectFirstRow(window->detailScreen());
        checkReachedByKeys(window, titre(c), &faults);
    }
    visitEveryStatistic(window, [](const QString& client) { return client == longName(QStringLiteral("Client")); },
                        [&](const QString& where) { checkReachedByKeys(window, where, &faults); });
    window->closeAnswered();
    QVERIFY2(fixtures::noFaults(faults), qPrintable(QStringLiteral("%1 faults").arg(faults.size())));
}
