// Renders the rental screens to PNG files for looking at them (not a test):
//     captures_rentals <folder>

#include "fauxservice.h"
#include "screenfixtures.h"

#include "platform/mapwidget.h"
#include "rentals/adresseautocompleteur.h"
#include "rentals/carteavecrepere.h"
#include "rentals/citysearchpopup.h"
#include "rentals/flipview.h"
#include "rentals/formulairelocationview.h"
#include "rentals/vuesuggestionsadresse.h"
#include "rentals/vuelocationbenne.h"

#include <QDateEdit>
#include <QPushButton>
#include "rentals/cartoucheanime.h"
#include "model/query.h"

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
    const QSize taille(600, 700);

    FauxGeocodage faux;
    faux.reponseParDefaut = collection({{"12 Rue de la Paix", "75002", "Paris", 2.331, 48.869},
                                        {"12 Rue de la Paix", "69003", "Lyon", 4.85, 45.76},
                                        {"12 Rue de la Paix", "13001", "Marseille", 5.37, 43.29}});
    AdresseService service(faux.baseUrl());

    {
        auto ctx = fixtures::store();
        FormulaireLocationView vide(ctx.get(), QUuid::createUuid(), [] {}, &service);
        vide.resize(taille);
        vide.show();
        enregistrer(&vide, dossier, QStringLiteral("configuration"));
    }

    auto ctx = fixtures::store();
    fixtures::client(ctx.get(), QStringLiteral("Alpha Maçonnerie"));
    fixtures::client(ctx.get(), QStringLiteral("Zeta TP"));
    fixtures::wasteType(ctx.get(), QStringLiteral("Gravats"));
    Benne* b = fixtures::benne(ctx.get(), 10);
    fixtures::saved(ctx.get());
    FormulaireLocationView form(ctx.get(), b->id(), [] {}, &service);
    form.resize(taille);
    form.show();
    enregistrer(&form, dossier, QStringLiteral("formulaire"));
    {
        // A removal date set, and the skip already booked on those days by another client.
        auto* deja = new LocationDeBenne(ctx->all<Client>().constLast(), b, std::nullopt, std::nullopt, std::nullopt, 0, 0,
                                         0, form.datePose().addDays(-1), form.datePose().addDays(2), nullptr);
        ctx->insert(deja);
        form.boutonFixerEnlevement()->click();
        form.champDateEnlevement()->setDate(form.datePose().date().addDays(4));
        QApplication::processEvents();
        enregistrer(&form, dossier, QStringLiteral("enlevement-chevauchement"));
        form.retirerDateEnlevement();
        ctx->remove(deja);
        QApplication::processEvents();
        enregistrer(&form, dossier, QStringLiteral("enlevement-non-prevu"));
    }
    if (argc > 2) {
        // Tiles from a local folder or server, e.g. file:///tmp/tiles/{z}/{x}/{y}.png
        form.carte()->carte()->setTileUrlTemplate(QString::fromLocal8Bit(argv[2]));
        form.grab(); // the paint asks for the tiles
        QEventLoop boucle;
        QTimer::singleShot(800, &boucle, &QEventLoop::quit);
        boucle.exec();
        enregistrer(&form, dossier, QStringLiteral("formulaire-tuiles"));
        form.carte()->carte()->setTileUrlTemplate(QString());
    }

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
    popup->close();

    // Rentals by client.
    {
        auto vide = fixtures::store();
        VueLocationBenne::Entrees e;
        e.context = vide.get();
        e.clients = new Query<Client>(vide.get(), {}, {}, vide.get());
        e.formatter = [](double v) { return QLocale().toString(v, 'f', 1); };
        VueLocationBenne ecran(e);
        ecran.resize(1200, 760);
        ecran.show();
        enregistrer(&ecran, dossier, QStringLiteral("parclient-vide"));
    }
    auto bureau = fixtures::store();
    QList<Client*> clients;
    for (const char* nom : {"Alpha Maçonnerie", "Bâti Rhône", "Charpentes Morel", "Dupont BTP", "Espaces Verts Lyon",
                            "Ferrari Démolition", "Garnier & Fils", "Horizon TP"})
        clients << fixtures::client(bureau.get(), QString::fromUtf8(nom));
    TypeDechet* gravats = fixtures::wasteType(bureau.get(), QStringLiteral("Gravats"));
    auto* grue = new DispositifSpecial(QStringLiteral("Grue auxiliaire"));
    Benne* b1 = fixtures::colouredBenne(bureau.get(), 10, QStringLiteral("2E7D32"));
    Benne* b2 = fixtures::colouredBenne(bureau.get(), 6, QStringLiteral("1565C0"));
    fixtures::colouredBenne(bureau.get(), 15, QStringLiteral("FF0000"), EtatBenne::neuf, grue);
    fixtures::colouredBenne(bureau.get(), 10, QStringLiteral("2E7D32"), EtatBenne::sale);
    fixtures::colouredBenne(bureau.get(), 7.5, QStringLiteral("zz"));
    auto* l1 = new LocationDeBenne(clients[3], b1, 45.7578, 4.832, QStringLiteral("12 rue de la République, 69002 Lyon"),
                                   80, 80, 4.5, fixtures::localDateTime(2026, 12, 1, 8), fixtures::localDateTime(2026, 12, 20, 8), gravats);
    bureau->insert(l1);
    bureau->insert(new LocationDeBenne(clients[3], b2, std::nullopt, std::nullopt, std::nullopt, 0, 0, 0,
                                       fixtures::localDateTime(2026, 11, 3, 8), std::nullopt, nullptr));
    fixtures::saved(bureau.get());
    VueLocationBenne::Entrees e;
    e.context = bureau.get();
    e.clients = new Query<Client>(bureau.get(), {}, {}, bureau.get());
    e.bennes = new Query<Benne>(bureau.get(), {}, {}, bureau.get());
    e.formatter = [](double v) { return QLocale().toString(v, 'f', 1); };
    e.dateFormatter = [](const QDateTime& d) { return QLocale().toString(d.date(), QLocale::ShortFormat); };
    VueLocationBenne ecran(e);
    ecran.resize(1200, 760);
    ecran.show();
    enregistrer(&ecran, dossier, QStringLiteral("parclient-invitation"));
    ecran.selectionnerClient(clients[3]->id());
    ecran.cartouche(clients[3])->setXOffset(160);
    ecran.cartouche(clients[3])->setScale(1.5);
    enregistrer(&ecran, dossier, QStringLiteral("parclient-client"));
    ecran.basculerSelectionLocation(l1);
    QTimer::singleShot(600, &ecran, [] {});
    QEventLoop boucle;
    QTimer::singleShot(600, &boucle, &QEventLoop::quit);
    boucle.exec();
    enregistrer(&ecran, dossier, QStringLiteral("parclient-location"));
    ecran.basculerPanneau();
    QTimer::singleShot(400, &boucle, &QEventLoop::quit);
    boucle.exec();
    ecran.resize(1500, 760);
    enregistrer(&ecran, dossier, QStringLiteral("parclient-panneau"));
    return 0;
}
