// frmUser: the configuration dialog.
#include "windows/frm_user.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "general/app_paths.h"
#include "general/client_state.h"
#include "general/config_file.h"
#include "general/message_box.h"
#include "general/number_text.h"
#include "general/run_time_error.h"
#include "windows/dialog_controls.h"
#include "windows/dialogs.h"
#include "windows/twips_geometry.h"
#include "windows/typing_filters.h"

namespace vkt::client {
namespace {

constexpr int kDesignedBoxLeft = 1200;
constexpr int kBoxWidth = 2415;
constexpr int kButtonWidth = 1095;
constexpr int kButtonHeight = 375;

}  // namespace

FrmUser::FrmUser(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmUser"));
    setWindowTitle(QString::fromUtf8("Configuración"));
    setModal(true);

    txtServidor_ = MakeTextBox(this, "txtServidor");
    txtServicio_ = MakeTextBox(this, "txtServicio");
    txtTimeout_ = MakeTextBox(this, "txtTimeout");
    txtUsuario_ = MakeTextBox(this, "txtUsuario");
    txtPassword_ = MakeTextBox(this, "txtPassword");
    struct Row {
        const char* label;
        const char* caption;
        QLineEdit* box;
        int top;
    };
    const Row rows[] = {
        {"lbServidor", "Servidor:", txtServidor_, 120},
        {"lbServicio", "Servicio:", txtServicio_, 600},
        {"lbTimeout", "Timeout:", txtTimeout_, 1080},
        {"lbUsuario", "Usuario:", txtUsuario_, 1560},
        {"lbPassword", "Contraseña:", txtPassword_, 2040},
    };
    QLabel* labels[5];
    for (int i = 0; i < 5; ++i) {
        labels[i] =
            MakeCaption(this, rows[i].label, QString::fromUtf8(rows[i].caption), rows[i].box);
    }
    const int boxLeft =
        BoxColumnLeft({labels[0], labels[1], labels[2], labels[3], labels[4]}, kDesignedBoxLeft);
    for (int i = 0; i < 5; ++i) {
        PlaceTwips(rows[i].box, boxLeft, rows[i].top, kBoxWidth);
        PlaceTwips(labels[i], 120, rows[i].top + 45, boxLeft - 180);
    }
    InstallTypingFilter(txtServidor_, TypingRule::UpperCase);
    InstallTypingFilter(txtServicio_, TypingRule::UpperCase);
    InstallTypingFilter(txtTimeout_, TypingRule::Digits);
    InstallTypingFilter(txtUsuario_, TypingRule::UpperCase);
    InstallTypingFilter(txtPassword_, TypingRule::UpperCase);
    txtUsuario_->setMaxLength(8);
    ShowAsterisks(txtPassword_);

    cmdOK_ = MakeButton(this, "cmdOK", QStringLiteral("&Aceptar"));
    cmdCancel_ = MakeButton(this, "cmdCancel", QStringLiteral("&Cancelar"));
    cmdOK_->setDefault(true);
    const int buttonsTop = 2580;
    PlaceTwips(cmdOK_, boxLeft + kBoxWidth - 2 * kButtonWidth - 120, buttonsTop, kButtonWidth,
               kButtonHeight);
    PlaceTwips(cmdCancel_, boxLeft + kBoxWidth - kButtonWidth, buttonsTop, kButtonWidth,
               kButtonHeight);
    setFixedSize(Twips(this, boxLeft + kBoxWidth + 240),
                 Twips(this, buttonsTop + kButtonHeight + 240));

    // The password first: with the rest pre-filled, the password and Enter connect.
    setTabOrder(txtPassword_, cmdOK_);
    setTabOrder(cmdOK_, cmdCancel_);
    setTabOrder(cmdCancel_, txtServidor_);
    setTabOrder(txtServidor_, txtServicio_);
    setTabOrder(txtServicio_, txtTimeout_);
    setTabOrder(txtTimeout_, txtUsuario_);
    txtPassword_->setFocus();

    connect(cmdOK_, &QPushButton::clicked, this, &FrmUser::Aceptar);
    connect(cmdCancel_, &QPushButton::clicked, this, &FrmUser::Cancelar);

    Load();
}

// Pre-fills the boxes from VKT32.cnf; an unreadable file leaves them empty.
void FrmUser::Load() {
    QString servidor, servicio, timeout, usuario, dirClaves;
    if (LeerConfiguracion(&servidor, &servicio, &timeout, &usuario, &dirClaves) != 0) return;
    txtServidor_->setText(servidor);
    txtServicio_->setText(servicio);
    txtTimeout_->setText(timeout);
    txtUsuario_->setText(usuario);
    General().Config.DirClaves = dirClaves;
}

void FrmUser::Aceptar() {
    for (const QLineEdit* box :
         {txtServidor_, txtServicio_, txtTimeout_, txtUsuario_, txtPassword_}) {
        if (box->text().isEmpty()) {
            MsgBox(QStringLiteral("Por favor, complete todos los datos."), kCritical,
                   QStringLiteral("Error"));
            return;
        }
    }
    ConfigRecord& config = General().Config;
    config.Usuario = TrimBlanks(txtUsuario_->text());
    config.Password = TrimBlanks(txtPassword_->text());
    config.Servidor = TrimBlanks(txtServidor_->text());
    config.Servicio = TrimBlanks(txtServicio_->text());
    // A time-out that is no number or too large is shown and the previous one is kept.
    Trap([&] { config.Timeout = ToLong(txtTimeout_->text()); });
    if (config.Timeout < 1) config.Timeout = 180;
    if (config.DirClaves.isEmpty()) config.DirClaves = DefaultKeyDirectory();

    const QString linea = config.Servidor + QLatin1Char(',') + config.Servicio + QLatin1Char(',') +
                          QString::number(config.Timeout) + QLatin1Char(',') + config.Usuario +
                          QLatin1Char(',') + config.DirClaves;
    GrabarConfiguracion(linea);
    accept();
}

void FrmUser::Cancelar() {
    General().Config.Password.clear();
    QDialog::reject();
}

void FrmUser::reject() {
    Cancelar();
}

void ShowConfigDialog(QWidget* parent) {
    FrmUser dialog(parent);
    dialog.exec();
}

}  // namespace vkt::client
