#include "tests.h"

#include <QApplication>
#include <QStandardPaths>
#include <QTest>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    int failures = 0;
    {
        GlassTest t;
        failures += QTest::qExec(&t, argc, argv);
    }
    {
        SharedWidgetsTest t;
        failures += QTest::qExec(&t, argc, argv);
    }
    return failures;
}
