// The list/detail controller on its own, over the smallest record type (a special device: an
// identifier and a description) and an editor of one field.

#include "tests.h"

#include "model/modelcontext.h"
#include "model/records.h"
#include "widgets/focusstyle.h"
#include "widgets/forms/listdetail.h"
#include "widgets/forms/formstyle.h"
#include "widgets/forms/recordrow.h"

#include <QApplication>
#include <QStandardItemModel>
#include <QPainter>
#include <QStyleOptionViewItem>
#include <QImage>

#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

using namespace kv;
using namespace kv::forms;

namespace {

// Edits a device's description; "Enregistrer" writes (or creates) and saves.
class DeviceEditor : public QWidget {
    Q_OBJECT
public:
    DeviceEditor(ModelContext* context, DispositifSpecial* device) : m_context(context)
    {
        auto* layout = new QVBoxLayout(this);
        field = new QLineEdit(this);
        layout->addWidget(field);
        bind(device);
    }
    void bind(DispositifSpecial* device)
    {
        m_device = device;
        field->setText(device ? device->descriptionDispositif() : QString());
        ++binds;
    }
    DispositifSpecial* device() const { return m_device; }
    void save()
    {
        DispositifSpecial* d = m_device;
        if (!d) {
            d = new DispositifSpecial(field->text());
            m_context->insert(d);
        } else {
            d->setDescriptionDispositif(field->text());
        }
        if (m_context->save())
            emit saved(d);
    }
    void cancel() { emit cancelled(); }
    void focusFirstField() { field->setFocus(Qt::OtherFocusReason); }

    QLineEdit* field = nullptr;
    int binds = 0;

signals:
    void saved(kv::DispositifSpecial* device);
    void cancelled();

private:
    ModelContext* m_context;
    DispositifSpecial* m_device = nullptr;
};

using Controller = ListDetail<DispositifSpecial, DeviceEditor>;

struct Screen {
    std::unique_ptr<ModelContext> ctx = ModelContext::open(QStringLiteral(":memory:"));
    QWidget window;
    Controller* lists = nullptr;
    int editorsMade = 0;

    explicit Screen(std::function<void(Controller::Setup&)> adjust = {})
    {
        for (const char* d : {"Grue", "Bâche", "Crochet", "Bras hydraulique"})
            ctx->insert(new DispositifSpecial(QString::fromUtf8(d)));
        [[maybe_unused]] const bool saved = ctx->save();
        Controller::Setup setup;
        setup.row = [](DispositifSpecial* d) {
            RowContent row;
            row.lines.append(RowLine{{RowPart::label(d->descriptionDispositif())}});
            row.accessibleText = d->descriptionDispositif();
            return row;
        };
        setup.lessThan = [](const DispositifSpecial* a, const DispositifSpecial* b) {
            return QString::localeAwareCompare(a->descriptionDispositif(), b->descriptionDispositif()) < 0;
        };
        setup.matches = [](const DispositifSpecial* d, const SearchText& search) {
            return oneFieldHoldsAllWords({d->descriptionDispositif()}, search.words);
        };
        setup.makeEditor = [this](DispositifSpecial* d) {
            ++editorsMade;
            return new DeviceEditor(ctx.get(), d);
        };
        setup.rebind = [](DeviceEditor* e, DispositifSpecial* d) {
            e->bind(d);
            return true;
        };
        setup.placeholder = new EmptyState(QStringLiteral("puzzlepiece.extension"),
                                           QStringLiteral("Sélectionnez un dispositif"), QString());
        if (adjust)
            adjust(setup);
        lists = new Controller(ctx.get(), std::move(setup), &window);
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(lists->splitView());
        window.resize(900, 600);
        window.show();
        [[maybe_unused]] const bool exposed = QTest::qWaitForWindowExposed(&window);
    }
    QStringList shown() const
    {
        QStringList out;
        for (DispositifSpecial* d : lists->shown())
            out.append(d->descriptionDispositif());
        return out;
    }
    void click(int row)
    {
        QListView* view = lists->list()->listView();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(row, 0)).center());
    }
    DispositifSpecial* find(const QString& text) const
    {
        for (DispositifSpecial* d : ctx->all<DispositifSpecial>())
            if (d->descriptionDispositif() == text)
                return d;
        return nullptr;
    }
};

void settle()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

} // namespace

void ListDetailTest::searchNarrowsTheList()
{
    Screen s;
    QCOMPARE(s.shown(), QStringList({"Bâche", "Bras hydraulique", "Crochet", "Grue"}));
    // Folded words: case and accents ignored, every word in the field.
    s.lists->list()->searchField()->setText(QStringLiteral("  BACHE "));
    settle();
    QCOMPARE(s.shown(), QStringList({"Bâche"}));
    s.lists->list()->searchField()->setText(QStringLiteral("hydr bras"));
    settle();
    QCOMPARE(s.shown(), QStringList({"Bras hydraulique"}));
    s.lists->list()->searchField()->clear();
    settle();
    QCOMPARE(s.shown().size(), 4);
}

