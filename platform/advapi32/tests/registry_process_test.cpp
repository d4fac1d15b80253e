// The registry shared by separate processes of one machine: concurrent writers lose nothing, a writer
// killed mid-write leaves the old or the new state, and open handles see what other processes did.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/machine/registry/registry_store.h"
#include "platform/machine/sqlite_database.h"
#include "platform/testing/test_machine.h"
#include "platform/testing/worker_process.h"
#include "windows.h"

namespace {

using platform::TestMachine;

platform::WorkerProcess StartWorker(const TestMachine& machine, std::vector<std::string> arguments) {
    return platform::WorkerProcess(machine, REGISTRY_WORKER, std::move(arguments));
}

struct TreeCount {
    int keys = 0;
    int values = 0;
};

// Keys and values below HKLM\<path>, the key itself included; nothing when it does not exist.
TreeCount CountTree(HKEY parent, const std::string& path) {
    TreeCount count;
    HKEY key = nullptr;
    if (RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return count;
    DWORD values = 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                     nullptr, nullptr);
    count.keys = 1;
    count.values = static_cast<int>(values);
    char name[256];
    for (DWORD index = 0; RegEnumKeyA(key, index, name, sizeof name) == ERROR_SUCCESS; ++index) {
        TreeCount below = CountTree(key, name);
        count.keys += below.keys;
        count.values += below.values;
    }
    RegCloseKey(key);
    return count;
}

std::string IntegrityCheck(const TestMachine& machine) {
    platform::SqliteDatabase database(machine.folder() / "registry.db");
    platform::SqliteStatement check(database, "PRAGMA integrity_check");
    check.Step();
    return check.Text(0);
}

TEST(RegistryProcesses, ConcurrentWritersLoseNoUpdate) {
    TestMachine machine;
    constexpr int kEach = 300;
    std::vector<platform::WorkerProcess> workers;
    for (const char* prefix : {"A", "B", "C"}) {
        workers.push_back(
            StartWorker(machine, {"set", "SOFTWARE\\Shared\\Place", prefix, std::to_string(kEach)}));
    }
    for (platform::WorkerProcess& worker : workers) EXPECT_EQ(0, worker.Wait());
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Shared\\Place", 0, KEY_READ, &key));
    DWORD values = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                              &values, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(3u * kEach, values);
    for (const char* prefix : {"A", "B", "C"}) {
        for (int index = 0; index < kEach; ++index) {
            std::string name = prefix + std::to_string(index);
            DWORD data = 0;
            DWORD size = sizeof data;
            ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, name.c_str(), nullptr, nullptr,
                                                      reinterpret_cast<BYTE*>(&data), &size))
                << name;
            EXPECT_EQ(static_cast<DWORD>(index), data);
        }
    }
    RegCloseKey(key);
}

TEST(RegistryProcesses, KilledImportLeavesOldOrNewState) {
    TestMachine machine;
    constexpr int kKeys = 4000;
    std::string text = "REGEDIT4\r\n\r\n";
    for (int index = 0; index < kKeys; ++index) {
        text += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Big\\Group" + std::to_string(index / 100) + "\\Key" +
                std::to_string(index) +
                "]\r\n\"One\"=\"text\"\r\n\"Two\"=dword:00000002\r\n\"Three\"=hex:01,02,03\r\n\r\n";
    }
    std::filesystem::path file = machine.folder() / "big.reg";
    std::ofstream(file, std::ios::binary) << text;
    const TreeCount complete{1 + kKeys / 100 + kKeys, 3 * kKeys};

    // Once to the end, to know how long an import takes.
    platform::WorkerProcess first = StartWorker(machine, {"import", file.string()});
    ASSERT_EQ("ready", first.ReadLine());
    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(0, first.Wait());
    auto duration = std::chrono::steady_clock::now() - start;
    TreeCount full = CountTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Big");
    EXPECT_EQ(complete.keys, full.keys);
    EXPECT_EQ(complete.values, full.values);

    int killedBeforeTheEnd = 0;
    for (int tenth : {1, 3, 5, 7, 9}) {
        SCOPED_TRACE(tenth);
        platform::ImportRegistryText(machine.machine(), "REGEDIT4\r\n[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Big]");
        platform::WorkerProcess worker = StartWorker(machine, {"import", file.string()});
        ASSERT_EQ("ready", worker.ReadLine());  // the worker has read the file and starts the import
        std::this_thread::sleep_for(duration * tenth / 10);
        worker.Kill(SIGKILL);
        int outcome = worker.Wait();
        EXPECT_EQ("ok", IntegrityCheck(machine));
        TreeCount after = CountTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Big");
        if (after.keys == 0) {
            EXPECT_EQ(-SIGKILL, outcome);
            ++killedBeforeTheEnd;
        } else {
            EXPECT_EQ(complete.keys, after.keys);
            EXPECT_EQ(complete.values, after.values);
        }
    }
    EXPECT_GT(killedBeforeTheEnd, 0);
}

