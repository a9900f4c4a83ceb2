// ErrorRecord conversions and the bounded reading of its texts.
#include "binding/record_conversion.h"

#include <algorithm>
#include <cstring>

#include "general/text_encoding.h"

namespace vkt::client::LibVKT32 {
namespace {

template <std::size_t Size>
void WriteFixed(const QString& text, char (&field)[Size]) {
    const QByteArray bytes = ToLatin1(text);
    const std::size_t count = std::min<std::size_t>(Size, static_cast<std::size_t>(bytes.size()));
    std::memset(field, 0, Size);
    std::memcpy(field, bytes.constData(), count);
}

template <std::size_t Size>
QString ReadFixed(const char (&field)[Size]) {
    return FromLatin1(field, static_cast<int>(Size));
}

}  // namespace

ErrorRecord ToLibraryRecord(const ClientErrorRecord& record) {
    ErrorRecord packed{};
    packed.code = record.code;
    packed.timeLength = static_cast<std::uint32_t>(record.timeLength);
    packed.textLength = static_cast<std::uint32_t>(record.textLength);
    WriteFixed(record.text, packed.text);
    WriteFixed(record.time, packed.timeOfDay);
    return packed;
}

ClientErrorRecord FromLibraryRecord(const ErrorRecord& record) {
    ClientErrorRecord client;
    client.code = record.code;
    client.timeLength = static_cast<std::int32_t>(record.timeLength);
    client.textLength = static_cast<std::int32_t>(record.textLength);
    client.text = ReadFixed(record.text);
    client.time = ReadFixed(record.timeOfDay);
    return client;
}

QString LeadingText(const QString& field, std::int32_t length) {
    if (length <= 0) return QString();
    qsizetype end = std::min<qsizetype>(length, field.size());
    const qsizetype nul = field.indexOf(QChar(u'\0'));
    if (nul >= 0 && nul < end) end = nul;
    return field.left(end);
}

}  // namespace vkt::client::LibVKT32
