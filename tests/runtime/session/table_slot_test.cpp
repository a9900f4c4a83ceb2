// The session slot's operations inside one process: claiming, the id checks, new ids, the
// dead-owner rule, and a release that ends everything the session held.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "crypto/crypto.h"
#include "runtime/file/file_object.h"
#include "runtime/net/connection.h"
#include "runtime/process/process_state.h"
#include "runtime/table/release_hooks.h"
#include "runtime/table/shared_table.h"
#include "runtime/table/table_access.h"
#include "runtime/timer/session_timer.h"
#include "table_test_support.h"

namespace vkt::runtime {
namespace {

using table_testing::ShmNamespace;

KeyLocation Key(std::uint32_t offset, std::uint32_t length, const char* directory) {
    KeyLocation key{};
    key.keyOffset = offset;
    key.keyLength = length;
    std::snprintf(key.keyDirectory, sizeof key.keyDirectory, "%s", directory);
    return key;
}

// The session key is destroyed by the layer that made it; here the cryptographic layer frees
// it directly.
bool FreeKey(std::uint32_t key) {
    return crypto::CryptoKeyFree(key) == crypto::kOk;
}
constexpr ReleaseHooks kFreeKeyHooks{nullptr, &FreeKey, nullptr};

class TableSlotTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetReleaseHooks(&kFreeKeyHooks);
        ASSERT_TRUE(LibraryLoad());
    }
    void TearDown() override {
        LibraryUnload();
        SetReleaseHooks(nullptr);
    }

    TableAccess Access() { return TableAccess(Process().table, Process().connection); }
    SessionSlot& Slot() { return *Process().table->Slot(); }
    std::vector<unsigned char> SlotBytes() {
        const auto* bytes = reinterpret_cast<const unsigned char*>(&Slot());
        return std::vector<unsigned char>(bytes, bytes + sizeof(SessionSlot));
    }

    ShmNamespace names_;
};

TEST_F(TableSlotTest, ClaimFillsTheSlotAndOnlyThatSessionIdIsAccepted) {
    ASSERT_TRUE(Process().table->Created());
    EXPECT_EQ(Slot().slotState, kSlotFree);
    EXPECT_EQ(Slot().sessionId, -1);
    EXPECT_EQ(Slot().fileHandle, kInvalidFileHandle);  // descriptor 0 would be stdin
    EXPECT_TRUE(Access().HasFreeSlot());

    const std::int32_t id = Access().ClaimSlot("ana", Key(7, 9, "/claves/ana"));
    ASSERT_GE(id, 1000);
    EXPECT_EQ(Slot().slotState, kSlotInUse);
    EXPECT_EQ(Slot().sessionId, id);
    EXPECT_STREQ(Slot().userName, "ana");
    EXPECT_STREQ(Slot().keyDirectory, "/claves/ana");
    EXPECT_EQ(Slot().keyOffset, 7u);
    EXPECT_EQ(Slot().keyLength, 9u);
    EXPECT_EQ(Slot().ownerPid, getpid());
    EXPECT_NE(Slot().ownerStartTime, 0u);
    EXPECT_EQ(Slot().fileHandle, kInvalidFileHandle);
    EXPECT_EQ(Slot().sessionKey, 0u);

    EXPECT_FALSE(Access().HasFreeSlot());
    EXPECT_EQ(Access().ClaimSlot("otro", Key(0, 0, "")), -1);
    EXPECT_TRUE(Access().IsSessionId(id));
    EXPECT_EQ(Access().HeldSessionId(), id);
    for (std::int32_t other : {0, -1, -id, id + 10, id + 1}) {
        EXPECT_FALSE(Access().IsSessionId(other)) << other;
    }
}

TEST_F(TableSlotTest, ClaimTruncatesOverlongTextsInsideTheirFields) {
    const std::string longName(400, 'n');
    KeyLocation key{};
    std::memset(key.keyDirectory, 'k', sizeof key.keyDirectory);  // not terminated at all
    ASSERT_GT(Access().ClaimSlot(longName.c_str(), key), 0);
    EXPECT_EQ(std::strlen(Slot().userName), sizeof Slot().userName - 1);
    EXPECT_EQ(std::strlen(Slot().keyDirectory), sizeof key.keyDirectory);
    EXPECT_EQ(Slot().currentFileName[0], '\0');  // the field after userName is untouched
    EXPECT_EQ(Slot().keyOffset, 0u);             // and the one after keyDirectory
}

