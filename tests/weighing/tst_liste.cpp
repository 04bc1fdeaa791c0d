#include "tests.h"

#include "outils.h"
#include "model/query.h"
#include "weighing/locationsetpeseeview.h"
#include "weighing/minibondepeseeform.h"
#include "widgets/forms/detailpane.h"
#include "widgets/forms/formstyle.h"
#include "widgets/windowtitle.h"
#include "widgets/forms/recordrow.h"

#include <QCheckBox>
#include <QHelpEvent>
#include <QLineEdit>
#include <QListView>
#include <QTest>
#include <QToolTip>

using kv::LocationDeBenne;
using kv::LocationsEtPeseeView;
using namespace outils;

namespace {

std::unique_ptr<LocationsEtPeseeView> vue(Bureau& b)
{
    auto v = std::make_unique<LocationsEtPeseeView>(b.ctx.get(), b.horloge, b.dossier);
    v->resize(1200, 760);
    return v;
}

QStringList infobulles(const kv::forms::RowContent& row)
{
    QStringList out;
    for (const kv::forms::RowPart& p : row.trailing)
        out << p.toolTip;
    return out;
}

} // namespace

void TestListe::fenetreTemporelle()
{
    Bureau b;
    auto* c = b.client(QStringLiteral("Durand"));
    auto* surSite = b.location(c, std::nullopt);
    auto* pile = b.location(c, maintenant());
    auto* plusTard = b.location(c, at(2026, 3, 10, 14, 1));
    auto* hier = b.location(c, at(2026, 3, 9, 8));
    auto* avant = b.location(c, at(2026, 2, 1, 8));
    auto* memeJour1 = b.location(c, at(2026, 3, 5, 8));
    auto* memeJour2 = b.location(c, at(2026, 3, 5, 8));
    QVERIFY(b.sauver());
    auto v = vue(b);
    QCOMPARE(v->locationsFiltrees(), (QList<LocationDeBenne*>{pile, hier, memeJour1, memeJour2, avant}));
    QVERIFY(!LocationsEtPeseeView::estEnlevee(surSite, maintenant().toMSecsSinceEpoch()));
    QVERIFY(!LocationsEtPeseeView::estEnlevee(plusTard, maintenant().toMSecsSinceEpoch()));
    QCOMPARE(v->modele()->rowCount(), 5);

    // A removal moved into the past is listed at once, in its place.
    plusTard->setDateEnlevement(at(2026, 3, 6, 8));
    tourDeBoucle();
    QCOMPARE(v->locationsFiltrees(), (QList<LocationDeBenne*>{pile, hier, plusTard, memeJour1, memeJour2, avant}));
    QCOMPARE(v->modele()->rowCount(), 6);
    QCOMPARE(v->modele()->resetCount(), 0u);
}

void TestListe::interrupteur()
{
    Bureau b;
    auto* c = b.client(QStringLiteral("Durand"));
    auto* avec = b.location(c, at(2026, 3, 9, 8));
    auto* sans = b.location(c, at(2026, 3, 8, 8));
    b.bon(avec, at(2026, 3, 9, 9), 100);
    QVERIFY(b.sauver());
    auto v = vue(b);
    v->show();
    QVERIFY(!v->filtreSansPeseeOnly());
    QCOMPARE(v->interrupteur()->text(), QStringLiteral("Sans pesée uniquement"));
    QTest::mouseClick(v->interrupteur(), Qt::LeftButton, {}, QPoint(8, v->interrupteur()->height() / 2));
    QVERIFY(v->filtreSansPeseeOnly());
    QCOMPARE(v->locationsFiltrees(), QList<LocationDeBenne*>{sans});

    // The selected rental keeps its form when a ticket hides it.
    v->setSelection(sans);
    kv::MiniBonDePeseeForm* form = v->formulaire();
    QVERIFY(form);
    form->enregistrerBon();
    tourDeBoucle();
    QVERIFY(v->locationsFiltrees().isEmpty());
    QCOMPARE(v->selection(), sans);
    QCOMPARE(v->formulaire(), form);
    QCOMPARE(form->location(), sans);

    // Deleting the ticket brings the rental back, selected again.
    form->supprimerBon(sans->bonsDePesee().first());
    tourDeBoucle();
    QCOMPARE(v->locationsFiltrees(), QList<LocationDeBenne*>{sans});
    QVERIFY(v->liste()->selectionModel()->isSelected(v->modele()->index(0, 0)));

    v->setFiltreSansPeseeOnly(false);
    QVERIFY(!v->interrupteur()->isChecked());
    QCOMPARE(v->locationsFiltrees(), (QList<LocationDeBenne*>{avec, sans}));

    // Hiding the selected row does not hand the selection to its neighbour.
    v->setSelection(avec);
    form = v->formulaire();
    v->setFiltreSansPeseeOnly(true);
    tourDeBoucle();
    QCOMPARE(v->locationsFiltrees(), QList<LocationDeBenne*>{sans});
    QCOMPARE(v->selection(), avec);
    QCOMPARE(form->location(), avec);
    QVERIFY(!v->liste()->selectionModel()->isSelected(v->modele()->index(0, 0)));
    // Shown again, it is selected again.
    v->setFiltreSansPeseeOnly(false);
    tourDeBoucle();
    QVERIFY(v->liste()->selectionModel()->isSelected(v->modele()->indexOf(avec)));
}

