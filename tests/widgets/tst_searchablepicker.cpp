#include "tests.h"

#include "widgets/searchablepicker.h"
#include "widgets/forms/search.h"

#include "model/helpers.h"
#include "model/records.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <memory>
#include <vector>

using namespace kv;

namespace {

// A window holding one picker over many names, a few of them alike.
struct Banc {
    QWidget fenetre;
    SearchablePicker* picker = new SearchablePicker(&fenetre);
    QLineEdit* autre = new QLineEdit(&fenetre);
    QStringList noms;

    explicit Banc(int nombre = 5000)
    {
        for (int i = 0; i < nombre; ++i)
            noms << QStringLiteral("Client %1").arg(i);
        noms << QStringLiteral("Bâtiment Martin") << QStringLiteral("Charpente Robert 1")
             << QStringLiteral("Charpente Robert 12") << QStringLiteral("ROBERT Démolition") << QStringLiteral("<b>Gras</b> / Sàrl");
        QList<SearchablePicker::Entry> entrees;
        for (int i = 0; i < noms.size(); ++i)
            entrees.append({noms[i], i, QString()});
        picker->setEntries(QStringLiteral("— Choisir —"), entrees);
        auto* v = new QVBoxLayout(&fenetre);
        v->addWidget(picker);
        v->addWidget(autre);
        fenetre.resize(400, 200);
        fenetre.show();
        if (!QTest::qWaitForWindowActive(&fenetre))
            qWarning("window not active");
        picker->setFocus(Qt::OtherFocusReason);
    }

