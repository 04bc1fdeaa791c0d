#include "tests.h"

#include <QApplication>
#include <QStandardPaths>

#include "testrunner.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    return runTests<GlassTest, SharedWidgetsTest, FormLookTest, ListDetailTest, SearchablePickerTest, DragAutoScrollerTest, WheelGuardTest, DateEntryTest,
                    DialogKeysTest>(argc, argv);
}
