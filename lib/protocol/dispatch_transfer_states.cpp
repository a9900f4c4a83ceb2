// The dispatcher's entries for the transfer states. The request (state 2), send (state 3) and
// verify (state 5) handlers belong to those operations and are not built yet: until then a
// frame that arrives in these states is left alone, exactly as in the idle state.
#include "protocol/dispatch.h"

namespace vkt::protocol {

void DispatchRequestState(runtime::Connection&, std::uint32_t) {}

void DispatchSendState(runtime::Connection&, std::uint32_t) {}

void DispatchVerifyState(runtime::Connection&, std::uint32_t) {}

}  // namespace vkt::protocol
