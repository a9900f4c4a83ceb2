// frmParam ("Información Adicional"): one labelled box per field of the server's field list
// (General().Parametros, its first LargoParametros characters; read as rules/field_list.h
// describes). "Aceptar"
// checks that every box is filled and leaves the fixed-width answer text and its length in
// Parametros / LargoParametros; any other way of closing leaves the null text and 0.
//
// The rows are the control arrays lblArray / txtArray: element 0 is the designed row, the
// others are made as fields are read. Every element carries the array's name as objectName
// and its index in the property "index"; a text box's property "tag" is "N" (digits only) or
// "A" (any text).
#pragma once

#include <QDialog>
#include <QList>
#include <QString>
#include <cstdint>

class QLabel;
class QLineEdit;
class QPushButton;

namespace vkt::client {

// One field of the list.
struct Campo {
    QString Nombre;
    std::int16_t Ancho = 0;
    bool Numerico = false;
    bool Oculto = false;
};

class FrmParam : public QDialog {
    Q_OBJECT

  public:
    // Loads: Aceptado false, then the rows built from Parametros / LargoParametros.
    explicit FrmParam(QWidget* parent = nullptr);

    void InitForm(const QString& param, int szparam);
    void CrearCampo(int indice, const Campo& campo);
    void AlinearCampos(int ultimo);
    // Appends every field's formatted answer to *output.
    void FormatOutput(QString* output) const;
    void Aceptar();
    void Cancelar();

    bool Aceptado() const { return aceptado_; }
    // The fields read from the list (0 when none could be read: the designed row is hidden).
    int Campos() const { return static_cast<int>(campos_.size()); }
    QLabel* lblArray(int index) const { return lblArray_.at(index); }
    QLineEdit* txtArray(int index) const { return txtArray_.at(index); }
    QPushButton* cmdOK() const { return cmdOK_; }
    QPushButton* cmdCancel() const { return cmdCancel_; }

    void reject() override;
    void done(int result) override;

  private:
    void NuevaFila(int index);

    bool aceptado_ = false;
    QList<Campo> campos_;
    QList<QLabel*> lblArray_;
    QList<QLineEdit*> txtArray_;
    QPushButton* cmdOK_;
    QPushButton* cmdCancel_;
};

}  // namespace vkt::client
