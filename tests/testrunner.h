#pragma once

// Runs several QtTest classes in one executable and returns the number of failures.

#include <QTest>

template <class Test>
int runTest(int argc, char** argv)
{
    Test t;
    return QTest::qExec(&t, argc, argv);
}

template <class... Tests>
int runTests(int argc, char** argv)
{
    int failures = 0;
    ((failures += runTest<Tests>(argc, argv)), ...);
    return failures;
}
