#include "app/AppContext.h"

#include <cstdlib>

namespace quorvel::app {

std::filesystem::path DataDirectory(const std::filesystem::path& executableDirectory) {
    if (const char* overridden = std::getenv("QUORVEL_DATA_DIR");
        overridden != nullptr && *overridden != '\0') {
        return std::filesystem::path(overridden);
    }
    return executableDirectory / "data";
}

} // namespace quorvel::app