void TestListe::badgesEtInfobulles()
{
    Bureau b;
    auto* c = b.client(QStringLiteral("Durand"));
    auto* sans = b.location(c, at(2026, 3, 9, 8));
    auto* avecPiece = b.location(c, at(2026, 3, 8, 8));
    auto* pieceAncienne = b.location(c, at(2026, 3, 7, 8));
    auto* cheminVide = b.location(c, at(2026, 3, 6, 8));
    b.bon(avecPiece, at(2026, 3, 8, 9), 100, QStringLiteral("/t/a.pdf"));
    b.bon(avecPiece, at(2026, 3, 7, 9), 100);
    b.bon(pieceAncienne, at(2026, 3, 1, 9), 100, QStringLiteral("/t/b.pdf"));
    b.bon(pieceAncienne, at(2026, 3, 7, 10), 100);
    b.bon(cheminVide, at(2026, 3, 6, 9), 100, QString());
    QVERIFY(b.sauver());
    auto v = vue(b);

    QCOMPARE(infobulles(v->ligne(sans)), (QStringList{QStringLiteral("Aucun bon de pesée"),
                                                      QStringLiteral("Nombre de rotations (bons de pesée)")}));
    QCOMPARE(v->ligne(sans).trailing.last().text, QStringLiteral("0"));
    QCOMPARE(v->ligne(sans).trailing.first().symbol, QStringLiteral("exclamationmark.circle"));
    QCOMPARE(infobulles(v->ligne(avecPiece)),
             (QStringList{QStringLiteral("Bon de pesée existant (08/03/2026)"), QStringLiteral("Pièce jointe"),
                          QStringLiteral("Nombre de rotations (bons de pesée)")}));
    QCOMPARE(v->ligne(avecPiece).trailing.last().text, QStringLiteral("2"));
    QCOMPARE(infobulles(v->ligne(pieceAncienne)).size(), 2);
    QCOMPARE(infobulles(v->ligne(pieceAncienne)).first(), QStringLiteral("Bon de pesée existant (07/03/2026)"));
    QCOMPARE(v->ligne(cheminVide).trailing.first().symbol, QStringLiteral("checkmark.seal.fill"));
    QCOMPARE(infobulles(v->ligne(cheminVide)).size(), 2);

    // The tool tip of each badge is shown where it is painted.
    v->show();
    QVERIFY(QTest::qWaitForWindowExposed(v.get()));
    const QModelIndex index = v->modele()->indexOf(avecPiece);
    const QRect rangee = v->liste()->visualRect(index);
    const QList<QRect> rects = kv::forms::RecordRowDelegate::trailingRects(v->ligne(avecPiece), rangee,
                                                                           v->liste()->font());
    QCOMPARE(rects.size(), 3);
    QVERIFY(rects[0].right() < rects[1].left() && rects[1].right() < rects[2].left());
    QVERIFY(rects[2].right() <= rangee.right());
    QStyleOptionViewItem option;
    option.initFrom(v->liste());
    option.rect = rangee;
    for (int i = 0; i < 3; ++i) {
        QHelpEvent evenement(QEvent::ToolTip, rects[i].center(), v->liste()->viewport()->mapToGlobal(rects[i].center()));
        QVERIFY(v->delegue()->helpEvent(&evenement, v->liste(), option, index));
        QCOMPARE(QToolTip::text(), infobulles(v->ligne(avecPiece))[i]);
    }
    QToolTip::hideText();

    // A ticket given a document by the form shows the paperclip on its row.
    v->setSelection(cheminVide);
    v->formulaire()->importerFichierChoisi(ecrireImage(b.donnees.filePath(QStringLiteral("p.png"))));
    v->formulaire()->enregistrerBon();
    tourDeBoucle();
    QVERIFY(infobulles(v->ligne(cheminVide)).contains(QStringLiteral("Pièce jointe")));
}

