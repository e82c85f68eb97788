#include "data/TableLock.h"

namespace quorvel::data {

std::mutex& TableLock() {
    static std::mutex lock;
    return lock;
}

} // namespace quorvel::data
