#include "boutonsauclavier.h"

#include <QPushButton>

namespace kv {

void retourPresseLesBoutons(QWidget* ecran)
{
    for (QPushButton* bouton : ecran->findChildren<QPushButton*>())
        bouton->setAutoDefault(true);
}

} // namespace kv
