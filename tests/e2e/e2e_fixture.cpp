#include "e2e_fixture.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <chrono>

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
    return testing::Estado(Vkt());
}

StatusRecord WaitForEnd(int seconds) {
    return testing::WaitForEnd(Vkt(), std::chrono::seconds(seconds));
}

std::vector<ErrorRecord> Errors() {
    return testing::Errors(Vkt());
}

}  // namespace vkt::e2e
