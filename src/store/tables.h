// Tables of a borehole (levels, casing, annular fill...): a TDirBlock whose
// value children are its columns, a row being one element index across them.
//
// The row operations and the merging of blocks are members of TDirBlock
// (RowCount, InsertRow, DeleteRow, AppendRowFrom, MergeChild), declared with
// the rest of the class in blocks.h and defined in tables.cpp. Include this
// header where a file works on tables, so that the dependency reads clearly.
//
// Remember that InsertRow, DeleteRow, AppendRowFrom and MergeChild may replace
// or destroy columns: re-fetch a column by name after calling them.
#pragma once

#include "store/blocks.h"
