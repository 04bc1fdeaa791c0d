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
    // 600 × 630, taller when its fields need it, within the window it covers and the screen;
    // beyond, the fields scroll. It is never narrower than its fields (the prices card), nor
    // too short for the buttons under some of them.
    QWidget* fenetre = over ? over->window() : nullptr;
    const QScreen* ecran = over ? over->screen() : QGuiApplication::primaryScreen();
    int place = ecran ? ecran->availableGeometry().height() - 60 : 630;
    if (fenetre)
        place = std::min(place, fenetre->height());
    const int largeurMin = std::max(480, formulaire->minimumSizeHint().width());
    const int hauteurMin = std::min(360, std::max(place, 0));
    feuille->setMinimumSize(largeurMin, hauteurMin);
    const int voulu = std::max(630, layout->sizeHint().height());
    feuille->resize(std::max(600, largeurMin), std::max(hauteurMin, std::min(voulu, place)));
    feuille->open();
    return feuille;
}

FormulaireLocationView* formulaireDe(QDialog* feuille)
{
    return feuille ? feuille->findChild<FormulaireLocationView*>() : nullptr;
}

} // namespace kv
