#include "tst_mapscale.h"

#include <QApplication>
#include <QStandardPaths>
#include <QTest>

int main(int argc, char* argv[])
{
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    MapScaleTest test;
    return QTest::qExec(&test, argc, argv);
}
