// The library's default name: with no file chosen and VKT_LIBRARY unset, the program opens the
// SONAME libVKT32.so.1, though the folder holds the unversioned libVKT32.so too. CTest puts the
// build's library folder in LD_LIBRARY_PATH for this test; its own process has not loaded the
// library before (a loaded library would answer to its SONAME under its first path).
#include <dlfcn.h>

#include <QDir>
#include <QtTest>

#include "binding/library_loader.h"

using namespace vkt::client;

namespace {

QByteArray ShmPrefix() {
    return "VKTclientLibraryName" + QByteArray::number(QCoreApplication::applicationPid()) + ".";
}

}  // namespace

class LibraryNameTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        qputenv("VKT_SHM_PREFIX", ShmPrefix());
        qunsetenv("VKT_LIBRARY");
    }

    void cleanupTestCase() {
        QDir shm("/dev/shm");
        for (const QString& name : shm.entryList({QString(ShmPrefix()) + "*"}, QDir::Files)) {
            shm.remove(name);
        }
    }

    void OpensTheSonameFirst() {
        QCOMPARE(LibVKT32::LibraryFile(), QStringLiteral("libVKT32.so.1"));
        void* address = LibVKT32::ExportAddress("VKTEstado");
        Dl_info info{};
        QVERIFY(dladdr(address, &info) != 0);
        const QString opened = QFile::decodeName(info.dli_fname);
        QVERIFY2(opened.endsWith(QStringLiteral("/libVKT32.so.1")), qPrintable(opened));
    }
};

QTEST_MAIN(LibraryNameTest)
#include "library_name_test.moc"
