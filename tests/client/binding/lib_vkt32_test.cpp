// The binding: run-time errors for a missing library or function, the conversions of texts
// and records through the real library.
#include "binding/lib_vkt32.h"

#include <QDir>
#include <QtTest>
#include <functional>
#include <vector>

#include "binding/record_conversion.h"
#include "commands/session_commands.h"
#include "general/client_state.h"
#include "general/message_box.h"
#include "general/run_time_error.h"

using namespace vkt::client;

namespace {

QByteArray ShmPrefix() {
    return "VKTclientBinding" + QByteArray::number(QCoreApplication::applicationPid()) + ".";
}

// Each export called once with harmless arguments.
std::vector<std::pair<const char*, std::function<void()>>> EveryExport() {
    return {
        {"VKTConectar",
         [] {
             std::int32_t session = 0;
             LibVKT32::VKTConectar("", "", "", "", "", 0, &session);
         }},
        {"VKTDesconectar", [] { LibVKT32::VKTDesconectar(0); }},
        {"VKTVerificar",
         [] {
             QString answer(2048, QChar(u' '));
             std::int32_t length = 0;
             LibVKT32::VKTVerificar(0, "", 1, &answer, &length);
         }},
        {"VKTEnviar", [] { LibVKT32::VKTEnviar(0, "", "", 1, QString(), 0); }},
        {"VKTSolicitar", [] { LibVKT32::VKTSolicitar(0, "", "", ""); }},
        {"VKTError",
         [] {
             ClientErrorRecord records[10];
             LibVKT32::VKTError(records);
         }},
        {"VKTEstado",
         [] {
             StatusRecord status{};
             LibVKT32::VKTEstado(&status);
         }},
    };
}

}  // namespace

class LibVkt32Test : public QObject {
    Q_OBJECT

  private:
    std::vector<MessageRequest> boxes_;

  private slots:
    void initTestCase() { qputenv("VKT_SHM_PREFIX", ShmPrefix()); }

    void cleanupTestCase() {
        QDir shm("/dev/shm");
        for (const QString& name : shm.entryList({QString(ShmPrefix()) + "*"}, QDir::Files)) {
            shm.remove(name);
        }
    }

    void init() {
        boxes_.clear();
        SetMessageHook([this](const MessageRequest& request) {
            boxes_.push_back(request);
            return int(kAnswerOk);
        });
    }

    void cleanup() {
        SetMessageHook({});
        LibVKT32::SetLibraryFile(VKT_LIBRARY_PATH);
    }

    // A library that cannot be loaded: 53 at every call of every export (the load is tried
    // again each time); a library without the export: 453 naming it.
    void missingLibraryOrFunction_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("number");
        QTest::newRow("no such file") << QString("/nonexistent/libVKT32.so") << 53;
        QTest::newRow("library without the exports") << QString("libm.so.6") << 453;
    }

    void missingLibraryOrFunction() {
        QFETCH(QString, file);
        QFETCH(int, number);
        LibVKT32::SetLibraryFile(file);
        for (int round = 0; round < 2; ++round) {
            for (const auto& [name, call] : EveryExport()) {
                try {
                    call();
                    QFAIL(name);
                } catch (const RunTimeError& error) {
                    QCOMPARE(error.number(), number);
                    if (number == 453) QVERIFY(error.description().contains(name));
                }
            }
        }
    }

    // A command meeting a missing library shows "description (number)" in a box with only
    // Aceptar, and goes on.
    void commandTrapShowsTheRunTimeError() {
        LibVKT32::SetLibraryFile("/nonexistent/libVKT32.so");
        MostrarErrores();
        QCOMPARE(boxes_.size(), size_t{1});
        QVERIFY2(boxes_[0].text.endsWith(" (53)"), qPrintable(boxes_[0].text));
        QCOMPARE(boxes_[0].style, 0);
        QCOMPARE(boxes_[0].title, ProductName());

        // EsperarOperacion cut short by the error does not report success.
        boxes_.clear();
        QCOMPARE(EsperarOperacion(1), 1);
        QCOMPARE(boxes_.size(), size_t{1});
    }

    // A failure recorded by the real library comes back with its Latin-1 text and time.
    void recordsComeBackConverted() {
        LibVKT32::SetLibraryFile(VKT_LIBRARY_PATH);
        StatusRecord status{};
        status.activity = 77;
        QCOMPARE(LibVKT32::VKTEstado(&status), 0);
        QCOMPARE(status.activity, 0u);

        std::int32_t session = -5;
        const std::int32_t code =
            LibVKT32::VKTConectar("127.0.0.1", "1", "", "x", "/tmp", 10, &session);
        QVERIFY(code != 0);
        ClientErrorRecord records[10];
        for (auto& record : records) {
            record.text = QString(255, QChar(u' '));
            record.time = QString(9, QChar(u' '));
        }
        QCOMPARE(LibVKT32::VKTError(records), 1);
        QCOMPARE(records[0].code, code);
        QCOMPARE(records[0].timeLength, 8);
        const QString time = LibVKT32::LeadingText(records[0].time, records[0].timeLength);
        QVERIFY2(QTime::fromString(time, "HH:mm:ss").isValid(), qPrintable(time));
        const QString text = LibVKT32::LeadingText(records[0].text, records[0].textLength);
        QCOMPARE(text, QString("Parámetro no válido"));  // Latin-1 "\xE1" read back as "á"
        QCOMPARE(records[1].code, 0);
    }

    void leadingTextStaysInsideTheField_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("expected");
        QTest::newRow("exact") << QString("abc  ") << 3 << QString("abc");
        QTest::newRow("length past the end") << QString("abc") << 300 << QString("abc");
        QTest::newRow("stops at NUL") << QString::fromLatin1("ab\0cd", 5) << 5 << QString("ab");
        QTest::newRow("zero") << QString("abc") << 0 << QString();
        QTest::newRow("negative") << QString("abc") << -4 << QString();
    }

    void leadingTextStaysInsideTheField() {
        QFETCH(QString, field);
        QFETCH(int, length);
        QFETCH(QString, expected);
        QCOMPARE(LibVKT32::LeadingText(field, length), expected);
    }

    void errorRecordRoundTrip() {
        ClientErrorRecord client;
        client.code = 40053;
        client.timeLength = 8;
        client.textLength = 3;
        client.text = QString("Año") + QString(300, QChar(u'x'));  // longer than the field
        client.time = "12:34:56";
        const ErrorRecord packed = LibVKT32::ToLibraryRecord(client);
        QCOMPARE(packed.code, 40053);
        QCOMPARE(static_cast<unsigned char>(packed.text[1]), 0xF1u);
        QCOMPARE(packed.text[254], 'x');
        QCOMPARE(QByteArray(packed.timeOfDay), QByteArray("12:34:56"));
        const ClientErrorRecord back = LibVKT32::FromLibraryRecord(packed);
        QCOMPARE(back.text.size(), 255);
        QCOMPARE(LibVKT32::LeadingText(back.text, back.textLength), QString("Año"));
        QCOMPARE(back.time.size(), 9);
    }
};

QTEST_MAIN(LibVkt32Test)
#include "lib_vkt32_test.moc"
