// The session commands and the error procedures against the real library and vkt-server, with
// the real configuration dialog answered as a user would.
#include "commands/session_commands.h"

#include <signal.h>

#include <QAction>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QtTest>
#include <functional>
#include <memory>
#include <vector>

#include "binding/lib_vkt32.h"
#include "commands/error_records.h"
#include "general/app_paths.h"
#include "general/client_state.h"
#include "general/message_box.h"
#include "windows/frm_main.h"

using namespace vkt::client;

namespace {

QByteArray ShmPrefix() {
    return "VKTclientSession" + QByteArray::number(QCoreApplication::applicationPid()) + ".";
}

// vkt-server on a free loopback port with its folders in a temporary folder. The users' keys
// go into users() before Start: the server reads them when it starts.
class Server {
  public:
    Server() {
        for (const char* sub : {"users", "inbox", "outbox"}) QDir(root_.path()).mkdir(sub);
    }
    ~Server() { Stop(); }
    bool Start(const QStringList& extra = {}) {
        process_.start(VKT_SERVER_PATH,
                       QStringList{"--port", "0", "--users", users(), "--inbox",
                                   root_.filePath("inbox"), "--outbox", root_.filePath("outbox")} +
                           extra);
        if (!process_.waitForStarted()) return false;
        QByteArray line;
        while (!line.contains('\n') && process_.waitForReadyRead(10000)) {
            line += process_.readAllStandardOutput();
        }
        line = line.left(line.indexOf('\n'));
        port_ = line.mid(line.lastIndexOf(':') + 1).trimmed().toInt();
        return port_ > 0;
    }
    void Stop() {
        if (process_.state() == QProcess::NotRunning) return;
        Signal(SIGCONT);
        process_.terminate();
        process_.waitForFinished();
    }
    void Signal(int signal) {
        if (process_.processId() > 0) ::kill(static_cast<pid_t>(process_.processId()), signal);
    }
    QString users() const { return root_.filePath("users"); }
    QString root() const { return root_.path(); }
    int port() const { return port_; }

  private:
    QTemporaryDir root_;
    QProcess process_;
    int port_ = 0;
};

constexpr char kUser[] = "ANA";
// Typed as "claveñ": the password box upper-cases it, and the key file hashes its Latin-1
// bytes "CLAVE\xD1".
constexpr char kTypedPassword[] = "claveñ";
constexpr std::int32_t kStaleSession = 1234;

ClientErrorRecord Record(std::int32_t code, const QString& text, const QString& time) {
    ClientErrorRecord record;
    record.code = code;
    record.text = text.leftJustified(255, QChar(u'\0'));
    record.textLength = static_cast<std::int32_t>(text.size());
    record.time = time.leftJustified(9, QChar(u'\0'));
    record.timeLength = static_cast<std::int32_t>(time.size());
    return record;
}

QString LogText() {
    QFile log(LogFilePath());
    if (!log.open(QIODevice::ReadOnly)) return QString();
    return QString::fromLatin1(log.readAll());
}

}  // namespace

class SessionCommandsTest : public QObject {
    Q_OBJECT

  private:
    struct Box {
        MessageRequest request;
        QString pInfo;  // the status panel when the box appeared
    };
    std::vector<Box> boxes_;
    std::unique_ptr<FrmMain> window_;
    QTemporaryDir home_;
    QTemporaryDir keys_;
    bool keysMade_ = false;

    QString PInfo() const { return window_->findChild<QLabel*>("pInfo")->text(); }

