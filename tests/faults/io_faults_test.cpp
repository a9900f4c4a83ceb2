// Failures of the file system under a transfer: a disk that fills while a requested file
// arrives, a destination folder that cannot be written, a file to send that another process
// holds, a sent file that shrinks or grows while its blocks go out, a private-key file that
// vanishes between the check and the signing. Each ends with its code; no partial file is left
// under a final name, the file that was sent is no longer locked and no descriptor is left open.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/fsuid.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <ostream>

#include "fault_fixture.h"
#include "support/spawn.h"

namespace vkt::faults {
namespace {

constexpr int32_t kFileNotFound = 40050;
constexpr int32_t kFileIoError = 40051;
constexpr int32_t kNoPrivateKey = 40032;
constexpr int32_t kNoSession = 40039;

// Files may not grow past limit bytes in this process while the object lives; a write past it
// fails with EFBIG (SIGXFSZ ignored), as a full disk fails with ENOSPC.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t limit) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = saved_;
        lowered.rlim_cur = limit;
        applied_ = setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        signal(SIGXFSZ, SIG_DFL);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool applied() const { return applied_; }

  private:
    rlimit saved_{};
    bool applied_ = false;
};

// folder read-only for this thread while the object lives: its mode 0555 and, when the
// process runs as root (which writes anywhere), this thread's file-system uid another user's,
// which also drops the thread's power to override file modes.
class ReadOnlyFolder {
  public:
    explicit ReadOnlyFolder(std::string folder) : folder_(std::move(folder)) {
        chmod(folder_.c_str(), 0555);
        if (geteuid() == 0) setfsuid(65534);
    }
    ~ReadOnlyFolder() {
        if (geteuid() == 0) setfsuid(0);
        chmod(folder_.c_str(), 0700);
    }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;
    // Whether creating a file in it is refused now.
    bool Refuses() const {
        const std::string probe = folder_ + "/.probe";
        const int fd = open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) return true;
        close(fd);
        unlink(probe.c_str());
        return false;
    }

  private:
    std::string folder_;
};

using IoFaultTest = FaultTest;

// The disk fills while the blocks of a requested file arrive: 40051, the session released,
// the older file of that name untouched and nothing else in the folder.
TEST_F(IoFaultTest, ADiskThatFillsEndsTheRequest) {
    const std::string folder = Path("in");
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    ASSERT_TRUE(WriteWholeFile(folder + "/lista.bin", "precioso"));
    ASSERT_TRUE(WriteWholeFile(UserOutbox() + "/lista.bin", Bytes(300000, 3)));
    {
        FileSizeLimit limit(64 * 1024);
        ASSERT_TRUE(limit.applied());
        ASSERT_EQ(Vkt().solicitar(session_, kPassword, "lista.bin", folder.c_str()), 0)
            << ErrorsText(Vkt());
        const StatusRecord status = WaitForEnd();
        EXPECT_EQ(status.activity, 1u);
    }
    EXPECT_EQ(ErrorCodes(), std::vector<int32_t>{kFileIoError});
    EXPECT_EQ(ReadWholeFile(folder + "/lista.bin"), "precioso");
    EXPECT_EQ(ListFolder(folder), std::vector<std::string>{"lista.bin"});
    EXPECT_EQ(Vkt().desconectar(session_), kNoSession);
    session_ = 0;
    EXPECT_EQ(testing::SettledUsage(0, descriptors_).descriptors, descriptors_);
}

// A destination folder that cannot be written: the request is refused with 40051 before
// anything is asked of the server, and the session goes on to the next request.
TEST_F(IoFaultTest, AReadOnlyFolderRefusesTheRequest) {
    const std::string folder = Path("in");
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    ASSERT_TRUE(WriteWholeFile(UserOutbox() + "/lista.bin", Bytes(20000, 4)));
    {
        ReadOnlyFolder readOnly(folder);
        ASSERT_TRUE(readOnly.Refuses());
        EXPECT_EQ(Vkt().solicitar(session_, kPassword, "lista.bin", folder.c_str()), kFileIoError);
    }
    EXPECT_EQ(ErrorCodes(), std::vector<int32_t>{kFileIoError});
    EXPECT_EQ(testing::Estado(Vkt()).activity, 1u);
    EXPECT_TRUE(ListFolder(folder).empty());

    ASSERT_EQ(Vkt().solicitar(session_, kPassword, "lista.bin", folder.c_str()), 0);
    ASSERT_EQ(WaitForEnd().activity, 0u) << ErrorsText(Vkt());
    EXPECT_TRUE(ReadWholeFile(folder + "/lista.bin") == Bytes(20000, 4));
}

