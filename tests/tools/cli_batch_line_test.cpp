// The lines of vkt batch: word splitting and what a line may hold.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/batch_line.h"

namespace vkt::cli {
namespace {

TEST(BatchLineTest, SplitsWordsAsAShellSplitsSimpleWords) {
    const struct {
        const char* text;
        bool ok;
        std::vector<std::string> words;
    } cases[] = {
        {"  get\tinforme.txt   --to in  ", true, {"get", "informe.txt", "--to", "in"}},
        {"send \"mi nomina.txt\" --field 'Concepto=Pago de junio'",
         true,
         {"send", "mi nomina.txt", "--field", "Concepto=Pago de junio"}},
        {"verify a\"b c\"'d'e", true, {"verify", "ab cde"}},
        {"send \"\" ''", true, {"send", "", ""}},
        {"send \"di\\\"cho\\\\\" 'no\\'", true, {"send", "di\"cho\\", "no\\"}},
        {"send a\\ b $HOME *.txt", true, {"send", "a b", "$HOME", "*.txt"}},
        {"get \"sin cierre --to in", false, {}},
        {"get 'sin cierre", false, {}},
        {"get a\\", false, {}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> words;
        std::string message;
        EXPECT_EQ(SplitWords(c.text, &words, &message), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(words, c.words) << c.text;
        } else {
            EXPECT_FALSE(message.empty()) << c.text;
        }
    }
}

TEST(BatchLineTest, TakesTheOperationFromTheLineAndTheConnectionFromVkt) {
    CommandLine base;
    base.command = "batch";
    base.target = "lista";
    base.server = "h";
    base.timeout = 30;
    const struct {
        const char* text;
        bool ok;
        bool skip;
        bool failureAllowed;
        const char* command;
        const char* target;
        const char* error;  // a part of the message
    } cases[] = {
        {"", true, true, false, "", "", ""},
        {"   # get x --to in", true, true, false, "", "", ""},
        {"get \"el informe\" --to in", true, false, false, "get", "el informe", ""},
        {"  -verify nomina.txt --plain", true, false, true, "verify", "nomina.txt", ""},
        {"-get x", false, false, true, "", "", "get needs --to DIR"},
        {"-", false, false, true, "", "", "no command"},
        {"batch otra", false, false, false, "", "", "unknown command batch"},
        {"list", false, false, false, "", "", "unknown command list"},
        {"send a --server otro", false, false, false, "", "", "only its command's operand"},
        {"send a -q", false, false, false, "", "", "only its command's operand"},
        {"send a b", false, false, false, "", "", "send takes one FILE"},
        {"send 'a", false, false, false, "", "", "no closing '"},
    };
    for (const auto& c : cases) {
        BatchLine line;
        std::string message;
        EXPECT_EQ(ParseBatchLine(c.text, base, &line, &message), c.ok) << c.text << ": " << message;
        EXPECT_EQ(line.skip, c.skip) << c.text;
        EXPECT_EQ(line.failureAllowed, c.failureAllowed) << c.text;
        EXPECT_NE(message.find(c.error), std::string::npos) << c.text << ": " << message;
        if (!c.ok || c.skip) continue;
        EXPECT_EQ(line.command.command, c.command);
        EXPECT_EQ(line.command.target, c.target);
        EXPECT_EQ(line.command.server, "h");
        EXPECT_EQ(line.command.timeout, 30);
    }

    BatchLine send;
    std::string message;
    ASSERT_TRUE(ParseBatchLine("send n.txt --field 'Concepto=Pago junio' --field Importe=5", base,
                               &send, &message))
        << message;
    using Pair = std::pair<std::string, std::string>;
    EXPECT_EQ(send.command.fields,
              (std::vector<Pair>{{"Concepto", "Pago junio"}, {"Importe", "5"}}));
}

}  // namespace
}  // namespace vkt::cli
