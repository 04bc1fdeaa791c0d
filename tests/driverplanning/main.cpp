#include "tests.h"

#include "testrunner.h"

#include <QApplication>
#include <QStandardPaths>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    return runTests<TestOperationsDuJour, TestEmailPlanning, TestVuePlanning, TestPreferencesEmail, TestCarteEtColonnes>(argc, argv);
}
