#include "dialogconventions.h"

#include "accessiblenames.h"

#include "forms/singleline.h"

#include "forms/dialogs.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>

#include <algorithm>
#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTextEdit>
#include <QTimer>

namespace kv {

namespace {

bool takesKeys(const QWidget* w)
{
    return !w->isHidden() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus);
}

bool isField(const QWidget* w)
{
    if (auto* line = qobject_cast<const QLineEdit*>(w))
        return !line->isReadOnly();
    if (auto* text = qobject_cast<const QTextEdit*>(w))
        return !text->isReadOnly();
    if (auto* plain = qobject_cast<const QPlainTextEdit*>(w))
        return !plain->isReadOnly();
    if (auto* spin = qobject_cast<const QAbstractSpinBox*>(w))
        return !spin->isReadOnly();
    return qobject_cast<const QComboBox*>(w) != nullptr;
}

QWidget* firstFieldIn(QLayout* layout);

// A widget is searched itself, then through its own layout.
QWidget* firstFieldIn(QWidget* w)
{
    if (w->isHidden() || !w->isEnabled())
        return nullptr;
    if (isField(w))
        return takesKeys(w) ? w : nullptr;
    if (auto* area = qobject_cast<QScrollArea*>(w))
        return area->widget() ? firstFieldIn(area->widget()) : nullptr;
    return w->layout() ? firstFieldIn(w->layout()) : nullptr;
}

QWidget* firstFieldIn(QLayout* layout)
{
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem* item = layout->itemAt(i);
        QWidget* found = nullptr;
        if (QWidget* w = item->widget())
            found = firstFieldIn(w);
        else if (QLayout* inner = item->layout())
            found = firstFieldIn(inner);
        if (found)
            return found;
    }
    return nullptr;
}

// Qt's own dialogs (files, printing, colours) place their focus themselves.
bool isOurs(const QDialog* dialog)
{
    const QLatin1String name(dialog->metaObject()->className());
    return !name.startsWith(QLatin1Char('Q')) || name == QLatin1String("QDialog")
           || name == QLatin1String("QMessageBox");
}

// The position of the letter marked by a single '&' ("&&" is an ampersand shown), or -1.
qsizetype altLetterAt(const QString& text)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text.at(i) != QLatin1Char('&'))
            continue;
        if (text.at(i + 1) != QLatin1Char('&'))
            return i + 1;
        ++i;
    }
    return -1;
}

bool typableLetter(QChar c)
{
    return c.unicode() < 128 && c.isLetterOrNumber();
}

// The position in `text` of the letter to mark, not one of `taken`; -1 when every letter is.
qsizetype freeLetter(const QString& text, const QString& taken)
{
    auto isFree = [&](qsizetype i) {
        return typableLetter(text.at(i)) && !taken.contains(text.at(i).toLower());
    };
    auto startsWord = [&](qsizetype i) {
        return i == 0 || text.at(i - 1).isSpace() || text.at(i - 1) == QLatin1Char('\'')
               || text.at(i - 1) == QChar(0x2019) || text.at(i - 1) == QLatin1Char('-');
    };
    for (bool wordsFirst : {true, false})
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text.at(i) == QLatin1Char('&')) {
                ++i; // "&&": the shown ampersand is no letter
                continue;
            }
            if (isFree(i) && (!wordsFirst || startsWord(i)))
                return i;
        }
    return -1;
}

// The position of the first letter a keyboard types in `text` ("&&" is no letter), or -1.
qsizetype firstLetter(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('&'))
            ++i;
        else if (text.at(i).isLetterOrNumber())
            return typableLetter(text.at(i)) ? i : -1;
    }
    return -1;
}

const char* const kPreparedProperty = "kvDialogPrepared";

// Brings `w` whole into sight in every scroll area around it, the innermost first, as far as each
// view holds it (its top kept when it is taller). Qt scrolls only as far as a text box's cursor.
void scrollWholeIntoSight(QWidget* w)
{
    for (QWidget* p = w->parentWidget(); p; p = p->parentWidget()) {
        auto* area = qobject_cast<QScrollArea*>(p);
        if (!area || !area->widget() || !area->widget()->isAncestorOf(w))
            continue;
        const QRect box(w->mapTo(area->widget(), QPoint(0, 0)), w->size());
        area->ensureVisible(box.left(), box.y() + box.height(), 0, 0);
        area->ensureVisible(box.left(), box.top(), 0, 0);
    }
}

