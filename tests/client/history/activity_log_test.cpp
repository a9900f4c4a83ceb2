// The activity log: the entry's exact bytes, the day rule, a log that cannot be written, and
// the history window showing the file.
#include "general/activity_log.h"

#include <QDateTime>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "general/app_paths.h"
#include "general/client_state.h"
#include "general/message_box.h"
#include "windows/frm_hist.h"

using namespace vkt::client;

class ActivityLogTest : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir home_;
    QList<MessageRequest> boxes_;

    static QByteArray LogBytes() {
        QFile file(LogFilePath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static void WriteLog(const QByteArray& bytes, const QDateTime& modified) {
        QFile file(LogFilePath());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        QVERIFY(file.flush());
        QVERIFY(file.setFileTime(modified, QFileDevice::FileModificationTime));
    }

  private slots:
    void initTestCase() {
        QVERIFY(home_.isValid());
        qputenv("VKT_HOME", home_.path().toLocal8Bit());
        SetMessageHook([this](const MessageRequest& request) {
            boxes_.append(request);
            return int(kAnswerOk);
        });
    }

    void init() {
        QFile::remove(LogFilePath());
        QDir(LogFilePath()).removeRecursively();
        boxes_.clear();
        General().Config.Sesion = 0;
    }

    // Two entries appended: Latin-1, CR LF, trimmed task and description, the session at the
    // time of writing (0 with no session).
    void entriesAreAppendedInLatin1WithCrLf() {
        General().Config.Sesion = 1234;
        QCOMPARE(
            GrabarLog("10:11:12", "  40001 ", QString::fromUtf8(" Contraseña inválida  "), "Error"),
            0);
        General().Config.Sesion = 0;
        QCOMPARE(GrabarLog("23:59:59", "Enviar", "/tmp/datos.txt", "OK"), 0);
        const QByteArray expected =
            "Sesi\xf3n: 1234\r\nHora: 10:11:12\r\nTarea/Error: 40001\r\n"
            "Descripci\xf3n: Contrase\xf1"
            "a inv\xe1lida\r\nStatus: [Error]\r\n\r\n"
            "Sesi\xf3n: 0\r\nHora: 23:59:59\r\nTarea/Error: Enviar\r\n"
            "Descripci\xf3n: /tmp/datos.txt\r\nStatus: [OK]\r\n\r\n";
        QCOMPARE(LogBytes(), expected);
        QVERIFY(boxes_.isEmpty());
        QVERIFY(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d$").match(HoraActual()).hasMatch());
    }

    // A log that cannot be opened: the run-time error is shown and its number returned.
    void unwritableLogShowsTheErrorAndReturnsItsNumber() {
        QVERIFY(QDir().mkpath(LogFilePath()));  // a folder where the file should be
        const std::int32_t number = GrabarLog("10:00:00", "Enviar", "x", "Error");
        QVERIFY(number != 0);
        QCOMPARE(boxes_.size(), 1);
        QCOMPARE(boxes_[0].style, int(kOkOnly));
        QVERIFY(boxes_[0].text.endsWith(QStringLiteral(" (%1)").arg(number)));
    }

    // The day rule: a log of an earlier calendar day is deleted, whatever its time of day; a
    // log of today or of a future date is kept.
    void dayRule_data() {
        QTest::addColumn<int>("days");  // modification date relative to today
        QTest::addColumn<QTime>("time");
        QTest::addColumn<bool>("kept");
        QTest::newRow("yesterday, late") << -1 << QTime(23, 59, 59) << false;
        QTest::newRow("last year") << -400 << QTime(12, 0) << false;
        QTest::newRow("today, just after midnight") << 0 << QTime(0, 0, 1) << true;
        QTest::newRow("tomorrow") << 1 << QTime(0, 0, 1) << true;
        QTest::newRow("next month") << 31 << QTime(12, 0) << true;
    }
    void dayRule() {
        QFETCH(int, days);
        QFETCH(QTime, time);
        QFETCH(bool, kept);
        WriteLog("entry\r\n", QDateTime(QDate::currentDate().addDays(days), time));
        QCOMPARE(CheckHistorial(), kept);
        QCOMPARE(QFile::exists(LogFilePath()), kept);
        QVERIFY(boxes_.isEmpty());
    }

    void noLogIsNotAvailable() {
        QVERIFY(!CheckHistorial());
        QCOMPARE(LeerHistorial(), QString());
        QVERIFY(boxes_.isEmpty());
    }

    // The history window holds the whole log, line by line, and "Cerrar" closes it.
    void historyWindowShowsTheLog() {
        General().Config.Sesion = 1500;
        GrabarLog("09:00:00", "Solicitar", QString::fromUtf8("año.txt"), "OK");
        GrabarLog("09:05:00", "49997", "Se finaliza la conexión actual.", "Error");
        QCOMPARE(LeerHistorial(), QString::fromLatin1(LogBytes()));

        FrmHist window;
        QCOMPARE(window.objectName(), QStringLiteral("frmHist"));
        QCOMPARE(window.windowTitle(), QStringLiteral("Historial"));
        QVERIFY(window.btCerrar()->isDefault());
        QCOMPARE(window.btCerrar()->text(), QStringLiteral("&Cerrar"));
        const QStringList lines = window.txtHistorial()->toPlainText().split('\n');
        QCOMPARE(lines.mid(0, 6),
                 (QStringList{QString::fromUtf8("Sesión: 1500"), "Hora: 09:00:00",
                              "Tarea/Error: Solicitar", QString::fromUtf8("Descripción: año.txt"),
                              "Status: [OK]", ""}));
        QCOMPARE(lines[8], QStringLiteral("Tarea/Error: 49997"));
        // "Cerrar" closes it, clicked or as the default button from the text box.
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::mouseClick(window.btCerrar(), Qt::LeftButton);
        QVERIFY(!window.isVisible());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.txtHistorial()->setFocus();
        QTest::keyClick(window.txtHistorial(), Qt::Key_Return);
        QVERIFY(!window.isVisible());
        QCOMPARE(window.result(), int(QDialog::Accepted));
    }
};

QTEST_MAIN(ActivityLogTest)
#include "activity_log_test.moc"
