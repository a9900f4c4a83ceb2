// frmSend: the send dialog.
#include "windows/frm_send.h"

#include <QCheckBox>
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
#include "windows/typing_filters.h"

namespace vkt::client {
namespace {

constexpr int kButtonWidth = 1095;
constexpr int kButtonHeight = 375;

}  // namespace

FrmSend::FrmSend(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmSend"));
    setWindowTitle(QStringLiteral("Enviar..."));
    setModal(true);

    txtPassword_ = MakeTextBox(this, "txtPassword");
    txtArchivo_ = MakeTextBox(this, "txtArchivo");
    QLabel* lbPassword =
        MakeCaption(this, "lbPassword", QString::fromUtf8("Contraseña:"), txtPassword_);
    QLabel* lbArchivo = MakeCaption(this, "lbArchivo", QStringLiteral("Archivo:"), txtArchivo_);
    // The password keeps the upper-case filter; file names are case-sensitive and are taken
    // as typed.
    InstallTypingFilter(txtPassword_, TypingRule::UpperCase);
    ShowAsterisks(txtPassword_);

    btExaminar_ = MakeButton(this, "btExaminar", QStringLiteral("E&xaminar..."));
    chkFormato_ = new QCheckBox(QStringLiteral("Archivo con formato"), this);
    chkFormato_->setObjectName(QStringLiteral("chkFormato"));
    chkFormato_->setAccessibleName(chkFormato_->text());
    chkFormato_->setChecked(true);
    btEnviar_ = MakeButton(this, "btEnviar", QStringLiteral("&Enviar"));
    btCancelar_ = MakeButton(this, "btCancelar", QStringLiteral("C&ancelar"));
    btEnviar_->setDefault(true);

    const int boxLeft = BoxColumnLeft({lbPassword, lbArchivo}, 1200);
    const int boxRight = boxLeft + 2775;
    const int browseWidth = ButtonWidth(btExaminar_, kButtonWidth);
    const int right = boxRight + 120 + browseWidth;
    PlaceTwips(lbPassword, 120, 285, boxLeft - 180);
    PlaceTwips(txtPassword_, boxLeft, 240, 2775);
    PlaceTwips(lbArchivo, 120, 765, boxLeft - 180);
    PlaceTwips(txtArchivo_, boxLeft, 720, 2775);
    PlaceTwips(btExaminar_, boxRight + 120, 705, browseWidth, kButtonHeight);
    PlaceTwips(chkFormato_, boxLeft, 1200, 2775);
    PlaceTwips(btEnviar_, right - 2 * kButtonWidth - 120, 1740, kButtonWidth, kButtonHeight);
    PlaceTwips(btCancelar_, right - kButtonWidth, 1740, kButtonWidth, kButtonHeight);
    setFixedSize(Twips(this, right + 240), Twips(this, 1740 + kButtonHeight + 240));

    setTabOrder(txtPassword_, txtArchivo_);
    setTabOrder(txtArchivo_, btExaminar_);
    setTabOrder(btExaminar_, chkFormato_);
    setTabOrder(chkFormato_, btEnviar_);
    setTabOrder(btEnviar_, btCancelar_);
    txtPassword_->setFocus();

    connect(btExaminar_, &QPushButton::clicked, this, &FrmSend::Examinar);
    connect(btEnviar_, &QPushButton::clicked, this, &FrmSend::Enviar);
    connect(btCancelar_, &QPushButton::clicked, this, &FrmSend::Cancelar);

    ClientState& state = General();
    state.Archivo.clear();
    state.Formato = -1;
    state.Destino.clear();
}

// The chooser in file mode; a confirmed choice replaces the box, a cancelled one keeps what
// the user had typed.
void FrmSend::Examinar() {
    Trap([&] {
        if (RunFileChooser(this, QStringLiteral("1"))) txtArchivo_->setText(General().Archivo);
    });
}

void FrmSend::Enviar() {
    if (txtPassword_->text().isEmpty() || txtArchivo_->text().isEmpty()) {
        MsgBox(QStringLiteral("Debe completar todos los campos"), kCritical,
               QStringLiteral("Error"));
        return;
    }
    ClientState& state = General();
    state.Config.Password = txtPassword_->text();
    state.Archivo = txtArchivo_->text();
    state.Destino.clear();
    state.Formato = chkFormato_->isChecked() ? 1 : 2;
    accept();
}

void FrmSend::Cancelar() {
    ClientState& state = General();
    state.Archivo.clear();
    state.Formato = -1;
    state.Destino.clear();
    QDialog::reject();
}

void FrmSend::reject() {
    Cancelar();
}

void ShowSendDialog(QWidget* parent) {
    FrmSend dialog(parent);
    dialog.exec();
}

}  // namespace vkt::client
