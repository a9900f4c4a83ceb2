// frmRecv ("Solicitar..."): the name of the file to request from the server and the local
// folder to store it in. "Recibir" stores the name in lower case in Archivo and the folder in
// Destino; cancelling (button, Escape or close box) empties both, so nothing is requested.
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace vkt::client {

class FrmRecv : public QDialog {
    Q_OBJECT

  public:
    explicit FrmRecv(QWidget* parent = nullptr);

    void Examinar();
    void Recibir();
    void Cancelar();

    QLineEdit* txtArchivo() const { return txtArchivo_; }
    QLineEdit* txtDestino() const { return txtDestino_; }
    QPushButton* btExaminar() const { return btExaminar_; }
    QPushButton* btRecibir() const { return btRecibir_; }
    QPushButton* btCancelar() const { return btCancelar_; }

    void reject() override;

  private:
    QLineEdit* txtArchivo_;
    QLineEdit* txtDestino_;
    QPushButton* btExaminar_;
    QPushButton* btRecibir_;
    QPushButton* btCancelar_;
};

}  // namespace vkt::client
