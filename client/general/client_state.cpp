// The one instance of the program's state.
#include "general/client_state.h"

namespace vkt::client {

ClientState& General() {
    static ClientState state;
    return state;
}

}  // namespace vkt::client