TEST_F(TableSlotTest, ReleaseWithAnIdOfNoSessionChangesNothing) {
    const std::int32_t id = Access().ClaimSlot("ana", Key(1, 2, "/k"));
    ASSERT_GT(id, 0);
    const auto held = SlotBytes();
    for (std::int32_t bad : {0, -1, -id, id + 10}) {
        EXPECT_FALSE(Access().ReleaseSlot(bad)) << bad;
        EXPECT_EQ(SlotBytes(), held) << bad;
    }
    EXPECT_TRUE(Access().ReleaseSlot(id));
    EXPECT_EQ(Slot().slotState, kSlotFree);
    const auto released = SlotBytes();
    EXPECT_FALSE(Access().ReleaseSlot(id));
    EXPECT_EQ(SlotBytes(), released);
}

// A local TCP listener: the far end of the connection whose disconnect notice is checked.
class Listener {
  public:
    Listener() {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (bind(fd_, reinterpret_cast<sockaddr*>(&address), size) != 0 || listen(fd_, 1) != 0 ||
            getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
            return;
        }
        port_ = std::to_string(ntohs(address.sin_port));
    }
    ~Listener() {
        if (peer_ >= 0) close(peer_);
        close(fd_);
    }
    const std::string& Port() const { return port_; }
    bool Accept() { return (peer_ = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC)) >= 0; }
    // Everything the client sends until it closes (bounded wait).
    std::string ReadToEnd() {
        std::string bytes;
        for (;;) {
            pollfd entry{peer_, POLLIN, 0};
            if (poll(&entry, 1, 10000) <= 0) return bytes + "<no end>";
            char chunk[64];
            const ssize_t count = read(peer_, chunk, sizeof chunk);
            if (count <= 0) return bytes;
            bytes.append(chunk, static_cast<std::size_t>(count));
        }
    }

  private:
    int fd_ = -1;
    int peer_ = -1;
    std::string port_;
};

TEST_F(TableSlotTest, ReleaseEndsEverythingTheSessionHeld) {
    const std::int32_t id = Access().ClaimSlot("ana", Key(11, 22, "/k"));
    ASSERT_GT(id, 0);
    SessionSlot& slot = Slot();

    crypto::Handle key = 0;
    ASSERT_EQ(crypto::CryptoKeyCreate(&key, crypto::kAlgDes, "133457799bbcdff1", crypto::kMaskHex),
              crypto::kOk);
    slot.sessionKey = key;

    Listener listener;
    ASSERT_FALSE(listener.Port().empty());
    Process().connection = new Connection("127.0.0.1", listener.Port().c_str(), nullptr, 5);
    ASSERT_EQ(Process().connection->Connect(), 0);
    ASSERT_TRUE(listener.Accept());

    char path[] = "/tmp/vkt_table_release_XXXXXX";
    const int scratch = mkstemp(path);
    ASSERT_GE(scratch, 0);
    ASSERT_EQ(write(scratch, "contenido", 9), 9);
    close(scratch);
    int fd = -1;
    {
        FileObject file(path);
        ASSERT_EQ(file.Open(), 0u);
        ASSERT_EQ(file.Lock(), 0u);
        ASSERT_EQ(file.SetKeepOpen(true), 0u);
        fd = file.Fd();
    }
    slot.fileHandle = static_cast<std::uint32_t>(fd);
    slot.fileLocked = 1;
    std::snprintf(slot.currentFileName, sizeof slot.currentFileName, "%s", path);
    slot.dataSize = 9;
    slot.fileKind = 2;

    auto* keepAlive = new SessionTimer(SessionTimer::Kind::KeepAlive, id, nullptr,
                                       Process().connection, Process().errors);
    auto* watchdog = new SessionTimer(SessionTimer::Kind::Watchdog, id, nullptr,
                                      Process().connection, Process().errors);
    keepAlive->Start();
    watchdog->Start();
    slot.keepAliveTimer = RegisterTimer(keepAlive);
    slot.idleWatchdog = RegisterTimer(watchdog);
    ASSERT_NE(slot.keepAliveTimer, 0u);
    ASSERT_NE(slot.idleWatchdog, 0u);
    const std::uint32_t keepAliveIndex = slot.keepAliveTimer;
    const std::uint32_t watchdogIndex = slot.idleWatchdog;

    EXPECT_TRUE(Access().ReleaseSlot(id));

    // Exactly one disconnect notice - start mark, "1", "8", blank, length "0001", end mark -
    // then the socket is closed.
    EXPECT_EQ(listener.ReadToEnd(), std::string("\x01"
                                                "18 0001\x04"));
    EXPECT_FALSE(Process().connection->IsConnected());
    // The key is gone: a second free finds no such handle.
    EXPECT_NE(crypto::CryptoKeyFree(key), crypto::kOk);
    // The timers are out of the registry (and freed: ASan would catch a later use).
    EXPECT_EQ(TimerAt(keepAliveIndex), nullptr);
    EXPECT_EQ(TimerAt(watchdogIndex), nullptr);
    // The kept file is closed and its lock released: another open may take it exclusively.
    EXPECT_EQ(fcntl(fd, F_GETFD), -1);
    const int again = open(path, O_RDONLY | O_CLOEXEC);
    ASSERT_GE(again, 0);
    EXPECT_EQ(flock(again, LOCK_EX | LOCK_NB), 0);
    close(again);
    unlink(path);

    EXPECT_EQ(slot.slotState, kSlotFree);
    EXPECT_EQ(slot.sessionId, -1);
    EXPECT_EQ(slot.sessionKey, 0u);
    EXPECT_EQ(slot.keepAliveTimer, 0u);
    EXPECT_EQ(slot.idleWatchdog, 0u);
    EXPECT_EQ(slot.fileHandle, kInvalidFileHandle);
    EXPECT_EQ(slot.fileLocked, 0u);
    EXPECT_EQ(slot.fileKind, 1u);
    EXPECT_EQ(slot.dataSize, 0u);
    EXPECT_STREQ(slot.userName, "");
    EXPECT_STREQ(slot.currentFileName, "");
    EXPECT_STREQ(slot.keyDirectory, "");
    EXPECT_EQ(slot.keyOffset, 11u);  // kept
    EXPECT_EQ(slot.keyLength, 22u);
    EXPECT_TRUE(Access().HasFreeSlot());
}

