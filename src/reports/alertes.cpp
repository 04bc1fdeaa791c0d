#include "alertes.h"

#include <QMessageBox>

namespace kv {

QMessageBox* avertir(QWidget* ecran, const QString& texte, const QString& detail, const QString& nom)
{
    auto* boite = new QMessageBox(QMessageBox::Warning, texte, texte, QMessageBox::Ok, ecran);
    boite->setObjectName(nom);
    boite->setInformativeText(detail);
    boite->setWindowModality(Qt::WindowModal);
    boite->setAttribute(Qt::WA_DeleteOnClose);
    boite->open();
    return boite;
}

} // namespace kv
