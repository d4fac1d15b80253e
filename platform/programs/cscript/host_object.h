// WScript, the object the script host gives every script: Echo writes a line of the values given,
// joined by blanks; Quit ends the script with an exit code; Arguments holds the script's arguments.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "interpreter.h"
#include "variant_value.h"

namespace vbscript {

using LineWriter = std::function<void(std::u16string_view line)>;

// The object keeps references to the interpreter and the writer, which outlive the script's run.
ComPointer<IDispatch> MakeHostObject(Interpreter& interpreter, LineWriter writeLine,
                                     std::vector<std::u16string> arguments);

}  // namespace vbscript
