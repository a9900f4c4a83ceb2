// Latin-1 and file-system conversions and the 8-bit upper-case filter.
#include "general/text_encoding.h"

#include <QFile>
#include <cstring>
#include <string>

#include "rules/latin1.h"

namespace vkt::client {

QByteArray ToLatin1(const QString& text) {
    // The text may be a password: the copies made on the way are wiped.
    std::string utf8 = text.toStdString();
    std::string latin1;
    rules::Utf8ToLatin1(utf8, &latin1);
    QByteArray bytes(latin1.data(), static_cast<qsizetype>(latin1.size()));
    explicit_bzero(utf8.data(), utf8.size());
    explicit_bzero(latin1.data(), latin1.size());
    return bytes;
}

QString FromLatin1(const char* bytes, int length) {
    return QString::fromStdString(rules::Latin1ToUtf8(std::string(bytes, bytes + length)));
}

QByteArray ToPath(const QString& path) {
    return QFile::encodeName(path);
}

QString FromPath(const QByteArray& bytes) {
    return QFile::decodeName(bytes);
}

QChar UpperCase8Bit(QChar c) {
    if (c.unicode() > 0xFF) return c;
    const QChar upper = c.toUpper();
    return upper.unicode() <= 0xFF ? upper : c;
}

QString UpperCase8Bit(const QString& text) {
    QString result = text;
    for (QChar& c : result) c = UpperCase8Bit(c);
    return result;
}

}  // namespace vkt::client
