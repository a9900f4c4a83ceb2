// VKTEstado: copies the status block out; never changes it.
#include <bit>
#include <cstdint>

#include "runtime/process/process_state.h"
#include "vkt32.h"

static_assert(std::endian::native == std::endian::little,
              "StatusRecord is written in the machine's byte order and must be little-endian");

// 0 with the record written, 1 when status is null or there is no status block.
extern "C" VKT_EXPORT int32_t VKT_CALL VKTEstado(StatusRecord* status) {
    const vkt::runtime::StatusBlock* block = vkt::runtime::Process().status;
    if (status == nullptr || block == nullptr) return 1;
    block->CopyOut(status);
    return 0;
}
