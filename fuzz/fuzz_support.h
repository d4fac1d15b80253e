// What the fuzz targets share: a temporary folder for the inputs a reader takes as files, and the report
// of a broken invariant (an abort, which libFuzzer records as a finding with its input).
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>

namespace fuzz {

// A folder of its own under the host's temporary folder, removed with everything in it at the end.
class TemporaryFolder {
  public:
    TemporaryFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "fuzz-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            std::abort();
        }
        path_ = pattern;
    }
    ~TemporaryFolder() {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // Writes the bytes as the file of that name in the folder, replacing what was there.
    std::filesystem::path Write(const std::string& name, std::string_view contents) const {
        std::filesystem::path file = path_ / name;
        std::ofstream stream(file, std::ios::binary | std::ios::trunc);
        stream.write(contents.data(), static_cast<std::streamsize>(contents.size()));
        if (!stream) {
            std::fprintf(stderr, "cannot write %s\n", file.c_str());
            std::abort();
        }
        return file;
    }

  private:
    std::filesystem::path path_;
};

inline std::string_view AsText(const std::uint8_t* data, std::size_t size) {
    return std::string_view(reinterpret_cast<const char*>(data), size);
}

// Reports an invariant that does not hold, with the two texts that should have been equal.
[[noreturn]] inline void Mismatch(const char* what, std::string_view expected, std::string_view actual) {
    std::fprintf(stderr, "%s\n--- expected (%zu bytes) ---\n%.*s\n--- actual (%zu bytes) ---\n%.*s\n", what,
                 expected.size(), static_cast<int>(expected.size()), expected.data(), actual.size(),
                 static_cast<int>(actual.size()), actual.data());
    std::abort();
}

[[noreturn]] inline void Broken(const std::string& what) {
    std::fprintf(stderr, "%s\n", what.c_str());
    std::abort();
}

}  // namespace fuzz
