#include "feuillenouvellelocation.h"

#include "formulairelocationview.h"

#include <QDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QPointer>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

namespace kv {

QDialog* feuilleNouvelleLocation(QWidget* over, ModelContext* context, const QUuid& benneId,
                                 std::function<void()> onDismiss, AdresseService* service, const Horloge& horloge)
{
    auto* feuille = new QDialog(over ? over->window() : nullptr);
    feuille->setObjectName(QStringLiteral("feuilleNouvelleLocation"));
    feuille->setWindowTitle(QStringLiteral("Nouvelle location de benne"));
    feuille->setAttribute(Qt::WA_DeleteOnClose);
    feuille->setWindowModality(Qt::WindowModal);
    feuille->setMinimumSize(480, 630);
    feuille->resize(600, 630);

    // One dismissal, whoever asks first.
    auto rappel = std::make_shared<std::function<void()>>(std::move(onDismiss));
    auto fermer = [rappel] {
        if (auto f = std::exchange(*rappel, {}))
            f();
    };
    QPointer<QDialog> garde(feuille);
    auto* formulaire = new FormulaireLocationView(context, benneId, [garde, fermer] {
        fermer();
        if (garde)
            garde->accept();
    }, service, feuille, horloge);
    auto* layout = new QVBoxLayout(feuille);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(formulaire);
    QObject::connect(feuille, &QDialog::finished, feuille, [fermer] { fermer(); });
    // Taller than its default when its fields need it, as far as the screen allows; beyond, the
    // fields scroll.
    if (QScreen* ecran = over ? over->screen() : QGuiApplication::primaryScreen()) {
        const int voulu = layout->sizeHint().height();
        const int place = ecran->availableGeometry().height() - 60;
        feuille->resize(feuille->width(), std::clamp(voulu, feuille->height(), std::max(place, feuille->height())));
    }
    feuille->open();
    return feuille;
}

FormulaireLocationView* formulaireDe(QDialog* feuille)
{
    return feuille ? feuille->findChild<FormulaireLocationView*>() : nullptr;
}

} // namespace kv
