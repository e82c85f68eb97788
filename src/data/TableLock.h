// The process-wide table lock: every access sequence holds it from open to close, so that the
// UI thread and the delivery worker never interleave inside the tables and neither fails
// because the other is in a table; they wait for each other instead.
#pragma once

#include <mutex>

namespace quorvel::data {

std::mutex& TableLock();

} // namespace quorvel::data
