// frmFiles: root chooser, folder list, file list and selection box.
#include "windows/frm_files.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStorageInfo>
#include <QStyle>
#include <QTreeWidget>
#include <cerrno>

#include "general/client_state.h"
#include "general/message_box.h"
#include "general/run_time_error.h"
#include "windows/dialog_controls.h"
#include "windows/dialogs.h"
#include "windows/twips_geometry.h"

namespace vkt::client {
namespace {

constexpr int kPathRole = Qt::UserRole;

QString CleanFolder(const QString& folder) {
    return QDir::cleanPath(QDir(folder).absolutePath());
}

// The folder's entries below it as the lists show them: no hidden entries, sorted by name.
QStringList Entries(const QString& folder, QDir::Filters filters) {
    return QDir(folder).entryList(filters, QDir::Name | QDir::LocaleAware | QDir::IgnoreCase);
}

bool IsUnder(const QString& folder, const QString& root) {
    if (root == QLatin1String("/")) return folder.startsWith(QLatin1Char('/'));
    return folder == root || folder.startsWith(root + QLatin1Char('/'));
}

}  // namespace

QStringList FrmFiles::Raices() {
    QStringList roots{CleanFolder(QDir::homePath()), QStringLiteral("/")};
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        const QString root = volume.rootPath();
        const bool media = root.startsWith(QLatin1String("/media/")) ||
                           root.startsWith(QLatin1String("/mnt/")) ||
                           root.startsWith(QLatin1String("/run/media/"));
        if (media && volume.isValid() && volume.isReady() && !roots.contains(root)) {
            roots.append(root);
        }
    }
    return roots;
}

FrmFiles::FrmFiles(QWidget* parent, const QString& tag) : QDialog(parent), tag_(tag) {
    setObjectName(QStringLiteral("frmFiles"));
    setWindowTitle(QStringLiteral("Examinar..."));
    setModal(true);

    dlbDisco_ = new QComboBox(this);
    dlbDisco_->setObjectName(QStringLiteral("dlbDisco"));
    dlbDisco_->setAccessibleName(QString::fromUtf8("Raíz"));
    dlbDisco_->addItems(Raices());

    dlbDirectorio_ = new QTreeWidget(this);
    dlbDirectorio_->setObjectName(QStringLiteral("dlbDirectorio"));
    dlbDirectorio_->setAccessibleName(QStringLiteral("Directorios"));
    dlbDirectorio_->setHeaderHidden(true);
    dlbDirectorio_->setRootIsDecorated(false);
    dlbDirectorio_->setItemsExpandable(false);
    dlbDirectorio_->setIndentation(Twips(this, 150));

    flbArchivos_ = new QListWidget(this);
    flbArchivos_->setObjectName(QStringLiteral("flbArchivos"));
    flbArchivos_->setAccessibleName(QStringLiteral("Archivos"));

    lbSeleccion_ = new QLabel(QStringLiteral("Archivo: "), this);
    lbSeleccion_->setObjectName(QStringLiteral("lbSeleccion"));
    txtSeleccion_ = new QLineEdit(this);
    txtSeleccion_->setObjectName(QStringLiteral("txtSeleccion"));
    lbSeleccion_->setBuddy(txtSeleccion_);

    cmdOK_ = MakeButton(this, "cmdOK", QStringLiteral("&Aceptar"));
    cmdCancel_ = MakeButton(this, "cmdCancel", QStringLiteral("&Cancelar"));
    cmdOK_->setDefault(true);

    PlaceTwips(dlbDisco_, 120, 120, 2295);
    PlaceTwips(dlbDirectorio_, 120, 480, 2295, 1665);
    PlaceTwips(flbArchivos_, 2520, 120, 2175, 2040);
    PlaceTwips(lbSeleccion_, 120, 2280, 4575);
    PlaceTwips(txtSeleccion_, 120, 2520, 4575);
    PlaceTwips(cmdOK_, 2160, 3120, 1215, 375);
    PlaceTwips(cmdCancel_, 3480, 3120, 1215, 375);
    setFixedSize(Twips(this, 4815), Twips(this, 3615));

    setTabOrder(txtSeleccion_, dlbDisco_);
    setTabOrder(dlbDisco_, dlbDirectorio_);
    setTabOrder(dlbDirectorio_, flbArchivos_);
    setTabOrder(flbArchivos_, cmdOK_);
    setTabOrder(cmdOK_, cmdCancel_);
    txtSeleccion_->setFocus();

    connect(dlbDisco_, &QComboBox::activated, this,
            [this](int index) { CambiarUnidad(dlbDisco_->itemText(index)); });
    connect(dlbDirectorio_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        CambiarDirectorio(item->data(0, kPathRole).toString());
    });
    // A file is chosen by mouse or by moving the selection with the keys.
    connect(flbArchivos_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { ClickArchivo(item->text()); });
    connect(flbArchivos_, &QListWidget::itemSelectionChanged, this, [this] {
        const QList<QListWidgetItem*> selected = flbArchivos_->selectedItems();
        if (!selected.isEmpty()) ClickArchivo(selected.first()->text());
    });
    connect(flbArchivos_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { DobleClickArchivo(item->text()); });
    connect(cmdOK_, &QPushButton::clicked, this, &FrmFiles::Aceptar);
    connect(cmdCancel_, &QPushButton::clicked, this, &FrmFiles::Cancelar);

    ApplyMode();
    Load();
}

void FrmFiles::ApplyMode() {
    const bool folders = tag_.trimmed() == QLatin1String("2");
    lbSeleccion_->setText(folders ? QStringLiteral("Directorio: ") : QStringLiteral("Archivo: "));
    txtSeleccion_->setAccessibleName(PlainCaption(lbSeleccion_->text()));
    flbArchivos_->setEnabled(!folders);
}

