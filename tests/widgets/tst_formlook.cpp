#include "tests.h"

#include "widgets/forms/contextmenu.h"
#include "widgets/forms/dialogs.h"
#include "widgets/forms/editorframe.h"
#include "widgets/forms/formstyle.h"
#include "widgets/forms/numberfield.h"
#include "widgets/textstyles.h"

#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QStringListModel>
#include <QTest>

using namespace kv;
using namespace kv::forms;

void FormLookTest::selectedRowsStayReadable()
{
    // The palettes of the usual desktop styles: a mid blue behind white text reads at 3.7:1 or
    // less, dimmed text far worse.
    for (const QColor& highlight : {QColor(0x30, 0x8c, 0xc6), QColor(0x3d, 0xae, 0xe9), QColor(0x87, 0xce, 0xfa)}) {
        QListView view;
        QPalette p = view.palette();
        p.setColor(QPalette::Highlight, highlight);
        p.setColor(QPalette::HighlightedText, Qt::white);
        view.setPalette(p);
        makeSelectionReadable(&view);
        const QColor back = view.palette().color(QPalette::Active, QPalette::Highlight);
        for (Tone tone : {Tone::Primary, Tone::Secondary, Tone::Tertiary}) {
            const QColor text = rowTextColor(view.palette(), true, tone);
            QVERIFY2(contrastRatio(text, back) >= 4.5, qPrintable(highlight.name()));
        }
        QVERIFY(contrastRatio(view.palette().color(QPalette::Inactive, QPalette::HighlightedText),
                              view.palette().color(QPalette::Inactive, QPalette::Highlight)) >= 4.5);
        // Still the same hue: a darker blue, not grey.
        QCOMPARE(back.hslHue() / 10, highlight.hslHue() / 10);
    }
    // Dark text on a light selection: the selection gets lighter instead.
    QListView view;
    QPalette p = view.palette();
    p.setColor(QPalette::Highlight, QColor(0x60, 0x90, 0xd0));
    p.setColor(QPalette::HighlightedText, QColor(0x10, 0x10, 0x10));
    view.setPalette(p);
    makeSelectionReadable(&view);
    QVERIFY(contrastRatio(QColor(0x10, 0x10, 0x10), view.palette().color(QPalette::Highlight)) >= 4.5);
    QCOMPARE(contrastRatio(Qt::black, Qt::white), 21.0);
}

void FormLookTest::noTextUnderNinePoints()
{
    QFont base;
    base.setPointSizeF(10);
    for (forms::TextStyle style : {forms::TextStyle::Caption, forms::TextStyle::Callout, forms::TextStyle::Subheadline})
        QVERIFY(fontFor(style, base).pointSizeF() >= 9.0);
    for (kv::TextStyle style : {kv::TextStyle::caption, kv::TextStyle::caption2, kv::TextStyle::subheadline})
        QVERIFY(fontForStyle(style, base).pointSizeF() >= 9.0);
    // A body smaller than that is the user's choice: styles do not go below it.
    base.setPointSizeF(8);
    QCOMPARE(fontFor(forms::TextStyle::Caption, base).pointSizeF(), 8.0);
}

void FormLookTest::numberMessageStandsUnderTheRow()
{
    EditorFrame window(QStringLiteral("leaf.circle"), QStringLiteral("Type"));
    FormSection* section = window.addSection(QStringLiteral("Tarifs"), QStringLiteral("eurosign.circle"));
    auto* number = new NumberField(NumberField::Kind::Decimal, true);
    number->setFieldWidth(120);
    section->addRow(QStringLiteral("Forfait (€ HT)"), number);
    window.resize(520, 300);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QLabel* label = nullptr;
    for (QLabel* l : section->findChildren<QLabel*>())
        if (l->text() == QStringLiteral("Forfait (€ HT)"))
            label = l;
    QVERIFY(label);
    const int labelTop = label->mapTo(&window, QPoint()).y();
    const int fieldTop = number->lineEdit()->mapTo(&window, QPoint()).y();

    number->lineEdit()->setText(QStringLiteral("douze euros et quelques centimes pour voir"));
    QVERIFY(!number->commit());
    QApplication::processEvents();
    QLabel* message = number->messageLabel();
    QVERIFY(message->isVisible());
    // Under the field, as wide as the row's field column (wider than the field), never cut.
    QTRY_VERIFY(message->mapTo(&window, QPoint()).y() >= fieldTop + number->lineEdit()->height());
    QVERIFY(message->width() > number->lineEdit()->width());
    QVERIFY(message->height() >= message->heightForWidth(message->width()));
    // The label and the field stay level.
    QCOMPARE(label->mapTo(&window, QPoint()).y(), labelTop);
    QCOMPARE(number->lineEdit()->mapTo(&window, QPoint()).y(), fieldTop);

    // Corrected, the message goes.
    number->lineEdit()->setText(QStringLiteral("12,5"));
    QVERIFY(number->commit());
    QVERIFY(!message->isVisible());
    QCOMPARE(number->message(), QString());
}

void FormLookTest::destructiveEntriesAreRed()
{
    ContextMenu menu;
    menu.addAction(QStringLiteral("Modifier"));
    QAction* remove = menu.addAction(QStringLiteral("Supprimer"));
    markDestructive(remove);
    QVERIFY(isDestructive(remove));
    menu.popup(QPoint(10, 10));
    QVERIFY(QTest::qWaitForWindowExposed(&menu));
    const QImage img = menu.grab().toImage();
    auto reds = [&](const QRect& r) {
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) {
                const QColor c = img.pixelColor(x * img.width() / menu.width(), y * img.height() / menu.height());
                n += c.red() > 150 && c.green() < 110 && c.blue() < 110;
            }
        return n;
    };
    QVERIFY(reds(menu.actionGeometry(remove)) > 10);
    QCOMPARE(reds(menu.actionGeometry(menu.actions().first())), 0);
    menu.close();
}

void FormLookTest::confirmationsShowTheirTitleWhole()
{
    QWidget over;
    over.resize(800, 600);
    over.show();
    const QString title = QStringLiteral("Supprimer ce type de déchet utilisé par plusieurs centres ?");
    QMessageBox* box = askConfirmation(&over, title, QStringLiteral("Cette action est irréversible."),
                                       QStringLiteral("Supprimer"), QStringLiteral("Annuler"), {});
    QVERIFY(QTest::qWaitForWindowExposed(box));
    QFont bold = box->font();
    bold.setBold(true);
    QVERIFY(box->width() >= QFontMetrics(bold).horizontalAdvance(title) + 100);
    box->done(0);
}
