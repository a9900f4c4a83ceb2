// The send, request and history commands, driven through their real dialogs: what each way
// out of a dialog or a question leads to, against the real library (no session, or a session
// with a real vkt-server).
#include "commands/transfer_commands.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "../support/test_server.h"
#include "binding/lib_vkt32.h"
#include "commands/session_commands.h"
#include "general/activity_log.h"
#include "general/app_paths.h"
#include "general/client_state.h"
#include "general/message_box.h"
#include "windows/frm_main.h"

using namespace vkt::client;
using vkt::client::testing::ScriptedUser;

namespace {

constexpr char kUser[] = "ANA";
constexpr char kPassword[] = "CLAVE";

template <typename T>
T* Child(QWidget* window, const char* name) {
    T* child = window->findChild<T*>(QLatin1String(name));
    if (child == nullptr) qWarning("no %s in %s", name, qPrintable(window->objectName()));
    return child;
}

void Click(QWidget* window, const char* button) {
    QTest::mouseClick(Child<QPushButton>(window, button), Qt::LeftButton);
}

void Type(QWidget* window, const char* box, const QString& text) {
    QTest::keyClicks(Child<QLineEdit>(window, box), text);
}

// A formatted record file of type "B" named name: header, body, footer (CR LF records).
QByteArray FormattedFile(const QByteArray& name, const QByteArray& body) {
    const QByteArray padded = name.leftJustified(10, ' ');
    const QByteArray tail =
        "20241209120000" + QByteArray::number(body.size()).rightJustified(9, '0') + "\r\n";
    return "00B" + padded + tail + body + "99B" + padded + tail;
}

}  // namespace

