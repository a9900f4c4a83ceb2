// What the protocol does when the session is released under a transfer, on whichever thread
// releases it: a request's part file is deleted, and a caller waiting for a verify answer is
// woken.
#include "protocol/dispatch.h"
#include "protocol/operation_support.h"
#include "protocol/request_part_file.h"
#include "protocol/verify_mailbox.h"
#include "runtime/event/event_thread.h"
#include "runtime/file/file_object.h"
#include "runtime/net/connection.h"
#include "runtime/process/process_state.h"

namespace vkt::protocol {

void AbandonTransfer(bool done) {
    if (done) {
        TheVerifyMailbox().Abandon();
        return;
    }
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

}  // namespace vkt::protocol