void TestListe::selectionEtFormulaire()
{
    Bureau b;
    auto* c1 = b.client(QStringLiteral("Durand"));
    auto* c2 = b.client(QStringLiteral("Martin"));
    auto* l1 = b.location(c1, at(2026, 3, 9, 8));
    auto* l2 = b.location(c2, at(2026, 3, 8, 8));
    b.bon(l2, at(2026, 3, 8, 9), 321);
    QVERIFY(b.sauver());
    auto v = vue(b);
    v->show();
    QVERIFY(QTest::qWaitForWindowExposed(v.get()));
    QVERIFY(v->detail()->showsPlaceholder());
    auto* invite = v->detail()->findChild<kv::forms::EmptyState*>();
    QCOMPARE(invite->title(), QStringLiteral("Sélectionnez une location"));

    // A click selects; the arrow keys move on; the same form follows and names the window.
    kv::setScreenTitle(v->window(), QStringLiteral("Kestrovan"));
    QTest::mouseClick(v->liste()->viewport(), Qt::LeftButton, {},
                      v->liste()->visualRect(v->modele()->indexOf(l1)).center());
    QCOMPARE(v->selection(), l1);
    kv::MiniBonDePeseeForm* form = v->formulaire();
    QVERIFY(form);
    QCOMPARE(form->location(), l1);
    QTest::keyClick(v->liste(), Qt::Key_Down);
    QCOMPARE(v->selection(), l2);
    QCOMPARE(v->formulaire(), form);
    QCOMPARE(form->location(), l2);
    QCOMPARE(form->poidsNetKgStr(), QStringLiteral("321"));
    QCOMPARE(v->window()->windowTitle(), QStringLiteral("Bon de pesée — Martin"));

    // A deleted rental leaves the placeholder.
    b.ctx->remove(l2);
    tourDeBoucle();
    QVERIFY(v->detail()->showsPlaceholder());
    QVERIFY(!v->selection());
    QCOMPARE(v->locationsFiltrees(), QList<LocationDeBenne*>{l1});
}

void TestListe::ligneDUneLocation()
{
    Bureau b;
    auto* c = b.client(QStringLiteral("Durand"), QStringLiteral("12 avenue du Client"));
    auto* propre = b.location(c, at(2026, 3, 9, 8), nullptr, b.benne(10.0, QStringLiteral("#ff0000")));
    auto* sansAdresse = b.location(c, at(2026, 3, 9, 8), nullptr, b.benne(7.5, QStringLiteral("zz")),
                                   std::nullopt);
    auto* adresseVide = b.location(c, at(2026, 3, 9, 8), nullptr, b.benne(), QString());
    QVERIFY(b.sauver());
    auto v = vue(b);
    const kv::forms::RowContent r1 = v->ligne(propre);
    QCOMPARE(r1.lines[0].parts[0].text, QStringLiteral("Durand"));
    QCOMPARE(r1.lines[1].parts[0].text, QStringLiteral("10") + QChar(0x202F) + QStringLiteral("m³"));
    QCOMPARE(r1.lines[1].parts[0].color, QColor(Qt::red));
    QVERIFY(r1.accessibleText.contains(QStringLiteral("5 chemin Vert")));
    QVERIFY(r1.accessibleText.contains(QStringLiteral("posé le 02/03/2026")));
    const kv::forms::RowContent r2 = v->ligne(sansAdresse);
    QCOMPARE(r2.lines[1].parts[0].color, QColor(Qt::gray));
    QCOMPARE(r2.lines[1].parts[0].text, QStringLiteral("8") + QChar(0x202F) + QStringLiteral("m³"));
    QVERIFY(r2.accessibleText.contains(QStringLiteral("12 avenue du Client")));
    const kv::forms::RowContent r3 = v->ligne(adresseVide);
    QVERIFY(!r3.accessibleText.contains(QStringLiteral("12 avenue du Client")));
}

