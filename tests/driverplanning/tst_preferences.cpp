#include "tests.h"

#include "bureau.h"
#include "premierepeinture.h"
#include "screenfixtures.h"

#include <QAccessible>
#include <QClipboard>

#include "driverplanning/preferencesemailchauffeurview.h"
#include "widgets/wheelguard.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTest>

using namespace kv;
using fx::at;

namespace {

std::unique_ptr<PreferencesEmailChauffeurView> ouvrir(ModelContext* ctx)
{
    auto vue = std::make_unique<PreferencesEmailChauffeurView>(ctx, nullptr, Horloge::fixe(at(2026, 12, 7, 10), fx::paris()));
    vue->resize(1200, 760);
    vue->show();
    QCoreApplication::processEvents();
    return vue;
}

QStringList entrees(const QComboBox* c)
{
    QStringList out;
    for (int i = 0; i < c->count(); ++i)
        out << c->itemText(i);
    return out;
}

} // namespace

void TestPreferencesEmail::previewWithoutDrivers()
{
    fx::Bureau b;
    auto vue = ouvrir(b.context());
    QVERIFY(vue->prefs());
    QCOMPARE(b.context()->count<EmailChauffeurPreferences>(), 1);
    QCOMPARE(vue->choixChauffeur()->count(), 0);
    QCOMPARE(vue->choixChauffeur()->currentIndex(), -1);
    QCOMPARE(vue->choixDate()->date(), QDate(2026, 12, 7));
    QCOMPARE(vue->apercuSujet(), QStringLiteral("Planning du lundi 7 décembre 2026 \u2013 Camille Exemple"));
    QCOMPARE(vue->apercuCorps(), QStringLiteral("Bonjour Camille,\n\nVoici ton planning pour le lundi 7 décembre 2026.\n\n\n"
                                               "\u2014 Aucune opération prévue \u2014\n\nMerci,\n\nKestrovan"));
    QVERIFY(vue->erreur().isEmpty());
    fixtures::capture(vue.get(), QStringLiteral("preferences-sans-chauffeur"));
}

void TestPreferencesEmail::pickerAndDay()
{
    fx::Bureau b;
    Client* c = b.client(QStringLiteral("Transports Morel"));
    Chauffeur* lea = b.chauffeur("Léa", "Garnier");
    Chauffeur* ina = b.chauffeur("Ina", "Ctif", std::nullopt, false);
    b.location(c, b.benne(10), at(2026, 12, 8, 9), std::nullopt, QStringLiteral("4 rue des Lilas, Lyon"), ina);
    b.location(c, b.benne(8), at(2026, 12, 7, 9), std::nullopt, std::nullopt, lea);
    auto vue = ouvrir(b.context());
    // Inactive drivers are offered too; the first one is chosen.
    QCOMPARE(entrees(vue->choixChauffeur()), (QStringList{"Léa Garnier", "Ina Ctif"}));
    QCOMPARE(vue->choixChauffeur()->currentIndex(), 0);
    QCOMPARE(vue->previewChauffeur(), lea);
    QCOMPARE(vue->previewOps().size(), 1);
    QVERIFY(vue->apercuCorps().contains(QStringLiteral("\u2022 Pose \u2013 Transports Morel \u2013 Adresse non renseignée \u2013 8 m³")));
    fixtures::capture(vue.get(), QStringLiteral("preferences-chauffeurs"));

    // Choosing Ina: no operation today, one tomorrow.
    vue->choixChauffeur()->setFocus();
    QTest::keyClick(vue->choixChauffeur(), Qt::Key_Down);
    QCOMPARE(vue->previewChauffeur(), ina);
    QVERIFY(vue->previewOps().isEmpty());
    QVERIFY(vue->apercuCorps().contains(kAucuneOperation));
    QVERIFY(vue->apercuSujet().endsWith(QStringLiteral("Ina Ctif")));
    vue->choixDate()->setDate(QDate(2026, 12, 8));
    QCOMPARE(vue->previewOps().size(), 1);
    QVERIFY(vue->apercuSujet().contains(QStringLiteral("mardi 8 décembre 2026")));
    QVERIFY(vue->apercuCorps().contains(QStringLiteral("4 rue des Lilas, Lyon")));

    // A driver who leaves the store is no longer offered.
    b.context()->remove(ina);
    QCoreApplication::processEvents();
    QCOMPARE(entrees(vue->choixChauffeur()), QStringList{"Léa Garnier"});
    QCOMPARE(vue->previewChauffeur(), nullptr);
    QVERIFY(vue->apercuSujet().endsWith(QStringLiteral("Léa Garnier")));
}

