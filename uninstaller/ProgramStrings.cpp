#include "ProgramStrings.h"

#include "framework.h"

namespace {

// Longer than every string of the table.
constexpr int STRING_SIZE = 1024;

}  // namespace

std::string LoadProgramString(UINT id) {
    char text[STRING_SIZE] = "";
    int length = LoadStringA(AfxGetInstanceHandle(), id, text, STRING_SIZE);
    return std::string(text, length > 0 ? static_cast<size_t>(length) : 0);
}