void TestListe::raccourciDepuisLaListe()
{
    Bureau b;
    auto* l = b.location(b.client(QStringLiteral("Durand")), at(2026, 3, 9, 8));
    QVERIFY(b.sauver());
    auto v = vue(b);
    v->show();
    QVERIFY(QTest::qWaitForWindowExposed(v.get()));
    QTest::mouseClick(v->liste()->viewport(), Qt::LeftButton, {},
                      v->liste()->visualRect(v->liste()->model()->index(0, 0)).center());
    QCOMPARE(v->selection(), l);
    v->formulaire()->champPoids()->setText(QStringLiteral("420"));

    // The focus stays in the list: Ctrl+Return still creates the ticket, then saves it.
    v->liste()->setFocus();
    QTest::keyClick(v->liste(), Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(l->bonsDePesee().size(), 1);
    QCOMPARE(l->bonsDePesee().first()->poidsDechetsKg(), std::optional<double>(420));
    v->formulaire()->champPoids()->setText(QStringLiteral("510"));
    QTest::keyClick(v->liste(), Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier);
    QCOMPARE(l->bonsDePesee().size(), 1);
    QCOMPARE(l->bonsDePesee().first()->poidsDechetsKg(), std::optional<double>(510));
}

void TestListe::ordreDeLaLigne()
{
    Bureau b;
    auto* c = b.client(QStringLiteral("Durand"));
    const QString longue = QStringLiteral("148 boulevard de la Croix-Rousse, bâtiment B");
    auto* courte = b.location(c, at(2026, 3, 9, 8), nullptr, nullptr, QStringLiteral("5 rue Vert"));
    auto* lointaine = b.location(c, at(2026, 3, 8, 8), nullptr, nullptr, longue);
    b.bon(lointaine, at(2026, 3, 8, 9), 100, QStringLiteral("/t/a.pdf"));
    QVERIFY(b.sauver());
    auto v = vue(b);
    v->show();
    QVERIFY(QTest::qWaitForWindowExposed(v.get()));
    tourDeBoucle();
    // Nothing chosen: the placeholder needs little room, the list takes the rest up to its widest.
    QVERIFY2(v->listPanel()->width() >= 380, qPrintable(QString::number(v->listPanel()->width())));

    // Every row: the address, then "posé le", whatever their lengths.
    for (auto* l : {courte, lointaine}) {
        const kv::forms::RowContent r = v->ligne(l);
        QCOMPARE(r.lines.size(), 4);
        QCOMPARE(r.lines[2].parts.size(), 1);
        QCOMPARE(r.lines[2].parts[0].text, *l->adresse());
        QCOMPARE(r.lines[3].parts[0].text, QStringLiteral("posé le 02/03/2026"));
    }
    // At that width the address has the room left of the badges to show itself.
    const QModelIndex index = v->modele()->indexOf(lointaine);
    const QRect rangee = v->liste()->visualRect(index);
    const QList<QRect> badges = kv::forms::RecordRowDelegate::trailingRects(v->ligne(lointaine), rangee,
                                                                            v->liste()->font());
    const QFontMetrics fm(kv::forms::fontFor(kv::forms::TextStyle::Caption, v->liste()->font()));
    const int place = badges.first().left() - 12 - rangee.left() - 10;
    QVERIFY2(fm.elidedText(longue, Qt::ElideRight, place) == longue, qPrintable(QString::number(place)));

    // A chosen rental's form takes back the room it asks for, the list keeping what it cannot
    // do without.
    v->setSelection(lointaine);
    tourDeBoucle();
    QVERIFY(v->formulaire());
    QWidget* volet = v->detail();
    QVERIFY2(volet->width() >= volet->sizeHint().width() || v->listPanel()->width() == v->listPanel()->minimumWidth(),
             qPrintable(QStringLiteral("%1 for %2").arg(volet->width()).arg(volet->sizeHint().width())));
    QVERIFY(v->listPanel()->width() >= v->listPanel()->minimumWidth());
}

// Rows with every badge (a ticket with its document, two-digit counts) show their placement date
// whole in a 1200 × 760 window and in the same window at scale 1.5.
void TestListe::dateEntiereAvecTousLesBadges()
{
    Bureau b;
    auto* c = b.client(QStringLiteral("Terrassements et démolitions du Grand Lyon"));
    QList<LocationDeBenne*> locations;
    for (int i = 0; i < 30; ++i) {
        auto* l = b.location(c, at(2026, 3, 9, 8), nullptr, nullptr, QStringLiteral("148 boulevard de la Croix-Rousse"));
        l->setDatePose(at(2025, 12, 28, 8));
        for (int k = 0; k < 12; ++k)
            b.bon(l, at(2026, 3, 9, 8 + k), 100, k == 11 ? std::optional<QString>(QStringLiteral("/t/a.pdf")) : std::nullopt);
        locations << l;
    }
    QVERIFY(b.sauver());
    for (const QSize taille : {QSize(1200, 760), QSize(800, 507)}) {
        auto v = vue(b);
        v->resize(taille);
        v->show();
        QVERIFY(QTest::qWaitForWindowExposed(v.get()));
        tourDeBoucle();
        const QFontMetrics fm(kv::forms::fontFor(kv::forms::TextStyle::Caption, v->liste()->font()));
        for (auto* l : {locations.first(), locations.last()}) {
            const kv::forms::RowContent r = v->ligne(l);
            QCOMPARE(r.trailing.size(), 3); // the seal, the paperclip, the count
            QCOMPARE(r.trailing.last().text, QStringLiteral("12"));
            const QString pose = r.lines[3].parts[0].text;
            QCOMPARE(pose, QStringLiteral("posé le 28/12/2025"));
            const QRect rangee = v->liste()->visualRect(v->modele()->indexOf(l));
            const QList<QRect> badges = kv::forms::RecordRowDelegate::trailingRects(r, rangee, v->liste()->font());
            const int place = badges.first().left() - 12 - (rangee.left() + 10);
            QVERIFY2(fm.horizontalAdvance(pose) <= place,
                     qPrintable(QStringLiteral("%1: %2 > %3").arg(taille.width()).arg(fm.horizontalAdvance(pose)).arg(place)));
        }
        // The form beside the list keeps its room.
        v->setSelection(locations.first());
        tourDeBoucle();
        QVERIFY(v->listPanel()->width() < taille.width() / 2);
    }
}

namespace {

// What the list shows: its rows in view, as read aloud, and how many rows it holds.
struct Montre {
    QStringList enVue;
    int lignes = 0;
    QList<LocationDeBenne*> locations;
    bool operator==(const Montre&) const = default;
};

Montre montre(const LocationsEtPeseeView& v)
{
    Montre m;
    QListView* liste = v.liste();
    m.lignes = v.modele()->rowCount();
    m.locations = v.locationsFiltrees();
    for (int row = 0; row < m.lignes; ++row) {
        const QModelIndex index = v.modele()->index(row, 0);
        if (!liste->viewport()->rect().intersects(liste->visualRect(index)))
            continue;
        m.enVue << v.ligne(static_cast<LocationDeBenne*>(v.modele()->recordAt(index))).accessibleText;
    }
    return m;
}

// Records what the list shows when it is first painted.
class PremierePeinture : public QObject {
public:
    explicit PremierePeinture(const LocationsEtPeseeView& v) : m_vue(v) { v.liste()->viewport()->installEventFilter(this); }
    std::optional<Montre> vu;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !vu)
            vu = montre(m_vue);
        return false;
    }

private:
    const LocationsEtPeseeView& m_vue;
};

} // namespace

