// Reading a whole host file for the tools (winmachine, rc, midl) and saying plainly why it could not be
// read: a folder, a missing file and a read that fails are told apart.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>

namespace platform {

// Owns a host file descriptor and closes it when it goes out of scope.
class FileDescriptor {
  public:
    explicit FileDescriptor(int descriptor) : descriptor_(descriptor) {}
    ~FileDescriptor() {
        if (descriptor_ >= 0) ::close(descriptor_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return descriptor_; }

  private:
    int descriptor_;
};


// The whole contents of a regular host file; nullopt with `error` set to the errno value that kept it
// from being read: ENOENT or ENOTDIR when there is no such file, EISDIR for a folder, EINVAL for something
// that is neither file nor folder (a device, a pipe).
std::optional<std::string> ReadHostFile(const std::filesystem::path& file, int& error);

// True when `error` (from ReadHostFile) means there is no file there at all.
bool IsMissingFileError(int error);

// The reason for a message: "it is a folder", "there is no such file", or the system's text.
std::string HostFileErrorText(int error);

}  // namespace platform
