#include "tests.h"

#include <QApplication>
#include <QStandardPaths>

#include "testrunner.h"

#include "widgets/dateentry.h"
#include "widgets/focusstyle.h"
#include "widgets/wheelguard.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("TAV-tests"));
    QCoreApplication::setApplicationName(QStringLiteral("Kestrovan"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0.0"));
    QApplication::setQuitOnLastWindowClosed(false);
    // As the program does.
    kv::installWheelGuard(&app);
    // Dates are typed whole in every date field.
    kv::installDateEntry(&app);
    // The focus shows wherever it is, however it came.
    kv::installFocusStyle(&app);
    return runTests<StartupTest, ContentViewTest, AboutAndMenusTest, DesktopTest, ConventionsTest, LeavingTest, TypingTest, ReadingTest>(argc, argv);
}
