#include "tests.h"

#include "testrunner.h"
#include "widgets/accessiblenames.h"

#include <QApplication>
#include <QStandardPaths>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    // Screen readers hear the drop-down lists as the program makes them speak.
    kv::installAccessibleNames();
    return runTests<TestOperationsDuJour, TestEmailPlanning, TestVuePlanning, TestPreferencesEmail, TestCarteEtColonnes>(argc, argv);
}
