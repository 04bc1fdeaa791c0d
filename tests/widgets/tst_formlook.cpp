#include "tests.h"

#include "widgets/forms/contextmenu.h"
#include "widgets/forms/dialogs.h"
#include "widgets/forms/editorframe.h"
#include "widgets/forms/formstyle.h"
#include "widgets/forms/numberfield.h"
#include "widgets/elidedlabel.h"
#include "widgets/focusstyle.h"
#include "widgets/icons.h"
#include "widgets/textstyles.h"

#include "screenfit.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QListView>
#include <QMessageBox>
#include <QStringListModel>
#include <QStyleFactory>
#include <QTest>
#include <QVBoxLayout>
#include <QLocale>

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

namespace {

QLabel* labelOf(QWidget* root, const QString& text)
{
    for (QLabel* l : root->findChildren<QLabel*>())
        if (l->text() == text)
            return l;
    return nullptr;
}

QRect placeIn(QWidget* w, QWidget* root)
{
    return QRect(w->mapTo(root, QPoint()), w->size());
}

} // namespace

void FormLookTest::labelsGoAboveTheirFieldsWhenNarrow()
{
    auto* frame = new EditorFrame(QStringLiteral("person.crop.square"), QStringLiteral("Client"));
    FormSection* section = frame->addSection(QStringLiteral("Coordonnées"), QStringLiteral("mappin.and.ellipse"));
    auto* adresse = new QLineEdit;
    adresse->setMinimumWidth(90);
    section->addRow(QStringLiteral("Adresse"), adresse);
    // A row of fields wider than a narrow pane beside its label, but not alone.
    auto* ville = new QHBoxLayout;
    auto* cp = new QLineEdit;
    cp->setFixedWidth(70);
    auto* nom = new QLineEdit;
    nom->setMinimumWidth(150);
    ville->addWidget(cp);
    ville->addWidget(nom, 1);
    section->addRow(QStringLiteral("Code postal / Ville"), ville);
    auto* number = new NumberField(NumberField::Kind::Decimal, true);
    number->setFieldWidth(120);
    section->addRow(QStringLiteral("Forfait (€ HT)"), number);

    // Wide: each label beside its field, level with it, on the leading side of the fields.
    fit::Host wide(frame, QSize(700, 500));
    QLabel* adresseLabel = labelOf(frame, QStringLiteral("Adresse"));
    QLabel* villeLabel = labelOf(frame, QStringLiteral("Code postal / Ville"));
    QVERIFY(adresseLabel && villeLabel);
    QVERIFY(placeIn(adresseLabel, frame).right() < placeIn(adresse, frame).left());
    QVERIFY(std::abs(placeIn(adresseLabel, frame).center().y() - placeIn(adresse, frame).center().y()) <= 2);
    QVERIFY(placeIn(villeLabel, frame).right() < placeIn(cp, frame).left());
    // Labels read up to the fields: aligned to their trailing edge.
    QVERIFY(adresseLabel->alignment() & Qt::AlignRight);
    QVERIFY(fit::faults(&wide).isEmpty());

    // Narrow: each label above its field, the fields as wide as the section; nothing scrolls
    // sideways and every field stays whole.
    wide.resize(320, 500);
    fit::Host::settle();
    QVERIFY(placeIn(adresseLabel, frame).bottom() < placeIn(adresse, frame).top());
    QVERIFY(placeIn(villeLabel, frame).bottom() < placeIn(cp, frame).top());
    QCOMPARE(placeIn(adresseLabel, frame).left(), placeIn(adresse, frame).left());
    QVERIFY(adresseLabel->alignment() & Qt::AlignLeft);
    QVERIFY2(fit::faults(&wide).isEmpty(), qPrintable(fit::faults(&wide).join(QLatin1Char('\n'))));
    // The section asks no more width than its widest field.
    QVERIFY(frame->minimumSizeHint().width() <= 320);

    // A refused number's message still reads under its field.
    number->lineEdit()->setText(QStringLiteral("douze"));
    QVERIFY(!number->commit());
    fit::Host::settle();
    QVERIFY(number->messageLabel()->isVisible());
    QVERIFY(placeIn(number->messageLabel(), frame).top() >= placeIn(number->lineEdit(), frame).bottom());
    QVERIFY2(fit::faults(&wide).isEmpty(), qPrintable(fit::faults(&wide).join(QLatin1Char('\n'))));

    // Wide again: beside again.
    wide.resize(700, 500);
    fit::Host::settle();
    QVERIFY(placeIn(adresseLabel, frame).right() < placeIn(adresse, frame).left());
}

