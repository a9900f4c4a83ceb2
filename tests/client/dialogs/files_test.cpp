// The file chooser frmFiles.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include "dialog_test_support.h"
#include "general/client_state.h"
#include "windows/frm_files.h"

using namespace vkt::client;
using vkt::client::test::MessageLog;

namespace {

QStringList Items(const QListWidget* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) items.append(list->item(i)->text());
    return items;
}

// The folder list's lines: the path from "/" down, then the sub-folders of the current one.
QStringList Lines(const QTreeWidget* tree) {
    QStringList lines;
    for (QTreeWidgetItemIterator it(const_cast<QTreeWidget*>(tree)); *it != nullptr; ++it) {
        lines.append((*it)->text(0));
    }
    return lines;
}

QTreeWidgetItem* Line(const QTreeWidget* tree, const QString& text) {
    const QList<QTreeWidgetItem*> found =
        tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.first();
}

}  // namespace

class FilesTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void init() { test::ResetState(); }

    void fileModeChoosesAFile();
    void fileModeAcceptsTheFolderShown();
    void folderModeFollowsTheFolderList();
    void emptySelectionIsRefused();
    void reopensWhereLastLeft_data();
    void reopensWhereLastLeft();
    void rootChooserMovesTheLists();
    void missingFolderIsShownAndIgnored();
    void layout();

  private:
    QTemporaryDir dir_;
    QString root_;
};

void FilesTest::initTestCase() {
    QVERIFY(dir_.isValid());
    root_ = QDir::cleanPath(dir_.path());
    QDir top(root_);
    QVERIFY(top.mkpath("beta"));
    QVERIFY(top.mkpath("Alfa/interno"));
    QVERIFY(top.mkpath(".oculta"));
    for (const char* name : {"uno.txt", "Dos.DAT", ".escondido", "Alfa/dentro.txt"}) {
        QFile file(top.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
}

void FilesTest::fileModeChoosesAFile() {
    FrmFiles chooser(nullptr, "1");
    chooser.CambiarDirectorio(root_);
    QCOMPARE(chooser.txtSeleccion()->text(), root_);
    // Hidden entries are left out; names sort without regard to case.
    QCOMPARE(Items(chooser.flbArchivos()), (QStringList{"Dos.DAT", "uno.txt"}));
    QCOMPARE(Lines(chooser.dlbDirectorio()).last(2), (QStringList{"Alfa", "beta"}));
    QCOMPARE(Lines(chooser.dlbDirectorio()).first(), QString("/"));

    // Entering a folder by activating its line lists its files.
    QTreeWidgetItem* alfa = Line(chooser.dlbDirectorio(), "Alfa");
    QVERIFY(alfa != nullptr);
    emit chooser.dlbDirectorio()->itemActivated(alfa, 0);
    QCOMPARE(chooser.Directorio(), root_ + "/Alfa");
    QCOMPARE(Items(chooser.flbArchivos()), QStringList{"dentro.txt"});
    QCOMPARE(Lines(chooser.dlbDirectorio()).last(2), (QStringList{"Alfa", "interno"}));

    QListWidgetItem* file = chooser.flbArchivos()->item(0);
    emit chooser.flbArchivos()->itemClicked(file);
    QCOMPARE(chooser.txtSeleccion()->text(), root_ + "/Alfa/dentro.txt");
    emit chooser.flbArchivos()->itemDoubleClicked(file);
    QCOMPARE(chooser.result(), int(QDialog::Accepted));
    QCOMPARE(General().Archivo, root_ + "/Alfa/dentro.txt");
    QCOMPARE(General().Destino, QString());

    // A file of "/" is named without a doubled separator.
    FrmFiles atRoot(nullptr, "1");
    atRoot.CambiarDirectorio("/");
    atRoot.ClickArchivo("x");
    QCOMPARE(atRoot.txtSeleccion()->text(), QString("/x"));
}

// No check is made that the selection names a file.
void FilesTest::fileModeAcceptsTheFolderShown() {
    FrmFiles chooser(nullptr, "1");
    chooser.CambiarDirectorio(root_ + "/beta");
    chooser.Aceptar();
    QCOMPARE(General().Archivo, root_ + "/beta");
}

void FilesTest::folderModeFollowsTheFolderList() {
    FrmFiles chooser(nullptr, "2");
    chooser.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chooser));
    QCOMPARE(chooser.lbSeleccion()->text(), QString("Directorio: "));
    QVERIFY(!chooser.flbArchivos()->isEnabled());
    chooser.CambiarDirectorio(root_ + "/Alfa/interno");
    QCOMPARE(chooser.txtSeleccion()->text(), root_ + "/Alfa/interno");
    chooser.CambiarDirectorio(root_ + "/Alfa/interno/..");
    QCOMPARE(chooser.txtSeleccion()->text(), root_ + "/Alfa");
    chooser.Aceptar();
    QCOMPARE(General().Destino, root_ + "/Alfa");
    QCOMPARE(General().Archivo, QString());
}

