#include "tests.h"

#include "model/record.h"

#include <QApplication>

#include "testrunner.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    qRegisterMetaType<kv::Record*>();
    return runTests<TestForms, TestVueClients, TestClientEditor, TestTypedWork>(argc, argv);
}
