#include "tst_cartebenneslouees.h"
#include "tst_cartechaleur.h"

#include "model/record.h"

#include <QApplication>
#include <QStandardPaths>

#include "testrunner.h"

int main(int argc, char** argv)
{
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    qRegisterMetaType<kv::Record*>();
    return runTests<CarteBennesLoueesTest, CarteChaleurTest>(argc, argv);
}
