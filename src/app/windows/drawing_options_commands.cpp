#include "app/windows/drawing_options_commands.h"

#include <QAction>
#include <QMenu>
#include <functional>

#include "app/collection_links.h"
#include "app/windows/collection_window.h"
#include "app/windows/main_window.h"
#include "app/spreadsheet_logic.h"
#include "app/windows/spreadsheet_window.h"
#include "drawing/equipment.h"
#include "drawing/windows/image_window.h"
#include "drawing/windows/options_window.h"
#include "platform/ui_services.h"

namespace {

constexpr const char* kOptionsCaption = "Configuration du dessin et des coordonn\xC3\xA9" "es...";
constexpr const char* kOptionsHint = "Options de dessin";
constexpr const char* kImageCaption = "Afficher l'image";

}  // namespace

bool ConfigurationDessin1Click(TFMain& main)
{
    if (!FOptionDessin) new TFOptionDessin(&main);  // the start-up makes it; tests may not
    if (FOptionDessin->exec() != QDialog::Accepted) return false;
    for (TFChild* c : main.Children()) c->FillView(-1);
    if (LogViewLink* log = GetLogViewLink()) log->Redraw();
    if (FImage) FImage->FormResize();
    return true;
}

void AfficherImage1Click(TFMain& main)
{
    if (!FImage) new TFImage(&main);
    if (FImage->isVisible())
        FImage->hide();
    else
        FImage->show();
    if (QAction* item = TFImage::MenuItem()) item->setChecked(FImage->isVisible());
}

void ConnectEquipmentSeams()
{
    TableurSeams().DrawEquipment = [](const std::string& table, Canvas& canvas, int width, int height,
                                      TDirBlock* borehole, TDirBlock*, const std::string& designation,
                                      const TStructTable& defs, const StringGrid& grid) {
        // The rows selected in the editor's grid are drawn highlighted.
        const GridRect selection = FTableur ? FTableur->Selection() : GridRect{};
        DrawEquipment(table, canvas, width, height, &grid, &defs, designation, borehole, selection);
    };
    TableurSeams().EquipmentRowsAt = [](int x, int y) { return EquipmentRowsAt(x, y); };
}

void InstallDrawingOptionsCommands(TFMain& main)
{
    QAction* image = main.AfficherImage1;
    image->setChecked(FImage && FImage->isVisible());
    TFImage::SetMenuItem(image);
    ConnectEquipmentSeams();
}
