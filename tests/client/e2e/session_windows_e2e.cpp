// A whole working session through the program's own windows on a real X display, against the
// real library and a real vkt-server: start (splash, configuration dialog), connect, send a
// formatted file with its additional information, request a file into a folder, read the
// history, disconnect and quit. Message boxes are answered through the message hook; every
// window is saved as a picture under the test artifacts.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include "../support/test_server.h"
#include "general/app_paths.h"
#include "general/client_state.h"
#include "general/message_box.h"
#include "windows/frm_main.h"
#include "windows/frm_stat.h"
#include "windows/program_main.h"

using namespace vkt::client;
using vkt::client::testing::SaveScreenshot;
using vkt::client::testing::ScriptedUser;

namespace {

template <typename T = QWidget>
T* Child(QWidget* window, const char* name, int index = -1) {
    for (T* child : window->findChildren<T*>(QLatin1String(name))) {
        if (index < 0 || child->property("index").toInt() == index) return child;
    }
    qFatal("no %s in %s", name, qPrintable(window->objectName()));
}

void Click(QWidget* window, const char* button) {
    QTest::mouseClick(Child<QAbstractButton>(window, button), Qt::LeftButton);
}

void Type(QWidget* window, const char* box, const QString& text, int index = -1) {
    QTest::keyClicks(Child<QLineEdit>(window, box, index), text);
}

QWidget* TopLevel(const char* objectName) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QLatin1String(objectName)) return widget;
    }
    return nullptr;
}

QByteArray FormattedFile(const QByteArray& name, const QByteArray& body) {
    const QByteArray padded = name.leftJustified(10, ' ');
    const QByteArray tail =
        "20241209120000" + QByteArray::number(body.size()).rightJustified(9, '0') + "\r\n";
    return "00B" + padded + tail + body + "99B" + padded + tail;
}

QString Entry(int session, const QString& tarea, const QString& descripcion,
              const QString& status) {
    return QString::fromUtf8("Sesión: %1\r\nHora: ").arg(session) + "\\d\\d:\\d\\d:\\d\\d\r\n" +
           "Tarea/Error: " + QRegularExpression::escape(tarea) + "\r\n" +
           QString::fromUtf8("Descripción: ") + QRegularExpression::escape(descripcion) + "\r\n" +
           "Status: \\[" + status + "\\]\r\n\r\n";
}

}  // namespace

class SessionWindowsE2e : public QObject {
    Q_OBJECT

