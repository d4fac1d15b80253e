// What the parts of ole32 share: the thread's COM state, the class registrations under
// HKEY_CLASSES_ROOT, and strings in task memory.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "objbase.h"

namespace platform::com {

// Whether the calling thread has initialised COM and not yet uninitialised it.
bool ThreadInitialized();

// A string value below HKEY_CLASSES_ROOT (the key's default value when name is null), or nothing when
// the key or the value is missing or not a string. Answers are kept until the machine's registry or its
// faults to inject change.
std::optional<std::string> ClassesRootString(const std::string& keyPath, const char* name = nullptr);

// A copy of the text with its zero in memory from CoTaskMemAlloc, or null when there is none.
LPOLESTR TaskMemoryString(std::u16string_view text);

}  // namespace platform::com
