// The drawing's process-wide settings the tests change: the title block, the
// picture's height, the drawing scale, the log the drawing functions measure
// and the link to the log view. (DrawCanvas is not one: every drawing sets
// it before drawing, and the windows leave it on their own canvas.)
#include "drawing/bandeau.h"
#include "drawing/log_layout.h"
#include "drawing/log_view_link.h"
#include "drawing/primitives.h"
#include "global_watch.h"

namespace {

void RegisterDrawingSettings()
{
    RegisterGlobalValue("BandeauObjets", BandeauObjets,
                        std::function<std::string(const std::vector<TBandeauObjet>&)>(
                            [](const std::vector<TBandeauObjet>& v) { return std::to_string(v.size()) + " objects"; }));
    RegisterGlobalValue("BandeauModifie", BandeauModifie);
    std::function<std::string(const std::int32_t&)> number = [](const std::int32_t& n) { return std::to_string(n); };
    RegisterGlobalValue("OptTailleImageBas", OptTailleImageBas, number);
    RegisterGlobalAccessor(
        "DrawingScale", [] { return DrawingScale; }, [](std::int32_t s) { SetDrawingScale(s); },
        std::function<std::string(std::int32_t)>([](std::int32_t n) { return std::to_string(n); }));
    RegisterGlobalAccessor(
        "the active log (SetActiveLog)", [] { return ActiveLog(); }, [](LogContext* l) { SetActiveLog(l); });
    RegisterGlobalAccessor(
        "the log view link (SetLogViewLink)", [] { return GetLogViewLink(); },
        [](LogViewLink* l) { SetLogViewLink(l); });
}

const GlobalWatchRegistration registration(&RegisterDrawingSettings);

}  // namespace