void ListDetailTest::selectionBindsTheEditor()
{
    Screen s;
    // A button the window made after the screen, as a main window's toolbar.
    auto* toolbar = new QPushButton(QStringLiteral("Outil"), &s.window);
    s.window.layout()->addWidget(toolbar);
    s.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&s.window));
    QTRY_VERIFY(toolbar->isVisible());
    QVERIFY(s.lists->pane()->showsPlaceholder());
    QVERIFY(!s.lists->editor());
    s.click(2);
    // The editor made now is walked by Tab where it reads, after the list, before the window's
    // own row.
    QVERIFY(s.lists->editor());
    s.lists->list()->listView()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(s.lists->list()->listView(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), s.lists->editor()->field);
    QTest::keyClick(s.lists->editor()->field, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), toolbar);
    QCOMPARE(s.lists->selection(), s.find("Crochet"));
    QCOMPARE(s.lists->edited(), s.find("Crochet"));
    QVERIFY(!s.lists->isCreating());
    DeviceEditor* editor = s.lists->editor();
    QVERIFY(editor);
    QCOMPARE(editor->field->text(), QStringLiteral("Crochet"));
    // Another row: the same editor, pointed at the other record.
    s.click(3);
    QCOMPARE(s.lists->editor(), editor);
    QCOMPARE(editor->field->text(), QStringLiteral("Grue"));
    QCOMPARE(s.editorsMade, 1);
}

void ListDetailTest::newRecordSavedThenCancelled()
{
    Screen s;
    s.click(0);
    // "Ajouter": nothing selected or bound, an empty editor.
    QTest::mouseClick(s.lists->list()->addButton(), Qt::LeftButton);
    QVERIFY(s.lists->isCreating());
    QVERIFY(!s.lists->selection());
    QVERIFY(!s.lists->edited());
    DeviceEditor* editor = s.lists->editor();
    QVERIFY(editor);
    QCOMPARE(editor->field->text(), QString());
    // Saved: the new record is listed, selected and bound.
    editor->field->setText(QStringLiteral("Aimant"));
    editor->save();
    settle();
    DispositifSpecial* aimant = s.find("Aimant");
    QVERIFY(aimant);
    QVERIFY(!s.lists->isCreating());
    QCOMPARE(s.lists->selection(), aimant);
    QCOMPARE(s.lists->edited(), aimant);
    QCOMPARE(s.shown().first(), QStringLiteral("Aimant"));
    // Cancelled: the placeholder comes back, nothing selected.
    s.lists->editor()->cancel();
    settle();
    QVERIFY(s.lists->pane()->showsPlaceholder());
    QVERIFY(!s.lists->selection());
    QVERIFY(!s.lists->edited());
    QVERIFY(!s.lists->editor());
}

void ListDetailTest::deletionByRows()
{
    Screen s;
    s.click(3); // Grue, bound
    s.lists->list()->searchField()->setText(QStringLiteral("r"));
    settle();
    QCOMPARE(s.shown(), QStringList({"Bras hydraulique", "Crochet", "Grue"}));
    // Rows as listed now; out of range and repeated rows are ignored.
    QVERIFY(s.lists->remove(s.lists->recordsAtRows({2, 0, 7, 0, -1})));
    settle();
    QCOMPARE(s.shown(), QStringList({"Crochet"}));
    QCOMPARE(s.ctx->count<DispositifSpecial>(), 2);
    QVERIFY(!s.ctx->hasChanges());
    // The bound record went: its editor with it.
    QVERIFY(!s.lists->edited());
    QVERIFY(s.lists->pane()->showsPlaceholder());

    // A failed save is reported, never passed over.
    s.ctx->failNextSave(QStringLiteral("disque plein"));
    QVERIFY(!s.lists->remove({s.find("Crochet")}));
    QMessageBox* box = nullptr;
    for (QMessageBox* b : s.window.findChildren<QMessageBox*>())
        if (b->isVisible())
            box = b;
    QVERIFY(box);
    QVERIFY(box->text().startsWith(QStringLiteral("Échec de la suppression: ")));
    box->done(0);
}

void ListDetailTest::boundRecordDeletedElsewhere()
{
    Screen s;
    s.click(1);
    DispositifSpecial* bound = s.lists->edited();
    QVERIFY(bound);
    QString error;
    QVERIFY(s.ctx->remove(bound, &error));
    settle();
    QVERIFY(!s.lists->edited());
    QVERIFY(!s.lists->selection());
    QVERIFY(s.lists->pane()->showsPlaceholder());
}

