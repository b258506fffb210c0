// A directory's children written out in one line, so that a test can compare
// a whole table with what the rules give, byte for byte.
#pragma once

#include <string>

class TDirBlock;

// Each child as "name:kind=v0|v1|...": kinds i, f, s for single values and I,
// F, S for arrays, missing values empty, numbers with a "." separator; a
// directory as "name:D" and its child count. Children are separated by blanks.
std::string DumpColumns(const TDirBlock& dir);