void TestPreferencesEmail::everyChangeIsSaved()
{
    fx::Bureau b(true);
    b.chauffeur("Léa", "Garnier");
    QVERIFY(b.context()->save());
    {
        auto vue = ouvrir(b.context());
        vue->editeurSujet()->setFocus();
        vue->editeurSujet()->selectAll();
        QTest::keyClicks(vue->editeurSujet(), QStringLiteral("Tour {{prenom}}"));
        QCOMPARE(vue->prefs()->subjectTemplate(), QStringLiteral("Tour {{prenom}}"));
        QVERIFY(!b.context()->hasChanges());
        QCOMPARE(vue->apercuSujet(), QStringLiteral("Tour Léa"));
        // A cleared header: the body starts with its line end.
        vue->editeurEntete()->clear();
        QCOMPARE(vue->prefs()->headerTemplate(), QString());
        QVERIFY(vue->apercuCorps().startsWith(QStringLiteral("\n\u2014 Aucune")));
        vue->editeurPied()->setFocus();
        QTest::keyClicks(vue->editeurPied(), QStringLiteral(" !"));
        QCOMPARE(vue->prefs()->footerTemplate(), QStringLiteral(" !Merci,\n\nKestrovan"));
        vue->editeurLigne()->setText(QStringLiteral("- {{client}}"));
    }
    b.rouvrir();
    const QList<EmailChauffeurPreferences*> prefs = b.context()->fetch<EmailChauffeurPreferences>();
    QCOMPARE(prefs.size(), 1);
    QCOMPARE(prefs[0]->subjectTemplate(), QStringLiteral("Tour {{prenom}}"));
    QCOMPARE(prefs[0]->headerTemplate(), QString());
    QCOMPARE(prefs[0]->operationLineTemplate(), QStringLiteral("- {{client}}"));
    QCOMPARE(prefs[0]->footerTemplate(), QStringLiteral(" !Merci,\n\nKestrovan"));

    // Coming back shows the texts as saved; the reset asks first ("Annuler" keeps the texts),
    // then puts the defaults back.
    auto vue = ouvrir(b.context());
    QCOMPARE(vue->editeurSujet()->text(), QStringLiteral("Tour {{prenom}}"));
    QTest::mouseClick(vue->boutonReinitialiser(), Qt::LeftButton);
    QMessageBox* question = fixtures::openBox(vue.get(), QStringLiteral("confirmation"));
    QVERIFY(question);
    QCOMPARE(fixtures::shownText(question->defaultButton()), QStringLiteral("Annuler"));
    QVERIFY(fixtures::clickBoxButton(question, QStringLiteral("Annuler")));
    QCOMPARE(vue->prefs()->subjectTemplate(), QStringLiteral("Tour {{prenom}}"));
    QTest::mouseClick(vue->boutonReinitialiser(), Qt::LeftButton);
    QVERIFY(fixtures::clickBoxButton(fixtures::openBox(vue.get(), QStringLiteral("confirmation")),
                                     QStringLiteral("Réinitialiser")));
    QCOMPARE(ModelesEmail::de(*vue->prefs()), ModelesEmail::parDefaut());
    QCOMPARE(vue->modelesSaisis(), ModelesEmail::parDefaut());
    QVERIFY(!b.context()->hasChanges());
    QVERIFY(vue->apercuSujet().startsWith(QStringLiteral("Planning du lundi 7 décembre 2026")));

    // A second window: what one types shows in the other's editors not typed in, and a key in
    // one never writes back the other's older text.
    auto autre = ouvrir(b.context());
    vue->editeurSujet()->setFocus();
    QTest::keyClicks(vue->editeurSujet(), QStringLiteral(" A"));
    const QString sujet = vue->editeurSujet()->text();
    QTRY_COMPARE(autre->editeurSujet()->text(), sujet);
    QTRY_VERIFY(autre->apercuSujet().contains(QStringLiteral(" A")));
    autre->editeurPied()->setFocus();
    QTest::keyClicks(autre->editeurPied(), QStringLiteral("Z"));
    QCOMPARE(vue->prefs()->subjectTemplate(), sujet);
    QCOMPARE(vue->prefs()->footerTemplate(), QStringLiteral("Z") + ModelesEmail::parDefaut().pied);
    QTRY_COMPARE(vue->editeurPied()->toPlainText(), vue->prefs()->footerTemplate());
    QCOMPARE(vue->editeurSujet()->text(), sujet);
}

