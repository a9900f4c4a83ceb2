// VKT32.cnf and the configuration dialog frmUser.
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "dialog_test_support.h"
#include "general/app_paths.h"
#include "general/client_state.h"
#include "general/config_file.h"
#include "windows/frm_user.h"

using namespace vkt::client;
using vkt::client::test::MessageLog;

namespace {

void WriteConfig(const QByteArray& bytes) {
    QFile file(ConfigFilePath());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QByteArray ReadConfig() {
    QFile file(ConfigFilePath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class ConfigTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        test::ResetState();
        QFile::remove(ConfigFilePath());
        QDir(ConfigFilePath()).removeRecursively();
    }

    void readsTheFieldsTheFileHolds_data();
    void readsTheFieldsTheFileHolds();
    void noFileLeavesEverything();
    void writeReplacesAndReadsBack();
    void writeFailureIsShownAndReturned();

    void dialogPrefillsFromFile();
    void unreadableFileOpensEmpty();
    void typingFilters_data();
    void typingFilters();
    void filterHoldsAcrossPastes();
    void everyBoxMustBeFilled_data();
    void everyBoxMustBeFilled();
    void aceptarStoresAndWrites_data();
    void aceptarStoresAndWrites();
    void timeoutOverflowKeepsPrevious();
    void everyWayOfCancellingEmptiesPassword_data();
    void everyWayOfCancellingEmptiesPassword();
    void tabOrderAndButtons();
};

// The program's side of the shared reader: fields start as "?" so that a field the file does
// not reach is seen untouched, and a time-out that is no number is shown as a run-time error.
void ConfigTest::readsTheFieldsTheFileHolds_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("result");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QString>("message");
    const QString keys = DefaultKeyDirectory();

    QTest::newRow("five fields, time-out read as a number")
        << QByteArray("HOST,VKT,0180,USUARIO,/claves/") << 0
        << QStringList{"HOST", "VKT", "180", "USUARIO", "/claves/"} << QString();
    QTest::newRow("empty key folder stays empty")
        << QByteArray("H,S,60,U,\n\n") << 0 << QStringList{"H", "S", "60", "U", ""} << QString();
    QTest::newRow("three commas: default key folder")
        << QByteArray("H,S,60,U") << 0 << QStringList{"H", "S", "60", "U", keys} << QString();
    QTest::newRow("two commas: two fields")
        << QByteArray("H,S,60") << 0 << QStringList{"H", "S", "?", "?", "?"} << QString();
    QTest::newRow("one comma: one field")
        << QByteArray("H,S") << 0 << QStringList{"H", "?", "?", "?", "?"} << QString();
    QTest::newRow("no comma: nothing")
        << QByteArray("HOST") << 0 << QStringList{"?", "?", "?", "?", "?"} << QString();
    QTest::newRow("time-out no number")
        << QByteArray("H,S,X,U,/k") << 13 << QStringList{"H", "S", "?", "?", "?"}
        << QString("VKT|0|No coinciden los tipos (13)");
    QTest::newRow("time-out beyond 32 bits")
        << QByteArray("H,S,2147483648,U,/k") << 6 << QStringList{"H", "S", "?", "?", "?"}
        << QString("VKT|0|Desbordamiento (6)");
    QTest::newRow("Latin-1 text") << QByteArray(
                                         "PE\xD1"
                                         "A,S,60,U,/k")
                                  << 0
                                  << QStringList{QString::fromUtf8("PEÑA"), "S", "60", "U", "/k"}
                                  << QString();
    QTest::newRow("UTF-8 key folder")
        << QByteArray("H,S,60,U,/home/\xD0\xB4\xD0\xB8\xD0\xBC\xD0\xB0/k") << 0
        << QStringList{"H", "S", "60", "U", QString::fromUtf8("/home/дима/k")} << QString();
}

void ConfigTest::readsTheFieldsTheFileHolds() {
    QFETCH(QByteArray, file);
    QFETCH(int, result);
    QFETCH(QStringList, fields);
    QFETCH(QString, message);
    WriteConfig(file);
    MessageLog log;
    QStringList got(5, QStringLiteral("?"));
    QCOMPARE(LeerConfiguracion(&got[0], &got[1], &got[2], &got[3], &got[4]), result);
    QCOMPARE(got, fields);
    QCOMPARE(log.Seen(), message.isEmpty() ? QStringList() : QStringList{message});
}

void ConfigTest::noFileLeavesEverything() {
    QStringList got(5, QStringLiteral("?"));
    QCOMPARE(LeerConfiguracion(&got[0], &got[1], &got[2], &got[3], &got[4]), 0);
    QCOMPARE(got, QStringList(5, QStringLiteral("?")));
}

void ConfigTest::writeReplacesAndReadsBack() {
    WriteConfig("OLD,OLD,1,OLD,/old/and/a/longer/record/than/the/new/one");
    QCOMPARE(GrabarConfiguracion(QString::fromUtf8("PEÑA,VKT,90,USER,/k/")), 0);
    // Latin-1 on disk, one record and a line break.
    QCOMPARE(ReadConfig(), QByteArray("PE\xD1"
                                      "A,VKT,90,USER,/k/\n"));

    // A key folder that Latin-1 cannot write survives the round trip.
    const QString folder = QString::fromUtf8("/home/дима/claves/");
    QCOMPARE(GrabarConfiguracion("H,S,60,U," + folder), 0);
    QStringList got(5);
    QCOMPARE(LeerConfiguracion(&got[0], &got[1], &got[2], &got[3], &got[4]), 0);
    QCOMPARE(got, (QStringList{"H", "S", "60", "U", folder}));
}

void ConfigTest::writeFailureIsShownAndReturned() {
    // A folder in the file's place cannot be replaced by a file.
    QVERIFY(QDir().mkpath(ConfigFilePath() + "/x"));
    MessageLog log;
    QVERIFY(GrabarConfiguracion("H,S,60,U,/k") != 0);
    QCOMPARE(log.requests.size(), 1);
    QCOMPARE(log.requests[0].style, 0);
    QVERIFY(log.requests[0].text.endsWith(')'));
}

void ConfigTest::dialogPrefillsFromFile() {
    WriteConfig("HOST,VKT,0300,USUARIO,/claves/\n");
    General().Config.Password = "ANTES";
    FrmUser dialog;
    QCOMPARE(dialog.txtServidor()->text(), QString("HOST"));
    QCOMPARE(dialog.txtServicio()->text(), QString("VKT"));
    QCOMPARE(dialog.txtTimeout()->text(), QString("300"));
    QCOMPARE(dialog.txtUsuario()->text(), QString("USUARIO"));
    QCOMPARE(dialog.txtPassword()->text(), QString());
    QCOMPARE(General().Config.DirClaves, QString("/claves/"));
}

void ConfigTest::unreadableFileOpensEmpty() {
    WriteConfig("HOST,VKT,abc,USUARIO,/claves/");
    General().Config.DirClaves = "/antes/";
    MessageLog log;
    FrmUser dialog;
    QCOMPARE(log.requests.size(), 1);
    for (QLineEdit* box : {dialog.txtServidor(), dialog.txtServicio(), dialog.txtTimeout(),
                           dialog.txtUsuario(), dialog.txtPassword()}) {
        QCOMPARE(box->text(), QString());
    }
    QCOMPARE(General().Config.DirClaves, QString("/antes/"));
}

void ConfigTest::typingFilters_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("shown");
    QTest::newRow("server upper case") << "txtServidor"
                                       << "host.ñu"
                                       << ""
                                       << "HOST.ÑU";
    QTest::newRow("service upper case") << "txtServicio"
                                        << "vkt"
                                        << ""
                                        << "VKT";
    QTest::newRow("user upper case, at most 8") << "txtUsuario"
                                                << "usuario123"
                                                << ""
                                                << "USUARIO1";
    QTest::newRow("password upper case") << "txtPassword"
                                         << "clave ñ"
                                         << ""
                                         << "CLAVE Ñ";
    QTest::newRow("password paste upper case") << "txtPassword"
                                               << "a"
                                               << "bc"
                                               << "ABC";
    QTest::newRow("time-out digits only") << "txtTimeout"
                                          << "1a2 -3"
                                          << ""
                                          << "123";
    QTest::newRow("time-out paste keeps digits") << "txtTimeout"
                                                 << "1"
                                                 << "2x3"
                                                 << "123";
}