    void WriteConfig(int port, int timeout) {
        QFile file(ConfigFilePath());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QString("127.0.0.1,%1,%2,%3,%4/")
                       .arg(port)
                       .arg(timeout)
                       .arg(kUser, keys_.path())
                       .toLatin1());
    }

    // Answers the configuration dialog as soon as it is shown: the password typed, Aceptar.
    void AnswerDialogWith(const QString& typed) {
        auto* poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, [poll, typed] {
            QWidget* dialog = QApplication::activeModalWidget();
            if (dialog == nullptr || dialog->objectName() != "frmUser") return;
            poll->deleteLater();
            poll->stop();
            auto* password = dialog->findChild<QLineEdit*>("txtPassword");
            password->setFocus();
            for (const QChar c : typed) {  // keyClicks takes ASCII only
                QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
                QApplication::sendEvent(password, &press);
            }
            dialog->findChild<QPushButton*>("cmdOK")->click();
        });
        poll->start(10);
    }

    bool OpenSession(const Server& server) {
        WriteConfig(server.port(), 10);
        AnswerDialogWith(kTypedPassword);
        VKTInitConexion();
        return General().Config.Conectado;
    }

  private slots:
    void initTestCase() {
        qputenv("VKT_HOME", home_.path().toUtf8());
        qputenv("VKT_SHM_PREFIX", ShmPrefix());
        // Session timers of 1 s instead of 60 s: a silent server is given up within seconds.
        qputenv("VKT_TIMER_PERIOD_MS", "1000");
        LibVKT32::SetLibraryFile(VKT_LIBRARY_PATH);
        const QString passwordFile = keys_.filePath(".password");
        QFile secret(passwordFile);
        QVERIFY(secret.open(QIODevice::WriteOnly));
        secret.write("CLAVE\xD1\n");
        secret.close();
        QProcess keygen;
        keygen.setStandardOutputFile(QProcess::nullDevice());
        keygen.start(VKT_KEYGEN_PATH, {"--bits", "512", "--out", keys_.path(), "--password-file",
                                       passwordFile, kUser});
        keysMade_ = keygen.waitForFinished(60000) && keygen.exitStatus() == QProcess::NormalExit &&
                    keygen.exitCode() == 0;
        QFile::remove(passwordFile);
    }

    void cleanupTestCase() {
        QDir shm("/dev/shm");
        for (const QString& name : shm.entryList({QString(ShmPrefix()) + "*"}, QDir::Files)) {
            shm.remove(name);
        }
    }

    void init() {
        QVERIFY(keysMade_);
        boxes_.clear();
        QFile::remove(LogFilePath());
        window_ = std::make_unique<FrmMain>();
        window_->show();
        VKTConfigurar();
        SetMessageHook([this](const MessageRequest& request) {
            boxes_.push_back({request, PInfo()});
            return int(kAnswerOk);
        });
    }

    void cleanup() {
        if (General().Config.Conectado) VKTFinConexion();
        MostrarErrores();
        SetMessageHook({});
        window_.reset();
    }

    // Five records read at once: all logged in order, the session ended at the first code that
    // ends it (and only once), the box showing the fifth.
    void fiveErrorsLoggedInOrderBoxShowsTheFifth() {
        General().Config.Conectado = true;
        General().Config.Sesion = kStaleSession;
        window_->UpdateScreen(1);
        const ClientErrorRecord records[] = {
            Record(40053, "Parámetro no válido", "10:00:01"),
            Record(2604, "Contraseña incorrecta o la clave está corrompida", "10:00:02"),
            Record(110054, "Conexión cerrada por el servidor", "10:00:03"),
            Record(40064, "El servidor ha dado de baja la conexión actual.", "10:00:04"),
            Record(40026, "  Estaciones en uso  ", "10:00:05"),
        };
        InformarErrores(records, 5);

        const QString log = LogText();
        int from = 0;
        int index = 0;
        for (const auto& record : records) {
            // The session line holds the id until the third record has ended the session.
            const std::int32_t sessionLine = index++ <= 2 ? kStaleSession : 0;
            const QString entry =
                QString(
                    "Sesión: %1\r\nHora: %2\r\nTarea/Error: %3\r\nDescripción: %4\r\n"
                    "Status: [Error]\r\n")
                    .arg(sessionLine)
                    .arg(record.time.left(8))
                    .arg(record.code)
                    .arg(record.text.left(record.textLength).trimmed());
            const int at = static_cast<int>(log.indexOf(entry, from));
            QVERIFY2(at >= from, qPrintable(entry));
            from = at + 1;
        }
        QCOMPARE(boxes_.size(), size_t{1});
        QCOMPARE(boxes_[0].request.text, QString("[40026]   Estaciones en uso"));
        QCOMPARE(boxes_[0].request.title, QString("Error"));
        QCOMPARE(boxes_[0].request.style, 16);
        QCOMPARE(boxes_[0].pInfo, QString("Sesión Finalizada"));
        QVERIFY(!General().Config.Conectado);
        QCOMPARE(window_->ButtonImage("tbrCONNECT"), QString("imgDesconectar"));
    }

    void codesThatEndTheSession_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("ends");
        for (int code : {40039, 40055, 40060, 40064, 49997, 110054, 110061, 111001, 11}) {
            QTest::newRow(qPrintable(QString::number(code))) << code << true;
        }
        for (int code : {40063, 40053, 2604, 1, 49996, -110054}) {
            QTest::newRow(qPrintable(QString::number(code))) << code << false;
        }
    }

    void codesThatEndTheSession() {
        QFETCH(int, code);
        QFETCH(bool, ends);
        General().Config.Conectado = true;
        General().Config.Sesion = kStaleSession;
        const ClientErrorRecord record = Record(code, "texto", "10:00:00");
        InformarErrores(&record, 1);
        QCOMPARE(!General().Config.Conectado, ends);
        QCOMPARE(boxes_.size(), size_t{1});
        QCOMPARE(boxes_[0].pInfo, ends ? QString("Sesión Finalizada") : QString());
    }

    void nothingRecordedShowsAndLogsNothing() {
        MostrarErrores();
        QVERIFY(boxes_.empty());
        QVERIFY(!QFile::exists(LogFilePath()));
    }

    void cancelledDialogTriesNothing() {
        Server server;
        QVERIFY(server.Start());
        WriteConfig(server.port(), 10);
        auto* poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, [poll] {
            if (QWidget* dialog = QApplication::activeModalWidget()) {
                poll->deleteLater();
                poll->stop();
                dialog->findChild<QPushButton*>("cmdCancel")->click();
            }
        });
        poll->start(10);
        VKTInitConexion();
        QVERIFY(boxes_.empty());
        QVERIFY(!General().Config.Conectado);
        QVERIFY(PInfo().isEmpty());
        QVERIFY(!window_->Ocupado());
    }

    void wrongPasswordIsShownAndLogged() {
        Server server;
        QVERIFY(QFile::copy(keys_.filePath("ANA.pub"), server.users() + "/ANA.pub"));
        QVERIFY(server.Start());
        WriteConfig(server.port(), 10);
        AnswerDialogWith("otra");
        VKTInitConexion();
        QCOMPARE(boxes_.size(), size_t{1});
        QCOMPARE(boxes_[0].request.text,
                 QString("[2604] Contraseña incorrecta o la clave está corrompida"));
        QCOMPARE(boxes_[0].request.title, QString("Error"));
        QVERIFY(LogText().contains("Tarea/Error: 2604\r\n"));
        QVERIFY(!General().Config.Conectado);
        QCOMPARE(window_->ButtonImage("tbrCONNECT"), QString("imgDesconectar"));
        QVERIFY(!window_->Ocupado());
        QVERIFY(!window_->Reloj()->isActive());
    }

    // A session opens with the Latin-1 password; when the server goes away, the 30-second
    // timer reads the failure, ends the session, and only then shows the box.
    void sessionOpensAndEndsWhenTheServerGoes() {
        Server server;
        QVERIFY(QFile::copy(keys_.filePath("ANA.pub"), server.users() + "/ANA.pub"));
        QVERIFY(server.Start());
        QVERIFY2(OpenSession(server), boxes_.empty() ? "" : qPrintable(boxes_[0].request.text));
        const std::int32_t session = General().Config.Sesion;
        QVERIFY(session >= 1000 && session <= 9990);
        QCOMPARE(PInfo(), QString("Sesión activa [%1]").arg(session));
        QCOMPARE(window_->ButtonImage("tbrCONNECT"), QString("imgConectar"));
        QCOMPARE(window_->Button("tbrCONNECT")->toolTip(), QString("Desconectar"));
        QVERIFY(window_->Button("tbrSEND")->isEnabled());
        QVERIFY(window_->Reloj()->isActive());
        QVERIFY(!window_->Ocupado());
        QVERIFY(boxes_.empty());

        server.Stop();
        window_->Reloj()->setInterval(50);
        QTRY_VERIFY_WITH_TIMEOUT(!boxes_.empty(), 15000);
        QCOMPARE(boxes_[0].request.title, QString("Error"));
        QCOMPARE(boxes_[0].pInfo, QString("Sesión Finalizada"));
        QVERIFY(!General().Config.Conectado);
        QCOMPARE(General().Config.Sesion, 0);
        QVERIFY(!window_->Reloj()->isActive());
    }

    // While the connect waits for a silent server the window stays responsive, shows the
    // progress text, and refuses a second connect.
    void connectWaitingRefusesSecondConnect() {
        Server server;
        QVERIFY(QFile::copy(keys_.filePath("ANA.pub"), server.users() + "/ANA.pub"));
        QVERIFY(server.Start());
        server.Signal(SIGSTOP);
        WriteConfig(server.port(), 2);
        AnswerDialogWith(kTypedPassword);
        QString progress;
        QTimer::singleShot(500, this, [&] {
            progress = PInfo();
            QVERIFY(window_->Ocupado());
            window_->ButtonClick("tbrCONNECT");
        });
        VKTInitConexion();
        server.Signal(SIGCONT);
        QVERIFY(progress == "Iniciando conexión..." || progress == "Abriendo sesión...");
        QVERIFY(boxes_.size() >= 2);
        QCOMPARE(boxes_[0].request.text, QString("Operación en progreso. Aguarde su finalización"));
        QCOMPARE(boxes_[0].request.title, QString("Conexión"));
        QCOMPARE(boxes_.back().request.title, QString("Error"));  // the wait ran out
        QVERIFY(!General().Config.Conectado);
        QVERIFY(!window_->Ocupado());
    }

    // The one text a call returns: the verify answer comes back whole into a text shorter than
    // the library's 2,048 bytes; the file's path reaches the library in the file-system
    // encoding.
    void verifyAnswerComesBackThroughTheBinding() {
        Server server;
        QFile answers(server.root() + "/answers");
        QVERIFY(answers.open(QIODevice::WriteOnly));
        answers.write("nomina\tImporte,8,N;Concepto,12\n");
        answers.close();
        QVERIFY(QFile::copy(keys_.filePath("ANA.pub"), server.users() + "/ANA.pub"));
        QVERIFY(server.Start({"--answers", answers.fileName()}));
        QVERIFY(OpenSession(server));

        QTemporaryDir work;
        QVERIFY(QDir(work.path()).mkdir("año"));
        QFile file(work.path() + "/año/nomina.bin");
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("datos");
        file.close();
        QString parametros;  // shorter than the answer buffer
        std::int32_t largo = -1;
        QCOMPARE(LibVKT32::VKTVerificar(General().Config.Sesion, file.fileName(), 2, &parametros,
                                        &largo),
                 0);
        QCOMPARE(largo, 23);
        QCOMPARE(parametros.size(), 2048);
        QCOMPARE(parametros.left(largo), QString("Importe,8,N;Concepto,12"));
    }

    // A disconnect refused because an operation runs keeps the session and the timer off.
    void disconnectRefusedWhileAnOperationRuns() {
        Server server;
        QVERIFY(QFile::copy(keys_.filePath("ANA.pub"), server.users() + "/ANA.pub"));
        QVERIFY(server.Start());
        QVERIFY(OpenSession(server));
        server.Signal(SIGSTOP);
        QTemporaryDir destination;
        QCOMPARE(LibVKT32::VKTSolicitar(General().Config.Sesion, General().Config.Password,
                                        "datos.txt", destination.path()),
                 0);
        VKTFinConexion();
        server.Signal(SIGCONT);
        QCOMPARE(boxes_.size(), size_t{1});
        QVERIFY2(boxes_[0].request.text.startsWith("[40063] "), qPrintable(boxes_[0].request.text));
        QVERIFY(General().Config.Conectado);
        QVERIFY(!window_->Reloj()->isActive());
        QVERIFY(!window_->Ocupado());
        QCOMPARE(EsperarOperacion(1), 1);  // the request ends: the file is not on the server
    }
};

QTEST_MAIN(SessionCommandsTest)
#include "session_commands_test.moc"
