#include "tree_text.h"

#include <gtest/gtest.h>

#include "store/blocks.h"

namespace {

void Append(const TDirBlock& dir, const std::string& prefix, std::string& out)
{
    for (const auto& child : dir.Items()) {
        const std::string path = prefix + child->Name;
        if (child->IsDir()) {
            Append(static_cast<const TDirBlock&>(*child), path + "\\", out);
            continue;
        }
        out += path + "=";
        for (int i = 0; i < child->Count(); ++i) out += (i ? "|" : "") + child->GetString(i);
        out += "\n";
    }
}

}  // namespace

std::string TreeText(const TDirBlock& root)
{
    std::string out;
    Append(root, "", out);
    return out;
}

void ExpectTreeLines(const TDirBlock& root, std::initializer_list<std::string> lines)
{
    const std::string tree = "\n" + TreeText(root);
    for (const std::string& line : lines) EXPECT_NE(tree.find("\n" + line + "\n"), std::string::npos) << line;
}
