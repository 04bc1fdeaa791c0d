#include "tests.h"

#include "screenfixtures.h"
#include "widgets/dialogconventions.h"
#include "widgets/forms/dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSet>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <memory>

using namespace kv;

namespace {

// The letter Alt presses for this text, lower case; none when it has no mark.
QChar altLetter(const QString& text)
{
    const QKeySequence key = QKeySequence::mnemonic(text);
    if (key.isEmpty())
        return {};
    return QChar(key[0].key()).toLower();
}

// A shown window the questions open over, active as a user's window is.
struct Over {
    QWidget window;
    int saves = 0; // what the questions asked over it did
    int proceeds = 0;
    // Asks whether to save the changes, counting what the answer does.
    QMessageBox* askToSave()
    {
        return forms::askToSaveChanges(
            &window, [this] { ++saves; return true; }, [this] { ++proceeds; });
    }
    Over()
    {
        window.resize(400, 300);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }
};

// Presses Alt and the letter of the box's button that reads `shown`, then waits for the box to go.
void pressAltFor(QMessageBox* box, const QString& shown)
{
    QVERIFY(box);
    // The window manager gives a new dialog the keyboard; the test platform is told to.
    box->activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), box);
    QAbstractButton* button = nullptr;
    for (QAbstractButton* b : box->buttons())
        if (fixtures::shownText(b) == shown)
            button = b;
    QVERIFY2(button, qPrintable(shown));
    const QChar letter = altLetter(button->text());
    QVERIFY2(!letter.isNull(), qPrintable(button->text()));
    const QPointer<QMessageBox> watched(box);
    QTest::keyClick(box, letter.toLatin1(), Qt::AltModifier);
    QTRY_VERIFY(!watched || !watched->isVisible());
}

QSet<QChar> lettersOf(const QList<QAbstractButton*>& buttons)
{
    QSet<QChar> letters;
    for (QAbstractButton* b : buttons)
        letters.insert(altLetter(b->text()));
    return letters;
}

} // namespace

void DialogKeysTest::sharedQuestionsAnswerToAltLetters()
{
    Over over;

    // The texts read as before; each button has a letter of its own.
    QMessageBox* box = over.askToSave();
    QStringList shown;
    for (QAbstractButton* b : box->buttons())
        shown << fixtures::shownText(b);
    shown.sort();
    QCOMPARE(shown, QStringList({QStringLiteral("Annuler"), QStringLiteral("Enregistrer"),
                                 QStringLiteral("Ne pas enregistrer")}));
    QCOMPARE(lettersOf(box->buttons()).size(), 3);
    QVERIFY(!lettersOf(box->buttons()).contains(QChar()));

    // Each answer by its letter does what a click does.
    pressAltFor(box, QStringLiteral("Ne pas enregistrer"));
    QCOMPARE(over.saves, 0);
    QCOMPARE(over.proceeds, 1);
    pressAltFor(over.askToSave(), QStringLiteral("Enregistrer"));
    QCOMPARE(over.saves, 1);
    QCOMPARE(over.proceeds, 2);
    pressAltFor(over.askToSave(), QStringLiteral("Annuler"));
    QCOMPARE(over.saves, 1);
    QCOMPARE(over.proceeds, 2);

    // A confirmation: its letters too, the cancelling one doing nothing.
    int confirmed = 0;
    auto confirm = [&] {
        return forms::askConfirmation(&over.window, QStringLiteral("Supprimer ce client ?"),
                                      QStringLiteral("Cette action est irréversible."),
                                      QStringLiteral("Supprimer"), QStringLiteral("Annuler"), [&] { ++confirmed; });
    };
    pressAltFor(confirm(), QStringLiteral("Annuler"));
    QCOMPARE(confirmed, 0);
    pressAltFor(confirm(), QStringLiteral("Supprimer"));
    QCOMPARE(confirmed, 1);

    // An error message closes by its letter as well.
    QMessageBox* error = forms::showError(&over.window, QStringLiteral("Échec de la sauvegarde: disque plein"));
    QCOMPARE(error->buttons().size(), 1);
    pressAltFor(error, fixtures::shownText(error->buttons().first()));
}

