#include "listeentiere.h"

#include <QAbstractItemView>
#include <QScrollBar>

namespace kv {

void montrerToutesLesLignes(QAbstractItemView* liste)
{
    liste->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const int lignes = liste->model() ? liste->model()->rowCount() : 0;
    const int ligne = lignes > 0 ? std::max(1, liste->sizeHintForRow(0)) : 0;
    const int barre = liste->horizontalScrollBar()->isVisible() ? liste->horizontalScrollBar()->sizeHint().height() : 0;
    liste->setFixedHeight(lignes * ligne + 2 * liste->frameWidth() + barre + 2);
}

} // namespace kv
