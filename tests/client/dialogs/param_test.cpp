// The additional-information form frmParam: its rows from the field list, and the answer text.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "dialog_test_support.h"
#include "general/client_state.h"
#include "windows/frm_param.h"

using namespace vkt::client;
using vkt::client::test::MessageLog;

namespace {

// "name/width/N or A/M or -" for each field the form built.
QStringList Described(const FrmParam& form) {
    QStringList fields;
    for (int i = 0; i < form.Campos(); ++i) {
        const QLineEdit* box = form.txtArray(i);
        fields.append(form.lblArray(i)->text() + '/' +
                      QString::number(box->maxLength() == 32767 ? 0 : box->maxLength()) + '/' +
                      box->property("tag").toString() + '/' +
                      (box->echoMode() == QLineEdit::Password ? "M" : "-"));
    }
    return fields;
}

void SetList(const QString& list, int largo) {
    General().Parametros = list;
    General().LargoParametros = largo;
}

}  // namespace

class ParamTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { test::ResetState(); }

    void buildsOneRowPerField_data();
    void buildsOneRowPerField();
    void answersBecomeTheFixedWidthText();
    void everyFieldMustBeFilled_data();
    void everyFieldMustBeFilled();
    void everyWayOfCancellingLeavesTheNullText_data();
    void everyWayOfCancellingLeavesTheNullText();
    void singleFieldUsesTheDesignedRow();
    void rowsAreAligned();
};

void ParamTest::buildsOneRowPerField_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<int>("largo");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QStringList>("messages");
    const QString pair = "Importe,8,N;Concepto,12";
    const QStringList two{"Importe/8/N/-", "Concepto/12/A/-"};

    QTest::newRow("two fields") << pair << 23 << two << QStringList();
    QTest::newRow("in the 2048-blank buffer")
        << pair + QString(2048 - 23, ' ') << 23 << two << QStringList();
    QTest::newRow("list length counts blanks after it")
        << pair + "   " << 26 << two << QStringList();
    QTest::newRow("final ;") << pair + ";" << 24 << two << QStringList();
    QTest::newRow("nothing beyond the length is read")
        << pair << 11 << QStringList{"Importe/8/N/-"} << QStringList();
    QTest::newRow("a record without comma ends the list")
        << "Importe,8,N;Nada;Concepto,12" << 28 << QStringList{"Importe/8/N/-"} << QStringList();
    QTest::newRow("one-digit width without flags")
        << "Importe,8" << 9 << QStringList{"Importe/8/A/-"} << QStringList();
    QTest::newRow("blanks before the last record make no extra field")
        << "A,1;   B,2" << 10 << QStringList{"A/1/A/-", "B/2/A/-"} << QStringList();
    QTest::newRow("names and widths trimmed, width read leniently")
        << " Nombre completo , 12abc ; Clave , x ,M;Nota," << 45
        << QStringList{"Nombre completo/12/A/-", "Clave/0/A/M", "Nota/0/A/-"} << QStringList();
    QTest::newRow("flags one by one")
        << "A,5,NM;B,5,N0;C,5,xNz;D,5,0N;E,5, " << 34
        << QStringList{"A/5/N/M", "B/5/A/-", "C/5/N/-", "D/5/N/-", "E/5/A/-"} << QStringList();
    QTest::newRow("width beyond 16 bits stops the list")
        << "A,1;B,40000;C,2" << 15 << QStringList{"A/1/A/-"}
        << QStringList{"VKT|0|Desbordamiento (6)"};
    QTest::newRow("empty list") << "" << 0 << QStringList() << QStringList();
    QTest::newRow("length beyond the text")
        << "A,3" << 500 << QStringList{"A/3/A/-"} << QStringList();
}

void ParamTest::buildsOneRowPerField() {
    QFETCH(QString, list);
    QFETCH(int, largo);
    QFETCH(QStringList, fields);
    QFETCH(QStringList, messages);
    SetList(list, largo);
    MessageLog log;
    FrmParam form;
    QCOMPARE(Described(form), fields);
    QCOMPARE(log.Seen(), messages);
    QCOMPARE(form.findChildren<QLineEdit*>("txtArray").size(), qMax(1, fields.size()));
    QCOMPARE(form.txtArray(0)->isHidden(), fields.isEmpty());
}

