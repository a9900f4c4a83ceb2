// One VKT32.cnf for both programs: the desktop program writes it (its key folder named with a
// character outside ASCII), and the command-line vkt, run with the same VKT_HOME, reads it,
// finds the key there and fetches a file from a real vkt-server.
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "general/app_paths.h"
#include "general/config_file.h"
#include "support/test_server.h"

using namespace vkt::client;
using namespace vkt::client::testing;

class ConfigSharedWithVktTest : public QObject {
    Q_OBJECT

  private slots:
    void vktFindsTheKeyFolderTheDesktopProgramWrote();
};

void ConfigSharedWithVktTest::vktFindsTheKeyFolderTheDesktopProgramWrote() {
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString keys = root.filePath(QString::fromUtf8("claves-año"));
    QVERIFY(QDir().mkpath(keys));
    QVERIFY(QFile::exists(QString::fromUtf8(root.path().toUtf8() + "/claves-a\xC3\xB1o")));
    QVERIFY(MakeKey(keys, "ANA", "CLAVE"));

    TestServer server(root.filePath("server"));
    QVERIFY(WriteBytes(server.users() + "/ANA.pub", ReadBytes(keys + "/ANA.pub")));
    QVERIFY(QDir().mkpath(server.outbox() + "/ANA"));
    QVERIFY(WriteBytes(server.outbox() + "/ANA/informe.txt", "informe del mes\n"));
    QVERIFY(server.Start());
    OwnSessionTable table("VKTcnfShared");

    const QString record = QStringLiteral("127.0.0.1,%1,30,ANA,%2").arg(server.port()).arg(keys);
    QCOMPARE(GrabarConfiguracion(record), 0);
    // Latin-1 on disk: "ñ" is the one byte 0xF1.
    QVERIFY(ReadBytes(ConfigFilePath()).endsWith("/claves-a\xF1o\n"));

    const QString in = root.filePath("in");
    QVERIFY(QDir().mkpath(in));
    QProcess vkt;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("VKT_PASSWORD", "CLAVE");  // VKT_HOME is this test's, as for the program
    vkt.setProcessEnvironment(environment);
    vkt.start(VKT_CLI_PATH, {"get", "informe.txt", "--to", in});
    QVERIFY(vkt.waitForFinished(120000));
    const QString err = QString::fromUtf8(vkt.readAllStandardError());
    QVERIFY2(vkt.exitStatus() == QProcess::NormalExit && vkt.exitCode() == 0, qPrintable(err));
    QCOMPARE(ReadBytes(in + "/informe.txt"), QByteArray("informe del mes\n"));
}

QTEST_MAIN(ConfigSharedWithVktTest)
#include "config_shared_with_vkt_test.moc"
