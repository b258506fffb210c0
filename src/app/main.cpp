// The program entry: the application object and the prompts, then the
// program's fixed start-up order, its event loop and its shut-down.
#include <QApplication>

#include "app/windows/main_window.h"
#include "app/windows/startup.h"
#include "platform/base/rtl_numbers.h"
#include "platform/ui_services.h"
#include "platform/windows/qt_ui_services.h"

int main(int argc, char** argv)
{
    GuardedApplication app(argc, argv);
    PrepareApplication();
    QtUiServices ui;
    ScopedUi useUi(ui);

    // Units, the windows in their fixed order, the event loop and the
    // shut-down (app/startup.h).
    return RunProgram(argc, argv, [&ui](TFMain& window) { ui.SetParentWindow(&window); });
}
