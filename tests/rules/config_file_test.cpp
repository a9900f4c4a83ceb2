// VKT32.cnf as both programs read and write it, and where it lives.
#include "rules/config_file.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "rules/program_folders.h"

namespace vkt::rules {
namespace {

constexpr char kDefaultKeys[] = "/default/keys";

struct ConfigCase {
    const char* bytes;
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
        {"HOST,7000,60,ANA\n\n", "HOST", "7000", 60, "ANA", kDefaultKeys},
        {" HOST , 7000 , 0180 , ANA , /keys/dir  \n", "HOST", "7000", 180, "ANA", "/keys/dir"},
        // More commas than fields: the key folder holds them.
        {"HOST,7000,60,ANA,/keys,with,commas\r\n", "HOST", "7000", 60, "ANA", "/keys,with,commas"},
        // Line breaks and blanks ending the file, however many, are not data.
        {"HOST,7000,60,ANA,/k\n", "HOST", "7000", 60, "ANA", "/k"},
        {"HOST,7000,60,ANA,/k\n\n", "HOST", "7000", 60, "ANA", "/k"},
        {"HOST,7000,60,ANA,/k\r\n\r\n", "HOST", "7000", 60, "ANA", "/k"},
        {"HOST,7000,60,ANA,/k \n \n", "HOST", "7000", 60, "ANA", "/k"},
        {"HOST,7000,60,ANA,\n", "HOST", "7000", 60, "ANA", ""},  // empty stays empty
        {"HOST,7000,-5,ANA,/k", "HOST", "7000", -5, "ANA", "/k"},
        {"HOST,7000,-2147483648,ANA,/k", "HOST", "7000", INT32_MIN, "ANA", "/k"},
        {",,0,,", "", "", 0, "", ""},
        // Latin-1 on disk, UTF-8 out: names and the key folder as a path.
        {"PE\xD1"
         "A,7000,60,JOS\xC9,/home/ana/claves-a\xF1o\n",
         "PE\xC3\x91"
         "A",
         "7000", 60, "JOS\xC3\x89", "/home/ana/claves-a\xC3\xB1o"},
        // A file in UTF-8 (a key folder Latin-1 cannot write, or an editor's) is read as such.
        {"H,S,60,U,/home/\xD0\xB4\xD0\xB8\xD0\xBC\xD0\xB0/k", "H", "S", 60, "U",
         "/home/\xD0\xB4\xD0\xB8\xD0\xBC\xD0\xB0/k"},
        {"H,S,60,U,/claves-a\xC3\xB1o\n", "H", "S", 60, "U", "/claves-a\xC3\xB1o"},
    };
    for (const ConfigCase& c : cases) {
        SCOPED_TRACE(c.bytes);
        const ConfigRead read = ParseConfigText(c.bytes, kDefaultKeys);
        ASSERT_TRUE(read.ok());
        EXPECT_EQ(read.record.server, c.server);
        EXPECT_EQ(read.record.service, c.service);
        EXPECT_EQ(read.record.timeout, c.timeout);
        EXPECT_EQ(read.record.user, c.user);
        EXPECT_EQ(read.record.keyDirectory, c.keys);
    }
}

TEST(ConfigFileTest, TimeOutThatIsNoNumberEndsTheRecordThere) {
    struct Case {
        const char* bytes;
        NumberRead why;
        const char* text;
    };
    const Case cases[] = {
        {"HOST,7000,abc,ANA,/k", NumberRead::kNotANumber, "abc"},
        {"HOST,7000,,ANA,/k", NumberRead::kNotANumber, ""},
        {"HOST,7000, 1 2 ,ANA,/k", NumberRead::kNotANumber, "1 2"},
        {"HOST,7000,+,ANA,/k", NumberRead::kNotANumber, "+"},
        {"HOST,7000,2147483648,ANA,/k", NumberRead::kOutOfRange, "2147483648"},
        {"HOST,7000,99999999999x,ANA,/k", NumberRead::kOutOfRange, "99999999999x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        const ConfigRead read = ParseConfigText(c.bytes, kDefaultKeys);
        EXPECT_FALSE(read.ok());
        EXPECT_EQ(read.timeout, c.why);
        EXPECT_EQ(read.timeoutText, c.text);
        EXPECT_EQ(read.record.server, "HOST");
        EXPECT_EQ(read.record.service, "7000");
        EXPECT_FALSE(read.record.timeout || read.record.user || read.record.keyDirectory);
    }
}

class ConfigFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/vkt-rules-config.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { std::system(("rm -rf '" + folder_ + "'").c_str()); }
    std::string Contents(const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }
    std::string folder_;
};

// What the writer puts on disk, and what the reader makes of it again.
TEST_F(ConfigFolderTest, WrittenRecordsAreLatin1WhenTheyCanBeAndReadBack) {
    struct Case {
        const char* record;  // UTF-8
        const char* onDisk;
        const char* keys;  // as read back
    };
    const Case cases[] = {
        {"PE\xC3\x91"
         "A,VKT,90,USER,/k/",
         "PE\xD1"
         "A,VKT,90,USER,/k/\n",
         "/k/"},
        {"H,S,60,U,/home/ana/claves-a\xC3\xB1o", "H,S,60,U,/home/ana/claves-a\xF1o\n",
         "/home/ana/claves-a\xC3\xB1o"},
        // Beyond Latin-1: the record is written in UTF-8 and so read back.
        {"H,S,60,U,/home/\xD0\xB4\xD0\xB8\xD0\xBC\xD0\xB0/claves/",
         "H,S,60,U,/home/\xD0\xB4\xD0\xB8\xD0\xBC\xD0\xB0/claves/\n",
         "/home/\xD0\xB4\xD0\xB8\xD0\xBC\xD0\xB0/claves/"},
    };
    const std::string path = folder_ + "/VKT32.cnf";
    std::ofstream(path) << "OLD,OLD,1,OLD,/old/and/a/longer/record/than/the/new/one\n";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.record);
        ASSERT_EQ(WriteConfigFile(path, c.record), 0);
        EXPECT_EQ(Contents(path), c.onDisk);
        std::string bytes;
        ASSERT_EQ(ReadConfigFile(path, &bytes), 0);
        const ConfigRead read = ParseConfigText(bytes, kDefaultKeys);
        EXPECT_EQ(read.record.keyDirectory, c.keys);
    }
}