void ParamTest::answersBecomeTheFixedWidthText() {
    SetList("Importe,8,N;Concepto,12;Clave,4,NM", 34);
    FrmParam form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    // Numeric boxes take digits only, and no more than the width.
    test::TypeText(form.txtArray(0), "1a2 5");
    test::TypeText(form.txtArray(1), "Pago");
    test::TypeText(form.txtArray(2), "123456");
    QCOMPARE(form.txtArray(0)->text(), QString("125"));
    QCOMPARE(form.txtArray(2)->text(), QString("1234"));
    MessageLog log;
    QTest::keyClick(form.txtArray(1), Qt::Key_Return);  // Enter presses "Aceptar"
    QCOMPARE(log.requests.size(), 0);
    QVERIFY(form.Aceptado());
    QCOMPARE(General().Parametros, QString("00000125Pago        1234"));
    QCOMPARE(General().LargoParametros, 24);
}

void ParamTest::everyFieldMustBeFilled_data() {
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::newRow("first empty") << ""
                                 << "Pago";
    QTest::newRow("second blanks only") << "1"
                                        << "   ";
}

void ParamTest::everyFieldMustBeFilled() {
    QFETCH(QString, first);
    QFETCH(QString, second);
    SetList("Importe,8,N;Concepto,12", 23);
    FrmParam form;
    form.txtArray(0)->setText(first);
    form.txtArray(1)->setText(second);
    MessageLog log;
    form.Aceptar();
    QCOMPARE(log.Seen(), QStringList{"Error|16|Debe completar todos los campos"});
    QVERIFY(!form.Aceptado());
    QCOMPARE(form.result(), 0);
    QCOMPARE(General().LargoParametros, 23);
}

void ParamTest::everyWayOfCancellingLeavesTheNullText_data() {
    QTest::addColumn<int>("way");
    QTest::newRow("Cancelar") << 0;
    QTest::newRow("Escape") << 1;
    QTest::newRow("close box") << 2;
}

void ParamTest::everyWayOfCancellingLeavesTheNullText() {
    QFETCH(int, way);
    SetList("Importe,8,N", 11);
    FrmParam form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.txtArray(0)->setText("5");
    if (way == 0) QTest::mouseClick(form.cmdCancel(), Qt::LeftButton);
    if (way == 1) QTest::keyClick(&form, Qt::Key_Escape);
    if (way == 2) form.close();
    QVERIFY(!form.isVisible());
    QVERIFY(!form.Aceptado());
    QVERIFY(General().Parametros.isNull());
    QCOMPARE(General().LargoParametros, 0);
}

void ParamTest::singleFieldUsesTheDesignedRow() {
    SetList("Concepto,12", 11);
    FrmParam form;
    QCOMPARE(form.findChildren<QLineEdit*>().size(), 1);
    QCOMPARE(form.findChildren<QLabel*>().size(), 1);
    QCOMPARE(form.objectName(), QString("frmParam"));
    QCOMPARE(form.windowTitle(), QString::fromUtf8("Información Adicional"));
    QCOMPARE(test::TabSequence(form.txtArray(0)), (QStringList{"txtArray", "cmdOK", "cmdCancel"}));
    QVERIFY(form.cmdOK()->isDefault());
    QCOMPARE(form.txtArray(0)->accessibleName(), QString("Concepto"));
    QCOMPARE(form.lblArray(0)->buddy(), form.txtArray(0));
}

void ParamTest::rowsAreAligned() {
    SetList("A,1;Nombre bastante largo,2;C,3", 31);
    FrmParam form;
    QCOMPARE(form.Campos(), 3);
    int widestLabelRight = 0;
    for (int i = 0; i < 3; ++i) {
        widestLabelRight = qMax(widestLabelRight, form.lblArray(i)->geometry().right());
        QCOMPARE(form.txtArray(i)->x(), form.txtArray(0)->x());
        // Each label sits on its box's row.
        QVERIFY(form.lblArray(i)->geometry().center().y() > form.txtArray(i)->y());
        QVERIFY(form.lblArray(i)->geometry().center().y() < form.txtArray(i)->geometry().bottom());
        if (i > 0) QVERIFY(form.txtArray(i)->y() > form.txtArray(i - 1)->geometry().bottom());
    }
    QVERIFY(form.txtArray(0)->x() > widestLabelRight);
    QCOMPARE(form.cmdCancel()->geometry().right(), form.txtArray(2)->geometry().right());
    QVERIFY(form.cmdCancel()->y() > form.txtArray(2)->geometry().bottom());
    QCOMPARE(form.cmdOK()->y(), form.cmdCancel()->y());
    QVERIFY(form.cmdOK()->geometry().right() < form.cmdCancel()->x());
    QVERIFY(form.rect().contains(form.cmdCancel()->geometry()));
}

QTEST_MAIN(ParamTest)
#include "param_test.moc"
