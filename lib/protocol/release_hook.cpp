// What the protocol does when the session is released under a transfer, on whichever thread
// releases it: a request's partly received destination file is deleted, and a caller waiting
// for a verify answer is woken.
#include "protocol/dispatch.h"
#include "protocol/operation_support.h"
#include "protocol/request.h"
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
    if (runtime::Connection* connection = runtime::Process().connection) {
        const std::uint32_t substate = connection->GetSubstate();
        if (connection->GetState() == 2 && (substate == 10 || substate == 11)) {
            SlotFacts facts;
            char path[512];
            if (ReadSlotFacts(&facts) &&
                DestinationPath(facts.destinationDirectory, facts.currentFileName, path,
                                sizeof path)) {
                runtime::RemoveFile(path);
            }
            connection->SetState(0, 0);
        }
    }
}

}  // namespace vkt::protocol
