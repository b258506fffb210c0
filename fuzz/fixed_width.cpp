// Fuzzes the filter-file reader and the fixed-width import together.
//
// One input holds a filter file and a data file, split at the first line that
// reads "====" (the whole input is the filter file when there is none). The data
// is imported through the first main filter of the filter file, and every
// filter and sub-filter the file names is parsed: malformed input must end in
// one of the program's messages, never in a crash or a hang. The import is run
// twice, with the direct merge into the boreholes and through record
// directories, and both must build the same tree.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/filter_file.h"
#include "exchange/fixed_width_import.h"
#include "platform/base/text_codec.h"
#include "store/blocks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (data == nullptr)
        return 0;
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::string_view filterBytes = input;
    std::string_view dataBytes;
    constexpr std::string_view split = "\n====\n";
    if (std::size_t at = input.find(split); at != std::string_view::npos) {
        filterBytes = input.substr(0, at);
        dataBytes = input.substr(at + split.size());
    }
    const std::string filterText = DecodeTextFile(filterBytes);

    std::vector<std::string> headers;
    ParseFilterNames(filterText, headers);
    for (std::size_t i = 0; i < headers.size() && i < 8; ++i) {
        TFiltre filter;
        try {
            ParseFilter(filterText, filter, FilterHeaderName(headers[i]), false, "CUVELAGE");
            for (const TFilterField& f : filter)
                if (f.IsSelector)
                    for (const std::string& sub : SelectorNames(f)) {
                        TFiltre subFilter;
                        ParseFilter(filterText, subFilter, sub, true, "CUVELAGE");
                    }
        } catch (const EFilterError&) {
        }
    }

    const std::string name = headers.empty() ? std::string("f.ora") : FilterHeaderName(headers[0]);
    auto root = std::make_unique<TDirBlock>("Carotix");
    root->SetPathString("UnitéXY", 0, btString, "km");
    auto plain = root->CloneDir();
    OracleImportReport report, plainReport;
    std::string error, plainError;
    try {
        ImportOracleData(dataBytes, name, root.get(), filterText, report);
    } catch (const std::runtime_error& e) {
        error = e.what();
    }
    // The direct merge into the boreholes must give what merging each
    // record's directory gives.
    try {
        ImportOracleDataThroughRecords(dataBytes, name, plain.get(), filterText, plainReport);
    } catch (const std::runtime_error& e) {
        plainError = e.what();
    }
    if (error != plainError || !SameBlock(root.get(), plain.get()) || report.Merged != plainReport.Merged
        || report.LostValues != plainReport.LostValues || report.DroppedNoValue != plainReport.DroppedNoValue)
        __builtin_trap();
    // The report must read whatever happened.
    (void)report.Summary();
    return 0;
}
