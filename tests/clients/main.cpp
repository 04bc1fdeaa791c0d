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
        TestForms t;
        failures += QTest::qExec(&t, argc, argv);
    }
    {
        TestVueClients t;
        failures += QTest::qExec(&t, argc, argv);
    }
    {
        TestClientEditor t;
        failures += QTest::qExec(&t, argc, argv);
    }
    return failures;
}