void TestListe::premiereVueCommeApresCoup()
{
    // Removed rentals with and without tickets, one still on site, one removed tomorrow.
    Bureau b;
    auto* t = b.type(QStringLiteral("Gravats"), 20);
    for (int i = 0; i < 60; ++i) {
        auto* l = b.location(b.client(QStringLiteral("Client %1").arg(i)), at(2026, 3, 1 + i % 9, 8 + i % 10, i), t);
        if (i % 3 == 0)
            b.bon(l, at(2026, 3, 9, 10, i), 100 + i);
    }
    b.location(b.client(QStringLiteral("Sur place")), std::nullopt);
    b.location(b.client(QStringLiteral("Demain")), at(2026, 3, 11, 8));
    QVERIFY(b.sauver());

    for (const bool sansPesee : {false, true}) {
        QWidget fenetre;
        fenetre.resize(1600, 1000);
        auto* v = new LocationsEtPeseeView(b.ctx.get(), b.horloge, b.dossier, &fenetre);
        v->resize(fenetre.size());
        v->setFiltreSansPeseeOnly(sansPesee);
        PremierePeinture premiere(*v);
        fenetre.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fenetre));
        QTRY_VERIFY(premiere.vu.has_value());
        // The list is computed once between the screen's creation and its first paint.
        QCOMPARE(v->modele()->query()->evaluationCount(), quint64(sansPesee ? 2 : 1));
        // Once everything has settled, the list shows what it showed at once.
        tourDeBoucle();
        v->liste()->viewport()->repaint();
        const Montre apres = montre(*v);
        QVERIFY(!apres.enVue.isEmpty());
        QCOMPARE(premiere.vu->lignes, sansPesee ? 40 : 60);
        QCOMPARE(premiere.vu->lignes, apres.lignes);
        QCOMPARE(premiere.vu->locations, apres.locations);
        QCOMPARE(premiere.vu->enVue, apres.enVue);
        QCOMPARE(v->modele()->query()->evaluationCount(), quint64(sansPesee ? 2 : 1));
    }
}

