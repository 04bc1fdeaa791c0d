#include <QApplication>

#include "faults.h"
#include "pgserver.h"
#include "tests.h"

#include "testrunner.h"

int main(int argc, char** argv)
{
    faults::install(); // before any connection
    QApplication app(argc, argv); // the list model tests use a view
    const int failed = runTests<TestPrix, TestHelpers, TestRecords, TestRelations, TestPersistence, TestServerStore, TestQueries,
                                TestNotices, TestReliability>(argc, argv);
    pgtest::stop();
    return failed;
}
