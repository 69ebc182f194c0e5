#include "machine_settings.h"

#include <system_error>

#include "platform/profile.h"

namespace zemra::store {

std::string readServerIp(const std::filesystem::path& machineIniDir, const std::string& fallback) {
    return profile::getString(machineIniDir / "zemra.ini", "zemra", "serverip", fallback);
}

bool writeVersionId(const std::filesystem::path& machineIniDir) {
    // Unlike the Windows directory, our replacement for it may not exist yet.
    std::error_code ignored;
    std::filesystem::create_directories(machineIniDir, ignored);
    return profile::writeInt(machineIniDir / "ZEMRA.ini", "ZEMRA", "VERSIONID", kVersionId);
}

}  // namespace zemra::store