void ConfigTest::typingFilters() {
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(QString, pasted);
    QFETCH(QString, shown);
    FrmUser dialog;
    auto* edit = dialog.findChild<QLineEdit*>(box);
    QVERIFY(edit != nullptr);
    test::TypeText(edit, typed);
    if (!pasted.isEmpty()) edit->insert(pasted);  // as a paste inserts it
    QCOMPARE(edit->text(), shown);
    // Backspace passes every filter.
    QTest::keyClick(edit, Qt::Key_Backspace);
    QCOMPARE(edit->text(), shown.chopped(1));
}

// Each paste is filtered on its own, also one that repeats what an earlier one lost.
void ConfigTest::filterHoldsAcrossPastes() {
    FrmUser dialog;
    QLineEdit* timeout = dialog.txtTimeout();
    timeout->insert("1x2");
    QCOMPARE(timeout->text(), QString("12"));
    timeout->setCursorPosition(1);
    timeout->insert("x");
    QCOMPARE(timeout->text(), QString("12"));
    timeout->insert("3");
    QCOMPARE(timeout->text(), QString("132"));
}

void ConfigTest::everyBoxMustBeFilled_data() {
    QTest::addColumn<QString>("emptyBox");
    for (const char* box :
         {"txtServidor", "txtServicio", "txtTimeout", "txtUsuario", "txtPassword"}) {
        QTest::newRow(box) << box;
    }
}