TEST(RegistryProcesses, ValuesReadWhileAnotherProcessRewritesThemAreWhole) {
    TestMachine machine;
    constexpr DWORD kSize = 65536;
    for (int round = 0; round < 3; ++round) {
        platform::WorkerProcess worker = StartWorker(machine, {"churn", "SOFTWARE\\Churn", std::to_string(kSize)});
        std::vector<BYTE> buffer(kSize);
        int reads = 0;
        for (int attempt = 0; attempt < 2000 && reads < 100; ++attempt) {
            HKEY key = nullptr;
            if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Churn", 0, KEY_READ, &key) != ERROR_SUCCESS) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            DWORD size = kSize;
            if (RegQueryValueExA(key, "Data", nullptr, nullptr, buffer.data(), &size) == ERROR_SUCCESS) {
                ASSERT_EQ(kSize, size);
                ASSERT_EQ(std::vector<BYTE>(kSize, buffer[0]), buffer);
                ++reads;
            }
            RegCloseKey(key);
        }
        EXPECT_EQ(100, reads);
        worker.Kill(SIGKILL);
        EXPECT_EQ(-SIGKILL, worker.Wait());
        EXPECT_EQ("ok", IntegrityCheck(machine));
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Churn", 0, KEY_READ, &key));
        DWORD size = kSize;
        ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Data", nullptr, nullptr, buffer.data(), &size));
        EXPECT_EQ(std::vector<BYTE>(kSize, buffer[0]), buffer);
        RegCloseKey(key);
    }
}

TEST(RegistryProcesses, OpenHandlesSeeOtherProcessesWrites) {
    TestMachine machine;
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Watched", 0, nullptr, 0, KEY_READ,
                                             nullptr, &key, nullptr));
    DWORD values = 0;
    char name[16];
    ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                              &values, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(0u, values);
    EXPECT_EQ(ERROR_NO_MORE_ITEMS, RegEnumKeyA(key, 0, name, sizeof name));

    ASSERT_EQ(0, StartWorker(machine, {"set", "SOFTWARE\\Watched\\Sub", "V", "3"}).Wait());
    EXPECT_EQ(ERROR_SUCCESS, RegEnumKeyA(key, 0, name, sizeof name));
    EXPECT_STREQ("Sub", name);

    ASSERT_EQ(0, StartWorker(machine, {"set", "SOFTWARE\\Watched", "V", "3"}).Wait());
    ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                              &values, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(3u, values);

    ASSERT_EQ(0, StartWorker(machine, {"delete", "SOFTWARE\\Watched\\Sub"}).Wait());
    ASSERT_EQ(0, StartWorker(machine, {"delete", "SOFTWARE\\Watched"}).Wait());
    DWORD size = 0;
    EXPECT_EQ(ERROR_KEY_DELETED, RegQueryValueExA(key, "V0", nullptr, nullptr, nullptr, &size));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
}

}  // namespace
