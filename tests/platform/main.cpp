#include "tst_updatechecker.h"

#include <QCoreApplication>
#include <QStandardPaths>

#include "testrunner.h"

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    return runTests<UpdateCheckerTest>(argc, argv);
}
