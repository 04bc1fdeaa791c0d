#include "tests.h"

#include "model/record.h"
#include "widgets/accessiblenames.h"

#include <QApplication>

#include "testrunner.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    kv::installAccessibleNames(); // readers hear the program's widgets as the program has them speak
    return runTests<TestCalendrier, TestActions, TestGrille>(argc, argv);
}