void ConfigTest::everyBoxMustBeFilled() {
    QFETCH(QString, emptyBox);
    FrmUser dialog;
    for (QLineEdit* box : dialog.findChildren<QLineEdit*>()) {
        box->setText(box->objectName() == emptyBox ? QString() : QStringLiteral("1"));
    }
    MessageLog log;
    dialog.Aceptar();
    QCOMPARE(log.Seen(), QStringList{"Error|16|Por favor, complete todos los datos."});
    QCOMPARE(dialog.result(), 0);
    QCOMPARE(General().Config.Servidor, QString());
    QVERIFY(!QFile::exists(ConfigFilePath()));
}

void ConfigTest::aceptarStoresAndWrites_data() {
    QTest::addColumn<QString>("servidor");
    QTest::addColumn<QString>("timeout");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("storedServidor");
    QTest::addColumn<int>("storedTimeout");
    QTest::addColumn<QString>("storedPassword");
    QTest::newRow("as typed") << "HOST"
                              << "60"
                              << "CLAVE"
                              << "HOST" << 60 << "CLAVE";
    QTest::newRow("trimmed") << " HOST "
                             << " 60 "
                             << " CLAVE "
                             << "HOST" << 60 << "CLAVE";
    QTest::newRow("time-out 0 becomes 180") << "HOST"
                                            << "0"
                                            << "CLAVE"
                                            << "HOST" << 180 << "CLAVE";
    // Blanks pass the completeness test and are stored empty: no connection is tried.
    QTest::newRow("blanks only") << "   "
                                 << "60"
                                 << "CLAVE"
                                 << "" << 60 << "CLAVE";
}

