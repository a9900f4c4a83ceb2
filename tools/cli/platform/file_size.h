// The size of a file in bytes, 64-bit on every platform; 0 when it cannot be measured.
#pragma once

#include <cstdint>
#include <string>

namespace vkt::cli {

std::int64_t FileSizeOrZero(const std::string& path);

}  // namespace vkt::cli
