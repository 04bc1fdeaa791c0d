// Reading every label on a small screen: at the window's smallest size no text is cut without
// « … » and no two labels are drawn over each other, on every screen and on the new-rental sheet.

#include "tests.h"

#include "screenfixtures.h"
#include "shownpart.h"

#include "app/commande.h"
#include "app/contentview.h"
#include "planning/vueplanificationbennes.h"
#include "widgets/forms/listpanel.h"
#include "widgets/plaintext.h"
#include "widgets/wrappingcheckbox.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>

using namespace kv;

namespace {

// An office as on its first weeks: clients with their towns and phones, skips of several
// colours, a driver, a waste type, rentals on site, removed with and without a ticket.
std::unique_ptr<ModelContext> ordinaryOffice()
{
    auto ctx = fixtures::store();
    TypeDechet* gravats = fixtures::wasteType(ctx.get(), QStringLiteral("Gravats"));
    ctx->insert(fixtures::centre(QStringLiteral("Centre de tri Est"), QStringLiteral("Vénissieux")));
    Chauffeur* chauffeur = fixtures::driver(ctx.get());
    const QDateTime now = QDateTime::currentDateTime();
    const QStringList noms{QStringLiteral("Dupont BTP"), QStringLiteral("Durand Bâtiment"),
                           QStringLiteral("Thomas Rénovation")};
    const QStringList couleurs{QStringLiteral("0D1B6E"), QStringLiteral("FFD400"), QStringLiteral("8B4513")};
    for (int i = 0; i < noms.size(); ++i) {
        Client* c = fixtures::officeClient(ctx.get(), noms.at(i));
        Benne* b = fixtures::colouredBenne(ctx.get(), 8 + 2 * i, couleurs.at(i));
        LocationDeBenne* surPlace = fixtures::placedRental(ctx.get(), c, b, now.addDays(-2 - i));
        surPlace->setChauffeurPose(chauffeur);
        surPlace->setTypeDechet(gravats);
        LocationDeBenne* enlevee = fixtures::placedRental(ctx.get(), c, b, now.addDays(-30), now.addDays(-20 + i));
        if (i == 0)
            enlevee->ajouterBonDePesee(now.addDays(-20), QStringLiteral("B-1"), std::nullopt, std::nullopt, 1250,
                                       std::nullopt);
    }
    fixtures::save(ctx.get());
    return ctx;
}

QString describe(const QWidget* w)
{
    QString path;
    for (const QWidget* p = w; p && !p->isWindow(); p = p->parentWidget()) {
        const QString name = p->objectName().isEmpty() ? QString::fromLatin1(p->metaObject()->className())
                                                       : p->objectName();
        path = path.isEmpty() ? name : name + QLatin1Char('/') + path;
        if (path.size() > 100)
            break;
    }
    return path;
}

QString withoutMnemonic(QString text)
{
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return text;
}

// The room a check box, a radio button or a push button leaves for its text.
int roomForText(const QAbstractButton* b)
{
    QStyleOptionButton option;
    option.initFrom(b);
    option.text = b->text();
    option.icon = b->icon();
    option.iconSize = b->iconSize();
    if (qobject_cast<const QPushButton*>(b)) {
        const QRect contents = b->style()->subElementRect(QStyle::SE_PushButtonContents, &option, b);
        return contents.width() - (b->icon().isNull() ? 0 : b->iconSize().width() + 4);
    }
    const auto element = qobject_cast<const QRadioButton*>(b) ? QStyle::SE_RadioButtonContents
                                                               : QStyle::SE_CheckBoxContents;
    const QRect contents = b->style()->subElementRect(element, &option, b);
    return contents.width() - (b->icon().isNull() ? 0 : b->iconSize().width() + 4);
}

// Where a label draws its text, in the window's coordinates.
QRect textArea(QLabel* label, QWidget* window)
{
    QRect area = label->contentsRect();
    if (!label->wordWrap()) {
        const QSize text = label->fontMetrics().size(0, shownText(label));
        area = QStyle::alignedRect(label->layoutDirection(), label->alignment(), text.boundedTo(area.size()), area);
    }
    return QRect(label->mapTo(window, area.topLeft()), area.size())
        & fixtures::shownPart(label, window);
}

// Texts cut without « … » and labels drawn over each other in `window`.
void checkReadable(QWidget* window, const QString& where, QStringList* faults)
{
    fixtures::settle();
    QList<QPair<QLabel*, QRect>> shown;
    for (QLabel* label : window->findChildren<QLabel*>()) {
        if (!label->isVisible() || label->window() != window || !label->pixmap().isNull())
            continue;
        const QString text = shownText(label);
        if (text.trimmed().isEmpty())
            continue;
        if (fixtures::shownPart(label, window).isEmpty())
            continue;
        const int wide = label->fontMetrics().horizontalAdvance(text.section(QLatin1Char('\n'), 0, 0));
        if (!label->wordWrap() && wide > label->contentsRect().width() + 1)
            faults->append(QStringLiteral("%1: label %2 cut without « … » (%3 px for %4): « %5 »")
                               .arg(where, describe(label))
                               .arg(label->contentsRect().width())
                               .arg(wide)
                               .arg(text.left(50)));
        shown.append({label, textArea(label, window)});
    }
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
        if (!b->isVisible() || b->window() != window || b->text().isEmpty())
            continue;
        if (!qobject_cast<QCheckBox*>(b) && !qobject_cast<QRadioButton*>(b) && !qobject_cast<QPushButton*>(b))
            continue;
        // A wrapping check box takes the lines its text needs.
        if (dynamic_cast<WrappingCheckBox*>(b))
            continue;
        const QString text = withoutMnemonic(b->text());
        const int wide = b->fontMetrics().horizontalAdvance(text.section(QLatin1Char('\n'), 0, 0));
        if (wide > roomForText(b) + 1)
            faults->append(QStringLiteral("%1: %2 %3 cut without « … » (%4 px for %5): « %6 »")
                               .arg(where, QString::fromLatin1(b->metaObject()->className()), describe(b))
                               .arg(roomForText(b))
                               .arg(wide)
                               .arg(text.left(50)));
    }
    for (int i = 0; i < shown.size(); ++i)
        for (int j = i + 1; j < shown.size(); ++j) {
            const QRect both = shown.at(i).second & shown.at(j).second;
            // A pixel's touch is no overlap.
            if (both.width() > 1 && both.height() > 1)
                faults->append(QStringLiteral("%1: « %2 » (%3) drawn over « %4 » (%5)")
                                   .arg(where, shownText(shown.at(i).first).left(30), describe(shown.at(i).first),
                                        shownText(shown.at(j).first).left(30), describe(shown.at(j).first)));
        }
}

