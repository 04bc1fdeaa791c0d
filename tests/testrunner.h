#pragma once

// Runs several QtTest classes in one executable and returns the number of failures.

#include <QTest>

// With KV_TEST_CLASS set, only the class of that name runs (to try one test function by hand).
template <class Test>
int runTest(int argc, char** argv)
{
    Test t;
    const QByteArray only = qgetenv("KV_TEST_CLASS");
    if (!only.isEmpty() && only != t.metaObject()->className())
        return 0;
    return QTest::qExec(&t, argc, argv);
}

template <class... Tests>
int runTests(int argc, char** argv)
{
    int failures = 0;
    ((failures += runTest<Tests>(argc, argv)), ...);
    return failures;
}
