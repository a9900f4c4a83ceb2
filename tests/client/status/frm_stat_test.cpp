// The status window: the checklist over the send and receive step sequences, the progress
// shown from the library's status record, and a transfer that fails inside the real library.
#include "windows/frm_stat.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QProgressBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>
#include <vector>

#include "../support/test_server.h"
#include "binding/lib_vkt32.h"
#include "general/app_paths.h"
#include "general/client_state.h"
#include "general/message_box.h"
#include "windows/dialogs.h"

using namespace vkt::client;

namespace {

const QColor kDarkRed(128, 0, 0);

StatusRecord Record(std::uint32_t activity, std::uint32_t step, std::uint32_t done,
                    std::uint32_t total) {
    StatusRecord record{};
    record.activity = activity;
    record.step = step;
    record.bytesDone = done;
    record.bytesTotal = total;
    return record;
}

// The visible items, one character each: '.' untouched, 'r' dark red, 'v' ticked in the
// normal colour, 'V' ticked and dark red.
QString Checklist(const FrmStat& window, int first, int last) {
    const QColor normal = QApplication::palette().color(QPalette::ButtonText);
    QString state;
    for (int i = first; i <= last; ++i) {
        const QCheckBox* item = window.chkStatus(i);
        const QColor colour = item->palette().color(QPalette::WindowText);
        const bool red = colour == kDarkRed;
        if (!red && colour != normal) return "unexpected colour at " + QString::number(i);
        state += item->isChecked() ? (red ? 'V' : 'v') : (red ? 'r' : '.');
    }
    return state;
}

}  // namespace