// A file to send that another process holds locked: VKTEnviar refuses it with 40050 before
// anything is asked of the server, and sends it once the other process has let it go.
TEST_F(IoFaultTest, AFileHeldByAnotherProcessIsNotSent) {
    const std::string path = Path("tomado.bin");
    ASSERT_TRUE(WriteWholeFile(path, Bytes(9000, 5)));
    testing::SpawnOptions options;
    options.args = {"/usr/bin/flock", "--exclusive", path, "/bin/sleep", "300"};
    options.stdoutPath = "/dev/null";
    options.stderrPath = "/dev/null";
    options.newSession = true;  // flock and its sleep, which inherits the lock, end together
    const pid_t holder = testing::Spawn(options);
    ASSERT_GT(holder, 0);
    for (int i = 0; i < 1000 && Lockable(path); ++i) usleep(10000);
    const bool held = !Lockable(path);
    const int32_t refused = Vkt().enviar(session_, kPassword, path.c_str(), 2, nullptr, 0);
    kill(-holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    // flock's sleep holds the lock until it has died too, which waitpid does not wait for.
    for (int i = 0; i < 1000 && !Lockable(path); ++i) usleep(10000);
    ASSERT_TRUE(held) << "flock did not take the file";
    EXPECT_EQ(refused, kFileNotFound);
    EXPECT_EQ(ErrorCodes(), std::vector<int32_t>{kFileNotFound});

    ASSERT_EQ(Vkt().enviar(session_, kPassword, path.c_str(), 2, nullptr, 0), 0);
    ASSERT_EQ(WaitForEnd().activity, 0u) << ErrorsText(Vkt());
    EXPECT_TRUE(ReadWholeFile(UserInbox() + "/tomado") == Bytes(9000, 5));
}

// What happens to a file being sent, or to the key that signs it, once its blocks go out.
struct SendFault {
    const char* name;
    std::function<void(const std::string& file, const std::string& keyFile)> act;
    std::vector<int32_t> errors;  // empty: delivered
    bool sessionKept;
};

const SendFault kSendFaults[] = {
    // Another program cuts the file (advisory locks do not stop truncate): a short read is a
    // read failure, never a shorter file signed and delivered.
    {"FileShrinks",
     [](const std::string& file, const std::string&) {
         ASSERT_EQ(truncate(file.c_str(), 4096), 0);
     },
     {kFileIoError},
     false},
    // Another program appends to it: the size checked when the send began is what is sent.
    {"FileGrows",
     [](const std::string& file, const std::string&) {
         const int fd = open(file.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
         ASSERT_GE(fd, 0);
         const std::string more = Bytes(100000, 9);
         ASSERT_EQ(write(fd, more.data(), more.size()), static_cast<ssize_t>(more.size()));
         close(fd);
     },
     {},
     true},
    // The key file was there for the password check but is gone when the digest is signed.
    {"KeyFileVanishes",
     [](const std::string&, const std::string& keyFile) { ASSERT_EQ(unlink(keyFile.c_str()), 0); },
     {kNoPrivateKey},
     true},
};

// Test names and failure messages show the case's name.
void PrintTo(const SendFault& fault, std::ostream* out) {
    *out << fault.name;
}

class SendFaultTest : public FaultTest, public ::testing::WithParamInterface<SendFault> {};

TEST_P(SendFaultTest, EndsWithItsCodeAndLeavesNothingHeld) {
    const SendFault& fault = GetParam();
    const std::string path = Path("grande.bin");
    // 256 blocks, at least 25 ms apart: the fault comes long before the last one.
    const std::string content = Bytes(2 << 20, 6);
    ASSERT_TRUE(WriteWholeFile(path, content));
    ASSERT_EQ(Vkt().enviar(session_, kPassword, path.c_str(), 2, nullptr, 0), 0)
        << ErrorsText(Vkt());
    ASSERT_TRUE(WaitForProgress(VKT_STEP_SENDING, 8192)) << ErrorsText(Vkt());
    ASSERT_FALSE(Lockable(path)) << "the file being sent is not locked";
    fault.act(path, KeyFile());

    const StatusRecord status = WaitForEnd(120);
    EXPECT_EQ(ErrorCodes(), fault.errors);
    EXPECT_EQ(status.activity, fault.errors.empty() ? 0u : 1u);
    EXPECT_TRUE(Lockable(path)) << "the file is still locked";
    if (fault.errors.empty()) {
        EXPECT_TRUE(ReadWholeFile(UserInbox() + "/grande") == content);
    }
    EXPECT_EQ(Vkt().desconectar(session_), fault.sessionKept ? 0 : kNoSession);
    session_ = 0;
    EXPECT_EQ(testing::SettledUsage(0, descriptors_).descriptors, descriptors_);
    // The server ends the session too, and drops what it received of a failed file.
    if (!fault.errors.empty()) {
        EXPECT_TRUE(InboxEmpties()) << server_.Log();
    }
}

INSTANTIATE_TEST_SUITE_P(WhileBlocksGoOut, SendFaultTest, ::testing::ValuesIn(kSendFaults),
                         [](const ::testing::TestParamInfo<SendFault>& named) {
                             return std::string(named.param.name);
                         });

}  // namespace
}  // namespace vkt::faults
