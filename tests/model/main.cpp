#include <QCoreApplication>
#include <QtTest>

#include "tests.h"

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int failures = 0;
    {
        TestPrix t;
        failures += QTest::qExec(&t, argc, argv);
    }
    {
        TestHelpers t;
        failures += QTest::qExec(&t, argc, argv);
    }
    {
        TestRecords t;
        failures += QTest::qExec(&t, argc, argv);
    }
    {
        TestRelations t;
        failures += QTest::qExec(&t, argc, argv);
    }
    {
        TestPersistence t;
        failures += QTest::qExec(&t, argc, argv);
    }
    {
        TestQueries t;
        failures += QTest::qExec(&t, argc, argv);
    }
    return failures;
}