void FormLookTest::editorHeaderKeepsItsButtonsWhole()
{
    const QString title = QStringLiteral("Modifier le type de déchet");
    auto* frame = new EditorFrame(QStringLiteral("leaf.circle"), title);
    FormSection* section = frame->addSection(QStringLiteral("Identité"), QStringLiteral("tag.circle"));
    section->addRow(QStringLiteral("Libellé"), new QLineEdit);
    fit::Host host(frame, QSize(330, 400));
    // Both buttons whole and in view; the title gives way, whole in its tool tip.
    QVERIFY2(fit::faults(&host).isEmpty(), qPrintable(fit::faults(&host).join(QLatin1Char('\n'))));
    for (QPushButton* b : {frame->cancelButton(), frame->saveButton()}) {
        QVERIFY(b->isVisible());
        QVERIFY(b->width() >= b->sizeHint().width());
        QVERIFY(QRect(QPoint(), host.size()).contains(placeIn(b, &host)));
    }
    auto* label = frame->findChild<ElidedLabel*>(QStringLiteral("editorTitle"));
    QVERIFY(label);
    // Too narrow for the buttons beside the title: they go under it, on the trailing side.
    QVERIFY(placeIn(frame->saveButton(), frame).top() > placeIn(label, frame).bottom());
    QVERIFY(placeIn(frame->cancelButton(), frame).right() < placeIn(frame->saveButton(), frame).left());

    // Still short of room beside the buttons: the title stands whole above them, not cut.
    host.resize(480, 400);
    fit::Host::settle();
    QVERIFY2(fit::faults(&host).isEmpty(), qPrintable(fit::faults(&host).join(QLatin1Char('\n'))));
    QVERIFY(placeIn(frame->saveButton(), frame).top() > placeIn(label, frame).bottom());
    QVERIFY(!label->isElided());
    QCOMPARE(frame->title(), title);
    // Narrower than the title itself: cut, whole in its tool tip.
    host.resize(200, 400);
    fit::Host::settle();
    QVERIFY(label->isElided());
    QCOMPARE(shownToolTip(label->toolTip()), title);

    // Wide, the whole title and no tool tip.
    host.resize(1000, 400);
    fit::Host::settle();
    QVERIFY(!label->isElided());
    QVERIFY(label->toolTip().isEmpty());

    // At every width, a title beside the buttons shows its first words (« Modifier le … »),
    // never a few letters (« Modi… »): with less room it stands above them, as whole as the
    // width allows.
    const QString firstWords = QStringLiteral("Modifier le");
    for (const QString& t : {title, QStringLiteral("Nouveau client"), QStringLiteral("Modifier la benne n° 12 de 30 m³")}) {
        frame->setTitle(t);
        for (int width = 300; width <= 900; width += 10) {
            host.resize(width, 400);
            fit::Host::settle();
            const bool beside = placeIn(frame->saveButton(), frame).center().y() == placeIn(label, frame).center().y();
            const QString shown = label->shownText();
            if (beside) {
                const int kept = shown.endsWith(QChar(0x2026)) ? int(shown.size()) - 1 : int(shown.size());
                QVERIFY2(kept >= std::min<int>(int(t.size()), int(firstWords.size())),
                         qPrintable(QStringLiteral("« %1 » beside the buttons at %2").arg(shown).arg(width)));
            } else {
                QVERIFY2(placeIn(frame->saveButton(), frame).top() > placeIn(label, frame).bottom(),
                         qPrintable(QStringLiteral("at %1").arg(width)));
            }
            QVERIFY2(fit::faults(&host).isEmpty(), qPrintable(fit::faults(&host).join(QLatin1Char('\n'))));
        }
    }
}

