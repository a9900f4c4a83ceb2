// The daily activity log: entries appended in Latin-1 with CR LF line ends, and the rule that
// a log last written on an earlier calendar day is deleted.
#include "general/activity_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDate>
#include <QDateTime>
#include <QFileInfo>
#include <QTime>
#include <cerrno>

#include "general/app_paths.h"
#include "general/client_state.h"
#include "general/run_time_error.h"
#include "general/text_encoding.h"

namespace vkt::client {
namespace {

// The entry's six lines; the last one is empty, so the text ends "]" CR LF CR LF.
QByteArray EntryText(const QString& hora, const QString& tarea, const QString& descripcion,
                     const QString& status) {
    const QString crlf = QStringLiteral("\r\n");
    const QString entry = QString::fromUtf8("Sesión: ") + QString::number(General().Config.Sesion) +
                          crlf + QStringLiteral("Hora: ") + hora + crlf +
                          QStringLiteral("Tarea/Error: ") + tarea.trimmed() + crlf +
                          QString::fromUtf8("Descripción: ") + descripcion.trimmed() + crlf +
                          QStringLiteral("Status: [") + status + QStringLiteral("]") + crlf + crlf;
    return ToLatin1(entry);
}

// Appends bytes with one write per call where the system allows it (O_APPEND keeps entries
// of concurrent writers whole); raises the file's run-time error.
void AppendToFile(const QString& path, const QByteArray& bytes) {
    const QByteArray name = ToPath(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) throw FileError(errno, path);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int failure = n < 0 ? errno : EIO;
            ::close(fd);
            throw FileError(failure, path);
        }
        done += n;
    }
    if (::close(fd) != 0) throw FileError(errno, path);
}

}  // namespace

std::int32_t GrabarLog(const QString& hora, const QString& tarea, const QString& descripcion,
                       const QString& status) {
    try {
        AppendToFile(LogFilePath(), EntryText(hora, tarea, descripcion, status));
        return 0;
    } catch (const RunTimeError& error) {
        ShowRunTimeError(error);
        return error.number();
    }
}

bool CheckHistorial() {
    const QString path = LogFilePath();
    const QFileInfo info(path);
    if (!info.exists()) return false;
    // Calendar days from the last write to today; a date in the future counts as today.
    const qint64 days = info.lastModified().date().daysTo(QDate::currentDate());
    if (days <= 0) return true;
    Trap([&] {
        if (::unlink(ToPath(path).constData()) != 0 && errno != ENOENT)
            throw FileError(errno, path);
    });
    return false;
}

QString LeerHistorial() {
    QString text;
    Trap([&] {
        const QString path = LogFilePath();
        const int fd = ::open(ToPath(path).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            if (errno == ENOENT) return;  // no log yet: nothing to show
            throw FileError(errno, path);
        }
        QByteArray bytes;
        char chunk[65536];
        for (;;) {
            const ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                const int failure = errno;
                ::close(fd);
                throw FileError(failure, path);
            }
            if (n == 0) break;
            bytes.append(chunk, n);
        }
        ::close(fd);
        text = FromLatin1(bytes.constData(), static_cast<int>(bytes.size()));
    });
    return text;
}

QString HoraActual() {
    return QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
}

}  // namespace vkt::client