// A message box of ours that asks: it has more than one answer.
bool isQuestion(const QWidget* w)
{
    auto* box = qobject_cast<const QMessageBox*>(w);
    return box && box->isWindow() && box->buttons().size() > 1;
}

// The question standing open over the same window as `box`, other than `box` itself.
QMessageBox* questionBeside(const QMessageBox* box)
{
    QWidget* over = box->parentWidget() ? box->parentWidget()->window() : nullptr;
    if (!over)
        return nullptr;
    for (QMessageBox* other : over->findChildren<QMessageBox*>(Qt::FindDirectChildrenOnly))
        if (other != box && other->isVisible() && !other->testAttribute(Qt::WA_DontShowOnScreen)
            && isQuestion(other))
            return other;
    return nullptr;
}

// The room a title bar needs for `title`: the text in the bar's bold font, its buttons beside.
int titleBarWidth(const QWidget* window)
{
    QFont bold = window->font();
    bold.setBold(true);
    return QFontMetrics(bold).horizontalAdvance(window->windowTitle()) + 160;
}

// A dialog at least as wide as its title needs, within its screen: a window manager cuts a title
// too long for its bar in the middle (« Export… ration »).
void fitTitle(QDialog* dialog)
{
    if (dialog->windowTitle().isEmpty() || qobject_cast<QMessageBox*>(dialog))
        return;
    int width = titleBarWidth(dialog);
    if (const QScreen* screen = dialog->screen())
        width = std::min(width, screen->availableGeometry().width() - 40);
    if (dialog->minimumWidth() < width && dialog->maximumWidth() >= width)
        dialog->setMinimumWidth(width);
}

// Brings a dialog that grew past its screen's foot (a message box opening its details) back
// within the screen: moved up, and where it is taller than the screen, its details shortened.
void keepOnScreen(QDialog* dialog)
{
    const QScreen* screen = dialog->screen();
    if (!screen || !dialog->isVisible())
        return;
    const QRect room = screen->availableGeometry();
    QRect frame = dialog->frameGeometry();
    if (frame.height() > room.height()) {
        if (auto* details = dialog->findChild<QTextEdit*>(); details && details->isVisible()) {
            const int lines = details->fontMetrics().lineSpacing() * 3;
            details->setFixedHeight(std::max(lines, details->height() - (frame.height() - room.height())));
            return; // resized again: seen to then
        }
    }
    if (frame.bottom() <= room.bottom() && frame.top() >= room.top() && frame.left() >= room.left()
        && frame.right() <= room.right())
        return;
    // Each way, its near edge within the screen; its far edge too where it is not larger.
    const int top = std::max(room.top(), std::min(frame.top(), room.bottom() + 1 - frame.height()));
    const int left = std::max(room.left(), std::min(frame.left(), room.right() + 1 - frame.width()));
    dialog->move(dialog->x() + (left - frame.left()), dialog->y() + (top - frame.top()));
}

