// Texts at the library's boundary: Latin-1 for every text and password, the file-system
// encoding for paths; and the upper-case typing filter of the 8-bit code page (Latin-1).
#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>

namespace vkt::client {

// Latin-1 bytes of text (rules/latin1.h); characters beyond U+00FF become "?" (they cannot be typed
// through the program's filters into a field that reaches the library, except paths, which use
// ToPath).
QByteArray ToLatin1(const QString& text);
QString FromLatin1(const char* bytes, int length);
// The file-system encoding of a path (UTF-8 on Linux).
QByteArray ToPath(const QString& path);
QString FromPath(const QByteArray& bytes);

// The upper-case form of c in the 8-bit code page: "ñ" gives "Ñ"; a character whose upper
// case lies outside Latin-1 ("ÿ", "µ", "ß") is kept as it is.
QChar UpperCase8Bit(QChar c);
QString UpperCase8Bit(const QString& text);

}  // namespace vkt::client
