// One recorded failure, owned by the error list (private to the status area).
#pragma once

#include <cstdint>

#include "runtime/status/error_list.h"

namespace vkt::runtime {

struct ErrorList::Entry {
    std::int32_t code = 0;
    char text[255] = {};  // at most 254 bytes, zero-terminated
    char time[9] = {};    // "HH:MM:SS", zero-terminated
    Entry* next = nullptr;
};

}  // namespace vkt::runtime