TEST_F(TableSlotTest, ReleaseReportsAKeyThatCannotBeDestroyedYetFreesTheSlot) {
    const std::int32_t id = Access().ClaimSlot("ana", Key(0, 0, "/k"));
    ASSERT_GT(id, 0);
    Slot().sessionKey = 0x7FFFFF01;  // names no key of this process
    EXPECT_FALSE(Access().ReleaseSlot(id));
    EXPECT_EQ(Slot().slotState, kSlotFree);
    EXPECT_EQ(Slot().sessionKey, 0u);
    EXPECT_TRUE(Access().HasFreeSlot());
}

// What the recording hooks saw of the slot, in the order they ran.
std::vector<std::string> gSeen;

std::string SlotSeen() {
    const SessionSlot& slot = *Process().table->Slot();
    return slot.slotState == kSlotFree ? "free" : std::string("in use, ") + slot.currentFileName;
}
void SeeAbandon() {
    gSeen.push_back("abandon: " + SlotSeen());
}
bool SeeKey(std::uint32_t key) {
    gSeen.push_back("key " + std::to_string(key) + ": " + SlotSeen());
    return true;
}
void SeeReleased() {
    gSeen.push_back("released: " + SlotSeen());
}

// Every release runs the hooks of the layer above: the transfer abandoned and the key destroyed
// while the slot still names the session's file, the waiting caller told once it is free.
// Without hooks a session key cannot be destroyed, and the release says so.
TEST_F(TableSlotTest, ReleaseRunsTheHooksAroundTheFreeing) {
    static constexpr ReleaseHooks kRecording{&SeeAbandon, &SeeKey, &SeeReleased};
    const struct {
        const char* what;
        const ReleaseHooks* hooks;
        std::uint32_t key;
        bool result;
        std::vector<std::string> seen;
    } cases[] = {
        {"with a key",
         &kRecording,
         77,
         true,
         {"abandon: in use, lista.bin", "key 77: in use, lista.bin", "released: free"}},
        {"without a key", &kRecording, 0, true, {"abandon: in use, lista.bin", "released: free"}},
        {"no hooks", nullptr, 77, false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetReleaseHooks(c.hooks);
        const std::int32_t id = Access().ClaimSlot("ana", Key(0, 0, "/k"));
        ASSERT_GT(id, 0);
        std::snprintf(Slot().currentFileName, sizeof Slot().currentFileName, "lista.bin");
        Slot().sessionKey = c.key;
        gSeen.clear();
        EXPECT_EQ(Access().ReleaseSlot(id), c.result);
        EXPECT_EQ(gSeen, c.seen);
        EXPECT_EQ(Slot().slotState, kSlotFree);
        EXPECT_EQ(Slot().sessionKey, 0u);
        // A release that finds no session runs no hook.
        gSeen.clear();
        EXPECT_FALSE(Access().ReleaseSlot(id));
        EXPECT_TRUE(gSeen.empty());
    }
}

// A child that has exited; reaped unless keepZombie (then the caller reaps it).
pid_t ExitedChild(bool keepZombie) {
    const pid_t child = fork();
    if (child == 0) _exit(0);
    siginfo_t info{};
    waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | (keepZombie ? WNOWAIT : 0));
    return child;
}

