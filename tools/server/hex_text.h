// Lower-case hexadecimal text, two digits per byte, high nibble first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vkt::server {

std::string HexEncode(const std::uint8_t* bytes, std::size_t size);

// Decodes text of an even number of hexadecimal digits (either case); false on anything else.
bool HexDecode(const std::string& text, std::vector<std::uint8_t>* bytes);

}  // namespace vkt::server
