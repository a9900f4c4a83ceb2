// frmSend ("Enviar..."): the file to send, whether it is a formatted record file, and the
// private-key password once more. "Enviar" stores them in Archivo, Formato and
// Config.Password; cancelling (button, Escape or close box) leaves Archivo empty and Formato
// -1, so nothing is sent. Destino is always emptied.
#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace vkt::client {

class FrmSend : public QDialog {
    Q_OBJECT

  public:
    explicit FrmSend(QWidget* parent = nullptr);

    void Examinar();
    void Enviar();
    void Cancelar();

    QLineEdit* txtPassword() const { return txtPassword_; }
    QLineEdit* txtArchivo() const { return txtArchivo_; }
    QPushButton* btExaminar() const { return btExaminar_; }
    QCheckBox* chkFormato() const { return chkFormato_; }
    QPushButton* btEnviar() const { return btEnviar_; }
    QPushButton* btCancelar() const { return btCancelar_; }

    void reject() override;

  private:
    QLineEdit* txtPassword_;
    QLineEdit* txtArchivo_;
    QPushButton* btExaminar_;
    QCheckBox* chkFormato_;
    QPushButton* btEnviar_;
    QPushButton* btCancelar_;
};

}  // namespace vkt::client
