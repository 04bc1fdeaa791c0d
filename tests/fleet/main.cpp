#include "tests.h"

#include "model/record.h"

#include <QApplication>
#include <QtTest>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    qRegisterMetaType<kv::Record*>();
    int failures = 0;
    {
        TestVueBennes t;
        failures += QTest::qExec(&t, argc, argv);
    }
    {
        TestBenneEditor t;
        failures += QTest::qExec(&t, argc, argv);
    }
    return failures;
}
