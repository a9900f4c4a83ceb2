#include "e2e_fixture.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace vkt::e2e {

std::string ShmPrefix() {
    return testing::ShmPrefix("VKTe2e");
}

const Library& Vkt() {
    const Library& library = testing::LoadVkt("VKTe2e");
    EXPECT_TRUE(library.Complete()) << dlerror();
    return library;
}

StatusRecord Estado() {
    StatusRecord record{};
    Vkt().estado(&record);
    return record;
}

StatusRecord WaitForEnd(int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
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

}  // namespace vkt::e2e
