#include "tst_updatechecker.h"

#include <QCoreApplication>
#include <QStandardPaths>
#include <QTest>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    int failures = 0;
    {
        UpdateCheckerTest t;
        failures += QTest::qExec(&t, argc, argv);
    }
    return failures;
}
