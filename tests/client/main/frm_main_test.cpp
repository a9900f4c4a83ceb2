// The main window: its controls, the toolbar states, the click rules and the ways out.
#include "windows/frm_main.h"

#include <QAccessible>
#include <QAction>
#include <QDir>
#include <QLabel>
#include <QSignalSpy>
#include <QTimer>
#include <QToolBar>
#include <QtTest>
#include <vector>

#include "binding/lib_vkt32.h"
#include "general/client_state.h"
#include "general/message_box.h"
#include "general/status_text.h"
#include "windows/lista_images.h"
#include "windows/main_window_access.h"

using namespace vkt::client;

namespace {

// A session id the library does not know: VKTDesconectar refuses it with a code other than
// 40063, after which the client considers the session ended.
constexpr std::int32_t kStaleSession = 1234;

QByteArray ShmPrefix() {
    return "VKTclientMain" + QByteArray::number(QCoreApplication::applicationPid()) + ".";
}

const QStringList kKeys = {"tbrCONNECT", "tbrSEND", "tbrRECV", "tbrHISTORY", "tbrEXIT"};

}  // namespace

class FrmMainTest : public QObject {
    Q_OBJECT

  private:
    std::vector<MessageRequest> boxes_;
    int answer_ = kAnswerOk;

    QString PInfo(const FrmMain& window) { return window.findChild<QLabel*>("pInfo")->text(); }

  private slots:
    void initTestCase() {
        // The library's shared objects under a name of this process's own.
        qputenv("VKT_SHM_PREFIX", ShmPrefix());
        LibVKT32::SetLibraryFile(VKT_LIBRARY_PATH);
    }

    void cleanupTestCase() {
        QDir shm("/dev/shm");
        for (const QString& name : shm.entryList({QString(ShmPrefix()) + "*"}, QDir::Files)) {
            shm.remove(name);
        }
    }

    void init() {
        boxes_.clear();
        answer_ = kAnswerOk;
        SetMessageHook([this](const MessageRequest& request) {
            boxes_.push_back(request);
            return answer_;
        });
        General().Config = ConfigRecord{};
    }

    void cleanup() { SetMessageHook({}); }

    void controlsAtStart() {
        FrmMain window;
        QCOMPARE(window.objectName(), QString("frmMain"));
        QCOMPARE(window.windowTitle(), ProductName());
        auto* toolbar = window.findChild<QToolBar*>("tbBarraTareas");
        QVERIFY(toolbar != nullptr);
        QCOMPARE(toolbar->iconSize(), QSize(32, 32));

        const QStringList captions = {"Conexión", "Enviar", "Solicitar", "Historial", "Salir"};
        const QStringList tips = {"Conectar", "Enviar", "Solicitar", "Historial", "Salir"};
        const QStringList images = {"imgDesconectar", "imgEnviar", "imgSolicitar", "imgHistorial",
                                    "imgSalir"};
        QCOMPARE(toolbar->actions().size(), kKeys.size());
        for (int i = 0; i < kKeys.size(); ++i) {
            QAction* button = toolbar->actions().at(i);
            QCOMPARE(button->objectName(), kKeys[i]);
            QCOMPARE(button->text(), captions[i]);
            QCOMPARE(button->toolTip(), tips[i]);
            QCOMPARE(window.ButtonImage(kKeys[i]), images[i]);
            QVERIFY(!button->icon().isNull());
            QCOMPARE(toolbar->widgetForAction(button)->accessibleName(), captions[i]);
        }

        QVERIFY(window.findChild<QWidget*>("sbBarraEstado") != nullptr);
        QVERIFY(PInfo(window).isEmpty());
        QVERIFY(!window.findChild<QLabel*>("pHora")->text().isEmpty());
        QTimer* reloj = window.findChild<QTimer*>("Reloj");
        QCOMPARE(reloj, window.Reloj());
        QCOMPARE(reloj->interval(), 30000);
        QVERIFY(!reloj->isActive());
        QCOMPARE(MainWindowWidget(), &window);
    }

    // A screen reader reads each panel's text as its name; what the panel is for is its
    // description.
    void statusPanelsSpeakTheirText() {
        FrmMain window;
        MostrarTexto(1, QString::fromUtf8("Sesión Activa [1234]"));
        const struct {
            const char* panel;
            QString description;
        } panels[] = {{"pInfo", QString::fromUtf8("Estado de la sesión")}, {"pHora", "Hora"}};
        for (const auto& panel : panels) {
            auto* label = window.findChild<QLabel*>(panel.panel);
            QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(label);
            QVERIFY2(reader != nullptr, panel.panel);
            QVERIFY2(!label->text().isEmpty(), panel.panel);
            QCOMPARE(reader->text(QAccessible::Name), label->text());
            QCOMPARE(reader->text(QAccessible::Description), panel.description);
        }
        QCOMPARE(PInfo(window), QString::fromUtf8("Sesión Activa [1234]"));
    }

    void everyPictureIsDrawn() {
        for (const QString& key : ListaImagesKeys()) {
            const QImage picture = ListaImagesPixmap(key).toImage();
            QCOMPARE(picture.size(), QSize(32, 32));
            // Something is drawn, and the corners stay transparent.
            int drawn = 0;
            for (int y = 0; y < 32; ++y) {
                for (int x = 0; x < 32; ++x) drawn += qAlpha(picture.pixel(x, y)) > 0;
            }
            QVERIFY2(drawn > 100, qPrintable(key));
            QCOMPARE(qAlpha(picture.pixel(0, 31)), 0);
        }
    }

