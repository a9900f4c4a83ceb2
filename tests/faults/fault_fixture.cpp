#include "fault_fixture.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <thread>

namespace vkt::faults {

TempDir* FaultTest::keys_ = nullptr;
bool FaultTest::keysMade_ = false;

const testing::VktExports& Vkt() {
    const testing::VktExports& library = testing::LoadVkt("VKTfault");
    EXPECT_TRUE(library.Complete()) << dlerror();
    return library;
}

bool Lockable(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return locked;
}

std::vector<int32_t> ErrorCodes() {
    std::vector<int32_t> codes;
    for (const ErrorRecord& error : testing::Errors(Vkt())) codes.push_back(error.code);
    return codes;
}

void FaultTest::SetUpTestSuite() {
    keys_ = new TempDir;
    keysMade_ = testing::MakeKey(keys_->path(), kUser, kPassword);
}

void FaultTest::TearDownTestSuite() {
    delete keys_;
    keys_ = nullptr;
}

void FaultTest::SetUp() {
    ASSERT_TRUE(keysMade_);
    ASSERT_TRUE(Vkt().Complete());
    ASSERT_TRUE(testing::CopyFile(keys_->path() + "/ana.pub", server_.users() + "/ana.pub"));
    ASSERT_TRUE(testing::CopyFile(keys_->path() + "/ana.pri", KeyFile()));
    ASSERT_EQ(mkdir(UserOutbox().c_str(), 0700), 0);
    ASSERT_TRUE(WriteWholeFile(server_.root() + "/answers", CycleAnswers()));
    ASSERT_TRUE(StartServer());
    // The first session starts the library's event thread, which stays with its descriptors:
    // the level is taken after one.
    ASSERT_TRUE(Connect());
    ASSERT_EQ(Vkt().desconectar(session_), 0);
    descriptors_ = testing::UsageOf(0).descriptors;
    ASSERT_TRUE(Connect());
}

void FaultTest::TearDown() {
    WaitForEnd();
    if (session_ > 0) Vkt().desconectar(session_);
    testing::Errors(Vkt());
}

bool FaultTest::StartServer() {
    return server_.Start({"--answers", server_.root() + "/answers"});
}

bool FaultTest::Connect() {
    session_ = 0;
    const int32_t result = Vkt().conectar("127.0.0.1", std::to_string(server_.port()).c_str(),
                                          kUser, kPassword, keyCopy_.path().c_str(), 10, &session_);
    EXPECT_EQ(result, 0) << ErrorsText(Vkt());
    if (result != 0) return false;
    const StatusRecord status = WaitForEnd();
    EXPECT_EQ(status.activity, 0u) << ErrorsText(Vkt());
    return status.activity == 0;
}

StatusRecord FaultTest::WaitForEnd(int seconds) {
    return testing::WaitForEnd(Vkt(), std::chrono::seconds(seconds));
}

bool FaultTest::WaitForProgress(std::uint32_t step, std::uint32_t bytes) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
        const StatusRecord status = testing::Estado(Vkt());
        if (status.activity != VKT_ACTIVITY_RUNNING) return false;
        if (status.step == step && status.bytesDone > bytes) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

bool FaultTest::InboxEmpties() const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!ListFolder(UserInbox()).empty()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

CycleSetting FaultTest::Cycle() const {
    CycleSetting setting;
    setting.port = server_.port();
    setting.user = kUser;
    setting.password = kPassword;
    setting.keys = keyCopy_.path();
    setting.work = work_.path();
    setting.inbox = UserInbox();
    setting.outbox = UserOutbox();
    return setting;
}

}  // namespace vkt::faults
