#include "drawing/log_view_link.h"

namespace {

LogViewLink* gLogView = nullptr;

}  // namespace

void SetLogViewLink(LogViewLink* link) { gLogView = link; }
LogViewLink* GetLogViewLink() { return gLogView; }
