#include "coding/windows/coding_command.h"

#include "drawing/log_view_link.h"
#include "platform/windows/progress_window.h"
#include "coding/codage_binding.h"
#include "platform/ui_services.h"

namespace {

// The progress window as the pass drives it; hidden when the pass ends, also
// by a failure.
class ProgressWindowReporter final : public CodingProgress {
public:
    ~ProgressWindowReporter() override
    {
        if (started_ && FProgress) FProgress->hide();
    }
    void Start(const std::string& label, int maximum) override
    {
        started_ = true;
        if (FProgress) FProgress->Start("Progression...", label, 0, maximum);
    }
    void Step(int position) override
    {
        if (FProgress) FProgress->SetPosition(position);
    }

private:
    bool started_ = false;
};

} // namespace

CodingPassResult RunCodingPass(TDirBlock& root, const std::vector<CodingSelection>& selection, bool recodeAll)
{
    if (!CodageDLL().MakeCodeBound()) {
        ShowErrorBox(kCodingLibraryMissingTitle, kCodingLibraryMissingMessage);
        CodingPassResult result;
        result.LibraryMissing = true;
        return result;
    }
    // The log shows the codes stored, also those of a pass that failed midway.
    auto redraw = [] {
        if (LogViewLink* link = GetLogViewLink()) link->Redraw();
    };
    CodingPassResult result;
    try {
        BusyCursor busy;
        ProgressWindowReporter progress;
        result = CodeLevels(root, selection, recodeAll, &progress);
    } catch (...) {
        redraw();
        throw;
    }
    redraw();
    return result;
}