void ListDetailTest::screensThatOpenRecordsThemselves()
{
    QList<DispositifSpecial*> afterSave;
    Screen s([&](Controller::Setup& setup) {
        setup.opensOnSelection = false;
        setup.rebind = {};
        setup.afterSave = [&](DispositifSpecial* d) { afterSave.append(d); };
    });
    // Selecting does not open.
    s.click(0);
    QVERIFY(s.lists->selection());
    QVERIFY(s.lists->pane()->showsPlaceholder());
    // The screen opens a record: a fresh editor each time.
    s.lists->openEditor(s.find("Grue"));
    DeviceEditor* first = s.lists->editor();
    QVERIFY(first);
    s.lists->openEditor(s.find("Grue"));
    QVERIFY(s.lists->editor() != first);
    QCOMPARE(s.editorsMade, 2);
    // Its own handling of a save replaces the default one.
    s.lists->editor()->save();
    QCOMPARE(afterSave, QList<DispositifSpecial*>({s.find("Grue")}));
    QCOMPARE(s.lists->edited(), s.find("Grue"));
    s.lists->closeEditor();
    QVERIFY(s.lists->pane()->showsPlaceholder());
}

#include "tst_listdetail.moc"

void ListDetailTest::returnOpensRowsAndSearchLeadsToTheList()
{
    Screen s;
    s.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&s.window));
    QListView* view = s.lists->list()->listView();
    QLineEdit* search = s.lists->list()->searchField();
    // ↓ chooses, the keyboard staying in the list; Return on the row the keyboard is on opens it
    // and takes the keyboard into its editor's first field.
    view->setFocus(Qt::TabFocusReason);
    QTest::keyClick(view, Qt::Key_Down);
    QTest::keyClick(view, Qt::Key_Down);
    settle();
    QVERIFY(view->hasFocus());
    QCOMPARE(s.lists->edited(), s.find("Crochet"));
    QTest::keyClick(view, Qt::Key_Return);
    settle();
    QCOMPARE(s.lists->edited(), s.find("Crochet"));
    QVERIFY(s.lists->editor());
    QCOMPARE(s.lists->editor()->field->text(), QStringLiteral("Crochet"));
    QTRY_VERIFY(s.lists->editor()->field->hasFocus());

    // Escape in the editor: back in the list on the same row, the editor open with what was typed;
    // ↓ goes on choosing from there.
    QTest::keyClicks(s.lists->editor()->field, QStringLiteral(" rouge"));
    QTest::keyClick(s.lists->editor()->field, Qt::Key_Escape);
    settle();
    QVERIFY(view->hasFocus());
    QCOMPARE(view->currentIndex().row(), s.shown().indexOf(QStringLiteral("Crochet")));
    QCOMPARE(s.lists->editor()->field->text(), QStringLiteral("Crochet rouge"));
    QTest::keyClick(view, Qt::Key_Down);
    settle();
    QVERIFY(view->hasFocus());
    QCOMPARE(s.lists->edited(), s.find("Grue"));
    // Return on the row already open goes into it as well.
    QTest::keyClick(view, Qt::Key_Return);
    QTRY_VERIFY(s.lists->editor()->field->hasFocus());
    QCOMPARE(s.lists->editor()->field->text(), QStringLiteral("Grue"));
    // Escape with the list showing no editor (the placeholder) does nothing.
    s.lists->resetEditing(false);
    view->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(view, Qt::Key_Escape);
    QVERIFY(view->hasFocus());

    // ↓ in the search field: into the list, on its first match, chosen, the keyboard in the list.
    search->setFocus(Qt::ShortcutFocusReason);
    QTest::keyClicks(search, QStringLiteral("gr"));
    settle();
    QCOMPARE(s.shown(), QStringList({"Grue"}));
    QTest::keyClick(search, Qt::Key_Down);
    settle();
    QVERIFY(view->hasFocus());
    QCOMPARE(s.lists->edited(), s.find("Grue"));
    QCOMPARE(view->currentIndex().row(), 0);

    // Return in the search field opens the first match, the keyboard in its editor.
    search->setFocus(Qt::ShortcutFocusReason);
    search->clear();
    QTest::keyClicks(search, QStringLiteral("bras"));
    settle();
    QTest::keyClick(search, Qt::Key_Return);
    settle();
    QCOMPARE(s.lists->edited(), s.find("Bras hydraulique"));
    QTRY_VERIFY(s.lists->editor()->field->hasFocus());
    // Nothing matches: the keys stay in the search field.
    search->setFocus(Qt::ShortcutFocusReason);
    search->setText(QStringLiteral("zzz"));
    settle();
    QTest::keyClick(search, Qt::Key_Down);
    QVERIFY(search->hasFocus());
}

