#include "dialogs.h"

#include <QMessageBox>
#include <QPushButton>

namespace kv::forms {

QMessageBox* askConfirmation(QWidget* over, const QString& title, const QString& message,
                             const QString& confirmText, const QString& cancelText,
                             std::function<void()> onConfirm)
{
    QWidget* window = over ? over->window() : nullptr;
    auto* box = new QMessageBox(QMessageBox::Warning, title, message, QMessageBox::NoButton, window);
    box->setObjectName(QStringLiteral("confirmation"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->setInformativeText(QString());
    box->setText(title);
    box->setInformativeText(message);
    QPushButton* confirm = box->addButton(confirmText, QMessageBox::DestructiveRole);
    confirm->setStyleSheet(QStringLiteral("color: #D92D20;"));
    QPushButton* cancel = box->addButton(cancelText, QMessageBox::RejectRole);
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    QObject::connect(box, &QMessageBox::buttonClicked, box,
                     [confirm, onConfirm = std::move(onConfirm)](QAbstractButton* b) {
                         if (b == confirm && onConfirm)
                             onConfirm();
                     });
    box->open();
    return box;
}

QMessageBox* showError(QWidget* over, const QString& text)
{
    QWidget* window = over ? over->window() : nullptr;
    auto* box = new QMessageBox(QMessageBox::Critical, QStringLiteral("Kestrovan"), text,
                                QMessageBox::Ok, window);
    box->setObjectName(QStringLiteral("erreur"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->open();
    return box;
}

} // namespace kv::forms
