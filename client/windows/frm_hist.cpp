// The history window and the function that shows it modally.
#include "windows/frm_hist.h"

#include <QPlainTextEdit>
#include <QPushButton>

#include "general/activity_log.h"
#include "windows/dialogs.h"
#include "windows/twips_geometry.h"

namespace vkt::client {

FrmHist::FrmHist(QWidget* parent)
    : QDialog(parent),
      txtHistorial_(new QPlainTextEdit(this)),
      btCerrar_(new QPushButton(QStringLiteral("&Cerrar"), this)) {
    setObjectName(QStringLiteral("frmHist"));
    setWindowTitle(QStringLiteral("Historial"));

    txtHistorial_->setObjectName(QStringLiteral("txtHistorial"));
    txtHistorial_->setAccessibleName(QStringLiteral("Historial"));
    txtHistorial_->setReadOnly(true);  // nothing typed here would ever be saved
    txtHistorial_->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtHistorial_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtHistorial_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtHistorial_->setGeometry(Twips(this, 120), Twips(this, 240), Twips(this, 4095),
                               Twips(this, 2415));

    btCerrar_->setObjectName(QStringLiteral("btCerrar"));
    btCerrar_->setAccessibleName(QStringLiteral("Cerrar"));
    btCerrar_->setDefault(true);
    btCerrar_->setAutoDefault(true);
    const QSize button(Twips(this, 1215), Twips(this, 375));
    btCerrar_->setGeometry(Twips(this, 120 + 4095) - button.width(), Twips(this, 240 + 2415 + 240),
                           button.width(), button.height());
    connect(btCerrar_, &QPushButton::clicked, this, &QDialog::accept);

    setFixedSize(Twips(this, 120 + 4095 + 120), Twips(this, 240 + 2415 + 240 + 375 + 240));
    setTabOrder(txtHistorial_, btCerrar_);

    // Load: the whole file, its CR LF line ends shown as plain line breaks.
    QString text = LeerHistorial();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    txtHistorial_->setPlainText(text);
}

void ShowHistoryWindow(QWidget* parent) {
    FrmHist window(parent);
    window.exec();
}

}  // namespace vkt::client