// The screen's list, when it has one, with its first row chosen.
void chooseFirstRow(QWidget* screen)
{
    if (auto* panel = screen->findChild<forms::ListPanel*>(); panel && panel->isVisible() && panel->rowCount() > 0) {
        fixtures::clickRow(panel, 0);
        fixtures::settle();
        return;
    }
    for (QAbstractItemView* view : screen->findChildren<QAbstractItemView*>()) {
        if (!view->isVisible() || !view->model() || view->model()->rowCount() == 0)
            continue;
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(0, 0)).center());
        fixtures::settle();
        return;
    }
}

} // namespace

void ReadingTest::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
}

void ReadingTest::everyTextReadsAtTheSmallestSize()
{
    auto ctx = ordinaryOffice();
    ContentView window(ctx.get());
    window.resize(window.smallestSize());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QStringList faults;
    for (Commande c : toutesLesCommandes()) {
        window.setSelection(c);
        fixtures::settle();
        chooseFirstRow(window.detailScreen());
        checkReadable(&window, titre(c), &faults);
    }
    // The new-rental sheet over the window, a skip chosen in the planning.
    window.setSelection(Commande::defaut);
    fixtures::settle();
    auto* planning = qobject_cast<VuePlanificationBennes*>(window.detailScreen());
    QVERIFY(planning);
    planning->selectionnerBenne(ctx->fetch<Benne>({}).first());
    QPointer<QDialog> sheet = planning->feuille();
    QVERIFY(sheet && QTest::qWaitForWindowExposed(sheet));
    checkReadable(sheet, QStringLiteral("Nouvelle location"), &faults);
    sheet->reject();
    fixtures::settle();
    for (const QString& fault : std::as_const(faults))
        qWarning("%s", qPrintable(fault));
    QVERIFY2(faults.isEmpty(), qPrintable(QStringLiteral("%1 faults").arg(faults.size())));
}
