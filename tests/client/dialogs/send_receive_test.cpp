// The send dialog frmSend and the receive dialog frmRecv.
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "dialog_test_support.h"
#include "general/client_state.h"
#include "windows/frm_files.h"
#include "windows/frm_recv.h"
#include "windows/frm_send.h"

using namespace vkt::client;
using vkt::client::test::MessageLog;

class SendReceiveTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { test::ResetState(); }

    void sendStartsEmpty();
    void sendNeedsBothBoxes_data();
    void sendNeedsBothBoxes();
    void sendStoresTheChoice_data();
    void sendStoresTheChoice();
    void sendCancelledEveryWay_data();
    void sendCancelledEveryWay();
    void sendChooserConfirmedOrCancelled();
    void sendLayout();

    void receiveNeedsBothBoxes_data();
    void receiveNeedsBothBoxes();
    void receiveStoresLowerCaseName();
    void receiveCancelledEveryWayRequestsNothing_data();
    void receiveCancelledEveryWayRequestsNothing();
    void receiveChooserConfirmedOrCancelled();
    void receiveLayout();

  private:
    QTemporaryDir folder_;
};

void SendReceiveTest::sendStartsEmpty() {
    General().Archivo = "viejo";
    General().Formato = 1;
    General().Destino = "/tmp";
    FrmSend dialog;
    QCOMPARE(General().Archivo, QString());
    QCOMPARE(General().Formato, -1);
    QCOMPARE(General().Destino, QString());
    QVERIFY(dialog.chkFormato()->isChecked());
}

void SendReceiveTest::sendNeedsBothBoxes_data() {
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("archivo");
    QTest::newRow("no password") << ""
                                 << "/tmp/a";
    QTest::newRow("no file") << "CLAVE"
                             << "";
    QTest::newRow("neither") << ""
                             << "";
}

void SendReceiveTest::sendNeedsBothBoxes() {
    QFETCH(QString, password);
    QFETCH(QString, archivo);
    General().Config.Password = "ANTERIOR";
    FrmSend dialog;
    dialog.txtPassword()->setText(password);
    dialog.txtArchivo()->setText(archivo);
    MessageLog log;
    dialog.Enviar();
    QCOMPARE(log.Seen(), QStringList{"Error|16|Debe completar todos los campos"});
    QCOMPARE(dialog.result(), 0);
    QCOMPARE(General().Archivo, QString());
    QCOMPARE(General().Config.Password, QString("ANTERIOR"));
}

void SendReceiveTest::sendStoresTheChoice_data() {
    QTest::addColumn<bool>("formatted");
    QTest::addColumn<int>("formato");
    QTest::newRow("formatted file") << true << 1;
    QTest::newRow("plain file") << false << 2;
}

void SendReceiveTest::sendStoresTheChoice() {
    QFETCH(bool, formatted);
    QFETCH(int, formato);
    FrmSend dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    // The password is upper-cased as typed and kept untrimmed; the file name is taken as
    // typed, letter case included.
    test::TypeText(dialog.txtPassword(), " clave ñ ");
    test::TypeText(dialog.txtArchivo(), "/Datos/Pagos.txt");
    dialog.chkFormato()->setChecked(formatted);
    MessageLog log;
    QTest::keyClick(dialog.txtArchivo(), Qt::Key_Return);  // Enter presses "Enviar"
    QCOMPARE(log.requests.size(), 0);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(General().Config.Password, QString::fromUtf8(" CLAVE Ñ "));
    QCOMPARE(General().Archivo, QString("/Datos/Pagos.txt"));
    QCOMPARE(General().Formato, formato);
    QCOMPARE(General().Destino, QString());
}

void SendReceiveTest::sendCancelledEveryWay_data() {
    QTest::addColumn<int>("way");
    QTest::newRow("Cancelar") << 0;
    QTest::newRow("Escape") << 1;
    QTest::newRow("close box") << 2;
}

void SendReceiveTest::sendCancelledEveryWay() {
    QFETCH(int, way);
    FrmSend dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.txtPassword()->setText("CLAVE");
    dialog.txtArchivo()->setText("/tmp/a");
    if (way == 0) QTest::mouseClick(dialog.btCancelar(), Qt::LeftButton);
    if (way == 1) QTest::keyClick(&dialog, Qt::Key_Escape);
    if (way == 2) dialog.close();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(General().Archivo, QString());
    QCOMPARE(General().Formato, -1);
    QCOMPARE(General().Config.Password, QString());
}

