// Process identity on Windows: OpenProcess with limited query access, GetExitCodeProcess for
// a process that has ended but whose object is still held open, and GetProcessTimes' creation
// time as the start time.
#include "platform/process_identity.h"

#include <windows.h>

namespace vkt::platform {

std::int32_t OwnProcessId() {
    return static_cast<std::int32_t>(GetCurrentProcessId());
}

// ERROR_INVALID_PARAMETER from OpenProcess: no process has that id. ERROR_ACCESS_DENIED: one
// exists that this user may not look at (another user's), which cannot be told further.
ProcessLife QueryProcess(std::int32_t pid, std::uint32_t* startTime) {
    *startTime = 0;
    if (pid <= 0) return ProcessLife::kUnknown;
    const HANDLE process =
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (process == nullptr) {
        return GetLastError() == ERROR_INVALID_PARAMETER ? ProcessLife::kEnded
                                                         : ProcessLife::kUnknown;
    }
    ProcessLife life = ProcessLife::kUnknown;
    DWORD code = 0;
    FILETIME created{};
    FILETIME exited{};
    FILETIME kernel{};
    FILETIME user{};
    if (GetExitCodeProcess(process, &code) && code != STILL_ACTIVE) {
        life = ProcessLife::kEnded;
    } else if (WaitForSingleObject(process, 0) == WAIT_OBJECT_0) {
        life = ProcessLife::kEnded;  // ended with the exit code STILL_ACTIVE
    } else if (GetProcessTimes(process, &created, &exited, &kernel, &user)) {
        *startTime = created.dwLowDateTime;
        life = ProcessLife::kRunning;
    }
    CloseHandle(process);
    return life;
}

bool ProcessIdUnused(std::int32_t pid) {
    std::uint32_t start = 0;
    return pid > 0 && QueryProcess(pid, &start) == ProcessLife::kEnded;
}

}  // namespace vkt::platform
