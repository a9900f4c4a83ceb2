#include "common/platform/password_input.h"

#include <windows.h>

#include <atomic>
#include <cstdio>

#include "common/password_line.h"
#include "common/platform/windows/system_message.h"
#include "common/platform/wipe_memory.h"

namespace vkt::tools {
namespace {

// UTF-16 units a prompt takes in: enough for the longest password and its "\r\n", so that a
// longer line is seen as one.
constexpr DWORD kMostTypedUnits = kMaxPasswordBytes + 2;

// The console input's mode before the prompt, for the control handler to restore.
std::atomic<HANDLE> promptInput{nullptr};
std::atomic<DWORD> savedMode{0};
std::atomic<bool> arrived{false};

// Restores the console and lets the event go on to the handler registered before this one.
BOOL WINAPI RestoreAndPassOn(DWORD) {
    arrived.store(true);
    if (const HANDLE input = promptInput.load(); input != nullptr) {
        SetConsoleMode(input, savedMode.load());
    }
    return FALSE;
}

// Reads one line from the console into wide[0, *count): until "\n", or until it is full.
// false when a control event cut the read short, or when it failed (*message says why).
bool ReadTypedUnits(HANDLE input, wchar_t* wide, DWORD* count, std::string* message) {
    *count = 0;
    while (*count < kMostTypedUnits && (*count == 0 || wide[*count - 1] != L'\n')) {
        DWORD got = 0;
        if (ReadConsoleW(input, wide + *count, kMostTypedUnits - *count, &got, nullptr) == 0) {
            const DWORD error = GetLastError();
            if (error != ERROR_OPERATION_ABORTED && !arrived.load())
                *message = SystemMessage(error);
            return false;
        }
        if (got == 0 || arrived.load()) return false;  // a control event cut the read short
        *count += got;
    }
    return true;
}

}  // namespace

PasswordResult FirstLineOf(const std::string& path, SecretText* line, std::string* message) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        *message = "cannot read the password file " + path + ": " + SystemMessage(GetLastError());
        return PasswordResult::kFailed;
    }
    const auto next = [file](char* byte, std::string* reason) {
        DWORD got = 0;
        if (ReadFile(file, byte, 1, &got, nullptr) == 0) {
            *reason = SystemMessage(GetLastError());
            return NextByte::kFailed;
        }
        return got == 0 ? NextByte::kEnd : NextByte::kByte;
    };
    std::string reason;
    const PasswordResult result = CollectPasswordLine(
        next, [] { return false; }, line, &reason);
    CloseHandle(file);
    if (result != PasswordResult::kRead) {
        *message = "the password file " + path + ": " + reason;
    }
    return result;
}

bool StandardInputIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

PasswordResult Prompt(const char* prompt, SecretText* typed, std::string* message) {
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD saved = 0;
    if (GetConsoleMode(input, &saved) == 0) {
        *message = "no password: cannot use the console; use --password-file FILE or VKT_PASSWORD";
        return PasswordResult::kFailed;
    }
    arrived.store(false);
    savedMode.store(saved);
    promptInput.store(input);
    SetConsoleCtrlHandler(RestoreAndPassOn, TRUE);
    std::fputs(prompt, stderr);
    std::fflush(stderr);
    SetConsoleMode(input, (saved & ~static_cast<DWORD>(ENABLE_ECHO_INPUT)) | ENABLE_LINE_INPUT |
                              ENABLE_PROCESSED_INPUT);
    wchar_t wide[kMostTypedUnits];
    DWORD count = 0;
    std::string reason;
    const bool complete = ReadTypedUnits(input, wide, &count, &reason);
    SetConsoleMode(input, saved);
    FlushConsoleInputBuffer(input);  // what was typed past the line is not for the shell
    SetConsoleCtrlHandler(RestoreAndPassOn, FALSE);
    promptInput.store(nullptr);
    std::fputs("\n", stderr);  // the Enter key was not echoed
    PasswordResult result = PasswordResult::kRead;
    if (!complete) {
        result = arrived.load() || reason.empty() ? PasswordResult::kInterrupted
                                                  : PasswordResult::kFailed;
        *typed = SecretText();
    } else {
        const int units = static_cast<int>(count);
        SecretText utf8;
        const int size = WideCharToMultiByte(CP_UTF8, 0, wide, units, nullptr, 0, nullptr, nullptr);
        utf8.mutable_text()->resize(static_cast<std::size_t>(size));
        WideCharToMultiByte(CP_UTF8, 0, wide, units, utf8.mutable_text()->data(), size, nullptr,
                            nullptr);
        std::size_t at = 0;
        const std::string& bytes = utf8.text();
        const auto next = [&bytes, &at](char* byte, std::string*) {
            if (at == bytes.size()) return NextByte::kEnd;
            *byte = bytes[at++];
            return NextByte::kByte;
        };
        result = CollectPasswordLine(
            next, [] { return false; }, typed, &reason);
    }
    WipeMemory(wide, sizeof wide);
    if (result == PasswordResult::kFailed) *message = "the password: " + reason;
    return result;
}

}  // namespace vkt::tools