class FrmStatTest : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir home_;
    testing::OwnSessionTable table_{"VKTstat"};
    QList<MessageRequest> boxes_;

    static QByteArray LogBytes() {
        QFile file(LogFilePath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Shows the window for tag modally; closes it once it has given up (status "Error").
    static void RunWindow(const QString& tag) {
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* window = qobject_cast<FrmStat*>(widget);
                if (window != nullptr && window->isVisible() &&
                    window->sbBarraEstado()->currentMessage() == QLatin1String("Error")) {
                    window->close();
                }
            }
        });
        closer.start(20);
        ShowStatusWindow(nullptr, tag);
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
        boxes_.clear();
        QFile::remove(LogFilePath());
        General().Archivo = QStringLiteral("/tmp/nomina.txt");
    }

    void tagChoosesTheFrame_data() {
        QTest::addColumn<QString>("tag");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("operacion");
        QTest::addColumn<bool>("send");
        QTest::addColumn<bool>("receive");
        QTest::newRow("send") << "3"
                              << "Enviando..."
                              << "Enviar" << true << false;
        QTest::newRow("receive") << "2"
                                 << "Recibiendo..."
                                 << "Solicitar" << false << true;
        QTest::newRow("other") << "1"
                               << "Status"
                               << "" << false << false;
    }
    void tagChoosesTheFrame() {
        QFETCH(QString, tag);
        QFETCH(QString, caption);
        QFETCH(QString, operacion);
        QFETCH(bool, send);
        QFETCH(bool, receive);
        FrmStat window;
        window.setTag(tag);
        QCOMPARE(window.windowTitle(), caption);
        QCOMPARE(window.Operacion(), operacion);
        QCOMPARE(!window.frameSend()->isHidden(), send);
        QCOMPARE(!window.frameRecv()->isHidden(), receive);
        QVERIFY(window.frameSesion()->isHidden());
        QCOMPARE(window.chkStatus(2)->text(), QStringLiteral("Enviando Archivo"));
        QCOMPARE(window.chkStatus(8)->text(), QStringLiteral("Verificando Archivo"));
        QCOMPARE(window.chkStatus(10)->text(), QString::fromUtf8("Estableciendo Sesión"));
    }

    // The phases before the one under way are ticked in the normal colour, the one under way
    // is dark red; steps outside the mode's table leave the visible frame as it was.
    void checklistFollowsTheSteps_data() {
        QTest::addColumn<QString>("tag");
        QTest::addColumn<std::vector<int>>("steps");
        QTest::addColumn<QStringList>("states");
        QTest::newRow("send") << "3" << std::vector<int>{7, 9, 3, 6, 8}
                              << QStringList{"r....", "vr...", "vvr..", "vvvr.", "vvvvr"};
        QTest::newRow("receive") << "2" << std::vector<int>{3, 5, 8, 6, 4, 7}
                                 << QStringList{"r...", "r...", "vr..", "vr..", "vvr.", "vvvr"};
    }
    void checklistFollowsTheSteps() {
        QFETCH(QString, tag);
        QFETCH(std::vector<int>, steps);
        QFETCH(QStringList, states);
        FrmStat window;
        window.setTag(tag);
        const int first = tag == "3" ? 0 : 5;
        const int last = tag == "3" ? 4 : 8;
        QCOMPARE(Checklist(window, first, last), QString(last - first + 1, '.'));
        for (std::size_t i = 0; i < steps.size(); ++i) {
            window.UpdateFrame(steps[i]);
            QCOMPARE(Checklist(window, first, last), states[int(i)]);
        }
    }

    // Running: the status bar reads " [done/total]" and the bar follows the bytes (the first
    // record with a new total sets the range); totals beyond the bar's range are scaled.
    // The end hides the bar; a failure also writes "Error".
    void progressFromTheStatusRecord() {
        FrmStat window;
        window.setTag("3");
        QProgressBar* bar = window.pbBarraProgreso();
        QVERIFY(window.ShowEstado(Record(2, 3, 8192, 20480)));
        QCOMPARE(window.sbBarraEstado()->currentMessage(), QStringLiteral(" [8192/20480]"));
        QCOMPARE(bar->maximum(), 20480);
        QVERIFY(!bar->isHidden());
        QVERIFY(window.ShowEstado(Record(2, 3, 8192, 20480)));
        QCOMPARE(bar->value() * 100 / bar->maximum(), 40);
        QVERIFY(window.ShowEstado(Record(3, 3, 12288, 20480)));  // unknown activity: on
        QCOMPARE(bar->value(), 12288);

        QVERIFY(window.ShowEstado(Record(2, 3, 0, 3000000000u)));
        QVERIFY(window.ShowEstado(Record(2, 3, 1500000000u, 3000000000u)));
        QCOMPARE(window.sbBarraEstado()->currentMessage(),
                 QStringLiteral(" [1500000000/3000000000]"));
        QVERIFY(bar->maximum() > 0);
        QCOMPARE(qint64(bar->value()) * 100 / bar->maximum(), 50);

        QVERIFY(!window.ShowEstado(Record(0, 8, 20480, 20480)));
        QVERIFY(bar->isHidden());
        QCOMPARE(window.sbBarraEstado()->currentMessage(),
                 QStringLiteral(" [1500000000/3000000000]"));

        FrmStat failed;
        failed.setTag("2");
        QVERIFY(!failed.ShowEstado(Record(1, 4, 100, 200)));
        QCOMPARE(failed.sbBarraEstado()->currentMessage(), QStringLiteral("Error"));
        QVERIFY(failed.pbBarraProgreso()->isHidden());
    }

    // A send the real library refuses (no session): the window shows the library's error,
    // stays open reading "Error" until closed, and the log holds the library's error and one
    // "Enviar" entry with status "Error".
    void failedTransferStaysOpenAndIsLogged() {
        QVERIFY(LibVKT32::VKTEnviar(0, "CLAVE", "/tmp/nomina.txt", 2, QString(), 0) != 0);
        RunWindow("3");
        QCOMPARE(boxes_.size(), 1);
        QCOMPARE(boxes_[0].title, QStringLiteral("Error"));
        QCOMPARE(boxes_[0].style, int(kCritical));
        QVERIFY(boxes_[0].text.startsWith('['));
        const QString log = QString::fromLatin1(LogBytes());
        const QString code = boxes_[0].text.mid(1, boxes_[0].text.indexOf(']') - 1);
        const qsizetype error = log.indexOf("Tarea/Error: " + code + "\r\n");
        const qsizetype transfer =
            log.indexOf(QString::fromUtf8("Tarea/Error: Enviar\r\nDescripción: /tmp/nomina.txt\r\n"
                                          "Status: [Error]\r\n\r\n"));
        QVERIFY2(error >= 0 && transfer >= 0, qPrintable(log));
        QCOMPARE(log.count("Tarea/Error:"), 2);
    }

    // The library lost while the window polls: the transfer's end is unknown, so the window
    // does not announce success; the run-time error is shown and the entry reads "Error".
    void lostLibraryIsNoSuccess() {
        LibVKT32::SetLibraryFile("/nonexistent/libVKT32.so");
        RunWindow("2");
        LibVKT32::SetLibraryFile(QString());
        QVERIFY(!boxes_.isEmpty());
        QVERIFY(boxes_[0].text.endsWith("(53)"));
        for (const MessageRequest& box : boxes_) {
            QVERIFY(box.text != QLatin1String("Transferencia Exitosa"));
        }
        QVERIFY(QString::fromLatin1(LogBytes())
                    .endsWith(QString::fromUtf8("Tarea/Error: Solicitar\r\nDescripción: "
                                                "/tmp/nomina.txt\r\nStatus: [Error]\r\n\r\n")));
    }
};

QTEST_MAIN(FrmStatTest)
#include "frm_stat_test.moc"
