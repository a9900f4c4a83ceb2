// VKT32.cnf: "server,service,timeout,user,keyfolder" and a line break. The key folder runs to
// the end of the record, so it may hold commas; the other fields may not.
//
// The file is Latin-1. A key folder is a path, and a path may hold characters that Latin-1
// cannot write (a home folder named in another script): such a record is written in UTF-8
// instead, and the reader takes a file that is valid UTF-8 with non-ASCII bytes as UTF-8 (a
// file edited by hand in a UTF-8 editor reads right too). Latin-1 texts of the fields that
// the dialog writes (upper-case letters, digits, punctuation) are never valid UTF-8 sequences
// by accident in practice, since a lead byte must be followed by continuation bytes 0x80-0xBF.
#include "general/config_file.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <cerrno>

#include "general/app_paths.h"
#include "general/number_text.h"
#include "general/run_time_error.h"

namespace vkt::client {
namespace {

bool IsLatin1(const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() > 0xFF) return false;
    }
    return true;
}

QString DecodeRecord(const QByteArray& bytes) {
    bool ascii = true;
    for (const char b : bytes) {
        if (static_cast<unsigned char>(b) >= 0x80) ascii = false;
    }
    if (!ascii) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = utf8.decode(bytes);
        if (!utf8.hasError()) return text;
    }
    return QString::fromLatin1(bytes);
}

QString ReadRecord(const QString& path) {
    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly)) throw FileError(errno, path);
    errno = 0;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) throw FileError(errno != 0 ? errno : EIO, path);
    QString record = DecodeRecord(bytes);
    // The line break that ends the record (LF or CR LF; any number of them) is not data.
    while (record.endsWith(QLatin1Char('\n')) || record.endsWith(QLatin1Char('\r'))) {
        record.chop(1);
    }
    return record;
}

}  // namespace

std::int32_t LeerConfiguracion(QString* servidor, QString* servicio, QString* timeout,
                               QString* usuario, QString* dirClaves) {
    try {
        const QString path = ConfigFilePath();
        if (!QFile::exists(path)) return 0;
        const QString s = ReadRecord(path);

        const qsizetype p1 = s.indexOf(QLatin1Char(','));
        if (p1 < 0) return 0;
        *servidor = TrimBlanks(s.left(p1));

        const qsizetype p2 = s.indexOf(QLatin1Char(','), p1 + 1);
        if (p2 < 0) return 0;
        *servicio = TrimBlanks(s.mid(p1 + 1, p2 - p1 - 1));

        const qsizetype p3 = s.indexOf(QLatin1Char(','), p2 + 1);
        if (p3 < 0) return 0;
        // Read back as a number, so "0180" gives "180" and a field that is no number fails.
        *timeout = QString::number(ToLong(s.mid(p2 + 1, p3 - p2 - 1)));

        const qsizetype p4 = s.indexOf(QLatin1Char(','), p3 + 1);
        if (p4 >= 0) {
            *usuario = TrimBlanks(s.mid(p3 + 1, p4 - p3 - 1));
            *dirClaves = TrimBlanks(s.mid(p4 + 1));
        } else {
            *usuario = TrimBlanks(s.mid(p3 + 1));
            *dirClaves = DefaultKeyDirectory();
        }
        return 0;
    } catch (const RunTimeError& error) {
        ShowRunTimeError(error);
        return error.number();
    }
}

std::int32_t GrabarConfiguracion(const QString& linea) {
    try {
        const QString path = ConfigFilePath();
        const QByteArray bytes =
            (IsLatin1(linea) ? linea.toLatin1() : linea.toUtf8()) + QByteArrayLiteral("\n");
        // Written beside the old file and renamed over it: a failed write leaves the old file.
        QSaveFile file(path);
        errno = 0;
        if (!file.open(QIODevice::WriteOnly)) throw FileError(errno, path);
        errno = 0;
        if (file.write(bytes) != bytes.size()) {
            const int number = errno != 0 ? errno : EIO;
            file.cancelWriting();
            throw FileError(number, path);
        }
        if (!file.commit()) throw FileError(errno != 0 ? errno : EIO, path);
        return 0;
    } catch (const RunTimeError& error) {
        ShowRunTimeError(error);
        return error.number();
    }
}

}  // namespace vkt::client
