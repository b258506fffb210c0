// A block tree as text, for comparing a whole imported or edited tree in one
// check: one line per value block, "Path\To\Name=v0|v1|...", in tree order,
// each value as GetString gives it ("" when missing).
#pragma once

#include <initializer_list>
#include <string>

class TDirBlock;

std::string TreeText(const TDirBlock& root);

// Checks that each of `lines` is a whole line of TreeText(root).
void ExpectTreeLines(const TDirBlock& root, std::initializer_list<std::string> lines);