void FilesTest::emptySelectionIsRefused() {
    FrmFiles chooser(nullptr, "2");
    chooser.txtSeleccion()->clear();
    MessageLog log;
    chooser.Aceptar();
    QCOMPARE(log.Seen(), QStringList{QString::fromUtf8("Error|16|Seleccion inválida")});
    QCOMPARE(chooser.result(), 0);
    QCOMPARE(General().Destino, QString());
}

void FilesTest::reopensWhereLastLeft_data() {
    QTest::addColumn<bool>("confirmed");
    QTest::newRow("after Aceptar") << true;
    QTest::newRow("after Cancelar") << false;
}

void FilesTest::reopensWhereLastLeft() {
    QFETCH(bool, confirmed);
    {
        FrmFiles first(nullptr, "1");
        first.CambiarDirectorio(root_ + "/beta");
        confirmed ? first.Aceptar() : first.Cancelar();
    }
    QCOMPARE(General().UltimoDirectorio, root_ + "/beta");
    QVERIFY(!General().UltimaUnidad.isEmpty());
    FrmFiles second(nullptr, "2");
    QCOMPARE(second.Directorio(), root_ + "/beta");
    QCOMPARE(second.txtSeleccion()->text(), root_ + "/beta");
    QCOMPARE(second.dlbDisco()->currentText(), General().UltimaUnidad);
}

void FilesTest::rootChooserMovesTheLists() {
    const QStringList roots = FrmFiles::Raices();
    QCOMPARE(roots.mid(0, 2), (QStringList{QDir::cleanPath(QDir::homePath()), "/"}));

    FrmFiles chooser(nullptr, "1");
    QCOMPARE(chooser.Directorio(), roots.first());  // a new run starts at home
    const int slash = chooser.dlbDisco()->findText("/");
    chooser.dlbDisco()->setCurrentIndex(slash);
    emit chooser.dlbDisco()->activated(slash);
    QCOMPARE(chooser.Directorio(), QString("/"));
    QCOMPARE(chooser.txtSeleccion()->text(), QString("/"));
    QCOMPARE(Lines(chooser.dlbDirectorio()).first(), QString("/"));
    chooser.Cancelar();
    QCOMPARE(General().UltimaUnidad, QString("/"));
    QCOMPARE(General().UltimoDirectorio, QString("/"));
}

void FilesTest::missingFolderIsShownAndIgnored() {
    FrmFiles chooser(nullptr, "1");
    chooser.CambiarDirectorio(root_);
    MessageLog log;
    chooser.CambiarDirectorio(root_ + "/no-existe");
    QCOMPARE(log.requests.size(), 1);
    QVERIFY(log.requests[0].text.endsWith("(76)"));
    QCOMPARE(chooser.Directorio(), root_);
    QCOMPARE(chooser.txtSeleccion()->text(), root_);
    QCOMPARE(Items(chooser.flbArchivos()), (QStringList{"Dos.DAT", "uno.txt"}));

    // A remembered folder that has gone away is reported once, and the chooser opens at home.
    General().UltimoDirectorio = root_ + "/borrada";
    FrmFiles reopened(nullptr, "1");
    QCOMPARE(log.requests.size(), 2);
    QCOMPARE(reopened.Directorio(), FrmFiles::Raices().first());
}

void FilesTest::layout() {
    FrmFiles chooser(nullptr, "1");
    QCOMPARE(chooser.objectName(), QString("frmFiles"));
    QCOMPARE(chooser.windowTitle(), QString("Examinar..."));
    QCOMPARE(chooser.lbSeleccion()->text(), QString("Archivo: "));
    QVERIFY(chooser.flbArchivos()->isEnabled());
    QCOMPARE(test::TabSequence(chooser.txtSeleccion()),
             (QStringList{"txtSeleccion", "dlbDisco", "dlbDirectorio", "flbArchivos", "cmdOK",
                          "cmdCancel"}));
    QVERIFY(chooser.cmdOK()->isDefault());
    QCOMPARE(chooser.cmdCancel()->text(), QString("&Cancelar"));
    QCOMPARE(chooser.lbSeleccion()->buddy(), chooser.txtSeleccion());
}

QTEST_MAIN(FilesTest)
#include "files_test.moc"
