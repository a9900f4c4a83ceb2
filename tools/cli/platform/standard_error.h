// Writes bytes to standard error unbuffered, past the C streams: safe from any thread, also
// while another thread runs exit().
#pragma once

#include <cstddef>

namespace vkt::cli {

void WriteToStandardError(const char* bytes, std::size_t size);

}  // namespace vkt::cli
