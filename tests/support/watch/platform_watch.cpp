// The platform's process-wide settings the tests change: the installed
// prompts (a test's fake left installed answers the next test's prompts, or
// is a dangling object once the test is over).
#include "global_watch.h"
#include "platform/ui_services.h"

namespace {

void RegisterPlatformSettings()
{
    RegisterGlobalAccessor(
        "the installed prompts (SetUi)", [] { return &Ui(); }, [](UiServices* ui) { SetUi(ui); });
}

const GlobalWatchRegistration registration(&RegisterPlatformSettings);

}  // namespace
