#include "tests.h"

#include "model/record.h"
#include "widgets/accessiblenames.h"

#include <QApplication>
#include <QLocale>

#include "testrunner.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // Lists spoken as the program has them, before any is made.
    kv::installAccessibleNames();
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    qRegisterMetaType<kv::Record*>();
    return runTests<TestTextesChauffeur, TestFormulaireChauffeur, TestFeuilles, TestVueChauffeurs>(argc, argv);
}
