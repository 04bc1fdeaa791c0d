#include "tests.h"

#include "testrunner.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    return runTests<TestOperationsDuJour, TestEmailPlanning>(argc, argv);
}
