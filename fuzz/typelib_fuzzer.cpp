// The type library file reader over any bytes: a file it accepts writes back as a file it reads to the
// same library.
#include <cstddef>
#include <cstdint>
#include <span>

#include "fuzz/fuzz_support.h"
#include "platform/typelib_format/type_library.h"

namespace {

std::string_view AsText(const platform::typelib::Bytes& bytes) {
    return std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::optional<platform::typelib::TypeLibrary> library =
        platform::typelib::Deserialize(std::span<const std::uint8_t>(data, size));
    if (!library) return 0;
    platform::typelib::Bytes written = platform::typelib::Serialize(*library);
    std::string error;
    std::optional<platform::typelib::TypeLibrary> read = platform::typelib::Deserialize(written, &error);
    if (!read) fuzz::Broken("a library read does not read back once written: " + error);
    platform::typelib::Bytes again = platform::typelib::Serialize(*read);
    if (again != written) fuzz::Mismatch("a library read back writes otherwise", AsText(written), AsText(again));
    return 0;
}