void TestPreferencesEmail::failedSavesAreShown()
{
    fx::Bureau b(true);
    {
        auto vue = ouvrir(b.context());
        b.context()->failNextSave(QStringLiteral("disque plein"));
        vue->editeurSujet()->setText(QStringLiteral("Nouveau"));
        // A red line; the record shows what the file holds, the editor what was typed.
        QCOMPARE(vue->erreur(), QStringLiteral("Échec de la sauvegarde: disque plein"));
        QCOMPARE(vue->prefs()->subjectTemplate(), ModelesEmail::parDefaut().sujet);
        QCOMPARE(vue->editeurSujet()->text(), QStringLiteral("Nouveau"));
        QCOMPARE(vue->apercuSujet(), QStringLiteral("Nouveau"));
        fixtures::capture(vue.get(), QStringLiteral("preferences-echec"));
        // The next change writes it all again.
        vue->editeurPied()->setPlainText(QStringLiteral("Bye"));
        QVERIFY(vue->erreur().isEmpty());
        QCOMPARE(vue->prefs()->subjectTemplate(), QStringLiteral("Nouveau"));

        // The reset, failing: the editors show the defaults, the record keeps the saved texts.
        b.context()->failNextSave(QStringLiteral("disque plein"));
        QTest::mouseClick(vue->boutonReinitialiser(), Qt::LeftButton);
        QVERIFY(fixtures::clickBoxButton(fixtures::openBox(vue.get(), QStringLiteral("confirmation")),
                                         QStringLiteral("Réinitialiser")));
        QCOMPARE(vue->erreur(), QStringLiteral("Échec de la sauvegarde: disque plein"));
        QCOMPARE(vue->prefs()->footerTemplate(), QStringLiteral("Bye"));
        QCOMPARE(vue->modelesSaisis(), ModelesEmail::parDefaut());
    }
    b.rouvrir();
    QCOMPARE(b.context()->fetch<EmailChauffeurPreferences>().first()->footerTemplate(), QStringLiteral("Bye"));

    // No record and the default one cannot be stored: the error stands in place of the editors.
    fx::Bureau vide(true);
    vide.context()->failNextSave(QStringLiteral("lecture seule"));
    auto vue = ouvrir(vide.context());
    QCOMPARE(vue->prefs(), nullptr);
    QVERIFY(!vue->editeurSujet());
    QCOMPARE(vue->erreur(), QStringLiteral("Échec de la sauvegarde: lecture seule"));
    QVERIFY(!vide.context()->hasChanges());
    QCOMPARE(vide.context()->count<EmailChauffeurPreferences>(), 0);
}

