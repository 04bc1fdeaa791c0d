#include "tests.h"

#include <QApplication>
#include <QLocale>
#include <QStandardPaths>

#include "testrunner.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    // Settings and map tiles of their own: no test reaches the network.
    QStandardPaths::setTestModeEnabled(true);
    return runTests<TestFigures, TestVues, TestPieces, TestRendus>(argc, argv);
}
