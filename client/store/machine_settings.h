// The machine-wide "zemra.ini": the server address the client connects to and
// the version number an outside updater reads.
#pragma once

#include <filesystem>
#include <string>

namespace zemra::store {

inline constexpr const char* kBuiltInServerAddress = "127.0.0.1";
inline constexpr int kVersionId = 10009;

// "serverip" of section "zemra" in `machineIniDir`/zemra.ini, or `fallback`
// when the file or key is missing.
std::string readServerIp(const std::filesystem::path& machineIniDir,
                         const std::string& fallback = kBuiltInServerAddress);

// Writes VERSIONID=10009 into section "ZEMRA" of `machineIniDir`/ZEMRA.ini
// (the same file and section as above: names compare without case), making
// the folder first if need be. False if it cannot be written.
bool writeVersionId(const std::filesystem::path& machineIniDir);

}  // namespace zemra::store
