#include "platform/machine/files/host_signature.h"

#include <sys/stat.h>

#include <cerrno>
#include <chrono>

namespace platform {

namespace {

constexpr std::int64_t kNanosecondsPerSecond = 1'000'000'000;
// Older than the coarsest clock tick of a file system that stamps fractions of a second.
constexpr std::int64_t kFineStampTrustNanoseconds = 100'000'000;
// A file system that stamps whole seconds (both stamps fall on a second) may stamp two seconds apart.
constexpr std::int64_t kWholeSecondStampTrustNanoseconds = 2 * kNanosecondsPerSecond + kFineStampTrustNanoseconds;

std::int64_t Nanoseconds(const struct timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * kNanosecondsPerSecond + time.tv_nsec;
}

}  // namespace

std::optional<FileSignature> ReadEntrySignature(const std::filesystem::path& host, int* hostError) {
    struct stat information;
    if (::stat(host.c_str(), &information) != 0) {
        if (hostError) *hostError = errno;
        return std::nullopt;
    }
    FileSignature signature;
    signature.device = information.st_dev;
    signature.inode = information.st_ino;
    signature.links = information.st_nlink;
    signature.size = information.st_size;
    signature.modifiedNanoseconds = Nanoseconds(information.st_mtim);
    signature.changedNanoseconds = Nanoseconds(information.st_ctim);
    signature.folder = S_ISDIR(information.st_mode);
    return signature;
}

std::int64_t HostClockNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

bool IsSignatureTrustworthy(const FileSignature& signature, std::int64_t readTime) {
    bool wholeSeconds = signature.modifiedNanoseconds % kNanosecondsPerSecond == 0 &&
                        signature.changedNanoseconds % kNanosecondsPerSecond == 0;
    std::int64_t age = wholeSeconds ? kWholeSecondStampTrustNanoseconds : kFineStampTrustNanoseconds;
    return readTime - signature.modifiedNanoseconds > age && readTime - signature.changedNanoseconds > age;
}

}  // namespace platform
