// The message catalogue: the Spanish text of every status code, as Latin-1 bytes.
#pragma once

#include <cstdint>

namespace vkt::runtime {

// The text of a message id (see MessageIdFor), or "" when the id has no text.
const char* CatalogueText(std::int32_t messageId);

}  // namespace vkt::runtime
