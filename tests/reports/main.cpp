#include "tests.h"

#include <QApplication>
#include <QLocale>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "testrunner.h"
#include "widgets/dialogconventions.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    QStandardPaths::setTestModeEnabled(true);
    // The program's key conventions (Return presses the focused button), as the main window has them.
    kv::installDialogConventions();
    // The reports sent are written to the temporary folder: one of the tests' own.
    QTemporaryDir temporaire;
    qputenv("TMPDIR", temporaire.path().toLocal8Bit());
    return runTests<TestFacturation, TestRapportDonnees, TestPages, TestEcrans>(argc, argv);
}
