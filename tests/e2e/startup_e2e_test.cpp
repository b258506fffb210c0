// The program starts as `main` starts it and its menus are reached as a
// person reaches them.
#include <QAction>
#include <QMdiArea>

#include "app/windows/collection_window.h"
#include "app/windows/main_window.h"
#include "app/windows/startup.h"
#include "e2e_program.h"
#include "store/blocks.h"

namespace {

class StartupE2e : public E2eTest {};

TEST_F(StartupE2e, OpensTheSampleThroughTheMenuAndQuits)
{
    Start();
    EXPECT_EQ(Session().Windows().size(), kStartupWindowOrder.size());
    TFChild& c = OpenSample();
    EXPECT_GT(c.Rows().size(), 0u);
    Quit();
}

}  // namespace