    // Types on the picker as on the keyboard: the first key opens the list, the others go to
    // its search field.
    void taper(const QString& texte)
    {
        for (const QChar c : texte) {
            QWidget* cible = picker->listShown() ? static_cast<QWidget*>(picker->searchField()) : picker;
            QKeyEvent press(QEvent::KeyPress, c == QLatin1Char(' ') ? Qt::Key_Space : Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(cible, &press);
        }
    }
};

} // namespace

void SearchablePickerTest::typingNarrowsTheListAndReturnChooses()
{
    Banc b;
    QSignalSpy choisi(b.picker, &QComboBox::activated);
    QCOMPARE(b.picker->currentIndex(), 0);

    // Spaces are part of the search, not a way to open the list again.
    b.taper(QStringLiteral("robert 1"));
    QVERIFY(b.picker->listShown());
    QCOMPARE(b.picker->searchField()->text(), QStringLiteral("robert 1"));
    QCOMPARE(b.picker->filteredTexts(), (QStringList{"Charpente Robert 1", "Charpente Robert 12"}));
    QCOMPARE(b.picker->currentIndex(), 0); // nothing chosen before Return

    QTest::keyClick(b.picker->searchField(), Qt::Key_Return);
    QVERIFY(!b.picker->listShown());
    QCOMPARE(b.picker->currentText(), QStringLiteral("Charpente Robert 1"));
    QCOMPARE(b.picker->currentData().toInt(), int(b.noms.indexOf("Charpente Robert 1")));
    QCOMPARE(choisi.count(), 1);
    QCOMPARE(choisi.first().first().toInt(), b.picker->currentIndex());
    QVERIFY(b.picker->hasFocus());

    // Down in the search field goes to the next row left.
    b.taper(QStringLiteral("ROBERT"));
    QCOMPARE(b.picker->filteredTexts(), (QStringList{"Charpente Robert 1", "Charpente Robert 12", "ROBERT Démolition"}));
    QTest::keyClick(b.picker->searchField(), Qt::Key_Down);
    QTest::keyClick(b.picker->searchField(), Qt::Key_Down);
    QTest::keyClick(b.picker->searchField(), Qt::Key_Return);
    QCOMPARE(b.picker->currentText(), QStringLiteral("ROBERT Démolition"));
    QCOMPARE(choisi.count(), 2);
}

void SearchablePickerTest::searchIgnoresCaseAndAccents()
{
    Banc b(300);
    b.taper(QStringLiteral("batiment"));
    QCOMPARE(b.picker->filteredTexts(), QStringList{"Bâtiment Martin"});
    b.picker->searchField()->clear();
    b.taper(QStringLiteral("MARTIN BÂT"));
    QCOMPARE(b.picker->filteredTexts(), QStringList{"Bâtiment Martin"});
    b.picker->searchField()->clear();
    b.taper(QStringLiteral("démo"));
    QCOMPARE(b.picker->filteredTexts(), QStringList{"ROBERT Démolition"});
    // Markup and slashes are letters like any other.
    b.picker->searchField()->clear();
    b.taper(QStringLiteral("<b>"));
    QCOMPARE(b.picker->filteredTexts(), QStringList{"<b>Gras</b> / Sàrl"});
    b.picker->searchField()->clear();
    b.taper(QStringLiteral("/ sarl"));
    QCOMPARE(b.picker->filteredTexts(), QStringList{"<b>Gras</b> / Sàrl"});

    // The "none" row is no name: a search never finds it; an empty search shows every row.
    b.picker->searchField()->clear();
    b.taper(QStringLiteral("choisir"));
    QVERIFY(b.picker->filteredTexts().isEmpty());
    QVERIFY(b.picker->findChild<QLabel*>("aucunResultat")->isVisible());
    QTest::keyClick(b.picker->searchField(), Qt::Key_Return); // nothing to choose
    QVERIFY(b.picker->listShown());
    QCOMPARE(b.picker->currentIndex(), 0);
    b.picker->searchField()->clear();
    QCOMPARE(b.picker->filteredTexts().size(), b.noms.size() + 1);
    QCOMPARE(b.picker->filteredTexts().first(), QStringLiteral("— Choisir —"));
}

void SearchablePickerTest::phoneDigitsMatchWhateverTheirSeparators()
{
    // Phones stored with spaces, dots or dashes; the user types the digits as they come.
    QWidget fenetre;
    auto* picker = new SearchablePicker(&fenetre);
    QList<SearchablePicker::Entry> entrees;
    for (int i = 0; i < 2000; ++i)
        entrees.append({QStringLiteral("Client %1").arg(i), i, QStringLiteral("Lyon · 05 56 %1").arg(i, 4, 10, QLatin1Char('0'))});
    entrees.append({QStringLiteral("Durand Bâtiment"), 1, QStringLiteral("Rennes · 04 78 53 50")});
    entrees.append({QStringLiteral("Durand Bâtiment"), 2, QStringLiteral("Nantes · 04.78.53.51")});
    entrees.append({QStringLiteral("Thomas Rénovation"), 3, QStringLiteral("Brest · 02-98-11-22")});
    entrees.append({QStringLiteral("Benne 10.5"), 4, QString()});
    picker->setEntries(QStringLiteral("— Choisir —"), entrees);
    auto* v = new QVBoxLayout(&fenetre);
    v->addWidget(picker);
    fenetre.resize(400, 200);
    fenetre.show();
    QVERIFY(QTest::qWaitForWindowExposed(&fenetre));
    picker->setFocus(Qt::OtherFocusReason);
    const auto chercher = [picker](const QString& texte) {
        if (!picker->listShown())
            QTest::keyClick(picker, Qt::Key_Down, Qt::AltModifier);
        picker->searchField()->clear();
        QTest::keyClicks(picker->searchField(), texte);
        return picker->filteredTexts();
    };
    QCOMPARE(chercher(QStringLiteral("04785350")), QStringList{"Durand Bâtiment"});
    QCOMPARE(chercher(QStringLiteral("04785351")), QStringList{"Durand Bâtiment"});
    QCOMPARE(chercher(QStringLiteral("0298112")), QStringList{"Thomas Rénovation"});
    // Typed with its spaces, in pieces, or with other separators than the stored ones.
    QCOMPARE(chercher(QStringLiteral("78 53 50")), QStringList{"Durand Bâtiment"});
    QCOMPARE(chercher(QStringLiteral("0478 5350")), QStringList{"Durand Bâtiment"});
    QCOMPARE(chercher(QStringLiteral("04.78.53.50")), QStringList{"Durand Bâtiment"});
    QCOMPARE(chercher(QStringLiteral("04-78-53")).size(), 2);
    // Return chooses the one found.
    chercher(QStringLiteral("04785351"));
    QTest::keyClick(picker->searchField(), Qt::Key_Return);
    QVERIFY(!picker->listShown());
    QCOMPARE(picker->currentData().toInt(), 2);
    // A number still finds itself, typed with its dot or without.
    QVERIFY(chercher(QStringLiteral("10.5")).contains(QStringLiteral("Benne 10.5")));
    QVERIFY(chercher(QStringLiteral("105")).contains(QStringLiteral("Benne 10.5")));
    QCOMPARE(chercher(QStringLiteral("benne 10.5")), QStringList{"Benne 10.5"});
    QVERIFY(chercher(QStringLiteral("04785352")).isEmpty());
    QVERIFY(picker->findChild<QLabel*>("aucunResultat")->isVisible());

    // A client picker: the phone is searched though the town is shown; its digits match in
    // the order typed, never each group somewhere else; a whole phone or name comes first.
    const auto client = [](const QString& nom, const QString& ville, const QString& tel) {
        return std::make_unique<Client>(QUuid::createUuid(), nom, QString(), QString(), QStringLiteral("69015"), ville,
                                        tel, std::nullopt, std::nullopt);
    };
    std::vector<std::unique_ptr<Client>> owned;
    owned.push_back(client(QStringLiteral("Bâtiments Bernard 16"), QStringLiteral("Lyon 04"), QStringLiteral("04 72 15 78")));
    owned.push_back(client(QStringLiteral("Martin 78"), QStringLiteral("Bron"), QStringLiteral("04 78 15 16 01")));
    owned.push_back(client(QStringLiteral("Dubois"), QStringLiteral("Vienne"), QStringLiteral("04.78.15.16")));
    owned.push_back(client(QStringLiteral("Martin"), QStringLiteral("Givors"), QString()));
    QList<Client*> clients;
    for (const auto& c : owned)
        clients.append(c.get());
    picker->setEntries(QStringLiteral("— Choisir —"),
                       SearchablePicker::clientEntries(clients, [&clients](Client* c) { return int(clients.indexOf(c)); }));
    QCOMPARE(chercher(QStringLiteral("04 78 15 16")), QStringList({"Dubois", "Martin 78"}));
    QTest::keyClick(picker->searchField(), Qt::Key_Return);
    QCOMPARE(picker->currentData().toInt(), 2);
    QCOMPARE(chercher(QStringLiteral("martin")), QStringList({"Martin", "Martin 78"}));

    // The list screens' search matches the same way.
    QVERIFY(forms::oneFieldHoldsAllWords({QStringLiteral("Durand"), QStringLiteral("04 78 53 50")},
                                         forms::searchWords(QStringLiteral("04785350"))));
    QVERIFY(forms::oneFieldHoldsAllWords({QStringLiteral("04-78-53-50")}, forms::searchWords(QStringLiteral("0478 53.50"))));
    QVERIFY(!forms::oneFieldHoldsAllWords({QStringLiteral("04 78 53 50")}, forms::searchWords(QStringLiteral("04785351"))));
}

void SearchablePickerTest::clickChoosesAndEscapeOnlyCloses()
{
    Banc b;
    QSignalSpy choisi(b.picker, &QComboBox::activated);
    b.picker->setCurrentIndex(b.noms.indexOf("Client 4000") + 1);

    // The arrow opens the whole list on the current entry, search field empty.
    QStyleOptionComboBox option;
    option.initFrom(b.picker);
    const QRect fleche = b.picker->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, b.picker);
    QTest::mouseClick(b.picker, Qt::LeftButton, {}, fleche.center());
    QVERIFY(b.picker->listShown());
    QVERIFY(b.picker->searchField()->text().isEmpty());
    QListView* liste = b.picker->filteredList();
    QCOMPARE(liste->currentIndex().data().toString(), QStringLiteral("Client 4000"));
    QVERIFY(liste->viewport()->rect().intersects(liste->visualRect(liste->currentIndex())));

