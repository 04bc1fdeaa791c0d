// The shared list and editor pieces, driven through their widgets.

#include "tests.h"
#include "screenfixtures.h"

#include "model/query.h"
#include "widgets/forms/colorfield.h"
#include "widgets/forms/editorframe.h"
#include "widgets/forms/numberfield.h"
#include "widgets/forms/search.h"

#include <QClipboard>
#include <QColorDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>

using namespace kv;
using namespace kv::forms;

void TestForms::foldedSearch()
{
    QCOMPARE(fold(QStringLiteral("Éléphant ÇA")), QStringLiteral("elephant ca"));
    QCOMPARE(searchWords(QStringLiteral("  \n\t ")), QStringList());
    QCOMPARE(searchWords(QStringLiteral(" Lyon\n  Bâtiment ")),
             QStringList({QStringLiteral("lyon"), QStringLiteral("batiment")}));
    const QStringList fields{QStringLiteral("Dupont Bâtiment"), QStringLiteral("Lyon")};
    QVERIFY(oneFieldHoldsAllWords(fields, searchWords(QStringLiteral("DUPONT batiment"))));
    // Words spread over two fields do not match.
    QVERIFY(!oneFieldHoldsAllWords(fields, searchWords(QStringLiteral("dupont lyon"))));
    QVERIFY(oneFieldHoldsAllWords(fields, {}));
    // Every kind of blank separates words: a no-break space (typed with AltGr+Space on a
    // French keyboard), a line separator, an ideographic space.
    for (const QChar blank : {QChar(0x00A0), QChar(0x2028), QChar(0x3000), QChar(0x202F)}) {
        const QString query = QStringLiteral("lyon") + blank + QStringLiteral("Bâtiment") + blank;
        QCOMPARE(searchWords(query), QStringList({QStringLiteral("lyon"), QStringLiteral("batiment")}));
        QVERIFY(oneFieldHoldsAllWords(fields, searchWords(QStringLiteral("batiment") + blank + QStringLiteral("DUPONT"))));
    }
    QCOMPARE(searchWords(QString(QChar(0x00A0)) + QChar(0x2029)), QStringList());
    // The unit sign is kept: "m³" is not "m3".
    QVERIFY(!oneFieldHoldsAllWords({QStringLiteral("10 m3")}, searchWords(QStringLiteral("m³"))));
}

void TestForms::numberFieldReadsTheLocale()
{
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    NumberField field;
    QSignalSpy changed(&field, &NumberField::valueChanged);
    field.setValue(20.0);
    QCOMPARE(field.lineEdit()->text(), QStringLiteral("20"));

    field.lineEdit()->setText(QStringLiteral("12,5"));
    QVERIFY(field.commit());
    QCOMPARE(field.value(), std::optional<double>(12.5));
    QCOMPARE(field.lineEdit()->text(), QStringLiteral("12,5"));
    QCOMPARE(changed.count(), 1);
    QVERIFY(field.message().isEmpty());

    for (const QString& bad : {QStringLiteral("douze"), QStringLiteral("inf"), QStringLiteral("nan"),
                               QStringLiteral("1e400")}) {
        field.lineEdit()->setText(bad);
        QVERIFY2(!field.commit(), qPrintable(bad));
        QCOMPARE(field.value(), std::optional<double>(12.5));
        QCOMPARE(field.lineEdit()->text(), QStringLiteral("12,5"));
        QVERIFY(field.message().contains(bad));
    }
    QCOMPARE(changed.count(), 1);

    // Empty means none in an optional field, and is refused in a required one.
    field.lineEdit()->clear();
    QVERIFY(field.commit());
    QCOMPARE(field.value(), std::nullopt);
    NumberField required(NumberField::Kind::Decimal, false);
    required.setValue(20.0);
    required.lineEdit()->clear();
    QVERIFY(!required.commit());
    QCOMPARE(required.value(), std::optional<double>(20.0));

    // Return commits.
    NumberField whole(NumberField::Kind::Whole);
    whole.show();
    whole.lineEdit()->setFocus();
    QTest::keyClicks(whole.lineEdit(), QStringLiteral("12"));
    QTest::keyClick(whole.lineEdit(), Qt::Key_Return);
    QCOMPARE(whole.wholeValue(), std::optional<qint64>(12));
    whole.lineEdit()->setText(QStringLiteral("1,5"));
    QVERIFY(!whole.commit());
    QCOMPARE(whole.wholeValue(), std::optional<qint64>(12));
    QLocale::setDefault(QLocale::system());
}

