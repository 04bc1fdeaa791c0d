#pragma once

// The warnings of the report screens: window-modal, they return at once and delete themselves
// when closed. Tests find them among the screen's children by their object name or text.

#include <QString>

class QMessageBox;
class QWidget;

namespace kv {

QMessageBox* avertir(QWidget* ecran, const QString& texte, const QString& detail, const QString& nom);

} // namespace kv
