#include "tests.h"

#include <QApplication>
#include <QStandardPaths>
#include <QTest>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("TAV-tests"));
    QCoreApplication::setApplicationName(QStringLiteral("Kestrovan"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0.0"));
    QApplication::setQuitOnLastWindowClosed(false);
    int failures = 0;
    {
        StartupTest t;
        failures += QTest::qExec(&t, argc, argv);
    }
    {
        ContentViewTest t;
        failures += QTest::qExec(&t, argc, argv);
    }
    {
        AboutAndMenusTest t;
        failures += QTest::qExec(&t, argc, argv);
    }
    return failures;
}
