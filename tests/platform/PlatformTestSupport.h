// What the platform tests share: the common temporary directory and byte helpers.
#pragma once

#include "support/TempDir.h"

#include <filesystem>
#include <string>

namespace quorvel::platform::test {

using quorvel::test::ReadBytes;
using quorvel::test::TempDir;
using quorvel::test::WriteBytes;

} // namespace quorvel::platform::test