// A confirmed chooser puts its path in the box; a cancelled one keeps what was typed.
void SendReceiveTest::sendChooserConfirmedOrCancelled() {
    QVERIFY(folder_.isValid());
    QFile file(folder_.filePath("Envio.DAT"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    FrmSend dialog;
    dialog.txtArchivo()->setText("/escrito/a/mano");
    test::OnNextModal([](QWidget* modal) { static_cast<FrmFiles*>(modal)->Cancelar(); });
    dialog.Examinar();
    QCOMPARE(dialog.txtArchivo()->text(), QString("/escrito/a/mano"));

    test::OnNextModal([this](QWidget* modal) {
        auto* chooser = static_cast<FrmFiles*>(modal);
        QCOMPARE(chooser->tag(), QString("1"));
        chooser->CambiarDirectorio(folder_.path());
        chooser->DobleClickArchivo("Envio.DAT");
    });
    dialog.Examinar();
    QCOMPARE(dialog.txtArchivo()->text(), folder_.filePath("Envio.DAT"));
}

void SendReceiveTest::sendLayout() {
    FrmSend dialog;
    QCOMPARE(dialog.objectName(), QString("frmSend"));
    QCOMPARE(dialog.windowTitle(), QString("Enviar..."));
    QCOMPARE(test::TabSequence(dialog.txtPassword()),
             (QStringList{"txtPassword", "txtArchivo", "btExaminar", "chkFormato", "btEnviar",
                          "btCancelar"}));
    QVERIFY(dialog.btEnviar()->isDefault());
    QCOMPARE(dialog.txtPassword()->echoMode(), QLineEdit::Password);
    QCOMPARE(dialog.chkFormato()->text(), QString("Archivo con formato"));
    QCOMPARE(dialog.btExaminar()->accessibleName(), QString("Examinar..."));
    QCOMPARE(dialog.txtArchivo()->accessibleName(), QString("Archivo"));
}

void SendReceiveTest::receiveNeedsBothBoxes_data() {
    QTest::addColumn<QString>("archivo");
    QTest::addColumn<QString>("destino");
    QTest::newRow("no file") << ""
                             << "/tmp";
    QTest::newRow("no folder") << "datos.txt"
                               << "";
}

void SendReceiveTest::receiveNeedsBothBoxes() {
    QFETCH(QString, archivo);
    QFETCH(QString, destino);
    FrmRecv dialog;
    dialog.txtArchivo()->setText(archivo);
    dialog.txtDestino()->setText(destino);
    MessageLog log;
    dialog.Recibir();
    QCOMPARE(log.Seen(), QStringList{"Error|16|Debe completar todos los campos"});
    QCOMPARE(dialog.result(), 0);
    QCOMPARE(General().Archivo, QString());
}

void SendReceiveTest::receiveStoresLowerCaseName() {
    FrmRecv dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    test::TypeText(dialog.txtArchivo(), "Datos.TXT");
    test::TypeText(dialog.txtDestino(), "/home/Usuario/Recibidos");
    QCOMPARE(dialog.txtArchivo()->text(), QString("Datos.TXT"));
    MessageLog log;
    QTest::keyClick(dialog.txtDestino(), Qt::Key_Return);  // Enter presses "Recibir"
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(General().Archivo, QString("datos.txt"));
    QCOMPARE(General().Destino, QString("/home/Usuario/Recibidos"));
    QCOMPARE(General().Formato, -1);
}

void SendReceiveTest::receiveCancelledEveryWayRequestsNothing_data() {
    QTest::addColumn<int>("way");
    QTest::newRow("Cancelar") << 0;
    QTest::newRow("Escape") << 1;
    QTest::newRow("close box") << 2;
}

// Even after an earlier request, closing the dialog must not request that file again.
void SendReceiveTest::receiveCancelledEveryWayRequestsNothing() {
    QFETCH(int, way);
    General().Archivo = "anterior.txt";
    General().Destino = "/tmp";
    FrmRecv dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    if (way == 0) QTest::mouseClick(dialog.btCancelar(), Qt::LeftButton);
    if (way == 1) QTest::keyClick(&dialog, Qt::Key_Escape);
    if (way == 2) dialog.close();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(General().Archivo, QString());
    QCOMPARE(General().Destino, QString());
}

void SendReceiveTest::receiveChooserConfirmedOrCancelled() {
    QVERIFY(folder_.isValid());
    QVERIFY(QDir(folder_.path()).mkpath("Recibidos"));
    General().Destino = "/de/una/solicitud/anterior";
    FrmRecv dialog;
    dialog.txtDestino()->setText("/escrito");
    test::OnNextModal([](QWidget* modal) { modal->close(); });
    dialog.Examinar();
    QCOMPARE(dialog.txtDestino()->text(), QString("/escrito"));

    test::OnNextModal([this](QWidget* modal) {
        auto* chooser = static_cast<FrmFiles*>(modal);
        QCOMPARE(chooser->tag(), QString("2"));
        chooser->CambiarDirectorio(folder_.filePath("Recibidos"));
        chooser->Aceptar();
    });
    dialog.Examinar();
    QCOMPARE(dialog.txtDestino()->text(), folder_.filePath("Recibidos"));
}

void SendReceiveTest::receiveLayout() {
    FrmRecv dialog;
    QCOMPARE(dialog.objectName(), QString("frmRecv"));
    QCOMPARE(dialog.windowTitle(), QString("Solicitar..."));
    QCOMPARE(test::TabSequence(dialog.txtArchivo()),
             (QStringList{"txtArchivo", "txtDestino", "btExaminar", "btRecibir", "btCancelar"}));
    QVERIFY(dialog.btRecibir()->isDefault());
    QCOMPARE(dialog.txtDestino()->accessibleName(), QString("Guardar en"));
}

QTEST_MAIN(SendReceiveTest)
#include "send_receive_test.moc"
