// Renders the rental screens to PNG files for looking at them (not a test):
//     captures_rentals <folder>

#include "fauxservice.h"
#include "outils.h"

#include "rentals/adresseautocompleteur.h"
#include "rentals/citysearchpopup.h"
#include "rentals/flipview.h"
#include "rentals/formulairelocationview.h"
#include "rentals/vuesuggestionsadresse.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QSettings>
#include <QStandardPaths>

using namespace kv;

namespace {

void enregistrer(QWidget* w, const QString& dossier, const QString& nom)
{
    QApplication::processEvents();
    w->grab().save(QDir(dossier).filePath(nom + QStringLiteral(".png")));
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("TAV-tests"));
    QCoreApplication::setApplicationName(QStringLiteral("KestrovanCaptures"));
    QSettings().clear();
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    const QString dossier = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath();
    const QSize taille = argc > 2 ? QSize(900, 760) : QSize(600, 700);

    FauxGeocodage faux;
    faux.reponseParDefaut = collection({{"12 Rue de la Paix", "75002", "Paris", 2.331, 48.869},
                                        {"12 Rue de la Paix", "69003", "Lyon", 4.85, 45.76},
                                        {"12 Rue de la Paix", "13001", "Marseille", 5.37, 43.29}});
    AdresseService service(faux.baseUrl());

    {
        auto ctx = outils::store();
        FormulaireLocationView vide(ctx.get(), QUuid::createUuid(), [] {}, &service);
        vide.resize(taille);
        vide.show();
        enregistrer(&vide, dossier, QStringLiteral("configuration"));
    }

    auto ctx = outils::store();
    outils::client(ctx.get(), QStringLiteral("Alpha Maçonnerie"));
    outils::client(ctx.get(), QStringLiteral("Zeta TP"));
    outils::type(ctx.get(), QStringLiteral("Gravats"));
    Benne* b = outils::benne(ctx.get());
    outils::sauver(ctx.get());
    FormulaireLocationView form(ctx.get(), b->id(), [] {}, &service);
    form.resize(taille);
    form.show();
    enregistrer(&form, dossier, QStringLiteral("formulaire"));

    form.autoCompleteur()->setDelaiSaisieMs(0);
    form.champAdresse()->setText(QStringLiteral("12 rue de la Paix"));
    while (form.autoCompleteur()->suggestions().isEmpty())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    enregistrer(&form, dossier, QStringLiteral("suggestions"));

    form.interrupteurTarifs()->setChecked(true);
    while (form.carteTarifs()->isAnimating())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    form.autoCompleteur()->viderSuggestions();
    enregistrer(&form, dossier, QStringLiteral("tarifs"));

    form.ouvrirRechercheVille();
    CitySearchPopup* popup = form.popupVille();
    popup->champVille()->setText(QStringLiteral("Pari"));
    faux.reponseParDefaut = collection({{"Paris", "75056", "Paris", 2.35, 48.85},
                                        {"Pariseul", "", "Pariseul", 1.5, 47.1}});
    QEventLoop attente;
    QObject::connect(popup->findChild<VueSuggestionsAdresse*>()->model(), &QAbstractItemModel::modelReset,
                     &attente, &QEventLoop::quit);
    attente.exec();
    enregistrer(popup, dossier, QStringLiteral("ville"));
    return 0;
}
