#include <QApplication>

#include "faults.h"
#include "tests.h"

#include "testrunner.h"

int main(int argc, char** argv)
{
    faults::install(); // before any connection
    QApplication app(argc, argv); // the list model tests use a view
    return runTests<TestPrix, TestHelpers, TestRecords, TestRelations, TestPersistence, TestQueries, TestNotices, TestReliability>(argc, argv);
}