void DialogKeysTest::everyDialogButtonGetsALetterOfItsOwn()
{
    installDialogConventions();
    Over over;
    auto dialog = std::make_unique<QDialog>(&over.window);
    auto* layout = new QVBoxLayout(dialog.get());
    auto* label = new QLabel(QStringLiteral("&Nom"), dialog.get());
    auto* field = new QLineEdit(dialog.get());
    label->setBuddy(field);
    auto* archive = new QCheckBox(QStringLiteral("&Archiver"), dialog.get());
    layout->addWidget(label);
    layout->addWidget(field);
    layout->addWidget(archive);
    // Texts starting alike, an ampersand shown, an accented first letter, a letter chosen by
    // hand, a button with only an icon.
    const QStringList texts = {QStringLiteral("Supprimer"), QStringLiteral("Sauvegarder"), QStringLiteral("Annuler"),
                               QStringLiteral("Appliquer"), QStringLiteral("Noir && blanc"), QStringLiteral("Éditer"),
                               QStringLiteral("&Garder"), QString()};
    QList<QPushButton*> buttons;
    QHash<QPushButton*, int> clicks;
    for (const QString& text : texts) {
        auto* button = new QPushButton(text, dialog.get());
        button->setAutoDefault(false);
        layout->addWidget(button);
        buttons << button;
        QObject::connect(button, &QPushButton::clicked, dialog.get(), [&clicks, button] { ++clicks[button]; });
    }
    dialog->open();
    dialog->activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), dialog.get());

    // Shown as written, each with a letter no other control of the dialog uses.
    QSet<QChar> used = {QLatin1Char('n'), QLatin1Char('a')};
    for (int i = 0; i < texts.size(); ++i) {
        QPushButton* button = buttons.at(i);
        QCOMPARE(fixtures::shownText(button), fixtures::shownText(texts.at(i)));
        if (texts.at(i).isEmpty()) {
            QCOMPARE(button->text(), QString());
            continue;
        }
        const QChar letter = altLetter(button->text());
        QVERIFY2(letter.unicode() >= 'a' && letter.unicode() <= 'z', qPrintable(button->text()));
        QVERIFY2(!used.contains(letter), qPrintable(button->text()));
        used.insert(letter);
    }
    QCOMPARE(buttons.at(6)->text(), QStringLiteral("&Garder"));
    QCOMPARE(altLetter(buttons.at(0)->text()), QLatin1Char('s'));

    // Alt and a letter presses that button and no other.
    for (int i = 0; i + 1 < texts.size(); ++i) {
        QTest::keyClick(dialog.get(), altLetter(buttons.at(i)->text()).toLatin1(), Qt::AltModifier);
        QTRY_COMPARE(clicks.value(buttons.at(i)), 1);
        int total = 0;
        for (int n : clicks)
            total += n;
        QCOMPARE(total, i + 1);
    }
    // Shown again, the letters stay as they were.
    const QString before = buttons.at(1)->text();
    dialog->hide();
    dialog->open();
    QCOMPARE(buttons.at(1)->text(), before);
    dialog->close();

    // A context menu, opened by a screen of its own, gives its items their letters too.
    QMenu menu(&over.window);
    menu.addAction(QStringLiteral("Afficher les détails"));
    menu.addAction(QStringLiteral("Dupliquer"));
    menu.popup(over.window.mapToGlobal(QPoint(10, 10)));
    QTRY_VERIFY(menu.isVisible());
    QSet<QChar> letters;
    for (QAction* item : menu.actions()) {
        const QChar letter = altLetter(item->text());
        QVERIFY2(letter.isLetter() && !letters.contains(letter), qPrintable(item->text()));
        letters.insert(letter);
    }
    menu.close();
}

void DialogKeysTest::aQuestionAskedWhileAnotherIsOpenIsRefused()
{
    installDialogConventions();
    Over over;
    int deleted = 0;
    const QPointer<QMessageBox> save = over.askToSave();
    QTRY_VERIFY(save->isVisible());

    // A delete asked meanwhile, at once or by a queued call, is never shown nor kept for later.
    auto askDelete = [&] {
        return QPointer<QMessageBox>(forms::askConfirmation(
            &over.window, QStringLiteral("Supprimer ce client ?"), QStringLiteral("Cette action est irréversible."),
            QStringLiteral("Supprimer"), QStringLiteral("Annuler"), [&] { ++deleted; }));
    };
    QList<QPointer<QMessageBox>> refused{askDelete()};
    QTimer::singleShot(0, &over.window, [&] { refused << askDelete(); });
    QTRY_COMPARE(refused.size(), 2);
    for (const QPointer<QMessageBox>& box : std::as_const(refused))
        QTRY_VERIFY(!box);
    // The open question stays, unanswered, the only one over the window.
    QVERIFY(save && save->isVisible());
    QCOMPARE(over.window.findChildren<QMessageBox*>().size(), 1);
    QCOMPARE(over.saves + over.proceeds + deleted, 0);

    // Answered, it does what its answer says and nothing else follows.
    pressAltFor(save, QStringLiteral("Ne pas enregistrer"));
    QCOMPARE(over.proceeds, 1);
    QTRY_VERIFY(over.window.findChildren<QMessageBox*>().isEmpty());
    QCOMPARE(deleted, 0);

    // Once it is answered, a question is asked as usual; an error may stand over it.
    const QPointer<QMessageBox> again = askDelete();
    QTRY_VERIFY(again && again->isVisible());
    QMessageBox* error = forms::showError(&over.window, QStringLiteral("Échec de la suppression: disque plein"));
    QTRY_VERIFY(error->isVisible());
    pressAltFor(error, fixtures::shownText(error->buttons().first()));
    pressAltFor(again, QStringLiteral("Supprimer"));
    QCOMPARE(deleted, 1);
}
