// Import of the list exports of Vexto (.lst text files in the OEM code page,
// one or more boreholes per file) into a collection tree.
//
// Nothing is configurable: each record is read section by section, line by
// line and field by field in Vexto's fixed layout, and each field goes to a
// fixed collection path. Fields are comma-separated; once a line's end is
// reached every further field of that line reads empty until the reader is
// moved to the next line.
#pragma once

#include <string>
#include <string_view>

#include "exchange/dravel_import.h"

class TDirBlock;

// The date `text` read with a record's date format (written with j, m and a,
// as jj/mm/aaaa), as dd/mm/yyyy; "" when the text holds no digit or does not
// read as a date. The format only gives the order of day, month and year.
std::string VextoDateToDate(std::string_view text, std::string_view dateFormat);

// Imports every record of the file's bytes into `root`, each whole or not at
// all (StagedOuvrage). A missing section raises std::runtime_error "Section
// <name> non trouvée", a value the collection refuses EImportValue (its line,
// field and value); the records read before stay, and the failing one leaves
// `root` and `report` as they were.
void ImportVextoBytes(std::string_view bytes, TDirBlock& root, const DravelCoder& makeCode, DravelReport& report);

// ImportVexto: reads FileName (bounded) and imports it with the program's
// coding library; a refused value raises std::runtime_error with a French
// message naming the file, line, field and value.
void ImportVexto(const std::string& fileName, TDirBlock& root, DravelReport& report);
