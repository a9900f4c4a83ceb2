// The JSON text of vkt --json.
#include <gtest/gtest.h>

#include <string>

#include "cli/json_text.h"

namespace vkt::cli {
namespace {

TEST(JsonTextTest, EscapesQuotesBackslashesAndControlBytes) {
    const struct {
        std::string text;
        const char* json;
    } cases[] = {
        {"", "\"\""},
        {"informe 2024.txt", "\"informe 2024.txt\""},
        {"di\"jo \\ C:\\x", "\"di\\\"jo \\\\ C:\\\\x\""},
        {"a\nb\tc\r\x01\x1f", "\"a\\u000ab\\u0009c\\u000d\\u0001\\u001f\""},
        {std::string("a\0b", 3), "\"a\\u0000b\""},
        {"Ib\xC3\xA1\xC3\xB1"
         "ez \x7f/",
         "\"Ib\xC3\xA1\xC3\xB1"
         "ez \x7f/\""},
    };
    for (const auto& c : cases) EXPECT_EQ(JsonString(c.text), c.json) << c.json;
}

TEST(JsonTextTest, WritesMembersInOrder) {
    JsonObject object;
    object.Add("operation", "get")
        .AddOrNull("local", std::string("/in/x"))
        .AddOrNull("remote", std::nullopt)
        .Add("code", std::int64_t{-40050})
        .AddNumber("seconds", 1.25);
    EXPECT_EQ(object.Text(),
              "{\"operation\":\"get\",\"local\":\"/in/x\",\"remote\":null,\"code\":-40050,"
              "\"seconds\":1.250}");
    EXPECT_EQ(JsonObject().Text(), "{}");
}

}  // namespace
}  // namespace vkt::cli
