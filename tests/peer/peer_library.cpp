#include "peer_library.h"

#include <chrono>
#include <thread>

namespace vkt::peer {

const Library& Vkt() {
    return testing::LoadVkt("VKTpeer");
}

StatusRecord Estado() {
    StatusRecord record{};
    Vkt().estado(&record);
    return record;
}

StatusRecord WaitForEnd(int ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    StatusRecord record = Estado();
    while (record.activity == 2 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        record = Estado();
    }
    return record;
}

std::vector<ErrorRecord> Errors() {
    ErrorRecord records[10] = {};
    const int count = Vkt().error(records);
    return std::vector<ErrorRecord>(records, records + (count > 0 ? count : 0));
}

}  // namespace vkt::peer