    void updateScreenSetsTheToolbar() {
        FrmMain window;
        EnableReloj(true);
        UpdateScreen(1);
        QCOMPARE(window.ButtonImage("tbrCONNECT"), QString("imgConectar"));
        QCOMPARE(window.Button("tbrCONNECT")->toolTip(), QString("Desconectar"));
        for (const char* key : {"tbrSEND", "tbrRECV", "tbrHISTORY"}) {
            QVERIFY(window.Button(key)->isEnabled());
        }
        QVERIFY(window.Reloj()->isActive());

        UpdateScreen(2);
        QCOMPARE(window.ButtonImage("tbrCONNECT"), QString("imgDesconectar"));
        QCOMPARE(window.Button("tbrCONNECT")->toolTip(), QString("Conectar"));
        for (const char* key : {"tbrSEND", "tbrRECV", "tbrHISTORY"}) {
            QVERIFY(!window.Button(key)->isEnabled());
        }
        QVERIFY(!window.Reloj()->isActive());
        QVERIFY(window.Button("tbrCONNECT")->isEnabled());
        QVERIFY(window.Button("tbrEXIT")->isEnabled());
    }

    void clicksWithoutSessionDoNothing_data() {
        QTest::addColumn<QString>("key");
        QTest::newRow("send") << QString("tbrSEND");
        QTest::newRow("receive") << QString("tbrRECV");
        QTest::newRow("history") << QString("tbrHISTORY");
        QTest::newRow("unknown key") << QString("tbrOTRO");
    }

    void clicksWithoutSessionDoNothing() {
        QFETCH(QString, key);
        FrmMain window;
        window.findChild<QLabel*>("pInfo")->setText("texto anterior");
        window.ButtonClick(key);
        QVERIFY(boxes_.empty());
        QVERIFY(PInfo(window).isEmpty());  // refreshed: no session, empty text
        QVERIFY(!General().Config.Conectado);
    }

    void connectWhileBusyIsRefused() {
        FrmMain window;
        window.SetOcupado(true);
        General().Config.Conectado = true;
        General().Config.Sesion = 4321;
        QTest::mouseClick(
            window.findChild<QToolBar*>()->widgetForAction(window.Button("tbrCONNECT")),
            Qt::LeftButton);
        QCOMPARE(boxes_.size(), size_t{1});
        QCOMPARE(boxes_[0].text, QString("Operación en progreso. Aguarde su finalización"));
        QCOMPARE(boxes_[0].title, QString("Conexión"));
        QCOMPARE(boxes_[0].style, 48);
        QCOMPARE(PInfo(window), QString("Sesión Activa [4321]"));
        QVERIFY(General().Config.Conectado);  // no disconnect was started
        QVERIFY(window.Ocupado());
    }

    void quitAnsweredNoChangesNothing() {
        FrmMain window;
        window.show();
        General().Config.Conectado = true;
        General().Config.Sesion = kStaleSession;
        answer_ = kAnswerNo;
        window.ButtonClick("tbrEXIT");
        QCOMPARE(boxes_.size(), size_t{1});
        QCOMPARE(boxes_[0].text, QString("¿Desea abandonar la aplicación?"));
        QCOMPARE(boxes_[0].title, QString("Salir"));
        QCOMPARE(boxes_[0].style, 36);
        QVERIFY(window.isVisible());
        QVERIFY(General().Config.Conectado);
        QCOMPARE(General().Config.Sesion, kStaleSession);
    }

    // Yes by the quit button, or the window's close box: an open session is ended, then the
    // window closes.
    void leavingEndsTheSession_data() {
        QTest::addColumn<bool>("byQuitButton");
        QTest::newRow("quit button") << true;
        QTest::newRow("close box") << false;
    }

    void leavingEndsTheSession() {
        QFETCH(bool, byQuitButton);
        FrmMain window;
        window.show();
        UpdateScreen(1);
        EnableReloj(true);
        General().Config.Conectado = true;
        General().Config.Sesion = kStaleSession;
        answer_ = kAnswerYes;
        if (byQuitButton) {
            window.ButtonClick("tbrEXIT");
        } else {
            QVERIFY(window.close());
        }
        QVERIFY(!window.isVisible());
        QVERIFY(!General().Config.Conectado);
        QCOMPARE(General().Config.Sesion, 0);
        QCOMPARE(PInfo(window), QString("Sesión Finalizada"));
        QCOMPARE(window.ButtonImage("tbrCONNECT"), QString("imgDesconectar"));
        QVERIFY(!window.Reloj()->isActive());
        QVERIFY(!window.Ocupado());
    }

    void closingWithoutSessionJustCloses() {
        FrmMain window;
        window.show();
        QVERIFY(window.close());
        QVERIFY(boxes_.empty());
        QVERIFY(PInfo(window).isEmpty());  // no "No hay una conexión activa": nothing was run
    }

    void withoutMainWindowTheAccessIsHarmless() {
        QCOMPARE(MainWindowWidget(), nullptr);
        EnableReloj(true);
        SetOcupado(true);
        QVERIFY(!Ocupado());
        UpdateScreen(1);
    }
};

QTEST_MAIN(FrmMainTest)
#include "frm_main_test.moc"
