#include "peer_library.h"

#include <chrono>

namespace vkt::peer {

const Library& Vkt() {
    return testing::LoadVkt("VKTpeer");
}

StatusRecord Estado() {
    return testing::Estado(Vkt());
}

StatusRecord WaitForEnd(int ms) {
    return testing::WaitForEnd(Vkt(), std::chrono::milliseconds(ms));
}

std::vector<ErrorRecord> Errors() {
    return testing::Errors(Vkt());
}

}  // namespace vkt::peer