void FormLookTest::iconsOnColouredButtonsReadAtEveryScale()
{
    // The share of an icon's pixels drawn at full strength: strokes that fade into their
    // background (the red of a danger button) show as a faint tint.
    auto strong = [](const QIcon& icon, qreal scale) {
        const QImage img = icon.pixmap(QSize(16, 16), scale).toImage().convertToFormat(QImage::Format_ARGB32);
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                n += qAlpha(img.pixel(x, y)) >= 230;
        return double(n) / (img.width() * img.height());
    };
    // The danger button's trash can, white on red.
    QPushButton* danger = makeDangerButton(QStringLiteral("Supprimer cette benne"));
    const double atOne = strong(danger->icon(), 1.0);
    QVERIFY(atOne > 0.05);
    for (qreal scale : {1.5, 2.0})
        QVERIFY2(strong(danger->icon(), scale) >= atOne * 0.6,
                 qPrintable(QStringLiteral("at %1: %2 against %3").arg(scale).arg(strong(danger->icon(), scale)).arg(atOne)));
    delete danger;
}

void FormLookTest::multiLineFieldsShowTheirWholeBorder()
{
    // At 1.5 the frame of a multi-line field lost its edges under its white page; run at
    // QT_SCALE_FACTOR=1.5 as well.
    auto* frame = new EditorFrame(QStringLiteral("shippingbox.fill"), QStringLiteral("Benne"));
    FormSection* section = frame->addSection(QStringLiteral("Notes"), QStringLiteral("note.text"));
    auto* notes = new QPlainTextEdit;
    setFieldBorder(notes);
    notes->setFixedHeight(90);
    section->content()->addWidget(notes);
    fit::Host host(frame, QSize(400, 300));
    const QImage img = notes->grab().toImage();
    const QColor page = notes->palette().color(QPalette::Base);
    // Each edge holds a line of pixels clearly darker than the page.
    auto edgeShows = [&](bool vertical, int at) {
        int dark = 0;
        const int length = vertical ? img.height() : img.width();
        for (int i = length / 4; i < 3 * length / 4; ++i) {
            const QColor c = vertical ? img.pixelColor(at, i) : img.pixelColor(i, at);
            dark += c.lightness() < page.lightness() - 30;
        }
        return dark >= length / 2 - 2;
    };
    auto anyOf = [&](bool vertical, std::initializer_list<int> lines) {
        for (int at : lines)
            if (edgeShows(vertical, at))
                return true;
        return false;
    };
    const int w = img.width();
    const int h = img.height();
    QVERIFY2(anyOf(false, {0, 1}), "top");
    QVERIFY2(anyOf(false, {h - 1, h - 2}), "bottom");
    QVERIFY2(anyOf(true, {0, 1}), "left");
    QVERIFY2(anyOf(true, {w - 1, w - 2}), "right");
}