TEST_F(ConfigFolderTest, FailuresAreTheirErrno) {
    std::string bytes = "stale";
    EXPECT_EQ(ReadConfigFile(folder_ + "/absent.cnf", &bytes), ENOENT);
    EXPECT_EQ(bytes, "");
    EXPECT_EQ(ReadConfigFile(folder_, &bytes), EISDIR);

    // A folder in the file's place is not replaced, and nothing is left beside it.
    const std::string path = folder_ + "/VKT32.cnf";
    ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
    ASSERT_EQ(mkdir((path + "/x").c_str(), 0700), 0);
    EXPECT_NE(WriteConfigFile(path, "H,S,60,U,/k"), 0);
    EXPECT_EQ(std::system(("test $(ls -A '" + folder_ + "' | wc -l) -eq 1").c_str()), 0);
    EXPECT_EQ(WriteConfigFile(folder_ + "/no/such/folder/VKT32.cnf", "H,S,60,U,/k"), ENOENT);
}

TEST(ProgramFoldersTest, FromTheEnvironment) {
    const char* saved[] = {"VKT_HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME",
                           "HOME"};
    std::optional<std::string> before[5];
    for (int i = 0; i < 5; ++i) {
        if (const char* value = getenv(saved[i])) before[i] = value;
        unsetenv(saved[i]);
    }
    setenv("HOME", "/home/ana", 1);
    EXPECT_EQ(ConfigFilePath(), "/home/ana/.config/vkt/VKT32.cnf");
    EXPECT_EQ(DefaultKeyDirectory(), "/home/ana/.local/share/vkt/claves");
    EXPECT_EQ(ProgramFolder("XDG_STATE_HOME", ".local/state"), "/home/ana/.local/state/vkt");
    setenv("XDG_CONFIG_HOME", "/xdg/config", 1);
    setenv("XDG_DATA_HOME", "/xdg/data", 1);
    setenv("XDG_STATE_HOME", "", 1);  // empty counts as unset
    EXPECT_EQ(ConfigFilePath(), "/xdg/config/vkt/VKT32.cnf");
    EXPECT_EQ(DefaultKeyDirectory(), "/xdg/data/vkt/claves");
    EXPECT_EQ(ProgramFolder("XDG_STATE_HOME", ".local/state"), "/home/ana/.local/state/vkt");
    setenv("VKT_HOME", "/portable", 1);
    EXPECT_EQ(ConfigFilePath(), "/portable/VKT32.cnf");
    EXPECT_EQ(ProgramFolder("XDG_STATE_HOME", ".local/state"), "/portable");
    EXPECT_EQ(DefaultKeyDirectory(), "/xdg/data/vkt/claves");
    for (int i = 0; i < 5; ++i) {
        if (before[i]) {
            setenv(saved[i], before[i]->c_str(), 1);
        } else {
            unsetenv(saved[i]);
        }
    }
}

}  // namespace
}  // namespace vkt::rules
