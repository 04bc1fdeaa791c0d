#include "appdelegate.h"
#include "baseagence.h"
#include "basecourante.h"
#include "desktop.h"
#include "startup.h"

#include "platform/endsignals.h"
#include "platform/mapwidget.h"
#include "stats/relocalisationlocations.h"
#include "widgets/icons.h"
#include "widgets/dateentry.h"
#include "widgets/dialogconventions.h"
#include "widgets/focusstyle.h"
#include "widgets/wheelguard.h"

#include <QApplication>
#include <QLocale>
#include <QMessageBox>
#include <QSettings>
#include <QStandardPaths>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>

namespace {

// French formats unless the system already speaks French.
void useFrenchLocale()
{
    if (QLocale::system().language() != QLocale::French)
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
}

// Where a dialog can be seen by someone.
bool hasDisplay()
{
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("TAV"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("tav.fr"));
    QCoreApplication::setApplicationName(QStringLiteral("Kestrovan"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KESTROVAN_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("TAV.Kestrovan"));
    kv::useIconTheme();
    QApplication::setWindowIcon(kv::applicationIcon());
    useFrenchLocale();
    kv::installQtTranslations(QLocale());
    // The wheel scrolls the view it is in, in every window; a field takes it once focused.
    kv::installWheelGuard(&app);
    // Dates are typed whole in every date field.
    kv::installDateEntry(&app);
    // The focus shows wherever it is, however it came.
    kv::installFocusStyle(&app);
    // Every dialog, the start-up's refusal included, opens the same way.
    kv::installDialogConventions();
    // The system's requests to end the program quit as "Quitter Kestrovan" does, once the event
    // loop runs: the store is saved and closed below.
    kv::EndSignals endSignals;
    QObject::connect(&endSignals, &kv::EndSignals::endRequested, &app, [] { kv::quitWithoutQuestions(); });

    QTextStream out(stdout);
    QSettings settings;
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    // The office's base: the local file, or the server's database chosen in « Base de l'agence ».
    const kv::BaseAgence agence = kv::BaseAgence::lire(settings);
    kv::StoreOpening opening;
    QString password;
    if (agence.serveur) {
        bool localPossible = false;
        opening = kv::ouvrirBaseServeur(agence, hasDisplay() ? kv::demandeMotDePasse(nullptr) : kv::DemandeMotDePasse(),
                                        out, &localPossible, &password);
        if (!opening.context) {
            QTextStream(stderr) << opening.fatalMessage << Qt::endl;
            if (!localPossible || !hasDisplay() || !kv::proposerFichierLocal(opening)) {
                if (!localPossible && hasDisplay())
                    kv::refusalDialog(opening)->exec();
                return EXIT_FAILURE;
            }
        }
    }
    if (!opening.context)
        opening = kv::openStore(base, QString::fromUtf8(kv::kBundleIdentifier), out);
    out.flush();
    if (!opening.context) {
        QTextStream err(stderr);
        err << opening.fatalMessage << Qt::endl;
        if (hasDisplay())
            kv::refusalDialog(opening)->exec();
        return EXIT_FAILURE;
    }
    // Its automatic saves, a server that stops answering, and a change of base are looked after there.
    kv::BaseCourante courante(std::move(opening.context));
    courante.setSettings(&settings);
    courante.setMotDePasse(password);

    kv::AppDelegate delegate(courante.context());
    delegate.setSettings(&settings);
    courante.setDelegate(&delegate);
    kv::installerMenusBase(&courante);
    delegate.newWindow();
    // Rentals saved without coordinates are located again once the address service answers.
    kv::RelocalisationLocations::relancer(courante.context());
    // The first map shown finds its tile server's connection ready.
    kv::MapWidget::prepareNetworkLater();
    int status = app.exec();

    QString error;
    if (!kv::closeStoreForExit(*courante.context(), &error)) {
        QTextStream(stderr) << "❌ Échec de la sauvegarde: " << error << Qt::endl;
        // The windows are gone: say it where it can be seen, not only on the console.
        if (hasDisplay())
            QMessageBox::critical(nullptr, QStringLiteral("Kestrovan"),
                                  QStringLiteral("Échec de la sauvegarde: ") + error);
        status = EXIT_FAILURE;
    }
    // The store is saved and closed, the settings written: the system takes the memory back at
    // once, without the windows and the records being freed one by one.
    settings.sync();
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(status);
}
