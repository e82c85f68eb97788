#include "platform/posix/PosixFileProbe.h"

#include <string>
#include <sys/stat.h>

namespace quorvel::platform::posix {

bool PosixFileProbe::Exists(std::string_view path) {
    // A zero byte would cut the name short and test another one.
    if (path.empty() || path.find('\0') != std::string_view::npos) {
        return false;
    }
    struct stat info {};
    return ::stat(std::string(path).c_str(), &info) == 0;
}

} // namespace quorvel::platform::posix
