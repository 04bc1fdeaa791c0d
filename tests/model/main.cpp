#include <QCoreApplication>

#include "tests.h"

#include "testrunner.h"

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    return runTests<TestPrix, TestHelpers, TestRecords, TestRelations, TestPersistence, TestQueries>(argc, argv);
}