class DialogConventions : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // Return presses the focused push button, in a window as in a dialog, as Space does:
        // Qt leaves Return to buttons of dialogs only (and there to the default one).
        if (event->type() == QEvent::KeyPress) {
            auto* button = qobject_cast<QPushButton*>(watched);
            const auto* key = static_cast<QKeyEvent*>(event);
            if (button && button->hasFocus() && button->isEnabled() && !key->isAutoRepeat()
                && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
                && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
                button->click();
                return true;
            }
        }
        if (event->type() == QEvent::FocusIn && watched->isWidgetType()) {
            // A stop reached by Tab is seen whole, once the scroll area has scrolled as it does.
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason) {
                auto* w = static_cast<QWidget*>(watched);
                QTimer::singleShot(0, w, [w] { scrollWholeIntoSight(w); });
            }
        }
        if (event->type() == QEvent::Resize && watched->isWidgetType() && static_cast<QWidget*>(watched)->isWindow())
            if (auto* dialog = qobject_cast<QDialog*>(watched)) {
                QPointer<QDialog> grown(dialog);
                // Once the window has its new frame.
                QTimer::singleShot(0, dialog, [grown] {
                    if (grown)
                        keepOnScreen(grown);
                });
            }
        if (event->type() == QEvent::WindowStateChange && watched->isWidgetType()
            && static_cast<QWidget*>(watched)->isWindow())
            keepSheetsWithTheirWindow(static_cast<QWidget*>(watched));
        if (event->type() == QEvent::ToolTipChange && watched->isWidgetType())
            nameUnnamedControl(static_cast<QWidget*>(watched));
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            nameUnnamedControl(static_cast<QWidget*>(watched));
            // Every menu, the bar's as a screen's context menu, has a letter on each item.
            if (auto* menu = qobject_cast<QMenu*>(watched))
                giveMenuLetters(menu);
            // Every text field of the program holds one line, made anywhere, and shows its start.
            if (auto* field = qobject_cast<QLineEdit*>(watched)) {
                forms::keepOnOneLine(field);
                forms::showStartWhileIdle(field);
            }
            auto* dialog = qobject_cast<QDialog*>(watched);
            if (dialog && dialog->isWindow())
                fitTitle(dialog);
            if (dialog && dialog->isWindow() && isOurs(dialog)) {
                if (refuseSecondQuestion(dialog))
                    return true;
                prepare(dialog);
            }
        }
        return false;
    }

private:
    // The dialogs that stand over `window` and keep it from taking the keys.
    static QList<QDialog*> sheetsOver(QWidget* window)
    {
        QList<QDialog*> sheets;
        for (QDialog* d : window->findChildren<QDialog*>())
            if (d->isWindow() && d->isVisible() && d->windowModality() != Qt::NonModal && d->parentWidget()
                && d->parentWidget()->window() == window)
                sheets.append(d);
        return sheets;
    }

    // A sheet goes and comes back with its window, never on its own: a sheet minimised alone
    // leaves its window refusing every key and click, and a window restored without its sheet
    // seems frozen. Looked at once the window manager has told every window's new state.
    static void keepSheetsWithTheirWindow(QWidget* changed)
    {
        QPointer<QWidget> w(changed);
        QTimer::singleShot(0, changed, [w] {
            if (!w)
                return;
            auto* dialog = qobject_cast<QDialog*>(w.data());
            QWidget* below = dialog && dialog->parentWidget() ? dialog->parentWidget()->window() : nullptr;
            if (below && dialog->isMinimized() && !below->isMinimized() && sheetsOver(below).contains(dialog))
                bringBack(dialog);
            if (!w->isMinimized())
                for (QDialog* sheet : sheetsOver(w))
                    if (sheet->isMinimized())
                        bringBack(sheet);
        });
    }

    static void bringBack(QWidget* sheet)
    {
        sheet->setWindowState(sheet->windowState() & ~Qt::WindowMinimized);
        sheet->show();
        sheet->raise();
        sheet->activateWindow();
    }

    // One question at a time over a window: a question asked while another stands open (a
    // timer, a queued call, a key that reached the window past the open one) is refused, never
    // kept behind the open one to take its place once it is answered. The refused box never
    // reaches the screen and closes unanswered, so that what it would have done is not done; the
    // open question comes forward, still waiting for its answer.
    static bool refuseSecondQuestion(QDialog* dialog)
    {
        if (!isQuestion(dialog))
            return false;
        QMessageBox* open = questionBeside(static_cast<QMessageBox*>(dialog));
        if (!open)
            return false;
        // Set before the window is mapped: the show under way ends here, off screen and modal to
        // nothing.
        dialog->setAttribute(Qt::WA_DontShowOnScreen);
        QPointer<QDialog> refused(dialog);
        QTimer::singleShot(0, dialog, [refused] {
            if (refused)
                refused->done(QDialog::Rejected);
        });
        open->raise();
        open->activateWindow();
        return true;
    }

    static void prepare(QDialog* dialog)
    {
        if (auto* box = qobject_cast<QMessageBox*>(dialog); box && !box->property(kPreparedProperty).toBool()) {
            box->setProperty(kPreparedProperty, true);
            makeTextsPlain(box);
            forms::fitMessageBox(box);
        }
        giveAltLetters(dialog);
        focusFirstField(dialog);
    }
};

} // namespace

