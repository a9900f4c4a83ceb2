// Support for the session-table tests: a private shared-memory namespace per test, raw views
// of the named objects, and helper processes (table_helper) driven step by step.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <vector>

namespace vkt::runtime::table_testing {

// Sets VKT_SHM_PREFIX to a value no other test or user shares; on destruction removes both
// named objects and unsets the variable.
class ShmNamespace {
  public:
    ShmNamespace();
    ~ShmNamespace();
    ShmNamespace(const ShmNamespace&) = delete;
    ShmNamespace& operator=(const ShmNamespace&) = delete;

    const std::string& Prefix() const { return prefix_; }
    std::string TableName() const;  // "/<prefix>Tabla.<uid>"
    std::string MutexName() const;  // "/<prefix>Mutex.<uid>"

  private:
    std::string prefix_;
};

// A read/write mapping of an existing named object (or of one made here), unmapped on
// destruction. Data() is null when the object could not be opened or made.
class RawObject {
  public:
    static RawObject Open(const std::string& name, std::size_t size);
    // Creates the object (mode, size, zero-filled); fails when it exists.
    static RawObject Create(const std::string& name, std::size_t size, unsigned mode = 0600);
    RawObject(RawObject&& other) noexcept;
    ~RawObject();

    unsigned char* Data() const { return data_; }
    std::vector<unsigned char> Snapshot() const;

  private:
    RawObject(unsigned char* data, std::size_t size) : data_(data), size_(size) {}
    unsigned char* data_;
    std::size_t size_;
};

bool ObjectExists(const std::string& name);
long ObjectSize(const std::string& name);  // -1 when absent

// Descriptors and mappings of this process that refer to names containing text.
int OpenDescriptorsNaming(const std::string& text);
int MappingsNaming(const std::string& text);

// A table_helper process running the given steps. Its standard input stays open until
// Finish() (the "hold" step waits for that); startBarrier, when not -1, becomes its
// descriptor 3 (the "start" step waits for end of file there).
class Helper {
  public:
    explicit Helper(const std::vector<std::string>& steps, int startBarrier = -1);
    ~Helper();  // kills the process if it is still running and reaps it
    Helper(const Helper&) = delete;
    Helper& operator=(const Helper&) = delete;

    // The next output line without its newline; "" at end of output or after 30 s of silence.
    std::string Line();
    void Finish();  // closes its standard input
    int Wait();     // exit status, or 128 + signal
    void Kill();    // SIGKILL, not reaped (the process stays a zombie until Wait)
    pid_t Pid() const { return pid_; }

  private:
    pid_t pid_ = -1;
    int input_ = -1;
    int output_ = -1;
    bool reaped_ = false;
    std::string buffered_;
};

// Parses "claim <id>" style lines: the number after the first blank, or -99999 when absent.
int NumberAfter(const std::string& line, const std::string& word);

}  // namespace vkt::runtime::table_testing