    // Escape closes the list and changes nothing.
    b.taper(QStringLiteral("charp"));
    QTest::keyClick(b.picker->searchField(), Qt::Key_Escape);
    QVERIFY(!b.picker->listShown());
    QCOMPARE(b.picker->currentText(), QStringLiteral("Client 4000"));
    QCOMPARE(choisi.count(), 0);

    // A click on a row left by the search chooses it.
    b.taper(QStringLiteral("charpente"));
    const QRect second = liste->visualRect(liste->model()->index(1, 0));
    QVERIFY(liste->viewport()->rect().contains(second));
    QTest::mouseClick(liste->viewport(), Qt::LeftButton, {}, second.center());
    QVERIFY(!b.picker->listShown());
    QCOMPARE(b.picker->currentText(), QStringLiteral("Charpente Robert 12"));
    QCOMPARE(choisi.count(), 1);

    // Closed, the arrows still step through the entries, and Space opens the list.
    QTest::keyClick(b.picker, Qt::Key_Down);
    QCOMPARE(b.picker->currentText(), QStringLiteral("ROBERT Démolition"));
    QCOMPARE(choisi.count(), 2);
    QTest::keyClick(b.picker, Qt::Key_Space);
    QVERIFY(b.picker->listShown());
    QVERIFY(b.picker->searchField()->text().isEmpty());
    QTest::keyClick(b.picker->searchField(), Qt::Key_Escape);