void installDialogConventions()
{
    static const char* const installed = "kvDialogConventions";
    auto* app = QCoreApplication::instance();
    if (!app || app->property(installed).toBool())
        return;
    app->setProperty(installed, true);
    installAccessibleNames();
    app->installEventFilter(new DialogConventions(app));
}

QWidget* firstField(QWidget* dialog)
{
    return dialog && dialog->layout() ? firstFieldIn(dialog->layout()) : nullptr;
}

void giveKeysUnselected(QWidget* w, Qt::FocusReason reason)
{
    if (!w)
        return;
    w->setFocus(reason);
    // A spin box or an editable combo box types into a line edit of its own.
    auto* line = qobject_cast<QLineEdit*>(w);
    if (!line && (qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<QComboBox*>(w)))
        line = w->findChild<QLineEdit*>();
    if (line && line->hasSelectedText()) {
        line->deselect();
        line->end(false);
    }
}

void focusFirstField(QDialog* dialog)
{
    QWidget* current = dialog->focusWidget();
    if (current && isField(current) && current->window() == dialog)
        return;
    if (QWidget* field = firstField(dialog)) {
        giveKeysUnselected(field);
        return;
    }
    for (QPushButton* button : dialog->findChildren<QPushButton*>())
        if (button->isDefault() && takesKeys(button)) {
            button->setFocus(Qt::TabFocusReason);
            return;
        }
}

void makeTextsPlain(QMessageBox* box)
{
    box->setTextFormat(Qt::PlainText);
    // The informative and detailed texts have labels of their own.
    for (QLabel* label : box->findChildren<QLabel*>())
        if (label->pixmap().isNull())
            label->setTextFormat(Qt::PlainText);
}

void giveAltLetters(QWidget* window)
{
    if (!window)
        return;
    QString taken;
    auto takeFrom = [&](const QString& text) {
        const qsizetype at = altLetterAt(text);
        if (at >= 0)
            taken += text.at(at).toLower();
    };
    auto ownWindow = [window](const QWidget* w) { return w->window() == window; };
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
        if (ownWindow(button))
            takeFrom(button->text());
    for (QLabel* label : window->findChildren<QLabel*>())
        if (ownWindow(label) && label->buddy())
            takeFrom(label->text());
    for (QPushButton* button : window->findChildren<QPushButton*>()) {
        const QString text = button->text();
        if (!ownWindow(button) || text.isEmpty() || altLetterAt(text) >= 0)
            continue;
        const qsizetype at = freeLetter(text, taken);
        if (at < 0)
            continue;
        taken += text.at(at).toLower();
        button->setText(QString(text).insert(at, QLatin1Char('&')));
    }
}

void giveMenuLetters(QMenu* menu)
{
    if (!menu)
        return;
    const QList<QAction*> actions = menu->actions();
    QString taken;
    for (const QAction* action : actions)
        if (const qsizetype at = altLetterAt(action->text()); at >= 0)
            taken += action->text().at(at).toLower();
    // Each item's own first letter where no item above took it, so that a user who reads the
    // menu finds most items under their first letter; then a free letter for the others.
    for (bool firstOnly : {true, false})
        for (QAction* action : actions) {
            const QString text = action->text();
            if (action->isSeparator() || text.isEmpty() || altLetterAt(text) >= 0)
                continue;
            qsizetype at = firstOnly ? firstLetter(text) : freeLetter(text, taken);
            if (at < 0 || taken.contains(text.at(at).toLower()))
                continue;
            taken += text.at(at).toLower();
            action->setText(QString(text).insert(at, QLatin1Char('&')));
        }
}

} // namespace kv
