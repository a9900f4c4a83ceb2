// The part file's name and the requested names that may have one.
#include "protocol/request_part_file.h"

#include <gtest/gtest.h>

#include <string>

namespace vkt::protocol {
namespace {

TEST(RequestedName, OnlyOneComponentInsideTheFolder) {
    const struct {
        const char* name;
        bool accepted;
    } cases[] = {
        {"lista.bin", true}, {".oculto", true},    {"..a", true},  {"a..", true},
        {"", false},         {".", false},         {"..", false},  {"../x", false},
        {"/etc/x", false},   {"a/../../x", false}, {"a/b", false}, {"a\\b", false},
        {"x/", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsSingleComponentName(c.name), c.accepted) << c.name;
    }
    EXPECT_FALSE(IsSingleComponentName(nullptr));
}

TEST(PartFilePath, DotNamePidSuffixInTheFolder) {
    char out[4096];
    ASSERT_TRUE(PartFilePath("/tmp/d", "lista.bin", 4711, out, sizeof out));
    EXPECT_STREQ(out, "/tmp/d/.lista.bin.4711.vkt-part");
    EXPECT_FALSE(PartFilePath("/tmp/d", "../x", 4711, out, sizeof out));
    EXPECT_FALSE(PartFilePath("/tmp/d", "lista.bin", 4711, out, 20)) << "does not fit";
}

// A name near the limit of a file name is shortened so that the part file can be made at all.
TEST(PartFilePath, LongNameShortenedToOneFileName) {
    const std::string name(253, 'n');
    char out[4096];
    ASSERT_TRUE(PartFilePath("/d", name.c_str(), 4194304, out, sizeof out));
    const std::string part = std::string(out).substr(3);
    EXPECT_EQ(part.size(), 255u);
    EXPECT_EQ(part, "." + std::string(255 - 1 - 17, 'n') + ".4194304.vkt-part");
}

}  // namespace
}  // namespace vkt::protocol
