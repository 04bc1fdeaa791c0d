#include "dialogs.h"

#include "formstyle.h"

#include "widgets/dialogconventions.h"
#include "widgets/plaintext.h"

#include <algorithm>

#include <QApplication>
#include <QGridLayout>
#include <QLocale>
#include <QPainter>
#include <QSpacerItem>
#include <QMessageBox>
#include <QPushButton>

namespace kv::forms {

Question naming(Question question, const QStringList& names)
{
    constexpr int kNamed = 3;
    // Room for a name with all that tells it from its look-alikes (town, street, phone).
    constexpr int kLongest = 120;
    QStringList quoted;
    for (const QString& name : names.mid(0, names.size() > kNamed + 1 ? kNamed : kNamed + 1))
        quoted.append(QStringLiteral("« %1 »").arg(quotedBeginning(name, kLongest)));
    if (quoted.isEmpty())
        return question;
    QString line = quoted.join(QStringLiteral(", "));
    if (const qsizetype more = names.size() - quoted.size(); more > 0)
        line += QStringLiteral(" et %1 autres").arg(QLocale().toString(more));
    question.message = question.message.isEmpty() ? line : line + QLatin1Char('\n') + question.message;
    return question;
}

QMessageBox* askConfirmation(QWidget* over, const QString& title, const QString& message,
                             const QString& confirmText, const QString& cancelText,
                             std::function<void()> onConfirm)
{
    return askConfirmation(over, Question{title, message}, confirmText, cancelText, std::move(onConfirm));
}

namespace {

// The colour as a row shows it, outlined so that it reads on the box's background.
QPixmap swatchPicture(const QColor& colour, const QWidget* box)
{
    const qreal dpr = box->devicePixelRatioF();
    QPixmap picture(QSize(48, 32) * dpr);
    picture.setDevicePixelRatio(dpr);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(markOutline(colour, box->palette().color(QPalette::Window)), 1.5));
    p.setBrush(colour);
    p.drawRoundedRect(QRectF(1, 1, 46, 30), 7, 7);
    return picture;
}

} // namespace

QMessageBox* askConfirmation(QWidget* over, const Question& question, const QString& confirmText,
                             const QString& cancelText, std::function<void()> onConfirm)
{
    QWidget* window = over ? over->window() : nullptr;
    auto* box = new QMessageBox(QMessageBox::Warning, question.title, question.message, QMessageBox::NoButton, window);
    box->setObjectName(QStringLiteral("confirmation"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->setInformativeText(QString());
    box->setText(question.title);
    box->setInformativeText(question.message);
    if (question.swatch.isValid())
        box->setIconPixmap(swatchPicture(question.swatch, box));
    QPushButton* confirm = box->addButton(confirmText, QMessageBox::DestructiveRole);
    // On the face as the styles shade it, lighter than the palette's button colour.
    const QColor face = confirm->palette().color(QPalette::Button);
    confirm->setStyleSheet(QStringLiteral("color: %1;").arg(
        inkOnAll(dangerTextColor(face), {face, face.lighter(150), face.darker(110)}, 5.5).name()));
    QPushButton* cancel = box->addButton(cancelText, QMessageBox::RejectRole);
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    giveAltLetters(box);
    fitMessageBox(box);
    QObject::connect(box, &QMessageBox::buttonClicked, box,
                     [confirm, onConfirm = std::move(onConfirm)](QAbstractButton* b) {
                         if (b == confirm && onConfirm)
                             onConfirm();
                     });
    box->open();
    return box;
}

QMessageBox* askToSaveChanges(QWidget* over, std::function<bool()> save, std::function<void()> proceed,
                              Leaving why)
{
    QWidget* window = over ? over->window() : nullptr;
    auto* box = new QMessageBox(QMessageBox::Question, QStringLiteral("Kestrovan"),
                                QStringLiteral("Enregistrer les modifications ?"),
                                QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, window);
    box->setObjectName(QStringLiteral("enregistrerModifications"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->setInformativeText(QStringLiteral("Les modifications non enregistrées seront perdues."));
    box->button(QMessageBox::Save)->setText(QStringLiteral("Enregistrer"));
    box->button(QMessageBox::Discard)->setText(QStringLiteral("Ne pas enregistrer"));
    box->button(QMessageBox::Cancel)->setText(QStringLiteral("Annuler"));
    box->setDefaultButton(why == Leaving::takingBack ? QMessageBox::Discard : QMessageBox::Save);
    box->setEscapeButton(QMessageBox::Cancel);
    giveAltLetters(box);
    fitMessageBox(box);
    QObject::connect(box, &QMessageBox::finished, box,
                     [box, save = std::move(save), proceed = std::move(proceed)](int) {
                         const QMessageBox::StandardButton chosen = box->standardButton(box->clickedButton());
                         if (chosen == QMessageBox::Save) {
                             if (save && save() && proceed)
                                 proceed();
                         } else if (chosen == QMessageBox::Discard) {
                             if (proceed)
                                 proceed();
                         }
                     });
    box->open();
    return box;
}

bool quitsWithoutQuestions()
{
    return qApp && qApp->property("kv.quitWithoutQuestions").toBool();
}

void fitMessageBox(QMessageBox* box)
{
    auto* grid = qobject_cast<QGridLayout*>(box->layout());
    if (!grid || box->property("kvFitted").toBool())
        return;
    box->setProperty("kvFitted", true);
    const QFontMetrics fm(box->font());
    QFont bold = box->font();
    bold.setBold(true);
    // Room for the title bar's buttons beside the title; the longest text on two lines at most.
    const int title = QFontMetrics(bold).horizontalAdvance(box->windowTitle()) + 160;
    const int text = std::max(fm.horizontalAdvance(box->text()), fm.horizontalAdvance(box->informativeText()) / 2) + 110;
    const int width = std::clamp(std::max(title, text), 380, 600);
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Fixed, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

QMessageBox* showError(QWidget* over, const QString& text)
{
    QWidget* window = over ? over->window() : nullptr;
    auto* box = new QMessageBox(QMessageBox::Critical, QStringLiteral("Kestrovan"), text,
                                QMessageBox::Ok, window);
    box->setObjectName(QStringLiteral("erreur"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    giveAltLetters(box);
    fitMessageBox(box);
    box->open();
    return box;
}

} // namespace kv::forms