  private slots:
    void wholeSessionThroughTheWindows() {
        QTemporaryDir home;
        QTemporaryDir root;
        QVERIFY(home.isValid() && root.isValid());
        qputenv("VKT_HOME", home.path().toLocal8Bit());
        testing::OwnSessionTable table("VKTwin");

        // The server: user ANA with her public key, a field list for "nomina", a file to serve.
        testing::TestServer server(root.path());
        const QString keys = root.path() + "/claves";
        QVERIFY(QDir().mkpath(keys));
        QVERIFY(testing::MakeKey(keys, "ANA", "CLAVE"));
        QVERIFY(QFile::copy(keys + "/ANA.pub", server.users() + "/ANA.pub"));
        QVERIFY(testing::WriteBytes(root.path() + "/answers", "nomina\tImporte,8,N;Concepto,12\n"));
        QVERIFY(QDir().mkpath(server.outbox() + "/ANA"));
        QByteArray served;
        for (int i = 0; i < 5000; ++i) served += "linea " + QByteArray::number(i) + "\r\n";
        QVERIFY(testing::WriteBytes(server.outbox() + "/ANA/reporte.txt", served));
        // 256,000 bits per second: the file below takes about a second and a half.
        QVERIFY(server.Start({"--answers", root.path() + "/answers", "--line", "256000,4096"}));

        // The user's side: the configuration of an earlier run, a file to send, a folder.
        QVERIFY(testing::WriteBytes(
            ConfigFilePath(),
            QStringLiteral("127.0.0.1,%1,30,ANA,%2").arg(server.port()).arg(keys).toLatin1()));
        QByteArray body;
        for (int i = 0; i < 3000; ++i) body += "EMPLEADO " + QByteArray::number(i) + "\r\n";
        const QString sendPath = root.path() + "/Nomina Enero.txt";
        QVERIFY(testing::WriteBytes(sendPath, FormattedFile("NOMINA", body)));
        const QString folder = root.path() + "/recibidos";
        QVERIFY(QDir().mkpath(folder));

        QStringList boxes;
        QStringList statusAtEnd;
        SetMessageHook([&](const MessageRequest& request) {
            boxes << request.text;
            if (request.text == QLatin1String("Transferencia Exitosa")) {
                auto* status = qobject_cast<FrmStat*>(TopLevel("frmStat"));
                statusAtEnd << (status ? status->sbBarraEstado()->currentMessage() : "none");
                SaveScreenshot(status, QStringLiteral("frmStat-%1").arg(statusAtEnd.size()));
            }
            return request.text.startsWith(QString::fromUtf8("¿Desea abandonar")) ? int(kAnswerYes)
                                                                                  : int(kAnswerOk);
        });

        Program program(home.path() + "/VKT.lock");
        auto mainWindow = [&program]() -> QWidget* { return program.mainWindow(); };
        auto panel = [&]() {
            return mainWindow() ? Child<QLabel>(mainWindow(), "pInfo")->text() : QString();
        };
        auto tool = [&](const char* key) {
            const QByteArray name = QByteArray(key) + "Boton";
            QTest::mouseClick(Child<QToolButton>(mainWindow(), name.constData()), Qt::LeftButton);
        };
        auto idle = [] { return QApplication::activeModalWidget() == nullptr; };
        QString historyShown;
        int session = 0;

        ScriptedUser user;
        user.Then(
            "frmSplash", [] { return TopLevel("frmSplash") && TopLevel("frmSplash")->isVisible(); },
            [] { SaveScreenshot(TopLevel("frmSplash"), "frmSplash"); });
        user.WhenModal("frmUser", [](QWidget* dialog) {
            QCOMPARE(Child<QLineEdit>(dialog, "txtServidor")->text(), QStringLiteral("127.0.0.1"));
            QCOMPARE(Child<QLineEdit>(dialog, "txtUsuario")->text(), QStringLiteral("ANA"));
            Type(dialog, "txtPassword", "clave");
            SaveScreenshot(dialog, "frmUser");
            Click(dialog, "cmdOK");
        });
        user.Then(
            "Sesión activa",
            [&] { return panel().startsWith(QString::fromUtf8("Sesión activa [")); },
            [&] {
                session = General().Config.Sesion;
                QCOMPARE(panel(), QString::fromUtf8("Sesión activa [%1]").arg(session));
                SaveScreenshot(mainWindow(), "frmMain-conectado");
                tool("tbrSEND");
            });
        user.WhenModal("frmSend", [&](QWidget* dialog) {
            Type(dialog, "txtPassword", "clave");
            Type(dialog, "txtArchivo", sendPath);
            QVERIFY(Child<QCheckBox>(dialog, "chkFormato")->isChecked());
            SaveScreenshot(dialog, "frmSend");
            Click(dialog, "btEnviar");
        });
        user.WhenModal("frmParam", [](QWidget* form) {
            QCOMPARE(Child<QLabel>(form, "lblArray", 0)->text(), QStringLiteral("Importe"));
            QCOMPARE(Child<QLabel>(form, "lblArray", 1)->text(), QStringLiteral("Concepto"));
            Type(form, "txtArray", "12a5", 0);  // the letter is refused
            Type(form, "txtArray", "Pago", 1);
            SaveScreenshot(form, "frmParam");
            Click(form, "cmdOK");
        });
        // The line is paced (below), so the send is seen under way: progress in bytes.
        QString progress;
        int progressMaximum = 0;
        user.Then(
            "progress",
            [] {
                auto* status = qobject_cast<FrmStat*>(TopLevel("frmStat"));
                return status != nullptr && status->isVisible() &&
                       status->pbBarraProgreso()->value() > 0;
            },
            [&] {
                auto* status = qobject_cast<FrmStat*>(TopLevel("frmStat"));
                progress = status->sbBarraEstado()->currentMessage();
                progressMaximum = status->pbBarraProgreso()->maximum();
                SaveScreenshot(status, "frmStat-progreso");
            });
        user.Then(
            "sent", [&] { return statusAtEnd.size() == 1 && idle(); }, [&] { tool("tbrRECV"); });
        user.WhenModal("frmRecv", [&](QWidget* dialog) {
            Type(dialog, "txtArchivo", "Reporte.TXT");
            Type(dialog, "txtDestino", folder);
            SaveScreenshot(dialog, "frmRecv");
            Click(dialog, "btRecibir");
        });
        user.Then(
            "received", [&] { return statusAtEnd.size() == 2 && idle(); },
            [&] { tool("tbrHISTORY"); });
        user.WhenModal("frmHist", [&](QWidget* window) {
            historyShown = Child<QPlainTextEdit>(window, "txtHistorial")->toPlainText();
            SaveScreenshot(window, "frmHist");
            Click(window, "btCerrar");
        });
        user.Then("history closed", idle, [&] { tool("tbrCONNECT"); });
        user.Then(
            "Sesión Finalizada", [&] { return panel() == QString::fromUtf8("Sesión Finalizada"); },
            [&] {
                SaveScreenshot(mainWindow(), "frmMain-desconectado");
                tool("tbrEXIT");
            });
        user.Then(
            "closed", [&] { return !mainWindow()->isVisible(); }, [] {});

        QTimer watchdog;
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, [&user] {
            qFatal("the session got stuck waiting for %s", qPrintable(user.Waiting()));
        });
        watchdog.start(90000);
        user.Start();
        QVERIFY(program.Main());
        QTRY_VERIFY_WITH_TIMEOUT(user.Finished(), 80000);
        watchdog.stop();
        program.Finish();
        SetMessageHook({});