    // A list that changes keeps the search open on the new entries.
    b.taper(QStringLiteral("martin"));
    b.picker->setEntries(QStringLiteral("— Choisir —"), {{QStringLiteral("Martin"), 1, QString()}, {QStringLiteral("Bâtiment Martin"), 2, QString()}});
    QCOMPARE(b.picker->filteredTexts(), (QStringList{"Martin", "Bâtiment Martin"}));
    QTest::keyClick(b.picker->searchField(), Qt::Key_Escape);

    // Disabled or empty, it opens nothing.
    b.picker->setEntries(QString(), {});
    QCOMPARE(b.picker->count(), 0);
    QTest::keyClick(b.picker, Qt::Key_A);
    QVERIFY(!b.picker->listShown());
}

void SearchablePickerTest::focusRingWhateverBroughtTheFocus()
{
    Banc b(10);
    b.autre->setFocus(Qt::OtherFocusReason);
    QTRY_VERIFY(b.autre->hasFocus());
    const QImage sans = b.picker->grab().toImage();
    // The focus given by the program, as a sheet does when it opens, or by a click.
    b.picker->setFocus(Qt::OtherFocusReason);
    QTRY_VERIFY(b.picker->hasFocus());
    const QImage avec = b.picker->grab().toImage();
    QVERIFY(sans != avec);
    // The ring is in the highlight colour.
    const QColor accent = b.picker->palette().color(QPalette::Highlight);
    int proches = 0;
    for (int y = 0; y < avec.height(); ++y)
        for (int x = 0; x < avec.width(); ++x) {
            const QColor c = avec.pixelColor(x, y);
            if (std::abs(c.hue() - accent.hue()) < 12 && c.saturation() > 60 && avec.pixel(x, y) != sans.pixel(x, y))
                ++proches;
        }
    QVERIFY2(proches > avec.width(), qPrintable(QString::number(proches)));
}

