// Main: one instance per user, the splash for two seconds, then the main window.
#include "windows/program_main.h"

#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <vector>

#include "general/message_box.h"
#include "windows/frm_main.h"
#include "windows/frm_splash.h"

using namespace vkt::client;

class ProgramMainTest : public QObject {
    Q_OBJECT

  private:
    std::vector<MessageRequest> boxes_;

  private slots:
    void init() {
        boxes_.clear();
        SetMessageHook([this](const MessageRequest& request) {
            boxes_.push_back(request);
            return int(kAnswerOk);
        });
    }

    void cleanup() { SetMessageHook({}); }

    void splashLabels() {
        FrmSplash splash;
        QCOMPARE(splash.objectName(), QString("frmSplash"));
        QVERIFY(splash.windowFlags().testFlag(Qt::FramelessWindowHint));
        auto text = [&](const char* name) { return splash.findChild<QLabel*>(name)->text(); };
        QCOMPARE(text("lbFecha"), QString("Octubre 1999"));
        QCOMPARE(text("lbVersion"), QString("Versión 1.0"));
        QCOMPARE(text("lbVKT1"), ProductName());
        QCOMPARE(text("lbVKT2"), ProductName());
        QVERIFY(!text("lbHMRB").isEmpty());
        auto colour = [&](const char* name) {
            return splash.findChild<QLabel*>(name)->palette().color(QPalette::WindowText);
        };
        QCOMPARE(colour("lbVKT1"), QColor(128, 0, 0));
        QCOMPARE(colour("lbVKT2"), QColor(192, 192, 192));
        // The silver title lies slightly offset behind the dark red one.
        const QPoint front = splash.findChild<QLabel*>("lbVKT1")->pos();
        const QPoint back = splash.findChild<QLabel*>("lbVKT2")->pos();
        QVERIFY(back.x() > front.x() && back.y() > front.y());
        QVERIFY(back.x() - front.x() < 10);
        for (const char* picture : {"imgFondo", "imgLogo", "ImgDeco"}) {
            QVERIFY(!splash.findChild<QLabel*>(picture)->pixmap().isNull());
        }
        QVERIFY(!splash.Reloj()->isActive());  // off until shown
    }

    // The splash hides itself after two seconds; the main window follows and its load offers
    // the configuration dialog at once.
    void splashThenMainWindow() {
        QTemporaryDir folder;
        Program program(folder.filePath("VKT.lock"));
        QElapsedTimer clock;
        clock.start();
        QVERIFY(program.Main());
        QVERIFY(program.splash()->isVisible());
        QCOMPARE(program.splash()->Reloj()->interval(), 2000);

        QString dialogSeen;
        bool mainVisibleBehindDialog = false;
        QTimer closer;
        connect(&closer, &QTimer::timeout, [&] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                dialogSeen = modal->objectName();
                mainVisibleBehindDialog =
                    program.mainWindow() != nullptr && program.mainWindow()->isVisible();
                modal->close();
            }
        });
        closer.start(20);
        QSignalSpy loaded(&program, &Program::mainWindowLoaded);
        QVERIFY(loaded.wait(10000));
        QVERIFY(clock.elapsed() >= 1900);
        QCOMPARE(program.splash(), nullptr);
        QCOMPARE(dialogSeen, QString("frmUser"));
        QVERIFY(mainVisibleBehindDialog);
        QVERIFY(program.mainWindow()->isVisible());
        QVERIFY(boxes_.empty());  // a cancelled dialog tries no connection
        program.Finish();
    }

    // A second instance only says so and ends; a lock left by a process that died does not
    // keep the user out.
    void singleInstance() {
        QTemporaryDir home;
        QProcess first;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("VKT_HOME", home.path());
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        first.setProcessEnvironment(environment);
        first.start(VKT_CLIENT_PATH, {});
        QVERIFY(first.waitForStarted());
        const QString lock = home.filePath("VKT.lock");
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(lock), 10000);

        {
            Program second(lock);
            QVERIFY(!second.Main());
            QCOMPARE(boxes_.size(), size_t{1});
            QCOMPARE(boxes_[0].text, QString("Ya existe una instancia previa"));
            QCOMPARE(boxes_[0].style, 48);
            QCOMPARE(boxes_[0].title, ProductName());
            QCOMPARE(second.splash(), nullptr);
            QCOMPARE(second.mainWindow(), nullptr);
        }

        first.kill();
        QVERIFY(first.waitForFinished());
        Program after(lock);
        QVERIFY(after.Main());
        QVERIFY(after.splash()->isVisible());
    }
};

QTEST_MAIN(ProgramMainTest)
#include "program_main_test.moc"
