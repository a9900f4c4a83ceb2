// Main: the program's start. One instance per user (per set of files: the lock lives in the
// state folder, so VKT_HOME separates portable copies and tests); a second one only says
// "Ya existe una instancia previa" and ends. Then the splash, and after it the main window.
#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>

namespace vkt::client {

class FrmMain;
class FrmSplash;

class Program : public QObject {
    Q_OBJECT

  public:
    // lockFile: the single-instance lock (default: SingleInstanceLockFile()).
    explicit Program(const QString& lockFile = QString());
    ~Program() override;

    // False when another instance runs (the message has been shown): the caller ends.
    // Otherwise the splash is showing and the event loop takes over.
    bool Main();
    // After the event loop: ends a session that is still open (one that a connect completed
    // while the window was closing), so that nothing is left behind on the server.
    void Finish();

    FrmSplash* splash() const { return splash_.get(); }
    FrmMain* mainWindow() const { return main_.get(); }

  signals:
    void mainWindowLoaded();

  private:
    void ShowMainWindow();

    QLockFile lock_;
    std::unique_ptr<FrmSplash> splash_;
    std::unique_ptr<FrmMain> main_;
};

QString SingleInstanceLockFile();

}  // namespace vkt::client