void TestListe::badgeDUneCouleurClaireLisible()
{
    // The skip's volume is written on a tint of its colour: a light colour (yellow, white)
    // still gives a text that reads, at 4.5:1 at least, as a dark one keeps its own shade.
    Bureau b;
    auto* c = b.client(QStringLiteral("Client <b>/é"));
    QList<LocationDeBenne*> locations;
    for (const QString& couleur : {QStringLiteral("FFEE00"), QStringLiteral("FFFFFF"), QStringLiteral("00FF00"),
                                   QStringLiteral("0000FF")})
        locations << b.location(c, at(2026, 3, 9, 8), nullptr, b.benne(8, couleur));
    QVERIFY(b.sauver());
    auto v = vue(b);
    v->show();
    QVERIFY(QTest::qWaitForWindowExposed(v.get()));
    tourDeBoucle();
    QListView* liste = v->liste();
    const QImage image = liste->viewport()->grab().toImage();
    const qreal dpr = image.devicePixelRatio();
    for (LocationDeBenne* l : locations) {
        const kv::forms::RowContent r = v->ligne(l);
        const QRect rangee = liste->visualRect(v->modele()->indexOf(l));
        QRect badge;
        for (const auto& p : kv::forms::RecordRowDelegate::placeLines(r, rangee, liste->font()))
            if (r.lines[p.line].parts[p.part].kind == kv::forms::RowPart::Kind::Badge)
                badge = p.textRect;
        QVERIFY(!badge.isEmpty());
        // The badge's own colour is read at its left end, beside the text; the text is the
        // pixel of the badge that stands out most from it.
        const QRect px(QPoint(qRound(badge.left() * dpr), qRound(badge.top() * dpr)),
                       QPoint(qRound(badge.right() * dpr), qRound(badge.bottom() * dpr)));
        const QColor fond = image.pixelColor(px.left() + int(3 * dpr), px.center().y());
        double meilleur = 0;
        for (int y = px.top(); y <= px.bottom(); ++y)
            for (int x = px.left(); x <= px.right(); ++x)
                meilleur = std::max(meilleur, kv::forms::contrastRatio(image.pixelColor(x, y), fond));
        QVERIFY2(meilleur >= 4.5, qPrintable(QStringLiteral("%1: %2:1").arg(l->benne()->couleur()).arg(meilleur)));
    }

    // The ✓ and ⚠ marks read at 3:1 on a scheme's mid-dark list too.
    b.bon(locations.first(), at(2026, 3, 9, 9), 100);
    QPalette sombre = v->palette();
    sombre.setColor(QPalette::Base, QColor(0x4A, 0x5A, 0x6A));
    v->setPalette(sombre);
    for (LocationDeBenne* l : {locations.first(), locations.last()}) {
        const QColor marque = v->ligne(l).trailing.first().color;
        QVERIFY2(kv::forms::contrastRatio(marque, sombre.color(QPalette::Base)) >= 3, qPrintable(marque.name()));
    }
}
