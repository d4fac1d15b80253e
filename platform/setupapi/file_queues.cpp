// INF file handling: file queues, copying a driver's INF into the Windows INF folder, and the list of
// installation sources Windows remembers.
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/machine/files/host_path.h"
#include "platform/machine/machine.h"
#include "platform/machine/registry/registry_store.h"
#include "platform/setupapi/device_sets.h"

using platform::setup::SetError;

namespace {

struct QueueTable {
    std::mutex mutex;
    std::set<ULONG_PTR> open;
    ULONG_PTR next = 0x5F000000;
};

QueueTable& Queues() {
    static QueueTable* table = new QueueTable;
    return *table;
}

std::optional<std::string> ReadMachineFile(const std::string& windowsPath) {
    std::optional<platform::HostPath> host = platform::ResolveHostPath(windowsPath);
    if (!host || !host->exists) return std::nullopt;
    std::ifstream file(host->host, std::ios::binary);
    if (!file) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Where Windows keeps the places it installed from.
constexpr const char* kSetupKey = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Setup";

}  // namespace

extern "C" HSPFILEQ WINAPI SetupOpenFileQueue(void) {
    QueueTable& table = Queues();
    std::lock_guard<std::mutex> lock(table.mutex);
    ULONG_PTR handle = table.next;
    table.next += 0x10;
    table.open.insert(handle);
    return reinterpret_cast<HSPFILEQ>(handle);
}

extern "C" BOOL WINAPI SetupCloseFileQueue(HSPFILEQ QueueHandle) {
    QueueTable& table = Queues();
    std::lock_guard<std::mutex> lock(table.mutex);
    if (table.open.erase(reinterpret_cast<ULONG_PTR>(QueueHandle)) == 0) return SetError(ERROR_INVALID_HANDLE);
    return TRUE;
}

// The INF goes to <Windows>\INF as the first free "oem<N>.inf"; an INF already there with the same
// contents is used again, as Windows does.
extern "C" BOOL WINAPI SetupCopyOEMInfA(PCSTR SourceInfFileName, PCSTR, DWORD, DWORD CopyStyle,
                                        PSTR DestinationInfFileName, DWORD DestinationInfFileNameSize,
                                        PDWORD RequiredSize, PSTR* DestinationInfFileNameComponent) {
    if (!SourceInfFileName) return SetError(ERROR_INVALID_PARAMETER);
    std::optional<std::string> contents = ReadMachineFile(SourceInfFileName);
    if (!contents) return SetError(ERROR_FILE_NOT_FOUND);
    std::string infFolder = platform::Machine::Current().settings().windowsFolder + "\\INF";
    std::string destination;
    for (int number = 0; destination.empty(); ++number) {
        std::string candidate = infFolder + "\\oem" + std::to_string(number) + ".inf";
        std::optional<std::string> existing = ReadMachineFile(candidate);
        if (!existing) {
            CreateDirectoryA(infFolder.c_str(), nullptr);
            if (!CopyFileA(SourceInfFileName, candidate.c_str(), TRUE)) return FALSE;
            destination = candidate;
        } else if (*existing == *contents) {
            if (CopyStyle & SP_COPY_NOOVERWRITE) return SetError(ERROR_FILE_EXISTS);
            destination = candidate;
        }
    }
    DWORD needed = static_cast<DWORD>(destination.size() + 1);
    if (RequiredSize) *RequiredSize = needed;
    if (DestinationInfFileName) {
        if (DestinationInfFileNameSize < needed) return SetError(ERROR_INSUFFICIENT_BUFFER);
        std::memcpy(DestinationInfFileName, destination.c_str(), needed);
        if (DestinationInfFileNameComponent) {
            *DestinationInfFileNameComponent = DestinationInfFileName + destination.rfind('\\') + 1;
        }
    }
    return TRUE;
}

// The sources are the strings of the value "Installation Sources"; the list is one allocation, the
// pointers followed by the texts.
extern "C" BOOL WINAPI SetupQuerySourceListA(DWORD, PCSTR** List, PUINT Count) {
    if (!List || !Count) return SetError(ERROR_INVALID_PARAMETER);
    std::vector<std::string> sources;
    platform::RegistryStore& store = platform::RegistryStore::For(platform::Machine::Current());
    if (std::optional<std::int64_t> key = store.FindKey(kSetupKey)) {
        if (std::optional<platform::RegistryValue> value = store.Value(*key, "Installation Sources")) {
            std::istringstream texts(value->data);
            for (std::string text; std::getline(texts, text, '\0');) {
                if (!text.empty()) sources.push_back(text);
            }
        }
    }
    size_t textBytes = 0;
    for (const std::string& source : sources) textBytes += source.size() + 1;
    size_t pointerBytes = sources.size() * sizeof(PCSTR);
    char* block = new char[pointerBytes + textBytes + 1];
    PCSTR* pointers = reinterpret_cast<PCSTR*>(block);
    char* text = block + pointerBytes;
    for (size_t index = 0; index < sources.size(); ++index) {
        std::memcpy(text, sources[index].c_str(), sources[index].size() + 1);
        pointers[index] = text;
        text += sources[index].size() + 1;
    }
    *List = pointers;
    *Count = static_cast<UINT>(sources.size());
    return TRUE;
}

extern "C" BOOL WINAPI SetupFreeSourceListA(PCSTR** List, UINT) {
    if (!List) return SetError(ERROR_INVALID_PARAMETER);
    delete[] reinterpret_cast<char*>(*List);
    *List = nullptr;
    return TRUE;
}
