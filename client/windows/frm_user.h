// frmUser ("Configuración"): the connection data, pre-filled from VKT32.cnf, stored in
// General().Config and written back to the file on "Aceptar" (never the password).
// "Cancelar", Escape and the window's close box all cancel: the password is emptied, so no
// connection is tried.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace vkt::client {

class FrmUser : public QDialog {
    Q_OBJECT

  public:
    explicit FrmUser(QWidget* parent = nullptr);

    void Aceptar();
    void Cancelar();

    QLineEdit* txtServidor() const { return txtServidor_; }
    QLineEdit* txtServicio() const { return txtServicio_; }
    QLineEdit* txtTimeout() const { return txtTimeout_; }
    QLineEdit* txtUsuario() const { return txtUsuario_; }
    QLineEdit* txtPassword() const { return txtPassword_; }
    QPushButton* cmdOK() const { return cmdOK_; }
    QPushButton* cmdCancel() const { return cmdCancel_; }

    void reject() override;

  private:
    void Load();

    QLineEdit* txtServidor_;
    QLineEdit* txtServicio_;
    QLineEdit* txtTimeout_;
    QLineEdit* txtUsuario_;
    QLineEdit* txtPassword_;
    QPushButton* cmdOK_;
    QPushButton* cmdCancel_;
};

}  // namespace vkt::client
