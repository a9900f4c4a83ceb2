// What the layer above the runtime does in every release of the session, whoever asks for it
// (a disconnect, a failure or time-out on the event thread, the library's unload): the runtime
// frees the slot's socket, timers and kept file itself, but knows neither keys nor transfers.
// TableAccess::ReleaseSlot runs the hooks, in this order:
//
//   abandon()        table mutex held, nothing freed yet: the transfer under way is given up
//                    (a partly received file is deleted while the slot still names it)
//   destroyKey(key)  table mutex held, when the slot holds a session key: the key is destroyed
//   (the disconnect notice is sent, the timers stopped, the kept file closed, the slot freed)
//   released()       table mutex let go, the slot free: a caller waiting for an answer wakes
//
// The protocol installs its hooks before it claims a slot. Without hooks (or a destroyKey) a
// session key cannot be destroyed, and the release reports it.
#pragma once

#include <cstdint>

namespace vkt::runtime {

struct ReleaseHooks {
    void (*abandon)() = nullptr;
    bool (*destroyKey)(std::uint32_t sessionKey) = nullptr;  // false: the key is not freed
    void (*released)() = nullptr;
};

// For every later release, on any thread; null removes them. The hooks must stay valid for as
// long as a release may run (a static object).
void SetReleaseHooks(const ReleaseHooks* hooks);

}  // namespace vkt::runtime
