#include "tests.h"

#include <QApplication>
#include <QLocale>
#include <QStandardPaths>

#include "testrunner.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    QStandardPaths::setTestModeEnabled(true);
    return runTests<TestApercu, TestClavier, TestFormulaire, TestListe, TestPiecesJointes, TestTaille, TestTravailTape>(argc, argv);
}
