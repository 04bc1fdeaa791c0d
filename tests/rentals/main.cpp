#include "tests.h"

#include <QApplication>
#include <QSettings>
#include <QStandardPaths>

#include "testrunner.h"
#include "widgets/accessiblenames.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // Combo boxes and pickers speak their name, as the program has them speak it.
    kv::installAccessibleNames();
    QStandardPaths::setTestModeEnabled(true);
    // Settings of their own, so that no run sees the user's stored position.
    QCoreApplication::setOrganizationName(QStringLiteral("TAV-tests"));
    QCoreApplication::setApplicationName(QStringLiteral("KestrovanRentals"));
    QSettings().clear();
    return runTests<CoordonneesTest, AdresseServiceTest, FormulaireLocationTest, ParClientTest, PiecesAdresseTest>(argc, argv);
}
