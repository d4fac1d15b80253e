// The machine's registry, kept in registry.db.
//
// Keys and values live in two tables. Names keep the spelling they were created with and are found
// through their upper-case form (Windows-1252), so lookups ignore case. Only HKEY_LOCAL_MACHINE,
// HKEY_USERS and, on Windows 9x, HKEY_DYN_DATA are stored; the other predefined roots are places inside
// them (RealRootPath).
//
// Each thread of a process talks to registry.db through its own connection with its prepared
// statements (RegistryStore::For): SQLite connections must not be shared between threads without a
// lock, and separate connections let the threads of a program read at once in WAL mode. Every write is
// one transaction; after it commits the machine's SharedCounter::Registry is moved on, which tells the
// caches of every process (open key handles) that what they hold may be stale.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/machine/machine.h"
#include "platform/machine/sqlite_database.h"

namespace platform {

// The key under HKEY_USERS that HKEY_CURRENT_USER stands for on Windows NT; on Windows 9x it is ".DEFAULT".
inline constexpr std::string_view kCurrentUserKeyNT = "S-1-5-21-1004336348-1177238915-682003330-1003";

// Where a predefined root ("HKEY_CLASSES_ROOT") lives in the store ("HKEY_LOCAL_MACHINE\SOFTWARE\Classes").
// A stored root maps to itself; a root this system does not have (HKEY_DYN_DATA on NT, unknown names)
// gives nothing.
std::optional<std::string> RealRootPath(const MachineSettings& settings, std::string_view rootName);

// On Windows 2000 and XP HKEY_CLASSES_ROOT shows the user's classes over the machine's: the stored place of
// the user's part ("HKEY_USERS\<user>\Software\Classes"). Nothing on the systems where HKEY_CLASSES_ROOT
// is the machine's classes alone.
std::optional<std::string> UserClassesPath(const MachineSettings& settings);

// The limits Windows keeps: the characters of one key name, the levels of keys below a stored root
// ("HKEY_LOCAL_MACHINE\A" is one level), the characters of a value name.
inline constexpr std::size_t kMaxKeyNameLength = 255;
inline constexpr std::size_t kMaxKeyDepth = 512;
std::size_t MaxValueNameLength(const MachineSettings& settings);
// Why a key of that full stored path ("HKEY_LOCAL_MACHINE\SOFTWARE\X") cannot be created, or nothing when
// it can.
std::optional<std::string> KeyPathBeyondLimits(std::string_view storedPath);

// "A\B\\C\" as {"A", "B", "C"}: empty parts (doubled or trailing backslashes) are dropped.
std::vector<std::string_view> SplitKeyPath(std::string_view path);

// FILETIME of now, as 100-nanosecond ticks since 1601.
std::int64_t CurrentFileTime();

struct RegistrySubkey {
    std::int64_t id = 0;
    std::string name;
    std::string className;
    std::int64_t writeTime = 0;
};

struct RegistryValue {
    std::string name;  // empty: the key's default value
    DWORD type = 0;
    std::string data;  // the bytes exactly as set
};

// A key's subkeys (ordered as Subkeys orders them) and values (in creation order), read at once.
struct RegistryKeyContents {
    std::vector<RegistrySubkey> subkeys;
    std::vector<RegistryValue> values;
};

// A key some levels below the key it was listed from (RegistryStore::KeysBelow).
struct RegistryKeyBelow {
    std::int64_t id = 0;
    // The names of the keys on the way down to it and its own, as spelt ({"PCI", "VEN_1", "3&0"}), when
    // asked for.
    std::vector<std::string> names;
    // The data of each value asked for, in the order asked: the key's own, else that of its subkey named
    // as the fallback; none where neither has it.
    std::vector<std::optional<std::string>> values;
};

// Whether KeysBelow spells out the names: a listing that wants a few of thousands of keys reads their
// names afterwards (KeyNames) and saves reading every key's record.
enum class RegistryKeyNames { Read, Skip };

struct RegistryKeyRecord {
    std::int64_t id = 0;
    std::string className;
    std::int64_t writeTime = 0;
};

class RegistryStore {
  public:
    // The calling thread's connection to the registry of the machine; reopened when the thread moves to
    // another machine.
    static RegistryStore& For(Machine& machine);

    // A connection of its own (creating the tables and the stored roots when they are missing).
    RegistryStore(const std::filesystem::path& databaseFile, const MachineSettings& settings);
    ~RegistryStore();
    RegistryStore(const RegistryStore&) = delete;
    RegistryStore& operator=(const RegistryStore&) = delete;

