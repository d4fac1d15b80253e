// The texts every source of the diagnostics server shares: unit names of formatted sizes, the names of
// the registry roots in the order of QNAiO_RegRootEnum, the separators of composed texts and headings,
// the database file's default value and the parts of the database file's name.
#pragma once

namespace diagnostics {

inline constexpr const char* kGigabytes = "GB";
inline constexpr const char* kMegabytes = "MB";
inline constexpr const char* kKilobytes = "KB";
inline constexpr const char* kBytes = "Bytes";

// Indexed by QNAiO_RegRootHKCR - 1 to QNAiO_RegRootHKDD - 1.
inline constexpr const char* kRootKeyNames[] = {
    "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",   "HKEY_LOCAL_MACHINE",
    "HKEY_USERS",        "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA",
};

inline constexpr const char* kSpace = " ";
// What a database-file read returns when the key is missing; numbered lists end at the first such value.
inline constexpr const char* kNotFound = "NotFound";
inline constexpr const char* kHeadingOpen = "[";
inline constexpr const char* kHeadingClose = "]";

// The database file's name is kDatabaseName + kDatabaseVersion + kDatabaseExtension ("kenrdb07.sdb").
inline constexpr const char* kDatabaseName = "kenrdb";
inline constexpr const char* kDatabaseExtension = ".sdb";
inline constexpr const char* kDatabaseVersion = "07";

}  // namespace diagnostics