void TestForms::numberFieldRange()
{
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    const Plage plage{0, 100, "%"};
    NumberField field(NumberField::Kind::Decimal, true);
    field.setRange(plage, QStringLiteral("TVA"));
    QSignalSpy changed(&field, &NumberField::valueChanged);

    // A value stored outside is shown, and kept while its text is left as shown.
    field.setValue(150.0);
    QCOMPARE(field.lineEdit()->text(), QStringLiteral("150"));
    QVERIFY(field.commit());
    QCOMPARE(field.value(), std::optional<double>(150.0));

    // Typed outside, refused: the text stays to be mended, the value does not move.
    for (const char* trop : {"100,01", "-0,5", "1e300"}) {
        field.lineEdit()->setText(QString::fromLatin1(trop));
        QVERIFY2(!field.commit(), trop);
        QVERIFY(!field.commit()); // read again, refused again
        QCOMPARE(field.lineEdit()->text(), QString::fromLatin1(trop));
        QCOMPARE(field.value(), std::optional<double>(150.0));
        QVERIFY(field.outOfRange());
        QCOMPARE(field.message(), QStringLiteral("TVA : ") + textePlage(plage));
    }
    QVERIFY(field.message().startsWith(QStringLiteral("TVA : entre 0 et 100 ")));
    QCOMPARE(changed.count(), 0);
    field.lineEdit()->setText(QStringLiteral("100"));
    QVERIFY(field.commit());
    QCOMPARE(field.value(), std::optional<double>(100.0));
    QVERIFY(!field.outOfRange());
    QVERIFY(field.message().isEmpty());
    QCOMPARE(changed.count(), 1);

    // Shown with two decimals, a value with more keeps them until the user types another.
    NumberField prix(NumberField::Kind::Decimal, false);
    prix.setFixedDecimals(2);
    prix.setValue(12.3456);
    QCOMPARE(prix.lineEdit()->text(), QStringLiteral("12,35"));
    QVERIFY(prix.commit());
    QCOMPARE(prix.value(), std::optional<double>(12.3456));
    QLocale::setDefault(QLocale::system());
}

void TestForms::colorFieldKeepsTheStoredText()
{
    ColorField field;
    field.loadDefault(QColor(0, 255, 0));
    QCOMPARE(field.hexText(), QStringLiteral("00FF00"));

    // The same colour written differently is kept as written.
    field.loadStoredText(QStringLiteral(" #00ff00 "));
    QCOMPARE(field.hexText(), QStringLiteral(" #00ff00 "));
    // Another colour is normalised.
    field.loadStoredText(QStringLiteral("#abcdef"));
    QCOMPARE(field.hexText(), QStringLiteral("ABCDEF"));
    QCOMPARE(field.color(), QColor(0xAB, 0xCD, 0xEF));
    // A text that is not a colour is shown unchanged and the colour stays.
    field.loadStoredText(QStringLiteral("ABCDE"));
    QCOMPARE(field.hexText(), QStringLiteral("ABCDE"));
    QCOMPARE(field.hexLabel()->text(), QStringLiteral("ABCDE"));
    QCOMPARE(field.color(), QColor(0xAB, 0xCD, 0xEF));

    field.copyHexText();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("ABCDE"));

    // Every byte survives the way through the picker.
    for (int v = 0; v < 256; ++v) {
        field.setColor(QColor(v, 255 - v, v / 3));
        QCOMPARE(field.hexText(), QString::asprintf("%02X%02X%02X", v, 255 - v, v / 3));
    }

    // The picker: a colour dialog without opacity; choosing sets the six digits.
    field.show();
    QSignalSpy picked(&field, &ColorField::colorPicked);
    QTest::mouseClick(field.pickerButton(), Qt::LeftButton);
    QColorDialog* dialog = field.openDialog();
    QVERIFY(dialog);
    QVERIFY(!dialog->testOption(QColorDialog::ShowAlphaChannel));
    dialog->setCurrentColor(QColor(0x12, 0x34, 0x56));
    dialog->accept();
    QCOMPARE(picked.count(), 1);
    QCOMPARE(field.hexText(), QStringLiteral("123456"));
}

