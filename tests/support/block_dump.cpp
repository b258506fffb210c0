#include "block_dump.h"

#include "platform/base/rtl_numbers.h"
#include "store/blocks.h"

std::string DumpColumns(const TDirBlock& dir)
{
    ScopedDecimalSeparator dot('.');
    std::string out;
    for (int c = 0; c < dir.ItemCount(); ++c) {
        TBlock* b = dir.Child(c);
        out += (c ? " " : "") + b->Name + ":";
        switch (b->BlockType()) {
        case btInt: out += "i="; break;
        case btIntArray: out += "I="; break;
        case btFloat: out += "f="; break;
        case btFloatArray: out += "F="; break;
        case btString: out += "s="; break;
        case btStringArray: out += "S="; break;
        case btDir: out += "D" + std::to_string(static_cast<TDirBlock*>(b)->ItemCount()); continue;
        default: out += "?"; continue;
        }
        for (int i = 0; i < b->Count(); ++i) out += (i ? "|" : "") + b->GetString(i);
    }
    return out;
}
