// What the protocol does in every release of the session, on whichever thread releases it:
// the transfer under way is abandoned (a request's part file deleted) and the session key
// destroyed before the slot is freed, and a caller waiting for a verify answer is woken after.
#include "protocol/dispatch.h"
#include "protocol/key_context.h"
#include "protocol/operation_support.h"
#include "protocol/request_part_file.h"
#include "protocol/verify_mailbox.h"
#include "runtime/file/file_object.h"
#include "runtime/net/connection.h"
#include "runtime/process/process_state.h"
#include "runtime/table/release_hooks.h"

namespace vkt::protocol {
namespace {

void AbandonTransfer() {
    // Whatever the connection awaits: the idle watchdog has already reset it when its release
    // comes. After a request that ended there is no part file to find.
    DiscardPartFile();
    if (runtime::Connection* connection = runtime::Process().connection) {
        const runtime::Awaiting awaited = connection->Awaited();
        if (awaited == runtime::Awaiting::kFileBlock || awaited == runtime::Awaiting::kFileDigest) {
            connection->SetAwaiting(runtime::Awaiting::kNothing);
        }
    }
}

bool DestroySessionKey(std::uint32_t sessionKey) {
    return KeyContext::DestroySessionKey(sessionKey) == 0;
}

void WakeVerifyCaller() {
    TheVerifyMailbox().Abandon();
}

constexpr runtime::ReleaseHooks kReleaseHooks{&AbandonTransfer, &DestroySessionKey,
                                              &WakeVerifyCaller};

}  // namespace

void InstallReleaseHooks() {
    runtime::SetReleaseHooks(&kReleaseHooks);
}

}  // namespace vkt::protocol
