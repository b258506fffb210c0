// The e2e tests' entry: the application object exactly as the program makes
// it (the slot guard's application, the French texts, the decimal separator).
#include <QApplication>
#include <gtest/gtest.h>

#include "global_watch.h"

#include "app/windows/startup.h"
#include "platform/windows/qt_ui_services.h"

int main(int argc, char** argv)
{
    if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
    GuardedApplication app(argc, argv);
    PrepareApplication();
    ::testing::InitGoogleTest(&argc, argv);
    InstallGlobalWatch();  // every test puts back the settings it changes
    return RUN_ALL_TESTS();
}