        // What the user saw.
        QCOMPARE(boxes, (QStringList{"Enviar el archivo " + sendPath, "Transferencia Exitosa",
                                     "Transferencia Exitosa",
                                     QString::fromUtf8("¿Desea abandonar la aplicación?")}));
        QCOMPARE(statusAtEnd, (QStringList{"Transferencia Exitosa", "Transferencia Exitosa"}));
        const QRegularExpressionMatch bytes =
            QRegularExpression("^ \\[(\\d+)/(\\d+)\\]$").match(progress);
        QVERIFY2(bytes.hasMatch(), qPrintable(progress));
        QCOMPARE(bytes.captured(2).toLongLong(),
                 body.size());  // the records between header and footer
        QCOMPARE(progressMaximum, body.size());
        QVERIFY(!General().Config.Conectado);

        // What reached the server, and what came back.
        QCOMPARE(testing::ReadBytes(server.inbox() + "/ANA/nomina"), body);
        QVERIFY2(server.log().contains("00000125Pago        "), qPrintable(server.log()));
        QCOMPARE(testing::ReadBytes(folder + "/reporte.txt"), served);

        // The log: one entry per transfer, written within the session, and shown by the
        // history; connecting and disconnecting write nothing.
        const QString log = QString::fromLatin1(testing::ReadBytes(LogFilePath()));
        const QRegularExpression expected("^" + Entry(session, "Enviar", sendPath, "OK") +
                                          Entry(session, "Solicitar", "reporte.txt", "OK") + "$");
        QVERIFY2(expected.match(log).hasMatch(), qPrintable(log));
        QString shownLog = log;
        shownLog.replace("\r\n", "\n");
        QCOMPARE(historyShown, shownLog);
    }
};

QTEST_MAIN(SessionWindowsE2e)
#include "session_windows_e2e.moc"
