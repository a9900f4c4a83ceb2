#include "rules/config_file.h"

#include "rules/latin1.h"
#include "rules/platform/whole_file.h"

namespace vkt::rules {
namespace {

// The file's bytes as UTF-8 text.
std::string DecodeRecord(const std::string& bytes) {
    bool ascii = true;
    for (const char b : bytes) ascii = ascii && static_cast<unsigned char>(b) < 0x80;
    if (!ascii && IsUtf8(bytes)) return bytes;
    return Latin1ToUtf8(bytes);
}

// [from, to) of text, trimmed.
std::string FieldBetween(const std::string& text, std::size_t from, std::size_t to) {
    return TrimBlanks(text.substr(from, to - from));
}

}  // namespace

ConfigRead ParseConfigText(const std::string& bytes, const std::string& defaultKeyDirectory) {
    std::string record = DecodeRecord(bytes);
    const std::size_t end = record.find_last_not_of(" \r\n");
    record.erase(end == std::string::npos ? 0 : end + 1);

    ConfigRead read;
    ConfigRecord& fields = read.record;
    const std::size_t p1 = record.find(',');
    if (p1 == std::string::npos) return read;
    fields.server = FieldBetween(record, 0, p1);
    const std::size_t p2 = record.find(',', p1 + 1);
    if (p2 == std::string::npos) return read;
    fields.service = FieldBetween(record, p1 + 1, p2);
    const std::size_t p3 = record.find(',', p2 + 1);
    if (p3 == std::string::npos) return read;
    read.timeoutText = FieldBetween(record, p2 + 1, p3);
    std::int32_t timeout = 0;
    read.timeout = ReadInt32(read.timeoutText, &timeout);
    if (!read.ok()) return read;
    fields.timeout = timeout;
    const std::size_t p4 = record.find(',', p3 + 1);
    if (p4 != std::string::npos) {
        fields.user = FieldBetween(record, p3 + 1, p4);
        fields.keyDirectory = FieldBetween(record, p4 + 1, record.size());
    } else {
        fields.user = FieldBetween(record, p3 + 1, record.size());
        fields.keyDirectory = defaultKeyDirectory;
    }
    return read;
}

int ReadConfigFile(const std::string& path, std::string* bytes) {
    return ReadWholeFile(path, bytes);
}

int WriteConfigFile(const std::string& path, const std::string& record) {
    std::string bytes;
    if (!Utf8ToLatin1(record, &bytes)) bytes = record;
    bytes.push_back('\n');
    return ReplaceWholeFile(path, bytes);
}

}  // namespace vkt::rules