TEST_F(TableSlotTest, ASlotWhoseOwnerIsGoneCanBeClaimed) {
    struct Case {
        const char* what;
        std::function<pid_t(SessionSlot&)> makeOwner;  // returns a child to reap, or 0
        bool claimable;
    };
    const Case cases[] = {
        {"owner alive (this process)", [](SessionSlot&) { return pid_t{0}; }, false},
        {"pid reused: other start time",
         [](SessionSlot& s) {
             s.ownerStartTime ^= 1;
             return pid_t{0};
         },
         true},
        {"owner exited and reaped",
         [](SessionSlot& s) {
             s.ownerPid = ExitedChild(false);
             return pid_t{0};
         },
         true},
        {"owner exited, not yet reaped (zombie)",
         [](SessionSlot& s) {
             const pid_t child = ExitedChild(true);
             s.ownerPid = child;
             return child;
         },
         true},
        {"another live process, start time not recorded",
         [](SessionSlot& s) {
             s.ownerPid = getppid();
             s.ownerStartTime = 0;
             return pid_t{0};
         },
         false},
        {"no owner recorded (never initialised)",
         [](SessionSlot& s) {
             s.ownerPid = 0;
             return pid_t{0};
         },
         false},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        const std::int32_t id = Access().ClaimSlot("ana", Key(0, 0, "/k"));
        ASSERT_GT(id, 0);
        const pid_t zombie = test.makeOwner(Slot());
        EXPECT_EQ(Access().HasFreeSlot(), test.claimable);
        const std::int32_t next = Access().ClaimSlot("bea", Key(0, 0, "/k"));
        if (test.claimable) {
            EXPECT_GT(next, 0);
            EXPECT_STREQ(Slot().userName, "bea");
            EXPECT_EQ(Slot().ownerPid, getpid());
        } else {
            EXPECT_EQ(next, -1);
            EXPECT_STREQ(Slot().userName, "ana");
        }
        if (zombie > 0) waitpid(zombie, nullptr, 0);
        // Back to a free slot for the next case, whoever holds it now.
        TableAccess(Process().table, nullptr).InitTable();
    }
}

TEST_F(TableSlotTest, ASessionHeldByAnotherProcessIsNeitherUsableNorReleasableHere) {
    const std::int32_t id = Access().ClaimSlot("ana", Key(0, 0, "/k"));
    ASSERT_GT(id, 0);
    Slot().ownerPid = getppid();  // alive, and not us
    Slot().ownerStartTime = 0;
    Slot().sessionKey = 99;
    const auto held = SlotBytes();
    EXPECT_FALSE(Access().IsSessionId(id));
    EXPECT_EQ(Access().HeldSessionId(), -1);
    EXPECT_FALSE(Access().ReleaseSlot(id));
    EXPECT_EQ(SlotBytes(), held);
    TableAccess(Process().table, nullptr).InitTable();
}

TEST(TableAccessWithoutTable, AnswersAsIfTheSlotWereFreeButClaimsNothing) {
    TableAccess access(nullptr, nullptr);
    access.InitTable();
    EXPECT_TRUE(access.HasFreeSlot());
    EXPECT_EQ(access.ClaimSlot("ana", Key(0, 0, "")), -1);
    EXPECT_FALSE(access.IsSessionId(1000));
    EXPECT_FALSE(access.ReleaseSlot(1000));
    EXPECT_EQ(access.HeldSessionId(), -1);
}

TEST(SessionIds, AreARandomHundredToNineNinetyNineFollowedByTheIndex) {
    TableAccess access(nullptr, nullptr);
    for (std::int32_t index : {0, 7}) {
        std::set<std::int32_t> seen;
        for (int i = 0; i < 3000; ++i) {
            const std::int32_t id = access.NewSessionId(index);
            ASSERT_GE(id, 1000 + index);
            ASSERT_LE(id, 9990 + index);
            ASSERT_EQ(id % 10, index);
            seen.insert(id);
        }
        // Uniform over 900 values: 3,000 draws leave few unseen and reach both ends.
        EXPECT_GT(seen.size(), 700u);
        EXPECT_LT(*seen.begin(), 1100);
        EXPECT_GT(*seen.rbegin(), 9890);
    }
}

}  // namespace
}  // namespace vkt::runtime