void FormLookTest::hugeOrLongTypedNumbersAreToldPlainly()
{
    auto* frame = new EditorFrame(QStringLiteral("leaf.circle"), QStringLiteral("Type"));
    FormSection* section = frame->addSection(QStringLiteral("Tarifs"), QStringLiteral("eurosign.circle"));
    auto* jours = new NumberField(NumberField::Kind::Whole, true);
    jours->setFieldWidth(120);
    jours->setRange(plages::joursInclus, QStringLiteral("Jours inclus"));
    section->addRow(QStringLiteral("Jours inclus"), jours);
    fit::Host host(frame);
    const int room = frame->minimumSizeHint().width();

    // Past what a whole number holds, pasted with its line end: told its range, not "not a number".
    jours->lineEdit()->setText(QStringLiteral("99999999999999999999\n").trimmed());
    QVERIFY(!jours->commit());
    QCOMPARE(jours->messageLabel()->text(), textePlage(QStringLiteral("Jours inclus"), plages::joursInclus));
    jours->lineEdit()->setText(QStringLiteral("-99999999999999999999"));
    QVERIFY(!jours->commit());
    QCOMPARE(jours->messageLabel()->text(), textePlage(QStringLiteral("Jours inclus"), plages::joursInclus));
    // A fraction is still no whole number.
    jours->lineEdit()->setText(QStringLiteral("12,5"));
    QVERIFY(!jours->commit());
    QVERIFY(jours->messageLabel()->text().contains(QStringLiteral("n’est pas un nombre")));

    // 300 letters: the message quotes their beginning, and the form is no wider for them.
    jours->lineEdit()->setText(QString(300, QLatin1Char('x')));
    QVERIFY(!jours->commit());
    fit::Host::settle();
    const QString message = jours->messageLabel()->text();
    QVERIFY2(message.contains(QStringLiteral("…")) && message.size() < 100, qPrintable(message));
    QVERIFY(frame->minimumSizeHint().width() <= room);
    QVERIFY2(fit::faults(&host).isEmpty(), qPrintable(fit::faults(&host).join(QLatin1Char('\n'))));
    QCOMPARE(jours->wholeValue(), std::optional<qint64>());
}

void FormLookTest::aCorrectedNumberIsAcceptedAtOnce()
{
    // Whatever the kind of field, a value refused for its range and then typed back as the kept
    // value (or any other in range) is accepted as soon as the field is left.
    struct Case {
        NumberField::Kind kind;
        bool optional;
        const char* kept;
        const char* refused;
        const char* other;
    };
    const QList<Case> cases = {
        {NumberField::Kind::Decimal, false, "20", "150", "19"},
        {NumberField::Kind::Decimal, true, "5,5", "-3", "7"},
        {NumberField::Kind::Whole, true, "30", "9999", "31"},
    };
    for (const Case& c : cases) {
        QWidget host;
        auto* layout = new QVBoxLayout(&host);
        auto* field = new NumberField(c.kind, c.optional, &host);
        field->setRange(Plage{0, 100}, QStringLiteral("Taux"));
        auto* next = new QLineEdit(&host);
        layout->addWidget(field);
        layout->addWidget(next);
        field->setValue(QLocale().toDouble(QString::fromLatin1(c.kept)));
        host.show();
        QVERIFY(QTest::qWaitForWindowActive(&host));
        int changes = 0;
        connect(field, &NumberField::valueChanged, &host, [&] { ++changes; });
        const auto type = [&](const char* text) {
            field->setFocus();
            QTRY_VERIFY(field->lineEdit()->hasFocus());
            field->lineEdit()->selectAll();
            QTest::keyClicks(field->lineEdit(), QString::fromLatin1(text));
            QTest::keyClick(field->lineEdit(), Qt::Key_Tab);
            QTRY_VERIFY(next->hasFocus());
        };
        const std::optional<double> kept = field->value();

        type(c.refused);
        QVERIFY(field->outOfRange());
        QVERIFY(!field->message().isEmpty());
        QCOMPARE(field->value(), kept);

        // Back to the kept value: nothing changed, nothing is refused any more.
        type(c.kept);
        QVERIFY2(!field->outOfRange(), c.kept);
        QCOMPARE(field->message(), QString());
        QCOMPARE(field->value(), kept);
        QCOMPARE(changes, 0);

        // And the same through another value.
        type(c.refused);
        QVERIFY(field->outOfRange());
        type(c.other);
        QVERIFY(!field->outOfRange());
        QCOMPARE(field->message(), QString());
        QCOMPARE(changes, 1);
    }
}

