#include "tests.h"

#include "model/record.h"

#include <QApplication>
#include <QLocale>

#include "testrunner.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    qRegisterMetaType<kv::Record*>();
    return runTests<TestTextesChauffeur, TestFormulaireChauffeur, TestFeuilles, TestVueChauffeurs>(argc, argv);
}
