// A coding library that has only two of the five entry points, as an older or
// foreign Codage.so might: the binding must take what is there and leave the
// rest absent.
#define CODAGE_BUILDING_LIBRARY 1
#include "codage.h"

namespace {
const CodageToken kToken{CODAGE_KIND_NOUN, "PARTIEL", 0, 0, 0, 1, 1, 0, 0};
}

extern "C" {

CODAGE_API void MakeCode(const char* description, const char** code)
{
    (void)description;
    if (code != nullptr) *code = "PAR1000";
}

CODAGE_API void Tokenize(const char* text, const CodageToken** tokens, int32_t* count)
{
    (void)text;
    if (tokens != nullptr) *tokens = &kToken;
    if (count != nullptr) *count = 1;
}

}  // extern "C"
