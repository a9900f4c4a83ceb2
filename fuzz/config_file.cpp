// The VKT32.cnf reader: the input is the file, written in a scratch folder and read as the
// command-line client reads it. A record read back is written again with the writer and must
// read back the same.
#include "rules/config_file.h"

#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_support.h"

namespace {

std::string Join(const vkt::rules::ConfigRecord& record) {
    return *record.server + "," + *record.service + "," + std::to_string(*record.timeout) + "," +
           *record.user + "," + *record.keyDirectory;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = vkt::fuzz::Scratch().File("VKT32.cnf");
    vkt::fuzz::WriteWholeFile(path, data, size);
    std::string bytes;
    if (vkt::rules::ReadConfigFile(path, &bytes) != 0) std::abort();
    if (bytes.size() != size) std::abort();
    const vkt::rules::ConfigRead read = vkt::rules::ParseConfigText(bytes, "/claves/");
    const vkt::rules::ConfigRecord& record = read.record;
    if (!read.ok() || !record.keyDirectory) return 0;
    // Every field present, in printable ASCII: the record round-trips through the writer,
    // unless a field before the key directory holds the separator. (Text beyond ASCII may
    // change its reading on the way, as Latin-1 bytes that happen to be UTF-8 do.)
    const std::string joined = Join(record);
    for (const char c : joined)
        if (c < 0x20 || c > 0x7E) return 0;
    for (const std::string* field : {&*record.server, &*record.service, &*record.user})
        if (field->find(',') != std::string::npos) return 0;
    if (vkt::rules::WriteConfigFile(path, joined) != 0) std::abort();
    std::string again;
    if (vkt::rules::ReadConfigFile(path, &again) != 0) std::abort();
    const vkt::rules::ConfigRead reread = vkt::rules::ParseConfigText(again, "/claves/");
    if (!reread.ok() || Join(reread.record) != joined) std::abort();
    return 0;
}
