// Latin-1 and file-system conversions and the 8-bit upper-case filter.
#include "general/text_encoding.h"

#include <QFile>

namespace vkt::client {

QByteArray ToLatin1(const QString& text) {
    return text.toLatin1();
}

QString FromLatin1(const char* bytes, int length) {
    return QString::fromLatin1(bytes, length);
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