void FrmFiles::showEvent(QShowEvent* event) {
    ApplyMode();
    QDialog::showEvent(event);
}

// Starts in the home folder, or where the last chooser of this run was left.
void FrmFiles::Load() {
    // The home folder, or "/" where there is none: a fresh start shows no error.
    try {
        ShowFolder(dlbDisco_->itemText(0));
    } catch (const RunTimeError&) {
        Trap([&] { ShowFolder(QStringLiteral("/")); });
    }
    const ClientState& state = General();
    if (!state.UltimaUnidad.isEmpty()) {
        Trap([&] {
            if (IndexOfRoot(state.UltimaUnidad) < 0) {
                if (!QFileInfo(state.UltimaUnidad).isDir()) {
                    throw FileError(ENOTDIR, state.UltimaUnidad);
                }
                dlbDisco_->addItem(state.UltimaUnidad);
            }
            dlbDisco_->setCurrentIndex(IndexOfRoot(state.UltimaUnidad));
            CambiarUnidad(state.UltimaUnidad);
        });
    }
    if (!state.UltimoDirectorio.isEmpty()) CambiarDirectorio(state.UltimoDirectorio);
    txtSeleccion_->setText(directorio_);
}

int FrmFiles::IndexOfRoot(const QString& root) const {
    return dlbDisco_->findText(root, Qt::MatchExactly);
}

void FrmFiles::CambiarUnidad(const QString& root) {
    Trap([&] { ShowFolder(root); });
    txtSeleccion_->setText(root);
}

void FrmFiles::CambiarDirectorio(const QString& folder) {
    Trap([&] {
        ShowFolder(folder);
        txtSeleccion_->setText(directorio_);
    });
}

// Moves both lists to folder; a folder that is missing or unreadable raises the run-time
// error and leaves the lists where they were.
void FrmFiles::ShowFolder(const QString& folder) {
    const QString clean = CleanFolder(folder);
    const QFileInfo info(clean);
    if (!info.isDir()) throw FileError(ENOTDIR, clean);
    if (!info.isReadable() || !info.isExecutable()) throw FileError(EACCES, clean);
    directorio_ = clean;

    QStyle* style = QApplication::style();
    const QIcon closed = style->standardIcon(QStyle::SP_DirClosedIcon);
    const QIcon open = style->standardIcon(QStyle::SP_DirOpenIcon);
    dlbDirectorio_->clear();
    // The path from "/" down to the folder, one level under the other, then its sub-folders.
    auto* item = new QTreeWidgetItem(dlbDirectorio_, QStringList{QStringLiteral("/")});
    item->setData(0, kPathRole, QStringLiteral("/"));
    item->setIcon(0, open);
    QString path;
    for (const QString& part : clean.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        path += QLatin1Char('/') + part;
        item->setExpanded(true);
        item = new QTreeWidgetItem(item, QStringList{part});
        item->setData(0, kPathRole, path);
        item->setIcon(0, open);
    }
    QTreeWidgetItem* current = item;
    const QString prefix = clean == QLatin1String("/") ? clean : clean + QLatin1Char('/');
    for (const QString& name : Entries(clean, QDir::Dirs | QDir::NoDotAndDotDot)) {
        auto* child = new QTreeWidgetItem(current, QStringList{name});
        child->setData(0, kPathRole, prefix + name);
        child->setIcon(0, closed);
    }
    current->setExpanded(true);
    dlbDirectorio_->setCurrentItem(current);
    dlbDirectorio_->scrollToItem(current);

    const QSignalBlocker blocker(flbArchivos_);
    flbArchivos_->clear();
    flbArchivos_->addItems(Entries(clean, QDir::Files));
    SelectRootOf(clean);
}

// Shows in the root chooser the longest root that holds folder.
void FrmFiles::SelectRootOf(const QString& folder) {
    int best = -1;
    qsizetype bestLength = -1;
    for (int i = 0; i < dlbDisco_->count(); ++i) {
        const QString root = dlbDisco_->itemText(i);
        if (IsUnder(folder, root) && root.size() > bestLength) {
            best = i;
            bestLength = root.size();
        }
    }
    if (best >= 0) dlbDisco_->setCurrentIndex(best);
}

void FrmFiles::ClickArchivo(const QString& name) {
    QString path = directorio_;
    if (!path.endsWith(QLatin1Char('/'))) path += QLatin1Char('/');
    txtSeleccion_->setText(path + name);
}

void FrmFiles::DobleClickArchivo(const QString& name) {
    ClickArchivo(name);
    Aceptar();
}

void FrmFiles::Aceptar() {
    const QString selection = txtSeleccion_->text();
    if (selection.isEmpty()) {
        MsgBox(QString::fromUtf8("Seleccion inválida"), kCritical, QStringLiteral("Error"));
        return;
    }
    if (tag_.trimmed() == QLatin1String("1")) {
        General().Archivo = selection;
    } else {
        General().Destino = selection;
    }
    accept();
}

void FrmFiles::Cancelar() {
    reject();
}

// Every way of closing keeps the root and folder for the next chooser of this run.
void FrmFiles::done(int result) {
    General().UltimaUnidad = dlbDisco_->currentText();
    General().UltimoDirectorio = directorio_;
    QDialog::done(result);
}

bool RunFileChooser(QWidget* parent, const QString& tag) {
    FrmFiles chooser(parent, tag);
    return chooser.exec() == QDialog::Accepted;
}

void ShowFileChooser(QWidget* parent, const QString& tag) {
    RunFileChooser(parent, tag);
}

}  // namespace vkt::client