void TestPreferencesEmail::templatesOfOneLineHoldOneLine()
{
    fx::Bureau b(true);
    auto vue = ouvrir(b.context());
    // Pasted with its line ends, each operation line stays one line of the e-mail.
    for (QLineEdit* champ : {vue->editeurSujet(), vue->editeurLigne()}) {
        QGuiApplication::clipboard()->setText(QStringLiteral("{{heure}}\r\n{{client}}\t{{ville}}\n"));
        champ->setFocus();
        champ->selectAll();
        QTest::keyClick(champ, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(champ->text(), QStringLiteral("{{heure}} {{client}} {{ville}} "));
    }
    QCOMPARE(vue->prefs()->subjectTemplate(), QStringLiteral("{{heure}} {{client}} {{ville}} "));
    QCOMPARE(vue->prefs()->operationLineTemplate(), QStringLiteral("{{heure}} {{client}} {{ville}} "));
    QVERIFY(!b.context()->hasChanges());
}

void TestPreferencesEmail::fitsTheSmallestWindow()
{
    // The content area of the smallest window, with a driver's name of 300 characters.
    fx::Bureau b;
    const QString longNom = QStringLiteral("Éloïse <b>Dupont</b> / ").repeated(13).left(300);
    b.chauffeur(longNom, longNom);
    QVERIFY(b.context()->save());
    auto vue = ouvrir(b.context());
    vue->resize(536, 400);
    fixtures::settle();
    auto* defilement = vue->findChild<QScrollArea*>(QStringLiteral("defilementPreferences"));
    QVERIFY(defilement);
    QWidget* vp = defilement->viewport();
    // Nothing is wider than the page: no field, button or text reaches past its right edge.
    QVERIFY2(defilement->widget()->width() <= vp->width(),
             qPrintable(QStringLiteral("%1 > %2").arg(defilement->widget()->width()).arg(vp->width())));
    const QList<QWidget*> champs = {vue->editeurSujet(), vue->editeurEntete(), vue->editeurLigne(), vue->editeurPied(),
                                    vue->boutonReinitialiser(), vue->choixChauffeur(), vue->choixDate()};
    for (QWidget* w : champs) {
        const QRect r(w->mapTo(vp, QPoint(0, 0)), w->size());
        QVERIFY2(r.left() >= 0 && r.right() < vp->width(),
                 qPrintable(QStringLiteral("%1 at %2 … %3 of %4").arg(w->objectName()).arg(r.left()).arg(r.right())
                                .arg(vp->width())));
    }
    for (QLabel* l : defilement->widget()->findChildren<QLabel*>()) {
        if (!l->isVisible() || l->text().isEmpty())
            continue;
        const QRect r(l->mapTo(vp, QPoint(0, 0)), l->size());
        QVERIFY2(r.right() < vp->width(), qPrintable(l->text()));
        QVERIFY2(l->wordWrap() || l->fontMetrics().horizontalAdvance(l->text()) <= l->contentsRect().width() + 1,
                 qPrintable(l->text()));
    }
    // No scroll bar inside the page that scrolls.
    for (QAbstractScrollArea* a : defilement->widget()->findChildren<QAbstractScrollArea*>())
        QVERIFY2(!a->verticalScrollBar()->isVisible() && !a->horizontalScrollBar()->isVisible(),
                 qPrintable(a->objectName()));
    // The one-line templates show their beginning, also after a reset.
    QCOMPARE(vue->editeurSujet()->cursorPosition(), 0);
    QCOMPARE(vue->editeurLigne()->cursorPosition(), 0);
    vue->reinitialiserModeles();
    QCOMPARE(vue->editeurSujet()->cursorPosition(), 0);
    QCOMPARE(vue->editeurLigne()->cursorPosition(), 0);
    fixtures::capture(vue.get(), QStringLiteral("preferences-fenetre-minimale"));
}

void TestPreferencesEmail::aKeyTypedOnArrivalReplacesNoTemplate()
{
    installWheelGuard(qApp); // as the application runs
    const auto sansGarde = qScopeGuard([] { removeWheelGuard(qApp); });
    fx::Bureau b;
    auto vue = ouvrir(b.context());
    const QString sujet = vue->prefs()->subjectTemplate();
    // The main window gives the screen's first field the keys as it opens, naming Tab so that
    // the focus shows: the cursor shows in it, nothing selected.
    QLineEdit* champ = vue->editeurSujet();
    champ->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(champ->hasFocus());
    QVERIFY(!champ->hasSelectedText());
    QTest::keyClick(champ, Qt::Key_X);
    QCOMPARE(vue->prefs()->subjectTemplate().size(), sujet.size() + 1);
    QVERIFY(vue->prefs()->subjectTemplate().contains(sujet));
    // Tab pressed by the user selects the field it reaches, as desktop fields do.
    vue->editeurEntete()->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(vue->editeurEntete(), Qt::Key_Tab);
    QTRY_VERIFY(vue->editeurLigne()->hasFocus());
    QVERIFY(vue->editeurLigne()->hasSelectedText());
}

void TestPreferencesEmail::templatesNamedByTheirLabels()
{
    fx::Bureau b;
    b.chauffeur("Léa", "Garnier");
    auto vue = ouvrir(b.context());
    QStringList noms;
    for (QWidget* editeur : std::initializer_list<QWidget*>{vue->editeurSujet(), vue->editeurEntete(), vue->editeurLigne(),
                                                             vue->editeurPied(), vue->choixChauffeur(), vue->choixDate()})
        noms << QAccessible::queryAccessibleInterface(editeur)->text(QAccessible::Name);
    // The pickers by their labels, not by the entry they show.
    QCOMPARE(noms, (QStringList{"Sujet", "En\u2011tête", "Ligne d’opération", "Pied de mail", "Chauffeur", "Date"}));
}

void TestPreferencesEmail::firstPaintShowsTheSettledPreview()
{
    fx::Bureau b;
    Client* c = b.client(QStringLiteral("Transports Morel"));
    Chauffeur* lea = nullptr;
    for (int i = 0; i < 50; ++i) {
        Chauffeur* ch = b.chauffeur(QStringLiteral("Léa %1").arg(i), QStringLiteral("Garnier"));
        lea = lea ? lea : ch;
        for (int k = 0; k < 3; ++k)
            b.location(c, b.benne(8 + k), at(2026, 12, 7 - k, 9 + k), at(2026, 12, 7, 15 + k),
                       QStringLiteral("%1 rue des Lilas, Lyon").arg(k), ch, ch);
    }
    QVERIFY(b.context()->save());
    const auto ceQuiEstVu = [](const PreferencesEmailChauffeurView* vue) {
        return QStringList{entrees(vue->choixChauffeur()).join(QLatin1Char('|')),
                           QString::number(vue->choixChauffeur()->currentIndex()),
                           vue->choixDate()->date().toString(Qt::ISODate),
                           vue->editeurSujet()->text(),
                           vue->editeurEntete()->toPlainText(),
                           vue->editeurLigne()->text(),
                           vue->editeurPied()->toPlainText(),
                           vue->apercuSujet(),
                           vue->apercuCorps()};
    };
    PreferencesEmailChauffeurView vue(b.context(), nullptr, Horloge::fixe(at(2026, 12, 7, 10), fx::paris()));
    vue.resize(1600, 1000);
    PremierePeinture<QStringList> premiere(vue.findChild<QLabel*>(QStringLiteral("apercuCorps")),
                                           [&] { return ceQuiEstVu(&vue); });
    vue.show();
    QTRY_VERIFY(premiere.peinte());
    fixtures::settle();
    const QStringList apres = ceQuiEstVu(&vue);
    QCOMPARE(premiere.vu(), apres);
    // The first driver's day: his placement and his removals.
    QCOMPARE(vue.previewChauffeur(), lea);
    const qsizetype avant = vue.previewOps().size();
    QVERIFY(avant >= 2);
    QVERIFY(apres.last().contains(QStringLiteral("2 rue des Lilas")));

    // Shown again after a change made while it was hidden, the preview follows the store.
    vue.hide();
    b.location(c, b.benne(20), at(2026, 12, 7, 11), std::nullopt, QStringLiteral("9 rue Neuve, Lyon"), lea);
    QVERIFY(b.context()->save());
    vue.show();
    fixtures::settle();
    QCOMPARE(vue.previewOps().size(), avant + 1);
    QVERIFY(vue.apercuCorps().contains(QStringLiteral("9 rue Neuve, Lyon")));
}
