// frmFiles ("Examinar..."): the program's own modal chooser of a file (tag "1", the result
// goes to Archivo) or a folder (tag "2", to Destino). A root chooser (dlbDisco: the home
// folder, "/" and mounted media) stands where a drive list would be, beside the folder list
// (dlbDirectorio: the path from the root down to the current folder, then its sub-folders;
// a folder is entered by double-click or Enter), the file list (flbArchivos, greyed out in
// folder mode) and the selection box (txtSeleccion), which always shows the current choice.
// The root and folder last used are kept in General().UltimaUnidad / UltimoDirectorio for
// the rest of the run, however the chooser was closed.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace vkt::client {

class FrmFiles : public QDialog {
    Q_OBJECT

  public:
    FrmFiles(QWidget* parent, const QString& tag);

    const QString& tag() const { return tag_; }
    // The folder the folder list shows (no final "/" except for "/" itself).
    const QString& Directorio() const { return directorio_; }

    // The handlers, as the controls call them.
    void CambiarUnidad(const QString& root);        // root chosen in dlbDisco
    void CambiarDirectorio(const QString& folder);  // folder entered in dlbDirectorio
    void ClickArchivo(const QString& name);         // file clicked in flbArchivos
    void DobleClickArchivo(const QString& name);    // file double-clicked
    void Aceptar();
    void Cancelar();

    // The roots offered by the root chooser: the home folder, "/", and mounted media.
    static QStringList Raices();

    QComboBox* dlbDisco() const { return dlbDisco_; }
    QTreeWidget* dlbDirectorio() const { return dlbDirectorio_; }
    QListWidget* flbArchivos() const { return flbArchivos_; }
    QLabel* lbSeleccion() const { return lbSeleccion_; }
    QLineEdit* txtSeleccion() const { return txtSeleccion_; }
    QPushButton* cmdOK() const { return cmdOK_; }
    QPushButton* cmdCancel() const { return cmdCancel_; }

    void done(int result) override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void ApplyMode();
    void Load();
    void ShowFolder(const QString& folder);
    void SelectRootOf(const QString& folder);
    int IndexOfRoot(const QString& root) const;

    QString tag_;
    QString directorio_;
    QComboBox* dlbDisco_;
    QTreeWidget* dlbDirectorio_;
    QListWidget* flbArchivos_;
    QLabel* lbSeleccion_;
    QLineEdit* txtSeleccion_;
    QPushButton* cmdOK_;
    QPushButton* cmdCancel_;
};

// Shows the chooser modally; true when the user confirmed a choice (stored in Archivo for tag
// "1", in Destino otherwise).
bool RunFileChooser(QWidget* parent, const QString& tag);

}  // namespace vkt::client
