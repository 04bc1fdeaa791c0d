#include "tests.h"

#include "model/record.h"
#include "widgets/accessiblenames.h"

#include <QApplication>

#include "testrunner.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // Lists spoken as the program has them, before any is made.
    kv::installAccessibleNames();
    qRegisterMetaType<kv::Record*>();
    return runTests<TestForms, TestVueClients, TestClientEditor, TestTypedWork>(argc, argv);
}