void SearchablePickerTest::lookAlikeNamesAreToldApartByTheirDetail()
{
    // A large office: 5,000 clients, 21 of them named alike in as many towns, one of those with
    // no town (its phone tells it apart) and one with neither town nor phone (its e-mail).
    const QStringList villes{QStringLiteral("Bordeaux"), QStringLiteral("Bègles"), QStringLiteral("Mérignac")};
    QList<Client*> clients;
    for (int i = 0; i < 5000; ++i) {
        const bool alike = i % 250 == 0;
        QString ville = alike ? villes.at(i / 250 % 3) + QStringLiteral(" %1").arg(i) : QStringLiteral("Lyon");
        QString telephone = QStringLiteral("05 56 00 %1").arg(i);
        if (i == 250)
            ville.clear();
        if (i == 500) {
            ville = QStringLiteral("  ");
            telephone.clear();
        }
        clients << new Client(QUuid::createUuid(), alike ? QStringLiteral("Thomas Rénovation") : QStringLiteral("Client %1").arg(i),
                              QStringLiteral("00FF00"), QString(), QString(), ville, telephone,
                              QStringLiteral("c%1@exemple.fr").arg(i), std::nullopt);
    }
    clients << new Client(QUuid::createUuid(), QStringLiteral("Thomas Rénovation"), QStringLiteral("00FF00"), QString(),
                          QString(), QString(), QString(), std::nullopt, std::nullopt);
    QCOMPARE(clientDistinction(*clients.at(0)), QStringLiteral("Bordeaux 0"));
    QCOMPARE(clientDistinction(*clients.at(250)), QStringLiteral("05 56 00 250"));
    QCOMPARE(clientDistinction(*clients.at(500)), QStringLiteral("c500@exemple.fr"));
    QCOMPARE(clientDistinction(*clients.last()), QString());
    // Two of one name in one town: the street tells them apart; others keep the town alone.
    Client memeVille1(QUuid::createUuid(), QStringLiteral("Thomas Rénovation"), QStringLiteral("00FF00"),
                      QStringLiteral("3 rue des Lilas"), QString(), QStringLiteral("Pessac"), QString(), std::nullopt,
                      std::nullopt);
    Client memeVille2(QUuid::createUuid(), QStringLiteral("Thomas Rénovation"), QStringLiteral("00FF00"), QString(),
                      QString(), QStringLiteral("Pessac"), QStringLiteral("05 56 11 22 33"), std::nullopt, std::nullopt);
    QCOMPARE(clientDistinctions({clients.at(0), &memeVille1, &memeVille2, clients.at(1)}),
             (QStringList{QStringLiteral("Bordeaux 0"), QStringLiteral("Pessac · 3 rue des Lilas"),
                          QStringLiteral("Pessac · 05 56 11 22 33"), QStringLiteral("Lyon")}));
    // One name, one town, one street: the phone follows the street, else the e-mail; one of
    // another street keeps the street alone.
    const auto aLyon = [](const QString& rue, const QString& telephone, std::optional<QString> email) {
        return new Client(QUuid::createUuid(), QStringLiteral("Thomas Rénovation"), QStringLiteral("00FF00"), rue,
                          QStringLiteral("69500"), QStringLiteral("Bron"), telephone, email, std::nullopt);
    };
    const QList<Client*> memeRue{aLyon(QStringLiteral("4 cours Lafayette"), QStringLiteral("04 78 00 00 01"), std::nullopt),
                                 aLyon(QStringLiteral(" 4 cours Lafayette"), QStringLiteral("04 78 00 00 02"), std::nullopt),
                                 aLyon(QStringLiteral("4 cours Lafayette"), QString(), QStringLiteral("b@exemple.fr")),
                                 aLyon(QStringLiteral("9 rue Haute"), QStringLiteral("04 78 00 00 04"), std::nullopt)};
    QCOMPARE(clientDistinctions(memeRue),
             (QStringList{QStringLiteral("Bron · 4 cours Lafayette · 04 78 00 00 01"),
                          QStringLiteral("Bron · 4 cours Lafayette · 04 78 00 00 02"),
                          QStringLiteral("Bron · 4 cours Lafayette · b@exemple.fr"),
                          QStringLiteral("Bron · 9 rue Haute")}));
    qDeleteAll(memeRue);

    Banc b(0);
    QList<SearchablePicker::Entry> entrees;
    const QStringList distinctions = clientDistinctions(clients);
    for (int i = 0; i < clients.size(); ++i)
        entrees.append({clients.at(i)->nom(), i, distinctions.at(i)});
    b.picker->setEntries(QStringLiteral("— Choisir —"), entrees);

    // The name alone leaves the 21 look-alikes, each with what tells it apart.
    b.taper(QStringLiteral("thomas"));
    QCOMPARE(b.picker->filteredTexts().size(), 21);
    QSet<QString> details;
    for (int row = 0; row < b.picker->filteredList()->model()->rowCount(); ++row)
        details << b.picker->filteredList()->model()->index(row, 0).data(SearchablePicker::kDetailRole).toString();
    QCOMPARE(details.size(), 21);
    QVERIFY(details.contains(QStringLiteral("05 56 00 250")));

    // The town is searched too, accents and case ignored; the name is still what is chosen.
    b.taper(QStringLiteral(" begles 1750"));
    QCOMPARE(b.picker->filteredTexts(), QStringList{QStringLiteral("Thomas Rénovation")});
    QTest::keyClick(b.picker->searchField(), Qt::Key_Return);
    QCOMPARE(b.picker->currentText(), QStringLiteral("Thomas Rénovation"));
    const int chosen = b.picker->currentData().toInt();
    QCOMPARE(clientDistinction(*clients.at(chosen)), QStringLiteral("Bègles 1750"));
    // The closed picker tells which one it holds in its tool tip.
    QCOMPARE(b.picker->currentDescription(),
             QStringLiteral("Thomas Rénovation — ") + clientDistinction(*clients.at(chosen)));

    // A detail never matches alone what its name does not: "lyon" finds the clients of Lyon.
    b.taper(QStringLiteral("lyon"));
    QCOMPARE(b.picker->filteredTexts().size(), 5000 - 20);
    QTest::keyClick(b.picker->searchField(), Qt::Key_Escape);
    qDeleteAll(clients);
}

