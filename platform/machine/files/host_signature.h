// What the host tells about one state of an entry, and when a copy of what was read from the entry may
// be kept on the strength of it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

namespace platform {

// What identifies one state of a file or folder: when any part differs, the entry changed. A folder's
// modification time moves whenever an entry is added to it, removed from it or renamed in it, and its
// change time moves with every change of the folder itself, which no one can set back.
struct FileSignature {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t links = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNanoseconds = 0;
    std::int64_t changedNanoseconds = 0;
    bool folder = false;
    bool operator==(const FileSignature&) const = default;
};

// The signature of a file or folder (errno-style code in `hostError` when it cannot be read).
std::optional<FileSignature> ReadEntrySignature(const std::filesystem::path& host, int* hostError = nullptr);

// The host's clock as file systems stamp times with it.
std::int64_t HostClockNanoseconds();

// Whether what was read from an entry starting at `readTime` (the host clock, taken after the signature
// was read) may be trusted for as long as the signature stays the same. File systems stamp times from
// a clock that advances in ticks of a few milliseconds (whole seconds on some), so a change made just
// after the read could leave a recent stamp as it was; a stamp clearly older than the read cannot be
// repeated by a later change.
bool IsSignatureTrustworthy(const FileSignature& signature, std::int64_t readTime);

}  // namespace platform
