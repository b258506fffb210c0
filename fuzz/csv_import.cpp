// Fuzzes the CSV import: any text either reads into the collection or stops
// with the import's message, and what was read exports again without fault.
// The sections are those of the shipped csv.ini, with the lexicons of the
// shipped edition.ini, plus one that holds a template and a column read
// through another's lexicon.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "exchange/csv_exchange.h"
#include "platform/base/ini_file.h"
#include "platform/base/text_codec.h"
#include "store/blocks.h"
#include "store/field_defs.h"
#include "store/options.h"

namespace fs = std::filesystem;

namespace {

struct Setup {
    fs::path folder;
    std::vector<CsvSection> sections;
    Setup()
    {
        folder = fs::temp_directory_path() / ("carotix-fuzz-csv-" + std::to_string(::getpid()));
        fs::create_directories(folder);
        for (const char* name : {"edition.ini", "csv.ini"})
            fs::copy_file(fs::path(CAROTIX_DATA_DIR) / name, folder / name, fs::copy_options::overwrite_existing);
        OptionsInitialize(folder);
        SetFieldDefReporter([](const std::string&) {});
        for (const char* table : {"Ouvrages", "Niveaux", "Annulaires", "MotsCles"})
            sections.push_back(FindCsvSection(*IniCsv, table));
        CsvSection extra;
        extra.Name = "Liste";
        extra.TablePath = "Liste";
        extra.Lines = {{"DESIGN", "D\xC3\xA9sign"},
                       {"MOTS", "%MotsCl\xC3\xA9s\\MotCl\xC3\xA9:E|Th\xC3\xA8me=HYDRO;X,Autre=1%"},
                       {"TYPE", "Type"},
                       {"NATURE", "Nature(Type)"},
                       {"LIT", "'fixe'"}};
        sections.push_back(extra);
    }
    ~Setup()
    {
        OptionsRelease();
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
};

Setup& Shared()
{
    static Setup setup;
    return setup;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Setup& setup = Shared();
    const std::string text = DecodeTextFile(std::string_view(reinterpret_cast<const char*>(data), size));
    for (const CsvSection& section : setup.sections) {
        TDirBlock root("Carotix");
        CsvReport report;
        try {
            ImportCsvData(text, section, root, "fuzz.csv", report);
        } catch (const ECsvError&) {
            continue;
        }
        std::vector<CsvExportRow> rows;
        for (const auto& child : root.Items())
            if (child->IsDir()) {
                if (child->Name.find('\\') != std::string::npos) std::abort();
                rows.push_back({child->Name, ""});
            }
        CsvReport out;
        const std::string bytes = ExportCsvData(root, rows, section, out);
        if (!section.Lines.empty() && bytes.compare(0, 6, "INDICE") != 0) std::abort();
    }
    return 0;
}
