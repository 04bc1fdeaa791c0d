#include <QApplication>

#include "tests.h"

#include "testrunner.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv); // the list model tests use a view
    return runTests<TestPrix, TestHelpers, TestRecords, TestRelations, TestPersistence, TestQueries, TestNotices>(argc, argv);
}
