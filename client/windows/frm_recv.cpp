// frmRecv: the receive dialog.
#include "windows/frm_recv.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "general/client_state.h"
#include "general/message_box.h"
#include "general/run_time_error.h"
#include "windows/dialog_controls.h"
#include "windows/dialogs.h"
#include "windows/frm_files.h"
#include "windows/twips_geometry.h"

namespace vkt::client {
namespace {

constexpr int kButtonWidth = 1095;
constexpr int kButtonHeight = 375;

}  // namespace

FrmRecv::FrmRecv(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmRecv"));
    setWindowTitle(QStringLiteral("Solicitar..."));
    setModal(true);

    // Both boxes take characters as typed: the folder is a case-sensitive path, and the file
    // name is lower-cased when stored.
    txtArchivo_ = MakeTextBox(this, "txtArchivo");
    txtDestino_ = MakeTextBox(this, "txtDestino");
    QLabel* lbArchivo = MakeCaption(this, "lbArchivo", QStringLiteral("Archivo:"), txtArchivo_);
    QLabel* lbGuardar = MakeCaption(this, "lbGuardar", QStringLiteral("Guardar en:"), txtDestino_);
    btExaminar_ = MakeButton(this, "btExaminar", QStringLiteral("E&xaminar..."));
    btRecibir_ = MakeButton(this, "btRecibir", QStringLiteral("&Recibir"));
    btCancelar_ = MakeButton(this, "btCancelar", QStringLiteral("C&ancelar"));
    btRecibir_->setDefault(true);

    const int boxLeft = BoxColumnLeft({lbArchivo, lbGuardar}, 1320);
    const int boxRight = boxLeft + 2655;
    const int browseWidth = ButtonWidth(btExaminar_, kButtonWidth);
    const int right = boxRight + 120 + browseWidth;
    PlaceTwips(lbArchivo, 120, 285, boxLeft - 180);
    PlaceTwips(txtArchivo_, boxLeft, 240, 2655);
    PlaceTwips(lbGuardar, 120, 765, boxLeft - 180);
    PlaceTwips(txtDestino_, boxLeft, 720, 2655);
    PlaceTwips(btExaminar_, boxRight + 120, 705, browseWidth, kButtonHeight);
    PlaceTwips(btRecibir_, right - 2 * kButtonWidth - 120, 1320, kButtonWidth, kButtonHeight);
    PlaceTwips(btCancelar_, right - kButtonWidth, 1320, kButtonWidth, kButtonHeight);
    setFixedSize(Twips(this, right + 240), Twips(this, 1320 + kButtonHeight + 240));

    setTabOrder(txtArchivo_, txtDestino_);
    setTabOrder(txtDestino_, btExaminar_);
    setTabOrder(btExaminar_, btRecibir_);
    setTabOrder(btRecibir_, btCancelar_);
    txtArchivo_->setFocus();

    connect(btExaminar_, &QPushButton::clicked, this, &FrmRecv::Examinar);
    connect(btRecibir_, &QPushButton::clicked, this, &FrmRecv::Recibir);
    connect(btCancelar_, &QPushButton::clicked, this, &FrmRecv::Cancelar);
}

// The chooser in folder mode; a confirmed folder replaces the box, a cancelled chooser keeps
// what the user had typed.
void FrmRecv::Examinar() {
    Trap([&] {
        if (RunFileChooser(this, QStringLiteral("2"))) txtDestino_->setText(General().Destino);
    });
}

void FrmRecv::Recibir() {
    if (txtArchivo_->text().isEmpty() || txtDestino_->text().isEmpty()) {
        MsgBox(QStringLiteral("Debe completar todos los campos"), kCritical,
               QStringLiteral("Error"));
        return;
    }
    ClientState& state = General();
    state.Archivo = txtArchivo_->text().toLower();
    state.Destino = txtDestino_->text();
    state.Formato = -1;
    accept();
}

// Every way of leaving without "Recibir" requests nothing (a closed dialog must not repeat
// an earlier request).
void FrmRecv::Cancelar() {
    ClientState& state = General();
    state.Archivo.clear();
    state.Formato = -1;
    state.Destino.clear();
    QDialog::reject();
}

void FrmRecv::reject() {
    Cancelar();
}

void ShowReceiveDialog(QWidget* parent) {
    FrmRecv dialog(parent);
    dialog.exec();
}

}  // namespace vkt::client