class TransferCommandsTest : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir home_;
    QTemporaryDir work_;
    testing::OwnSessionTable table_{"VKTxfer"};
    QList<MessageRequest> boxes_;
    std::function<int(const MessageRequest&)> answer_;
    bool sawParamForm_ = false;

    static QString Log() { return QString::fromLatin1(testing::ReadBytes(LogFilePath())); }

    // Runs command while user works the dialogs; fails the test when the user got stuck.
    static void Run(void (*command)(), ScriptedUser& user) {
        user.Start();
        command();
        QVERIFY2(user.Finished(), qPrintable("still waiting for " + user.Waiting()));
    }

    // The send dialog filled in with path and confirmed.
    static void SendDialog(ScriptedUser& user, const QString& path, bool formatted) {
        user.WhenModal("frmSend", [path, formatted](QWidget* dialog) {
            Type(dialog, "txtPassword", "clave");
            Type(dialog, "txtArchivo", path);
            Child<QCheckBox>(dialog, "chkFormato")->setChecked(formatted);
            Click(dialog, "btEnviar");
        });
    }

    QString Path(const QString& name) const { return work_.path() + "/" + name; }

  private slots:
    void initTestCase() {
        QVERIFY(home_.isValid() && work_.isValid());
        qputenv("VKT_HOME", home_.path().toLocal8Bit());
        SetMessageHook([this](const MessageRequest& request) {
            boxes_.append(request);
            return answer_ ? answer_(request) : int(kAnswerOk);
        });
        // Watches for the additional-information form in every test.
        auto* watch = new QTimer(this);
        connect(watch, &QTimer::timeout, this, [this] {
            const QWidget* modal = QApplication::activeModalWidget();
            if (modal != nullptr && modal->objectName() == QLatin1String("frmParam")) {
                sawParamForm_ = true;
            }
        });
        watch->start(10);
    }

    void init() {
        boxes_.clear();
        answer_ = nullptr;
        sawParamForm_ = false;
        QFile::remove(LogFilePath());
        General().Config = ConfigRecord{};
    }

    // Cancel to "Enviar el archivo ...": nothing is verified, sent, logged or shown.
    void cancelledConfirmationSendsNothing() {
        ScriptedUser user;
        SendDialog(user, Path("Datos.txt"), true);
        answer_ = [](const MessageRequest&) { return int(kAnswerCancel); };
        Run(VKTSendFile, user);
        QCOMPARE(boxes_.size(), 1);
        QCOMPARE(boxes_[0].text, "Enviar el archivo " + Path("Datos.txt"));
        QCOMPARE(boxes_[0].title, QStringLiteral("Confirmar"));
        QCOMPARE(boxes_[0].style, int(kOkCancel | kExclamation));
        QCOMPARE(General().Formato, 1);
        QCOMPARE(General().Config.Password, QString(kPassword));
        QVERIFY(Log().isEmpty());
    }

    // Refusals of the library (here: no session) are logged with the operation's name and
    // the file, and the library's error is logged and shown; a cancelled receive dialog
    // requests nothing.
    void refusedOperationsAreLogged() {
        ScriptedUser sender;
        SendDialog(sender, Path("datos.txt"), false);
        Run(VKTSendFile, sender);
        QCOMPARE(boxes_.size(), 2);
        QCOMPARE(boxes_[1].title, QStringLiteral("Error"));
        QVERIFY(Log().contains(QString::fromUtf8("Tarea/Error: Verificar\r\nDescripción: ") +
                               Path("datos.txt") + "\r\nStatus: [Error]\r\n"));

        boxes_.clear();
        ScriptedUser cancelling;
        cancelling.WhenModal("frmRecv", [](QWidget* dialog) {
            Type(dialog, "txtArchivo", "reporte.txt");
            Click(dialog, "btCancelar");
        });
        Run(VKTReceiveFile, cancelling);
        QVERIFY(boxes_.isEmpty());

        ScriptedUser receiver;
        receiver.WhenModal("frmRecv", [this](QWidget* dialog) {
            Type(dialog, "txtArchivo", "Reporte.TXT");
            Type(dialog, "txtDestino", work_.path());
            Click(dialog, "btRecibir");
        });
        Run(VKTReceiveFile, receiver);
        QCOMPARE(boxes_.size(), 1);
        QCOMPARE(boxes_[0].title, QStringLiteral("Error"));
        const QString log = Log();
        QVERIFY(log.contains(QString::fromUtf8(
            "Tarea/Error: Solicitar\r\nDescripción: reporte.txt\r\nStatus: [Error]\r\n")));
        QCOMPARE(log.count("Tarea/Error:"), 4);  // each refusal and its library error
        QVERIFY(!sawParamForm_);
    }

    // With a session: a file the server needs nothing more for (40068) goes at once, without
    // the additional-information form; cancelling that form for a file that needs it sends
    // nothing and says so with the file as the box's title.
    void sendWithAndWithoutAdditionalInformation() {
        QTemporaryDir root;
        testing::TestServer server(root.path());
        const QString keys = root.path() + "/keys";
        QVERIFY(QDir().mkpath(keys));
        QVERIFY(testing::MakeKey(keys, kUser, kPassword));
        QVERIFY(QFile::copy(keys + "/ANA.pub", server.users() + "/ANA.pub"));
        QVERIFY(testing::WriteBytes(root.path() + "/answers", "nomina\tImporte,8,N;Concepto,12\n"));
        QVERIFY(server.Start({"--answers", root.path() + "/answers"}));

        ConfigRecord& config = General().Config;
        QCOMPARE(LibVKT32::VKTConectar("127.0.0.1", QString::number(server.port()), kUser,
                                       kPassword, keys, 30, &config.Sesion),
                 0);
        QCOMPARE(EsperarOperacion(1), 0);
        config.Conectado = true;
        config.Password = kPassword;

        const QByteArray plain(30000, 'x');
        QVERIFY(testing::WriteBytes(Path("Anexo.bin"), plain));
        ScriptedUser sender;
        SendDialog(sender, Path("Anexo.bin"), false);
        Run(VKTSendFile, sender);
        QVERIFY(!sawParamForm_);
        QCOMPARE(boxes_.size(), 2);
        QCOMPARE(boxes_[1].text, QStringLiteral("Transferencia Exitosa"));
        QCOMPARE(boxes_[1].style, int(kInformation));
        QCOMPARE(testing::ReadBytes(server.inbox() + "/ANA/anexo"), plain);
        QVERIFY(Log().endsWith(QString::fromUtf8("Tarea/Error: Enviar\r\nDescripción: ") +
                               Path("Anexo.bin") + "\r\nStatus: [OK]\r\n\r\n"));

        boxes_.clear();
        QFile::remove(LogFilePath());
        QVERIFY(testing::WriteBytes(Path("nomina.txt"), FormattedFile("NOMINA", "LINEA 1\r\n")));
        ScriptedUser cancelling;
        SendDialog(cancelling, Path("nomina.txt"), true);
        cancelling.WhenModal("frmParam", [](QWidget* form) { Click(form, "cmdCancel"); });
        Run(VKTSendFile, cancelling);
        QCOMPARE(boxes_.size(), 2);
        QCOMPARE(boxes_[1].text, QString::fromUtf8("Operación de envío cancelada"));
        QCOMPARE(boxes_[1].title, Path("nomina.txt"));
        QCOMPARE(boxes_[1].style, int(kExclamation));
        QVERIFY(!QFile::exists(server.inbox() + "/ANA/nomina"));
        QVERIFY(Log().isEmpty());

        QCOMPARE(LibVKT32::VKTDesconectar(config.Sesion), 0);
        config = ConfigRecord{};
    }

    // No log: the history says it is unavailable; today's log is shown until "Cerrar". The
    // main window's error timer runs again afterwards only while a session is open.
    void historyCommand() {
        FrmMain main;
        General().Config.Conectado = true;
        VKTHistorial();
        QVERIFY(main.Reloj()->isActive());
        General().Config.Conectado = false;
        main.Reloj()->start();
        VKTHistorial();
        QVERIFY(!main.Reloj()->isActive());
        boxes_.removeFirst();
        QCOMPARE(boxes_.size(), 1);
        QCOMPARE(boxes_[0].text, QStringLiteral("Archivo Historial no disponible"));
        QCOMPARE(boxes_[0].title, QStringLiteral("Historial"));
        QCOMPARE(boxes_[0].style, int(kExclamation));

        boxes_.clear();
        GrabarLog("08:00:00", "Enviar", "nomina.txt", "OK");
        QString shown;
        ScriptedUser reader;
        reader.WhenModal("frmHist", [&shown](QWidget* window) {
            shown = Child<QPlainTextEdit>(window, "txtHistorial")->toPlainText();
            Click(window, "btCerrar");
        });
        Run(VKTHistorial, reader);
        QVERIFY(boxes_.isEmpty());
        QVERIFY(shown.contains(QString::fromUtf8("Descripción: nomina.txt\nStatus: [OK]\n")));
    }
};

QTEST_MAIN(TransferCommandsTest)
#include "transfer_commands_test.moc"
