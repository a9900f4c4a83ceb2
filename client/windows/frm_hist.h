// frmHist: the day's activity log in a read-only text box, closed with "Cerrar".
#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace vkt::client {

class FrmHist : public QDialog {
    Q_OBJECT

  public:
    explicit FrmHist(QWidget* parent = nullptr);

    QPlainTextEdit* txtHistorial() const { return txtHistorial_; }
    QPushButton* btCerrar() const { return btCerrar_; }

  private:
    QPlainTextEdit* txtHistorial_;
    QPushButton* btCerrar_;
};

}  // namespace vkt::client
