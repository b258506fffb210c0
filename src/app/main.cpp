// The program entry: settings first (the program refuses to run from a
// read-only place), then the prompts, the main window and the collection
// named on the command line.
#include <QApplication>
#include <QTimer>
#include <string>

#include "app/main_window.h"
#include "app/tables_window.h"
#include "platform/base/rtl_numbers.h"
#include "platform/ui_services.h"
#include "platform/windows/qt_ui_services.h"
#include "store/options.h"
#include "store/recent_files.h"

int main(int argc, char** argv)
{
    GuardedApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Carotix"));
    InstallQtFrenchTranslation();
    SetDecimalSeparator(DecimalSeparatorFromLocale());
    QtUiServices ui;
    ScopedUi useUi(ui);

    try {
        OptionsInitialize(DefaultProgramFolder());
    } catch (const EReadOnlyMedia& e) {
        ShowBox(EReadOnlyMedia::kTitle, e.what(), MsgIcon::Error);
        return 1;
    } catch (...) {
        ShowFailure(CurrentExceptionMessage());
        return 1;
    }
    RecentLoad();

    int result = 0;
    {
        TFMain window;
        ui.SetParentWindow(&window);
        TFTables tables(&window);
        FTables = &tables;
        window.show();
        const std::string first = argc > 1 ? std::string(argv[1]) : std::string();
        if (!first.empty())
            QTimer::singleShot(0, &window, [&window, first] {
                RunGuarded([&] { window.OpenCollectionFile(first); });
            });
        result = app.exec();
        FTables = nullptr;
    }

    RunGuarded([] { RecentSave(); });
    RunGuarded([] { OptionsFinalize(); });
    return result;
}
