#include "platform/machine/host_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

std::optional<std::string> ReadHostFile(const std::filesystem::path& file, int& error) {
    error = 0;
    // Not blocking: opening a pipe must not wait for a writer; it is refused below all the same.
    FileDescriptor descriptor(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (descriptor.get() < 0) {
        error = errno;
        return std::nullopt;
    }
    struct stat status {};
    if (::fstat(descriptor.get(), &status) != 0) {
        error = errno;
        return std::nullopt;
    }
    if (S_ISDIR(status.st_mode)) {
        error = EISDIR;
        return std::nullopt;
    }
    if (!S_ISREG(status.st_mode)) {
        error = EINVAL;
        return std::nullopt;
    }
    std::string contents;
    char buffer[65536];
    for (;;) {
        ssize_t count = ::read(descriptor.get(), buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) {
            error = errno;
            return std::nullopt;
        }
        if (count == 0) return contents;
        contents.append(buffer, static_cast<size_t>(count));
    }
}

bool IsMissingFileError(int error) { return error == ENOENT || error == ENOTDIR; }

std::string HostFileErrorText(int error) {
    if (error == EISDIR) return "it is a folder";
    if (IsMissingFileError(error)) return "there is no such file";
    if (error == EINVAL) return "it is not a regular file";
    return std::strerror(error);
}

}  // namespace platform
