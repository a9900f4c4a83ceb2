// VKT32.cnf as the command-line client reads it, and how the options override it.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <optional>
#include <string>

#include "cli/command_line.h"
#include "cli/config_file.h"
#include "cli/settings.h"

namespace vkt::cli {
namespace {

constexpr char kDefaultKeys[] = "/default/keys";

struct ConfigCase {
    const char* text;
    std::optional<std::string> server;
    std::optional<std::string> service;
    std::optional<std::int32_t> timeout;
    std::optional<std::string> user;
    std::optional<std::string> keys;
};

TEST(ConfigFileTest, FieldsAsTheRecordHoldsThem) {
    const ConfigCase cases[] = {
        {"", {}, {}, {}, {}, {}},
        {"HOST", {}, {}, {}, {}, {}},
        {"HOST,7000", "HOST", {}, {}, {}, {}},
        {"HOST,7000,180", "HOST", "7000", {}, {}, {}},
        // Three commas: the user runs to the end of the file, the key folder is the default.
        {"HOST,7000,0180,ANA", "HOST", "7000", 180, "ANA", kDefaultKeys},
        {"HOST,7000,60,ANA\n", "HOST", "7000", 60, "ANA", kDefaultKeys},
        {" HOST , 7000 , 0180 , ANA , /keys/dir  \n", "HOST", "7000", 180, "ANA", "/keys/dir"},
        {"HOST,7000,60,ANA,/keys,with,commas\r\n", "HOST", "7000", 60, "ANA", "/keys,with,commas"},
        {"HOST,7000,60,ANA,\n", "HOST", "7000", 60, "ANA", kDefaultKeys},
        {"HOST,7000,-5,ANA,/k", "HOST", "7000", -5, "ANA", "/k"},
        {",,0,,", "", "", 0, "", kDefaultKeys},
    };
    for (const ConfigCase& c : cases) {
        SCOPED_TRACE(c.text);
        ConfigFile config;
        std::string reason;
        ASSERT_TRUE(ParseConfigText(c.text, kDefaultKeys, &config, &reason)) << reason;
        EXPECT_EQ(config.server, c.server);
        EXPECT_EQ(config.service, c.service);
        EXPECT_EQ(config.timeout, c.timeout);
        EXPECT_EQ(config.user, c.user);
        EXPECT_EQ(config.keyDirectory, c.keys);
    }
}

TEST(ConfigFileTest, TimeOutThatIsNoNumberRejectsTheWholeFile) {
    for (const char* text : {"HOST,7000,abc,ANA,/k", "HOST,7000,,ANA,/k",
                             "HOST,7000,99999999999,ANA,/k", "HOST,7000,1 2,ANA,/k"}) {
        SCOPED_TRACE(text);
        ConfigFile config;
        config.server = "before";
        std::string reason;
        EXPECT_FALSE(ParseConfigText(text, kDefaultKeys, &config, &reason));
        EXPECT_NE(reason.find("time-out"), std::string::npos);
        EXPECT_EQ(config.server, "before");
    }
}

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

TEST_F(ConfigFolderTest, MissingFileSetsNothingUnreadableOneFails) {
    ConfigFile config;
    std::string reason;
    EXPECT_TRUE(ReadConfigFile(folder_ + "/absent.cnf", kDefaultKeys, &config, &reason));
    EXPECT_FALSE(config.server);
    EXPECT_FALSE(ReadConfigFile(folder_, kDefaultKeys, &config, &reason));  // a folder
    EXPECT_NE(reason.find(folder_), std::string::npos);
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

TEST(ConfigFileTest, DefaultLocations) {
    const char* saved[] = {"VKT_HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "HOME"};
    std::optional<std::string> before[4];
    for (int i = 0; i < 4; ++i) {
        if (const char* value = getenv(saved[i])) before[i] = value;
    }
    setenv("HOME", "/home/ana", 1);
    unsetenv("VKT_HOME");
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(DefaultConfigPath(), "/home/ana/.config/vkt/VKT32.cnf");
    EXPECT_EQ(DefaultKeyDirectory(), "/home/ana/.local/share/vkt/claves");
    setenv("XDG_CONFIG_HOME", "/xdg/config", 1);
    setenv("XDG_DATA_HOME", "/xdg/data", 1);
    EXPECT_EQ(DefaultConfigPath(), "/xdg/config/vkt/VKT32.cnf");
    EXPECT_EQ(DefaultKeyDirectory(), "/xdg/data/vkt/claves");
    setenv("VKT_HOME", "/portable", 1);
    EXPECT_EQ(DefaultConfigPath(), "/portable/VKT32.cnf");
    for (int i = 0; i < 4; ++i) {
        if (before[i]) {
            setenv(saved[i], before[i]->c_str(), 1);
        } else {
            unsetenv(saved[i]);
        }
    }
}

}  // namespace
}  // namespace vkt::cli
