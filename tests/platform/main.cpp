#include "tst_filehelpers.h"
#include "tst_maillink.h"
#include "tst_mapscale.h"
#include "tst_mapwidget.h"
#include "tst_updatechecker.h"

#include <QApplication>
#include <QStandardPaths>

#include "testrunner.h"

int main(int argc, char* argv[])
{
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    return runTests<UpdateCheckerTest, MapWidgetTest, MapScaleTest, MailLinkTest, FileHelpersTest>(argc, argv);
}