void FormLookTest::colouredButtonsShowTheFocus()
{
    // The save and danger buttons are filled with a colour: with the keyboard on them, a dark
    // line goes round them; without, none; their size stays.
    auto* frame = new EditorFrame(QStringLiteral("shippingbox.fill"), QStringLiteral("Benne"));
    QPushButton* danger = makeDangerButton(QStringLiteral("Supprimer"));
    frame->addSection(QStringLiteral("Actions"), QStringLiteral("trash"))->content()->addWidget(danger);
    fit::Host host(frame, QSize(500, 300));
    host.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&host));
    // The share of the button's outer ring (two pixels deep) standing out from its colour.
    auto ringShare = [&](QPushButton* b) {
        const QImage img = b->grab().toImage();
        const qreal dpr = img.devicePixelRatio();
        const int depth = qRound(2 * dpr);
        // The ring is in the ink that reads on the button's colour.
        const QColor fill = img.pixelColor(img.width() / 2, qRound(3 * dpr));
        int n = 0;
        int all = 0;
        for (int y = img.height() / 3; y < 2 * img.height() / 3; ++y)
            for (int x : {0, 1, img.width() - depth, img.width() - 1}) {
                ++all;
                n += kv::forms::contrastRatio(QColor(img.pixel(x, y)), fill) >= 3.0;
            }
        return double(n) / all;
    };
    for (QPushButton* b : {frame->saveButton(), danger}) {
        b->setEnabled(true);
        const QSize size = b->size();
        QVERIFY2(ringShare(b) < 0.2, qPrintable(b->text()));
        b->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(b->hasFocus());
        QVERIFY2(ringShare(b) > 0.6, qPrintable(b->text()));
        QCOMPARE(b->sizeHint().height(), size.height());
        frame->cancelButton()->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(!b->hasFocus());
    }
}

void FormLookTest::saveButtonReadsOnItsFill()
{
    // On the usual desktops' selection blues white reads at 3.7:1 or less: the save button's
    // text takes the ink that reads on its fill, whatever the selection's colour.
    const QPalette before = QApplication::palette();
    for (const QColor& highlight : {QColor(0x30, 0x8c, 0xc6), QColor(0x87, 0xce, 0xfa), QColor(0x0D, 0x1B, 0x6E)}) {
        QPalette p = before;
        p.setColor(QPalette::Highlight, highlight);
        p.setColor(QPalette::HighlightedText, Qt::white);
        QApplication::setPalette(p);
        auto* frame = new EditorFrame(QStringLiteral("shippingbox.fill"), QStringLiteral("Benne"));
        fit::Host host(frame, QSize(500, 300));
        QPushButton* save = frame->saveButton();
        save->setEnabled(true);
        const QImage img = save->grab().toImage();
        // The fill is the commonest colour; the text, the colour that stands out most from it.
        QHash<QRgb, int> counts;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                ++counts[img.pixel(x, y)];
        QRgb fill = counts.constBegin().key();
        for (auto it = counts.constBegin(); it != counts.constEnd(); ++it)
            if (it.value() > counts.value(fill))
                fill = it.key();
        double best = 1;
        for (auto it = counts.constBegin(); it != counts.constEnd(); ++it)
            if (it.value() >= 4) // a few pixels at least: not an edge's blend
                best = std::max(best, contrastRatio(QColor::fromRgb(it.key()), QColor::fromRgb(fill)));
        QVERIFY2(best >= 4.5, qPrintable(QStringLiteral("%1: %2").arg(highlight.name()).arg(best)));
    }
    QApplication::setPalette(before);
}

namespace {
// A desktop's own style, which no name makes again (a settings tool's), bringing its colours.
struct SchemeStyle : QProxyStyle {
    SchemeStyle() : QProxyStyle(QStringLiteral("Fusion")) {}
    QPalette standardPalette() const override { return QPalette(QColor(0xc8, 0xc8, 0xc8)); }
};
} // namespace

void FormLookTest::theDesktopsOwnStyleIsKept()
{
    const QString before = QApplication::style()->name();
    QApplication::setStyle(new SchemeStyle);
    installFocusStyle(qApp);
    const QColor seen = QApplication::style()->standardPalette().color(QPalette::Button);
    QApplication::setStyle(QStyleFactory::create(before));
    QCOMPARE(seen, QColor(0xc8, 0xc8, 0xc8));
}
