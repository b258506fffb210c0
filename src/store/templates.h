// Text templates filled from one borehole: the title block of the log, the
// tooltip of the collection window, the report texts, the metafile names, the
// CSV export and the texts drawn on the log.
//
// A template is plain text with placeholders between percent signs:
//   %%                      a percent sign
//   %Indice% %Désign%       the borehole's index, the ouvrage's designation
//   %Date% %Heure%          today (dd/mm/yyyy) and the time (14h35), from ClockNow
//   %NomTube%               the tube name
//   %Table\Column%          the column's values over the ouvrage's rows, ", "-joined
//   %Table\Column*%         ... translated through the edition.ini lexicon
//   %Table\Column:E%        ... stored date digits shown as a date
//   %...|Col=A;B,Col2=C%    only the rows whose Col is A or B and Col2 is C
//   %UnitéXY% %UNITEXY%     the coordinate unit ("" in zone 9)
//   %Si|cond,...%           empties the whole result unless the conditions hold
//   %SiPas|cond,...%        empties the whole result when they hold
#pragma once

#include <string>
#include <string_view>
#include <vector>

class TDirBlock;

// Appends the expansion of `templ` for the borehole `index` of `root` to
// `result`. An empty tubeName stands for the single tube (OptNomTubeSimple).
void ExpandFields(std::string_view templ, const TDirBlock& root, std::string_view index, std::string& result,
                  std::string_view tubeName, std::string_view designation);

// The class library's comma-text rule, used for the conditions: items separated
// by commas or blanks; a double-quoted item may hold them ("" stands for ").
std::vector<std::string> SplitCommaText(std::string_view text);