void TestForms::editorFrameShortcuts()
{
    EditorFrame frame(QStringLiteral("eye"), QStringLiteral("Titre"));
    frame.resize(600, 400);
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    QSignalSpy saves(&frame, &EditorFrame::saveRequested);
    QSignalSpy cancels(&frame, &EditorFrame::cancelRequested);
    FormSection* section = frame.addSection(QStringLiteral("Identité"), QStringLiteral("eye"));
    auto* edit = new QLineEdit;
    section->addRow(QStringLiteral("Nom"), edit);
    QCOMPARE(frame.section(QStringLiteral("Identité")), section);
    edit->setFocus();

    frame.setSaveEnabled(false);
    QTest::keyClick(edit, Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(saves.count(), 0);
    frame.setSaveEnabled(true);
    QTest::keyClick(edit, Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(saves.count(), 1);
    // Escape alone is left to the fields; Ctrl+Escape cancels, unless other keys were chosen.
    QTest::keyClick(edit, Qt::Key_Escape);
    QCOMPARE(cancels.count(), 0);
    QTest::keyClick(edit, Qt::Key_Escape, Qt::ControlModifier);
    QCOMPARE(cancels.count(), 1);
    frame.setCancelKeys(QKeySequence(Qt::Key_Escape));
    QTest::keyClick(edit, Qt::Key_Escape);
    QCOMPARE(cancels.count(), 2);

    setInvalidOutline(edit, true);
    QVERIFY(hasInvalidOutline(edit));
    setInvalidOutline(edit, false);
    QVERIFY(!hasInvalidOutline(edit));
}

void TestForms::listPanelKeepsItsSelection()
{
    auto ctx = fixtures::store();
    Client* a = fixtures::client(ctx.get(), QStringLiteral("Alpha"));
    Client* b = fixtures::client(ctx.get(), QStringLiteral("Beta"));
    fixtures::save(ctx.get());
    QString filtre;
    Query<Client> query(ctx.get(), [&](const Client* c) { return c->nom().contains(filtre); },
                        [](const Client* x, const Client* y) { return x->nom() < y->nom(); });
    ListPanel panel(&query, [](Record* r) {
        RowContent row;
        row.accessibleText = static_cast<Client*>(r)->nom();
        return row;
    });
    panel.setCountText([](int n) { return QStringLiteral("n=%1").arg(n); });
    panel.resize(300, 400);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    QSignalSpy selections(&panel, &ListPanel::selectionChanged);
    QCOMPARE(panel.countText(), QStringLiteral("n=2"));

    fixtures::clickRow(&panel, 1);
    QCOMPARE(panel.selectedRecord(), b);
    QCOMPARE(selections.count(), 1);

    // Hiding the selected row and showing it again never changes the selection.
    filtre = QStringLiteral("Alpha");
    query.invalidate();
    QCOMPARE(panel.rowCount(), 1);
    QCOMPARE(panel.countText(), QStringLiteral("n=1"));
    filtre.clear();
    query.invalidate();
    fixtures::settle();
    QCOMPARE(panel.selectedRecord(), b);
    QCOMPARE(selections.count(), 1);
    QVERIFY(panel.listView()->selectionModel()->isRowSelected(1, {}));

    // Arrow keys select too; Delete asks for the selected row.
    panel.listView()->setFocus();
    QTest::keyClick(panel.listView(), Qt::Key_Up);
    QCOMPARE(panel.selectedRecord(), a);
    QSignalSpy deletions(&panel, &ListPanel::deleteRequested);
    QTest::keyClick(panel.listView(), Qt::Key_Delete);
    QCOMPARE(deletions.count(), 1);
    QCOMPARE(deletions.first().first().value<QList<int>>(), QList<int>{0});

    // A selected record deleted elsewhere is unselected.
    ctx->remove(a);
    fixtures::settle();
    QCOMPARE(panel.selectedRecord(), nullptr);

    // Ctrl+N presses "Ajouter".
    QSignalSpy adds(&panel, &ListPanel::addRequested);
    QTest::keyClick(panel.listView(), Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(adds.count(), 1);
}
