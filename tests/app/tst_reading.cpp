// Reading every label: at the window's smallest size no text is cut without « … » and no two
// labels are drawn over each other, on every screen and on the new-rental sheet; and every text
// written on a colour a user chose reads on it, whatever the colour.

#include "tests.h"

#include "screenfixtures.h"
#include "shownpart.h"

#include "app/commande.h"
#include "app/contentview.h"
#include "planning/vueplanificationbennes.h"
#include "rentals/cartoucheanime.h"
#include "rentals/vuelocationbenne.h"
#include "stats/statistiquehistogrammevolumeview.h"
#include "stats/vuestatistiques.h"
#include "widgets/colors.h"
#include "widgets/forms/listpanel.h"
#include "widgets/plaintext.h"
#include "widgets/wrappingcheckbox.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>

#include <cmath>

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

// Texts cut without « … », and labels drawn over each other or over a button, in `window`.
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
    QList<QPair<QAbstractButton*, QRect>> buttons;
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
        if (!b->isVisible() || b->window() != window || b->text().isEmpty())
            continue;
        if (!qobject_cast<QCheckBox*>(b) && !qobject_cast<QRadioButton*>(b) && !qobject_cast<QPushButton*>(b))
            continue;
        // A wrapping check box takes the lines its text needs.
        if (dynamic_cast<WrappingCheckBox*>(b)) {
            buttons.append({b, fixtures::shownPart(b, window)});
            continue;
        }
        buttons.append({b, fixtures::shownPart(b, window)});
        const QString text = withoutMnemonic(b->text());
        const int wide = b->fontMetrics().horizontalAdvance(text.section(QLatin1Char('\n'), 0, 0));
        if (wide > roomForText(b) + 1)
            faults->append(QStringLiteral("%1: %2 %3 cut without « … » (%4 px for %5): « %6 »")
                               .arg(where, QString::fromLatin1(b->metaObject()->className()), describe(b))
                               .arg(roomForText(b))
                               .arg(wide)
                               .arg(text.left(50)));
    }
    // A label's text over a check box or a button (one the button holds is its own text).
    for (const auto& [label, area] : std::as_const(shown))
        for (const auto& [button, rect] : std::as_const(buttons)) {
            if (button->isAncestorOf(label))
                continue;
            const QRect both = area & rect;
            if (both.width() > 1 && both.height() > 1)
                faults->append(QStringLiteral("%1: « %2 » (%3) drawn over the button « %4 » (%5)")
                                   .arg(where, shownText(label).left(30), describe(label),
                                        withoutMnemonic(button->text()).left(30), describe(button)));
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

// Colours users pick that are hard to write on: dark, mid-dark, light and the two extremes.
const QStringList kHardColours{QStringLiteral("0D1B6E"), QStringLiteral("C0392B"), QStringLiteral("6B3E26"),
                               QStringLiteral("F1C40F"), QStringLiteral("FFFFFF"), QStringLiteral("111111")};

// An office whose skips, clients and waste types carry those colours: for each, a rental on site
// for days (a bar long enough for its client's name), one placed tomorrow by a driver (the
// drivers' day), and one removed with a weighed ticket (the statistics).
std::unique_ptr<ModelContext> colouredOffice()
{
    auto ctx = fixtures::store();
    Chauffeur* chauffeur = fixtures::driver(ctx.get());
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime today = now.date().startOfDay().addSecs(8 * 3600);
    // The drivers' day opens on tomorrow.
    const QDateTime tomorrow = today.addDays(1);
    for (int i = 0; i < kHardColours.size(); ++i) {
        const QString couleur = kHardColours.at(i);
        Client* c = fixtures::officeClient(ctx.get(), QStringLiteral("Client %1 Démolition").arg(couleur));
        c->setCouleur(couleur);
        TypeDechet* type = fixtures::colouredWasteType(ctx.get(), QStringLiteral("Déchet %1").arg(couleur), couleur);
        Benne* longue = fixtures::colouredBenne(ctx.get(), 8, couleur);
        Benne* dujour = fixtures::colouredBenne(ctx.get(), 15, couleur);
        fixtures::placedRental(ctx.get(), c, longue, today.addDays(-6))->setTypeDechet(type);
        LocationDeBenne* posee = fixtures::placedRental(ctx.get(), c, dujour, tomorrow.addSecs(i * 1800));
        posee->setChauffeurPose(chauffeur);
        posee->setTypeDechet(type);
        LocationDeBenne* enlevee =
            fixtures::placedRental(ctx.get(), c, longue, today.addDays(-40), today.addDays(-30 + i));
        enlevee->setTypeDechet(type);
        enlevee->ajouterBonDePesee(today.addDays(-30 + i), QStringLiteral("B-%1").arg(i), std::nullopt,
                                   std::nullopt, 1000 + 100 * i, std::nullopt);
    }
    fixtures::save(ctx.get());
    return ctx;
}

// Relative luminance, as contrast ratios take it.
double luminance(QRgb c)
{
    const auto linear = [](int v) {
        const double s = v / 255.0;
        return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(qRed(c)) + 0.7152 * linear(qGreen(c)) + 0.0722 * linear(qBlue(c));
}

// How the strokes written on `fill` in `image` go: a stroke is a short run of other pixels between
// two stretches of the fill on one row (letters are thin; the fill shows between and around
// them). Its ink is its pixel farthest from the fill; the ink belongs on the side (darker or
// lighter) of the colour the shared rule picks.
struct Strokes {
    int right = 0;
    int wrong = 0;
};

Strokes strokesOn(const QImage& image, const QColor& fill)
{
    const QRgb f = fill.rgb();
    const auto isFill = [f](QRgb p) {
        return std::abs(qRed(p) - qRed(f)) <= 3 && std::abs(qGreen(p) - qGreen(f)) <= 3
               && std::abs(qBlue(p) - qBlue(f)) <= 3;
    };
    const bool darkInk = textColorOn(fill) == QColor(Qt::black);
    const double fillLum = luminance(f);
    const int longest = int(std::ceil(6 * image.devicePixelRatio()));
    Strokes s;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        int x = 0;
        while (x < image.width()) {
            // A stretch of fill at least two pixels long, then a stroke, then fill again.
            if (!isFill(row[x]) || x + 1 >= image.width() || !isFill(row[x + 1])) {
                ++x;
                continue;
            }
            while (x + 1 < image.width() && isFill(row[x + 1]))
                ++x;
            int end = x + 1;
            while (end < image.width() && !isFill(row[end]) && end - x - 1 <= longest)
                ++end;
            const int length = end - x - 1;
            if (end + 1 < image.width() && length > 0 && length <= longest && isFill(row[end])
                && isFill(row[end + 1])) {
                QRgb ink = f;
                for (int k = x + 1; k < end; ++k)
                    if (std::abs(luminance(row[k]) - fillLum) > std::abs(luminance(ink) - fillLum))
                        ink = row[k];
                const int distance = std::max({std::abs(qRed(ink) - qRed(f)), std::abs(qGreen(ink) - qGreen(f)),
                                               std::abs(qBlue(ink) - qBlue(f))});
                if (distance >= 40)
                    ((luminance(ink) < fillLum) == darkInk ? s.right : s.wrong)++;
            }
            x = end;
        }
    }
    return s;
}

// Texts written on a user's colour in the ink the shared rule does not pick.
void checkInk(QWidget* window, const QString& where, QStringList* faults)
{
    fixtures::settle();
    const QImage image = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
    fixtures::capture(window, QStringLiteral("encre ") + where);
    for (const QString& hex : kHardColours) {
        const Strokes s = strokesOn(image, colorFromHex(hex, Qt::gray));
        if (qEnvironmentVariableIsSet("KV_INK"))
            qInfo("%s #%s: %d right, %d wrong", qPrintable(where), qPrintable(hex), s.right, s.wrong);
        // A few stray strokes are shadows and halos; a text in the wrong ink gives dozens, even
        // on a screen where other texts on the same colour read.
        if (s.wrong >= 12 && 4 * s.wrong > s.right)
            faults->append(QStringLiteral("%1: text on #%2 in the wrong ink (%3 strokes against %4)")
                               .arg(where, hex)
                               .arg(s.wrong)
                               .arg(s.right));
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

void ReadingTest::textOnUsersColoursReads()
{
    auto ctx = colouredOffice();
    ContentView window(ctx.get());
    window.resize(1600, 1000);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QStringList faults;
    for (Commande c : toutesLesCommandes()) {
        window.setSelection(c);
        fixtures::settle();
        chooseFirstRow(window.detailScreen());
        checkInk(&window, titre(c), &faults);
        // The clients' view shows the skips of the client chosen: each client in turn.
        if (auto* parClient = qobject_cast<VueLocationBenne*>(window.detailScreen())) {
            QCOMPARE(parClient->clientsAffiches().size(), kHardColours.size());
            for (Client* client : parClient->clientsAffiches()) {
                CartoucheAnime* tuile = parClient->cartouche(client);
                QVERIFY(tuile);
                QTest::mouseClick(tuile, Qt::LeftButton, {}, tuile->rect().center());
                QTRY_COMPARE(parClient->clientDeLaColonne(), client);
                checkInk(&window, titre(c) + QStringLiteral(", ") + client->nom(), &faults);
            }
        }
    }
    window.setSelection(Commande::statistiques);
    fixtures::settle();
    auto* statistiques = qobject_cast<VueStatistiques*>(window.detailScreen());
    QVERIFY(statistiques);
    for (StatistiqueType t : toutesLesStatistiques()) {
        statistiques->choisir(t);
        checkInk(&window, titre(t), &faults);
        auto* repartition = statistiques->findChild<StatistiqueHistogrammeVolumeView*>();
        if (repartition && repartition->isVisible()) {
            repartition->setSelection(HistogrammeSelection::couleur);
            checkInk(&window, titre(t) + QStringLiteral(" par couleur"), &faults);
            repartition->setSelection(HistogrammeSelection::volume);
        }
    }
    for (const QString& fault : std::as_const(faults))
        qWarning("%s", qPrintable(fault));
    QVERIFY2(faults.isEmpty(), qPrintable(QStringLiteral("%1 faults").arg(faults.size())));
}
