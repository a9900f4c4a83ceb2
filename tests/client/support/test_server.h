// What the desktop program's tests need around it: key files made by vkt-keygen, a vkt-server
// process on a free port with its folders under a temporary root, and the library's session
// table in a namespace of the test process. Qt only; header-only, so that only the tests that
// include it carry it.
#pragma once

#include <unistd.h>

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QPixmap>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <vector>

namespace vkt::client::testing {

// vkt-keygen: folder/USER.pri protected by password (its Latin-1 bytes) and folder/USER.pub.
inline bool MakeKey(const QString& folder, const QString& user, const QString& password) {
    const QString passwordFile = folder + "/." + user + ".password";
    QFile file(passwordFile);
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write(password.toLatin1() + "\n");
    file.close();
    QProcess keygen;
    keygen.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    keygen.start(VKT_KEYGEN_PATH,
                 {"--bits", "512", "--out", folder, "--password-file", passwordFile, user});
    const bool made = keygen.waitForFinished(60000) &&
                      keygen.exitStatus() == QProcess::NormalExit && keygen.exitCode() == 0;
    QFile::remove(passwordFile);
    return made;
}

inline bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

inline QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// vkt-server on 127.0.0.1, port chosen by the system; users/, inbox/ and outbox/ under root.
class TestServer {
  public:
    explicit TestServer(const QString& root) : root_(root) {
        for (const char* folder : {"users", "inbox", "outbox"}) QDir(root_).mkpath(folder);
    }
    ~TestServer() { Stop(); }
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    // Starts it and reads the port from its "listening on ADDRESS:PORT" line.
    bool Start(const QStringList& extra = {}) {
        process_.setStandardErrorFile(root_ + "/server.log");
        process_.start(VKT_SERVER_PATH, QStringList{"--port", "0", "--users", users(), "--inbox",
                                                    inbox(), "--outbox", outbox()} +
                                            extra);
        if (!process_.waitForStarted(10000)) return false;
        QByteArray line;
        while (!line.contains('\n') && process_.waitForReadyRead(10000)) {
            line += process_.readAllStandardOutput();
        }
        const QRegularExpressionMatch match =
            QRegularExpression(":(\\d+)\\s*$").match(QString::fromLatin1(line.trimmed()));
        port_ = match.hasMatch() ? match.captured(1).toInt() : 0;
        if (port_ <= 0) Stop();
        return port_ > 0;
    }

    void Stop() {
        if (process_.state() == QProcess::NotRunning) return;
        process_.terminate();
        if (!process_.waitForFinished(5000)) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }

    int port() const { return port_; }
    QString users() const { return root_ + "/users"; }
    QString inbox() const { return root_ + "/inbox"; }
    QString outbox() const { return root_ + "/outbox"; }
    QString log() const { return QString::fromLatin1(ReadBytes(root_ + "/server.log")); }

  private:
    QString root_;
    QProcess process_;
    int port_ = 0;
};

// Points the library (loaded later, through VKT_LIBRARY) at a session table of this process
// alone, so that tests running side by side never share a session slot.
class OwnSessionTable {
  public:
    explicit OwnSessionTable(const QString& tag)
        : prefix_(tag + QString::number(::getpid()) + ".") {
        qputenv("VKT_SHM_PREFIX", prefix_.toLatin1());
        if (qEnvironmentVariableIsEmpty("VKT_LIBRARY")) qputenv("VKT_LIBRARY", VKT_LIBRARY_PATH);
    }
    ~OwnSessionTable() {
        for (const QString& name : QDir("/dev/shm").entryList({prefix_ + "*"}, QDir::Files)) {
            QFile::remove("/dev/shm/" + name);
        }
    }
    OwnSessionTable(const OwnSessionTable&) = delete;
    OwnSessionTable& operator=(const OwnSessionTable&) = delete;

  private:
    QString prefix_;
};

// A user at the keyboard: steps run in order, each once its condition holds. Conditions are
// polled every 20 ms in whatever event loop runs (a modal dialog's included), and each action
// runs from its own zero-delay timer, so that an action which opens a modal window never
// blocks the steps that follow.
class ScriptedUser : public QObject {
  public:
    ScriptedUser() {
        timer_.setInterval(20);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
    }

    void Then(const QString& name, std::function<bool()> ready, std::function<void()> act) {
        steps_.push_back({name, std::move(ready), std::move(act)});
    }
    // The step acts on the modal window named objectName once it is the active one.
    void WhenModal(const QString& objectName, std::function<void(QWidget*)> act) {
        Then(
            objectName,
            [objectName] {
                const QWidget* modal = QApplication::activeModalWidget();
                return modal != nullptr && modal->objectName() == objectName && modal->isVisible();
            },
            [act] { act(QApplication::activeModalWidget()); });
    }
    void Start() { timer_.start(); }
    bool Finished() const { return next_ == steps_.size() && !pending_; }
    QString Waiting() const { return next_ < steps_.size() ? steps_[next_].name : QString(); }

  private:
    struct Step {
        QString name;
        std::function<bool()> ready;
        std::function<void()> act;
    };

    void Tick() {
        if (pending_ || next_ == steps_.size() || !steps_[next_].ready()) return;
        pending_ = true;
        QTimer::singleShot(0, this, [this, act = steps_[next_++].act] {
            pending_ = false;
            act();
        });
    }

    QTimer timer_;
    std::vector<Step> steps_;
    std::size_t next_ = 0;
    bool pending_ = false;
};

// Saves the window's picture as VKT_TEST_ARTIFACTS_DIR/<program>/<name>.png.
inline bool SaveScreenshot(QWidget* window, const QString& name) {
    const QString folder =
        QStringLiteral(VKT_TEST_ARTIFACTS_DIR) + "/" + QCoreApplication::applicationName();
    QDir().mkpath(folder);
    return window != nullptr && window->grab().save(folder + "/" + name + ".png");
}

}  // namespace vkt::client::testing