    // Reads. Each sees the last committed state.
    std::optional<std::int64_t> RootId(std::string_view storedRootName);
    std::optional<std::int64_t> FindSubkey(std::int64_t parent, std::string_view name);
    // The key at a full path ("HKEY_CURRENT_USER\Software"), the root mapped; also gives the stored
    // spelling of each component after the root when asked.
    std::optional<std::int64_t> FindKey(std::string_view fullPath,
                                        std::vector<std::string>* spelling = nullptr);
    std::optional<RegistryKeyRecord> Key(std::int64_t id);
    // Subkeys ordered by upper-case name, as Windows NT lists them.
    std::vector<RegistrySubkey> Subkeys(std::int64_t id);
    bool HasSubkeys(std::int64_t id);
    // Values in the order they were created.
    std::vector<RegistryValue> Values(std::int64_t id);
    std::optional<RegistryValue> Value(std::int64_t id, std::string_view name);
    // Both lists in one read: each read of registry.db costs file locking, so a walk that lists a key's
    // subkeys and values pays for one instead of two.
    RegistryKeyContents Contents(std::int64_t id);
    // Every key exactly `depth` levels below the key (1: its subkeys), in the order nested walks of
    // Subkeys meet them, with the data of the values named, in one read: a walk of thousands of keys pays
    // for one statement instead of one per key and value. A value a key lacks is read from its subkey
    // named `fallbackSubkey` when one is given.
    std::vector<RegistryKeyBelow> KeysBelow(std::int64_t id, std::size_t depth,
                                            const std::vector<std::string_view>& valueNames = {},
                                            std::string_view fallbackSubkey = {},
                                            RegistryKeyNames names = RegistryKeyNames::Read);
    // The names of the key and of the keys above it, `levels` in all, from the top down, as spelt; nothing
    // when the key is missing or has fewer levels above it.
    std::optional<std::vector<std::string>> KeyNames(std::int64_t id, std::size_t levels);

    // Ends the read transaction reads may be sharing, so that an idle thread keeps no old snapshot of
    // the database (which would stop other processes' checkpoints from emptying the write-ahead log).
    void ReleaseSnapshot() { LeaveRead(); }

    // Writes, each one transaction.
    struct Created {
        std::int64_t id = 0;
        bool created = false;
    };
    // Creates what is missing of the path below the parent; the class goes to keys created here.
    Created CreateKey(std::int64_t parent, const std::vector<std::string_view>& components,
                      std::string_view className);
    void SetValue(std::int64_t key, std::string_view name, DWORD type, std::string_view data);
    // False when there was no such value.
    bool DeleteValue(std::int64_t key, std::string_view name);
    // Removes the key, everything below it and their values.
    void DeleteKeyTree(std::int64_t id);

    // Several changes as one transaction (import); the functions above nest inside it.
    class Batch {
      public:
        explicit Batch(RegistryStore& store);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;
        void Commit();

      private:
        RegistryStore& store_;
        SqliteTransaction transaction_;
    };

  private:
    struct Statements;
    // Reads share one read transaction while no process has written since it began, for a few
    // milliseconds at most: every transaction costs file locking, and a walk reads thousands of times.
    void EnterRead();
    void LeaveRead();
    template <typename Action>
    auto Write(Action&& action);
    std::optional<std::int64_t> FindPath(std::int64_t root, const std::vector<std::string_view>& components,
                                         std::vector<std::string>* spelling);
    void Touch(std::int64_t key, std::int64_t time);

    SqliteDatabase database_;
    std::unique_ptr<Statements> statements_;
    const MachineSettings settings_;
    SharedCounters* counters_ = nullptr;
    int batchDepth_ = 0;
    bool writing_ = false;
    bool reading_ = false;
    std::uint64_t readGeneration_ = 0;
    std::chrono::steady_clock::time_point readStart_;
};

// Creates registry.db for a new machine with the keys every installation of its system has.
void InitializeMachineRegistry(const std::filesystem::path& folder, const MachineSettings& settings);

// Whether registry text must start with its REGEDIT4 line. A .reg file must; the registry fragments that
// tests and sample set-ups write may leave it out.
enum class RegistryTextHeader { Required, Optional };

// Reads REGEDIT4 text into the machine's registry (keys created, values set, "[-key]" and "name"=-
// deleted), all of it as one transaction. Throws std::runtime_error naming the line of the first entry
// that is malformed, breaks the registry's limits or would delete a root key ("[-HKEY_CURRENT_USER]"),
// and then nothing of the text is imported.
void ImportRegistryText(Machine& machine, std::string_view text,
                        RegistryTextHeader header = RegistryTextHeader::Required);
// REGEDIT4 text of the key (a full path such as "HKEY_LOCAL_MACHINE\SOFTWARE\X") and all below it;
// an empty path exports every stored root. Throws std::runtime_error when the key does not exist.
std::string ExportRegistryText(Machine& machine, std::string_view keyPath);

}  // namespace platform
