#include "app/windows/database_commands.h"

#include <QAction>
#include <QMenu>
#include <optional>

#include "app/windows/collection_window.h"
#include "app/windows/main_window.h"
#include "app/record_sheet_logic.h"
#include "app/windows/record_sheet_window.h"
#include "app/spreadsheet_logic.h"
#include "app/windows/spreadsheet_window.h"
#include "exchange/database_link.h"
#include "exchange/windows/database_window.h"
#include "platform/windows/qt_ui_services.h"

TDirBlock& ChildDownloadHost::Root() { return child_.FRoot(); }

bool ChildDownloadHost::HasOuvrage(const std::string& indice, const std::string& design)
{
    return child_.FindRow(indice, design) >= 0;
}

void ChildDownloadHost::RefreshList() { child_.RefreshList(); }

void ChildDownloadHost::FillView(const std::string& indice, const std::string& design)
{
    // New rows and tables may have come: the list is built again, then the
    // ouvrage is selected.
    child_.RefreshList();
    child_.FillView(child_.FindRow(indice, design));
    child_.SelectRow(indice, design);
}

void ChildDownloadHost::RedrawLog() { main_.RedrawLog(); }

MsgResult ChildDownloadHost::ChooseDesignation(const std::string& current, const std::vector<std::string>& lines,
                                               int& chosen)
{
    return ::ChooseDesignation(current, lines, chosen);
}

namespace {

// The editors work on the selected ouvrage.
void SelectOuvrage(TFChild& child, const std::string& indice, const std::string& design)
{
    const int row = child.SelectedRow();
    const auto& rows = child.Rows();
    if (row >= 0 && row < static_cast<int>(rows.size()) && rows[static_cast<std::size_t>(row)].Indice == indice &&
        rows[static_cast<std::size_t>(row)].Design == design)
        return;
    child.SelectRow(indice, design);
}

}  // namespace

void ChildDownloadHost::SheetFromDatabase(TDatabase& database, const std::string& indice, const std::string& design,
                                          const std::string& table)
{
    if (!SheetDatabaseAvailable()) {
        DownloadHost::SheetFromDatabase(database, indice, design, table);
        return;
    }
    SelectOuvrage(child_, indice, design);
    UsedEditors = true;
    child_.EditSection(table, true);
}

void ChildDownloadHost::TableFromDatabase(TDatabase& database, const std::string& indice, const std::string& design,
                                          const std::string& table)
{
    if (!FTableur || !TableurSeams().RunQuery) {
        DownloadHost::TableFromDatabase(database, indice, design, table);
        return;
    }
    SelectOuvrage(child_, indice, design);
    UsedEditors = true;
    child_.EditTable(table, true, -1, true);
}

void Basededonne1Click(TFMain& main)
{
    TFDatabase& window = DatabaseWindow(&main);
    window.setWindowFlag(Qt::Dialog);
    window.exec();
}

void TelechargeBDD1Click(TFMain& main)
{
    TFChild* child = main.ActiveChild();
    if (!child) return;
    const int row = child->SelectedRow();
    if (row < 0 || row >= static_cast<int>(child->Rows().size())) return;
    const CollectionRow selected = child->Rows()[static_cast<std::size_t>(row)];
    TFDatabase& window = DatabaseWindow(&main);
    EnsureConnected(window.Database1);
    if (!window.Database1.Connected()) return;
    ChildDownloadHost host(main, *child);
    DownloadOuvrage(host, window.Database1, selected.Indice, selected.Design);
}

namespace {


}  // namespace

namespace {

// One query on the database window's connection, every record as texts.
std::vector<std::vector<std::optional<std::string>>> RunOnConnection(TFMain& main, const std::string& sql,
                                                                     const std::vector<std::string>& values)
{
    TFDatabase& window = DatabaseWindow(&main);
    EnsureConnected(window.Database1);
    TQuery query(window.Database1);
    query.SQL = sql;
    query.Values = values;
    query.Open();
    std::vector<std::vector<std::optional<std::string>>> records;
    for (; !query.Eof(); query.Next()) {
        std::vector<std::optional<std::string>> record;
        for (int i = 0; i < query.FieldCount(); ++i) {
            const DbValue v = query.Field(i);
            if (v.IsNull()) record.emplace_back();
            else record.emplace_back(QueryFieldText(v));
        }
        records.push_back(std::move(record));
    }
    return records;
}

}  // namespace

void InstallDatabaseCommands(TFMain& main)
{
    TFMain* m = &main;
    // The editors' database buttons run on the same connection, for as long
    // as this main window lives.
    SetSheetQueryRunner([m](const std::string& sql, const std::vector<std::string>& values) {
        return RunOnConnection(*m, sql, values);
    });
    TableurSeams().RunQuery = [m](const std::string& sql) { return RunOnConnection(*m, sql, {}); };
    QObject::connect(&main, &QObject::destroyed, [] {
        SetSheetQueryRunner({});
        TableurSeams().RunQuery = {};
    });
}