namespace {

// The look-alikes of a large office: long names told apart by numbers at their end, each with
// its town and street.
QList<SearchablePicker::Entry> batiments(bool avecDetails)
{
    QList<SearchablePicker::Entry> entrees;
    for (const int n : {100, 1060, 1300, 17, 2, 45}) {
        const QString detail = QStringLiteral("Caluire-et-Cuire · %1 chemin de la Grande Rue de Saint-Clair").arg(n);
        entrees.append({QStringLiteral("Bâtiments Bernard et Fils Rénovation %1").arg(n), n,
                        avecDetails ? detail : QString()});
    }
    return entrees;
}

// True when the two pictures hold the same pixels inside `zone`.
bool memesPixels(const QImage& a, const QImage& b, const QRect& zone)
{
    for (int y = zone.top(); y <= zone.bottom(); ++y)
        for (int x = zone.left(); x <= zone.right(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                return false;
    return true;
}

} // namespace

void SearchablePickerTest::namesAreNeverCutForTheirDetail()
{
    // A picker 260 points wide in a window of 1200: the open list widens for the entries.
    QWidget fenetre;
    auto* picker = new SearchablePicker(&fenetre);
    picker->setGeometry(20, 20, 260, picker->sizeHint().height());
    fenetre.resize(1200, 400);
    fenetre.show();
    QVERIFY(QTest::qWaitForWindowExposed(&fenetre));
    picker->setEntries(QStringLiteral("— Choisir —"), batiments(true));
    picker->showPopup();
    QVERIFY(picker->listShown());
    QWidget* liste = picker->filteredList()->parentWidget();
    const QFontMetrics fm = picker->filteredList()->fontMetrics();
    const QString plusLong = batiments(true).at(1).text;
    QVERIFY2(liste->width() >= picker->widestRow()
                 && picker->widestRow() > fm.horizontalAdvance(plusLong) + fm.horizontalAdvance(batiments(true).at(1).detail),
             qPrintable(QStringLiteral("%1 wide for %2").arg(liste->width()).arg(picker->widestRow())));
    QVERIFY(liste->width() <= fenetre.width());
    const QRect dansLaFenetre(fenetre.mapToGlobal(QPoint(0, 0)), fenetre.size());
    QVERIFY(dansLaFenetre.contains(QRect(liste->mapToGlobal(QPoint(0, 0)), liste->size())));
    picker->hidePopup();

    // In a narrow window the list keeps to the window and the details give way: each name is
    // drawn as it is without a detail.
    fenetre.resize(440, 400);
    QTRY_COMPARE(fenetre.width(), 440);
    const auto dessin = [&](bool avecDetails) {
        picker->setEntries(QStringLiteral("— Choisir —"), batiments(avecDetails));
        picker->showPopup();
        QListView* vue = picker->filteredList();
        vue->setCurrentIndex(QModelIndex());
        vue->viewport()->repaint();
        QImage image = vue->viewport()->grab().toImage();
        picker->hidePopup();
        return image;
    };
    const QImage avec = dessin(true);
    const QImage sans = dessin(false);
    QVERIFY(picker->filteredList()->parentWidget()->width() <= fenetre.width());
    QListView* vue = picker->filteredList();
    const int nom = fm.horizontalAdvance(plusLong);
    QVERIFY2(nom < avec.width() - 20, "the names fit the list");
    for (int row = 1; row < vue->model()->rowCount(); ++row) {
        const QRect ligne = vue->visualRect(vue->model()->index(row, 0));
        const int largeur = fm.horizontalAdvance(batiments(false).at(row - 1).text);
        const QRect zoneNom(ligne.left(), ligne.top(), std::min(ligne.width(), largeur + 8), ligne.height());
        QVERIFY2(memesPixels(avec, sans, zoneNom.intersected(avec.rect()).intersected(sans.rect())), qPrintable(QString::number(row)));
    }

    // Closed, the picker shows the chosen entry's detail after its name.
    picker->setGeometry(20, 20, 420, picker->sizeHint().height());
    const auto ferme = [&](bool avecDetails) {
        picker->setEntries(QStringLiteral("— Choisir —"), batiments(avecDetails));
        picker->setCurrentIndex(4);
        return picker->grab().toImage();
    };
    const QImage fermeAvec = ferme(true);
    QCOMPARE(picker->shownDetail(), batiments(true).at(3).detail);
    const QImage fermeSans = ferme(false);
    const int finNom = fm.horizontalAdvance(batiments(true).at(3).text) + 16;
    QVERIFY(memesPixels(fermeAvec, fermeSans, QRect(0, 0, finNom, fermeAvec.height())));
    QVERIFY(!memesPixels(fermeAvec, fermeSans, QRect(finNom, 0, fermeAvec.width() - finNom - 40, fermeAvec.height())));
}

void SearchablePickerTest::homeAndEndReachTheEndsOfTheList()
{
    Banc b;
    QTest::keyClick(b.picker, Qt::Key_Space);
    QVERIFY(b.picker->listShown());
    QListView* list = b.picker->filteredList();
    // End: the last of 5,000 names, in view; Home: the "none" row at the top.
    QTest::keyClick(b.picker->searchField(), Qt::Key_End);
    QCOMPARE(list->currentIndex().row(), list->model()->rowCount() - 1);
    QVERIFY(list->viewport()->rect().intersects(list->visualRect(list->currentIndex())));
    QTest::keyClick(b.picker->searchField(), Qt::Key_Home);
    QCOMPARE(list->currentIndex().row(), 0);
    QVERIFY(list->viewport()->rect().contains(list->visualRect(list->currentIndex())));
    QTest::keyClick(b.picker->searchField(), Qt::Key_End);
    QTest::keyClick(b.picker->searchField(), Qt::Key_Return);
    QCOMPARE(b.picker->currentText(), b.noms.last());
    // Within a search, the ends of what is left.
    b.taper(QStringLiteral("robert"));
    QTest::keyClick(b.picker->searchField(), Qt::Key_End);
    QTest::keyClick(b.picker->searchField(), Qt::Key_Return);
    QCOMPARE(b.picker->currentText(), QStringLiteral("ROBERT Démolition"));
}

void SearchablePickerTest::openListStaysWithinItsWindow()
{
    // A window too short for the twelve rows the list shows where there is room: opened from a
    // picker at its top, from one at its bottom, and from one in its middle, the list keeps within
    // the window and scrolls inside itself; the chosen row stays in view and every row stays
    // reachable.
    QWidget fenetre;
    auto* haut = new SearchablePicker(&fenetre);
    auto* milieu = new SearchablePicker(&fenetre);
    auto* bas = new SearchablePicker(&fenetre);
    auto* v = new QVBoxLayout(&fenetre);
    v->addWidget(haut);
    v->addStretch(1);
    v->addWidget(milieu);
    v->addStretch(1);
    v->addWidget(bas);
    QList<SearchablePicker::Entry> entrees;
    for (int i = 0; i < 300; ++i)
        entrees.append({QStringLiteral("Client %1").arg(i), i, QString()});
    for (SearchablePicker* p : {haut, milieu, bas}) {
        p->setEntries(QStringLiteral("— Choisir —"), entrees);
        p->setCurrentIndex(150);
    }
    fenetre.resize(420, 260);
    fenetre.show();
    QVERIFY(QTest::qWaitForWindowExposed(&fenetre));
    QTRY_COMPARE(fenetre.height(), 260);
    const QRect dedans(fenetre.mapToGlobal(QPoint(0, 0)), fenetre.size());
    for (SearchablePicker* p : {haut, milieu, bas}) {
        p->showPopup();
        QVERIFY(p->listShown());
        QListView* vue = p->filteredList();
        QWidget* liste = vue->parentWidget();
        QTRY_VERIFY(vue->viewport()->height() > 0);
        const QRect ouverte(liste->mapToGlobal(QPoint(0, 0)), liste->size());
        QVERIFY2(dedans.contains(ouverte),
                 qPrintable(QStringLiteral("open list %1,%2 %3x%4 over a window %5,%6 %7x%8")
                                .arg(ouverte.x()).arg(ouverte.y()).arg(ouverte.width()).arg(ouverte.height())
                                .arg(dedans.x()).arg(dedans.y()).arg(dedans.width()).arg(dedans.height())));
        // The search field and a few rows at least, the chosen one among them.
        QVERIFY(p->searchField()->isVisible());
        QVERIFY(vue->viewport()->height() >= 3 * vue->sizeHintForRow(0));
        QVERIFY(vue->viewport()->rect().contains(vue->visualRect(vue->currentIndex())));
        QTest::keyClick(p->searchField(), Qt::Key_End);
        QVERIFY(vue->viewport()->rect().contains(vue->visualRect(vue->currentIndex())));
        QTest::keyClick(p->searchField(), Qt::Key_Return);
        QCOMPARE(p->currentText(), QStringLiteral("Client 299"));
    }
}

namespace {

// An office's look-alikes as the clients' distinctions name them: several of one name in
// different towns, two of them in one town told apart by their phone, and more clients than
// the open list shows at once.
QList<SearchablePicker::Entry> demolitions()
{
    const QString nom = QStringLiteral("Bernard Démolition");
    QList<SearchablePicker::Entry> entrees{
        {nom, 0, QStringLiteral("Décines-Charpieu · 04 78 90 12 34")},
        {nom, 1, QStringLiteral("Décines-Charpieu · 04 78 91 55 66")},
        {nom, 2, QStringLiteral("Villeurbanne")},
        {nom, 3, QStringLiteral("Saint-Martin-d'Hères-sur-le-Plateau-du-Vercors")},
    };
    for (int i = 0; i < 30; ++i)
        entrees.append({QStringLiteral("Client %1").arg(i), 10 + i, QStringLiteral("Lyon")});
    return entrees;
}

} // namespace

void SearchablePickerTest::firstOpeningIsAsWideAsTheEntries()
{
    // A picker never opened yet, in a window with room to spare: from its first opening the list
    // shows every row's name and detail whole, as wide as it is at the next openings.
    QWidget fenetre;
    auto* picker = new SearchablePicker(&fenetre);
    picker->setGeometry(20, 20, 260, picker->sizeHint().height());
    picker->setEntries(QStringLiteral("Choisir un client"), demolitions());
    fenetre.resize(1200, 500);
    fenetre.show();
    QVERIFY(QTest::qWaitForWindowExposed(&fenetre));
    QListView* vue = picker->filteredList();
    const auto ouvrir = [&] {
        picker->showPopup();
        return QTest::qWaitFor([&] { return picker->listShown() && vue->viewport()->width() > 0; })
            ? vue->viewport()->width() : -1;
    };
    const int premiere = ouvrir();
    QVERIFY(premiere > 0);
    // Each row's name, the gap of an M, its detail, and the padding and margins of an item.
    const QFontMetrics fm = vue->fontMetrics();
    const int marges = 2 * (vue->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, vue) + 1) + 8;
    for (const SearchablePicker::Entry& e : demolitions()) {
        const int besoin = fm.horizontalAdvance(e.text) + fm.horizontalAdvance(QLatin1Char('M'))
            + fm.horizontalAdvance(e.detail) + marges;
        QVERIFY2(premiere >= besoin, qPrintable(QStringLiteral("%1 shown in %2 points of the %3 it needs")
                                                    .arg(e.detail).arg(premiere).arg(besoin)));
    }
    QTest::keyClick(picker->searchField(), Qt::Key_Escape);
    QVERIFY(!picker->listShown());
    QCOMPARE(ouvrir(), premiere);
    picker->hidePopup();
}

void SearchablePickerTest::closedPickerShowsWhatTellsLookAlikesApart()
{
    // Two « Bernard Démolition » of one town, told apart by their phone, in a picker too narrow
    // for the name, the town and the phone: the town gives way, so the two read differently.
    QWidget fenetre;
    auto* picker = new SearchablePicker(&fenetre);
    picker->setEntries(QStringLiteral("Choisir un client"), demolitions());
    const QFontMetrics fm = picker->fontMetrics();
    const QString nom = demolitions().at(0).text;
    const int largeur = fm.horizontalAdvance(nom + QStringLiteral("M04 78 90 12 34")) + 40;
    picker->setGeometry(20, 20, largeur, picker->sizeHint().height());
    fenetre.resize(largeur + 40, 200);
    fenetre.show();
    QVERIFY(QTest::qWaitForWindowExposed(&fenetre));
    const auto ferme = [&](int row) {
        picker->setCurrentIndex(row);
        return picker->grab().toImage();
    };
    QVERIFY(fm.horizontalAdvance(nom + QLatin1Char('M') + demolitions().at(0).detail) > largeur);
    const QImage premier = ferme(1);
    const QImage second = ferme(2);
    QVERIFY2(!memesPixels(premier, second, premier.rect()), "the two look-alikes read the same");

    // The open list in a window about as narrow (its scroll bar and margins aside): its rows of
    // the two read differently too.
    const int etroite = largeur + 60;
    fenetre.resize(etroite, 400);
    QTRY_COMPARE(fenetre.width(), etroite);
    picker->showPopup();
    QListView* vue = picker->filteredList();
    QTRY_VERIFY(picker->listShown() && vue->viewport()->width() > 0);
    QVERIFY(vue->viewport()->width() < fm.horizontalAdvance(nom + QLatin1Char('M') + demolitions().at(0).detail));
    vue->setCurrentIndex(QModelIndex());
    vue->viewport()->repaint();
    const QImage liste = vue->viewport()->grab().toImage();
    const QRect un = vue->visualRect(vue->model()->index(1, 0));
    const QRect deux = vue->visualRect(vue->model()->index(2, 0));
    QCOMPARE(un.size(), deux.size());
    QVERIFY2(liste.copy(un) != liste.copy(deux), "the two look-alikes' rows read the same");
    picker->hidePopup();
}
