// What the parts of ole32 share: the thread's COM state, the class registrations under
// HKEY_CLASSES_ROOT, and GUIDs as text.
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

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case, as the registry names classes.
std::string GuidText(REFGUID guid);
// The GUID of that form (either case), or nothing when the text is anything else.
std::optional<GUID> ParseGuid(std::u16string_view text);

// A copy of the text with its zero in memory from CoTaskMemAlloc, or null when there is none.
LPOLESTR TaskMemoryString(std::u16string_view text);

}  // namespace platform::com
