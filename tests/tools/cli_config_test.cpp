// The connection data of a vkt run: VKT32.cnf and the options over it.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <string>

#include "cli/command_line.h"
#include "cli/settings.h"
#include "rules/program_folders.h"

namespace vkt::cli {
namespace {

class ConfigFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/vkt-cli-config.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { std::system(("rm -rf '" + folder_ + "'").c_str()); }
    std::string Write(const std::string& name, const std::string& text) {
        const std::string path = folder_ + "/" + name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    std::string folder_;
};

// The record as the desktop program writes it: Latin-1, a line break, maybe a blank line more.
TEST_F(ConfigFolderTest, FileValuesReachTheLibraryInItsEncodings) {
    CommandLine line;
    line.config = Write("VKT32.cnf", "SERVIDOR,7000,60,JOS\xC9,/home/ana/claves-a\xF1o\n\n");
    ConnectSettings settings;
    std::string message;
    ASSERT_TRUE(ResolveSettings(line, &settings, &message)) << message;
    EXPECT_EQ(settings.user, "JOS\xC9");                      // Latin-1 to the library
    EXPECT_EQ(settings.keys, "/home/ana/claves-a\xC3\xB1o");  // a UTF-8 path
    EXPECT_EQ(settings.timeout, 60);

    // No key folder in the file, or an empty one: the default.
    line.config = Write("short.cnf", "SERVIDOR,7000,60,ANA,\r\n");
    ASSERT_TRUE(ResolveSettings(line, &settings, &message)) << message;
    EXPECT_EQ(settings.keys, rules::DefaultKeyDirectory());

    // No file at all: the options alone; a folder in its place: refused.
    line.config = folder_ + "/absent.cnf";
    line.server = "h";
    line.port = "1";
    line.user = "ANA";
    EXPECT_TRUE(ResolveSettings(line, &settings, &message)) << message;
    line.config = folder_;
    EXPECT_FALSE(ResolveSettings(line, &settings, &message));
    EXPECT_NE(message.find(folder_), std::string::npos) << message;
}

TEST_F(ConfigFolderTest, OptionsOverrideTheFile) {
    CommandLine line;
    line.config = Write("VKT32.cnf", "FILEHOST,7000,0,ANA,/file/keys\n");
    line.server = "127.0.0.1";
    line.keys = "/option/keys";
    ConnectSettings settings;
    std::string message;
    ASSERT_TRUE(ResolveSettings(line, &settings, &message)) << message;
    EXPECT_EQ(settings.server, "127.0.0.1");
    EXPECT_EQ(settings.service, "7000");
    EXPECT_EQ(settings.user, "ANA");
    EXPECT_EQ(settings.keys, "/option/keys");
    EXPECT_EQ(settings.timeout, kDefaultTimeout);  // 0 in the file

    line.timeout = 45;
    line.user = "Jos\xC3\xA9";  // UTF-8 on the command line, Latin-1 to the library
    ASSERT_TRUE(ResolveSettings(line, &settings, &message)) << message;
    EXPECT_EQ(settings.timeout, 45);
    EXPECT_EQ(settings.user, "Jos\xE9");
}

TEST_F(ConfigFolderTest, MissingValuesAndBadNamesAreUsageErrors) {
    CommandLine line;
    line.config = Write("VKT32.cnf", "HOST,7000");  // one comma: the server alone
    ConnectSettings settings;
    std::string message;
    EXPECT_FALSE(ResolveSettings(line, &settings, &message));
    EXPECT_NE(message.find("missing --port --user"), std::string::npos) << message;

    line.port = "7000";

    line.user = "\xE2\x82\xAC";  // U+20AC has no Latin-1 form
    EXPECT_FALSE(ResolveSettings(line, &settings, &message));
    EXPECT_NE(message.find("U+00FF"), std::string::npos);

    line.config = Write("bad.cnf", "HOST,7000,soon,ANA,/k");
    line.user = "ANA";
    EXPECT_FALSE(ResolveSettings(line, &settings, &message));
    EXPECT_NE(message.find("bad.cnf"), std::string::npos);
}

}  // namespace
}  // namespace vkt::cli