void ConfigTest::aceptarStoresAndWrites() {
    QFETCH(QString, servidor);
    QFETCH(QString, timeout);
    QFETCH(QString, password);
    QFETCH(QString, storedServidor);
    QFETCH(int, storedTimeout);
    QFETCH(QString, storedPassword);
    FrmUser dialog;
    dialog.txtServidor()->setText(servidor);
    dialog.txtServicio()->setText("VKT");
    dialog.txtTimeout()->setText(timeout);
    dialog.txtUsuario()->setText("USUARIO");
    dialog.txtPassword()->setText(password);
    MessageLog log;
    dialog.Aceptar();
    QCOMPARE(log.requests.size(), 0);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    const ConfigRecord& config = General().Config;
    QCOMPARE(config.Servidor, storedServidor);
    QCOMPARE(config.Servicio, QString("VKT"));
    QCOMPARE(config.Timeout, storedTimeout);
    QCOMPARE(config.Usuario, QString("USUARIO"));
    QCOMPARE(config.Password, storedPassword);
    // No file before: the default key folder is taken and written; never the password.
    QCOMPARE(config.DirClaves, DefaultKeyDirectory());
    const QByteArray expected = (storedServidor + ",VKT," + QString::number(storedTimeout) +
                                 ",USUARIO," + DefaultKeyDirectory() + "\n")
                                    .toLatin1();
    QCOMPARE(ReadConfig(), expected);
    QVERIFY(!ReadConfig().contains("CLAVE"));
}

void ConfigTest::timeoutOverflowKeepsPrevious() {
    General().Config.Timeout = 45;
    FrmUser dialog;
    for (QLineEdit* box : dialog.findChildren<QLineEdit*>()) box->setText("X");
    dialog.txtTimeout()->setText("99999999999");
    MessageLog log;
    dialog.Aceptar();
    QCOMPARE(log.Seen(), QStringList{"VKT|0|Desbordamiento (6)"});
    QCOMPARE(General().Config.Timeout, 45);
    QCOMPARE(ReadConfig(), QByteArray("X,X,45,X," + DefaultKeyDirectory().toLatin1() + "\n"));
}

void ConfigTest::everyWayOfCancellingEmptiesPassword_data() {
    QTest::addColumn<int>("way");
    QTest::newRow("Cancelar") << 0;
    QTest::newRow("Escape") << 1;
    QTest::newRow("close box") << 2;
}

void ConfigTest::everyWayOfCancellingEmptiesPassword() {
    QFETCH(int, way);
    General().Config.Password = "ANTERIOR";
    FrmUser dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.txtPassword()->setText("NUEVA");
    if (way == 0) QTest::mouseClick(dialog.cmdCancel(), Qt::LeftButton);
    if (way == 1) QTest::keyClick(&dialog, Qt::Key_Escape);
    if (way == 2) dialog.close();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(General().Config.Password, QString());
    QVERIFY(!QFile::exists(ConfigFilePath()));
}

void ConfigTest::tabOrderAndButtons() {
    FrmUser dialog;
    QCOMPARE(dialog.objectName(), QString("frmUser"));
    QCOMPARE(dialog.windowTitle(), QString::fromUtf8("Configuración"));
    QCOMPARE(test::TabSequence(dialog.txtPassword()),
             (QStringList{"txtPassword", "cmdOK", "cmdCancel", "txtServidor", "txtServicio",
                          "txtTimeout", "txtUsuario"}));
    QVERIFY(dialog.cmdOK()->isDefault());
    QCOMPARE(dialog.cmdOK()->accessibleName(), QString("Aceptar"));
    QCOMPARE(dialog.txtPassword()->echoMode(), QLineEdit::Password);
    auto* label = dialog.findChild<QLabel*>("lbPassword");
    QCOMPARE(label->text(), QString::fromUtf8("Contraseña:"));
    QCOMPARE(label->buddy(), dialog.txtPassword());

    // The password box has the focus, and Enter there presses "Aceptar".
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.focusWidget(), dialog.txtPassword());
    for (QLineEdit* box : dialog.findChildren<QLineEdit*>()) box->setText("1");
    MessageLog log;
    QTest::keyClick(dialog.txtPassword(), Qt::Key_Return);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(General().Config.Password, QString("1"));
}

QTEST_MAIN(ConfigTest)
#include "config_test.moc"
