#include "tests.h"

#include <QApplication>
#include <QLocale>

#include "testrunner.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    return runTests<TestFigures, TestVues, TestPieces, TestRendus>(argc, argv);
}
