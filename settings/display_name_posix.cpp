#include "settings/display_name.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace pellavane {

namespace {

// HOME can be missing under some service managers; the password database still knows the folder.
std::string HomeFromPasswordDatabase()
{
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr ||
        found->pw_dir == nullptr)
        return {};
    return found->pw_dir;
}

} // namespace

std::string DefaultLogFilePath(const std::string& displayName)
{
    const char* home = std::getenv("HOME");
    std::string homeFromDatabase;
    if (home == nullptr || *home == '\0') {
        homeFromDatabase = HomeFromPasswordDatabase();
        home = homeFromDatabase.c_str();
    }
    return PosixLogFilePath(std::getenv("XDG_STATE_HOME"), home, displayName);
}

} // namespace pellavane
