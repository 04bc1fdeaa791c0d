#include "tests.h"

#include "model/record.h"

#include <QApplication>

#include "testrunner.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    return runTests<TestCalendrier, TestActions, TestGrille>(argc, argv);
}
