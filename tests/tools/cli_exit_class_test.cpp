// The exit-status table against the library's catalogue: every code with a text is listed.
#include <gtest/gtest.h>

#include <string>

#include "cli/exit_class.h"
#include "cli/exit_status.h"
#include "runtime/status/catalogue.h"

namespace vkt::cli {
namespace {

// A catalogue id as the code a caller sees: socket errors (10000..11999) with a leading 1.
std::int32_t CodeOf(std::int32_t id) {
    return id >= 10000 && id < 12000 ? 100000 + id : id;
}

TEST(ExitClass, EveryCatalogueCodeHasAClass) {
    int listed = 0;
    for (std::int32_t id = 1; id < 50000; ++id) {
        if (runtime::CatalogueText(id)[0] == '\0') continue;
        const std::int32_t code = CodeOf(id);
        const std::optional<int> status = ListedExitClass(code);
        EXPECT_TRUE(status.has_value()) << code << " " << runtime::CatalogueText(id);
        ++listed;
    }
    EXPECT_GT(listed, 100);
    EXPECT_TRUE(ListedExitClass(40060).has_value());  // the one code without a text
}

TEST(ExitClass, RetryableFailuresAreToldFromPermanentOnes) {
    struct Case {
        std::int32_t code;
        int status;
    };
    const Case cases[] = {
        {110061, kExitUnreachable}, {111001, kExitUnreachable}, {40064, kExitUnreachable},
        {49997, kExitUnreachable},  {40040, kExitUnreachable},  {40033, kExitSessionHeld},
        {40055, kExitTimedOut},     {40050, kExitLocalFile},    {40051, kExitLocalFile},
        {40200, kExitRefused},      {40208, kExitRefused},      {2604, kExitUsage},
        {40053, kExitUsage},        {40013, kExitRefused},      {123, kExitRefused},
    };
    for (const Case& c : cases) EXPECT_EQ(ExitClassFor(c.code), c.status) << c.code;
    EXPECT_EQ(ExitClassFor(40050, true), kExitRefused);  // a name on the server
}

TEST(ExitClass, TheCauseDecidesNotItsConsequences) {
    EXPECT_EQ(DecidingCode({110061, 40065}, 40065), 110061);
    EXPECT_EQ(DecidingCode({40065, 40050}, 40050), 40050);
    EXPECT_EQ(DecidingCode({40065}, 0), 40065);
    EXPECT_EQ(DecidingCode({}, 40033), 40033);
}

}  // namespace
}  // namespace vkt::cli
