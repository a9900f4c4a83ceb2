// VKTError: copies the recorded failures out and empties the list.
#include <bit>
#include <cstdint>

#include "runtime/process/process_state.h"
#include "vkt32.h"

static_assert(std::endian::native == std::endian::little,
              "ErrorRecord is written in the machine's byte order and must be little-endian");

// records must have room for 10 records (2,760 bytes). Null records or no list: 0, nothing
// written; an empty list leaves the buffer untouched.
extern "C" VKT_EXPORT int32_t VKT_CALL VKTError(ErrorRecord* records) {
    vkt::runtime::ErrorList* list = vkt::runtime::Process().errors;
    if (records == nullptr || list == nullptr) return 0;
    return static_cast<int32_t>(list->CopyOut(records));
}
