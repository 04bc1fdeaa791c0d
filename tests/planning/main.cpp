#include "tests.h"

#include "model/record.h"
#include "widgets/accessiblenames.h"

#include <QApplication>

#include "testrunner.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    // Screen readers hear the program's own widgets as the program makes them speak.
    kv::installAccessibleNames();
    return runTests<TestCalendrier, TestActions, TestGrille>(argc, argv);
}