void ListDetailTest::listShowsWhereTheKeyboardIsWithoutSpace()
{
    // As the program runs: its style shows the focus however it came.
    QStyle* before = QApplication::style();
    const QString styleName = before->name();
    installFocusStyle(qApp);
    Screen s;
    s.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&s.window));
    QListView* view = s.lists->list()->listView();
    // By Tab from the search field, past "Ajouter": the first row shows the keyboard, unselected.
    s.lists->list()->searchField()->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(s.lists->list()->searchField(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTRY_VERIFY(view->hasFocus());
    QVERIFY(view->currentIndex().isValid());
    QCOMPARE(view->currentIndex().row(), 0);
    QVERIFY(!s.lists->selection());
    auto frameShown = [view](int row) {
        const QRect r = view->visualRect(view->model()->index(row, 0));
        const QImage image = view->viewport()->grab().toImage();
        const QColor highlight = kv::focusColour(view->palette());
        const QColor onSelection = view->palette().color(QPalette::HighlightedText);
        const bool selected = view->selectionModel()->isRowSelected(row, {});
        // On a selection the frame stands a little in, the selection's colour around it.
        const int in = selected ? 3 : 1;
        const QColor left = image.pixelColor(r.left() + in, r.center().y());
        const QColor top = image.pixelColor(r.center().x(), r.top() + in);
        const QColor expected = selected ? onSelection : highlight;
        return left.rgb() == expected.rgb() && top.rgb() == expected.rgb();
    };
    QVERIFY(frameShown(0));
    QVERIFY(!frameShown(1));
    // On the selected row the frame shows on the selection colour.
    QTest::keyClick(view, Qt::Key_Down);
    settle();
    QVERIFY(view->selectionModel()->isRowSelected(1, {}));
    QVERIFY(frameShown(1));
    // Given the focus by the program, the list shows it on the selected row at once.
    s.lists->list()->searchField()->setFocus(Qt::OtherFocusReason);
    view->setFocus(Qt::OtherFocusReason);
    QVERIFY(frameShown(1));
    QApplication::setStyle(styleName);
}

void ListDetailTest::colourDotsReadOnEveryRow()
{
    // The rows hold a dot alone, leading or among a line's parts: every pixel that differs from
    // the row is the dot's. The strongest of them reads at 3:1 on the row, as a mark must.
    QListView view;
    DispositifSpecial record(QStringLiteral("Grue"));
    QStandardItemModel model(1, 1);
    model.setData(model.index(0, 0), quintptr(static_cast<Record*>(&record)), RecordListModelBase::RecordRole);
    const auto strongest = [&](const RowContent& content, const QPalette& palette, bool alternate) {
        RecordRowDelegate delegate([content](Record*) { return content; });
        QStyleOptionViewItem option;
        option.initFrom(&view);
        option.palette = palette;
        option.rect = QRect(0, 0, 120, 28);
        option.state = QStyle::State_Enabled;
        if (alternate)
            option.features |= QStyleOptionViewItem::Alternate;
        QImage image(option.rect.size(), QImage::Format_ARGB32);
        const QColor background = palette.color(alternate ? QPalette::AlternateBase : QPalette::Base);
        image.fill(background);
        QPainter p(&image);
        delegate.paint(&p, option, model.index(0, 0));
        p.end();
        double best = 1;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                best = std::max(best, contrastRatio(image.pixelColor(x, y), background));
        return best;
    };
    QPalette dark;
    dark.setColor(QPalette::Base, QColor(0x2A, 0x2A, 0x2A));
    dark.setColor(QPalette::AlternateBase, QColor(0x34, 0x34, 0x34));
    dark.setColor(QPalette::Text, QColor(0xEE, 0xEE, 0xEE));
    QPalette light;
    light.setColor(QPalette::Base, Qt::white);
    light.setColor(QPalette::AlternateBase, QColor(0xF5, 0xF5, 0xF5));
    light.setColor(QPalette::Text, Qt::black);
    for (const char* hex : {"8B4513", "00796B", "4A148C", "000000", "FFEB3B", "FFFFFF", "F5F5F5"}) {
        const QColor colour(QString::fromLatin1("#") + QString::fromLatin1(hex));
        RowContent leading;
        leading.leadingDot = colour;
        RowContent inLine;
        inLine.lines.append(RowLine{{RowPart::dot(colour)}});
        for (const QPalette& palette : {dark, light})
            for (bool alternate : {false, true})
                for (const RowContent& content : {leading, inLine})
                    QVERIFY2(strongest(content, palette, alternate) >= 3.0,
                             qPrintable(QStringLiteral("%1 on %2, alternate row %3")
                                            .arg(QString::fromLatin1(hex), palette.color(QPalette::Base).name())
                                            .arg(alternate)));
    }
}
