// frmParam: the additional-information form.
#include "windows/frm_param.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "general/client_state.h"
#include "general/message_box.h"
#include "general/number_text.h"
#include "general/run_time_error.h"
#include "general/text_encoding.h"
#include "rules/field_list.h"
#include "windows/dialog_controls.h"
#include "windows/dialogs.h"
#include "windows/twips_geometry.h"
#include "windows/typing_filters.h"

namespace vkt::client {
namespace {

constexpr int kRowTop = 240;
constexpr int kLabelLeft = 120;
constexpr int kBoxWidth = 2535;
constexpr int kButtonWidth = 1095;
constexpr int kButtonHeight = 375;

Campo FromField(const rules::Field& field) {
    Campo campo;
    campo.Nombre = FromLatin1(field.name.data(), static_cast<int>(field.name.size()));
    campo.Ancho = static_cast<std::int16_t>(field.width);
    campo.Numerico = field.numeric;
    campo.Oculto = field.hidden;
    return campo;
}

}  // namespace

FrmParam::FrmParam(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmParam"));
    setWindowTitle(QString::fromUtf8("Información Adicional"));
    setModal(true);

    cmdOK_ = MakeButton(this, "cmdOK", QStringLiteral("&Aceptar"));
    cmdCancel_ = MakeButton(this, "cmdCancel", QStringLiteral("&Cancelar"));
    cmdOK_->setDefault(true);
    connect(cmdOK_, &QPushButton::clicked, this, &FrmParam::Aceptar);
    connect(cmdCancel_, &QPushButton::clicked, this, &FrmParam::Cancelar);

    NuevaFila(0);
    PlaceTwips(lblArray_[0], kLabelLeft, kRowTop);
    PlaceTwips(txtArray_[0], 2040, kRowTop, kBoxWidth);

    aceptado_ = false;
    const ClientState& state = General();
    InitForm(state.Parametros, state.LargoParametros);
}

void FrmParam::NuevaFila(int index) {
    auto* box = new QLineEdit(this);
    box->setObjectName(QStringLiteral("txtArray"));
    box->setProperty("index", index);
    box->setProperty("tag", QStringLiteral("A"));
    auto* label = new QLabel(this);
    label->setObjectName(QStringLiteral("lblArray"));
    label->setProperty("index", index);
    label->setBuddy(box);
    lblArray_.append(label);
    txtArray_.append(box);
}

// Reads records until one cannot be read; the fields read so far stay (also when a width
// overflows, which is shown).
void FrmParam::InitForm(const QString& param, int szparam) {
    const QByteArray list = ToLatin1(param.left(qMax(0, szparam)));
    const rules::FieldList parsed = rules::ParseFieldList(list.toStdString());
    Trap([&] {
        bool first = campos_.isEmpty();
        for (const rules::Field& field : parsed.fields) {
            int index = static_cast<int>(lblArray_.size()) - 1;
            if (!first) {
                ++index;
                NuevaFila(index);
            }
            first = false;
            CrearCampo(index, FromField(field));
        }
        if (parsed.stop == rules::FieldList::Stop::kWidthTooLarge) {
            ThrowNumberError(rules::NumberRead::kOutOfRange);
        }
    });
    // With no field read, the designed row has nothing to ask.
    lblArray_[0]->setVisible(!campos_.isEmpty());
    txtArray_[0]->setVisible(!campos_.isEmpty());
    AlinearCampos(static_cast<int>(txtArray_.size()) - 1);
}

void FrmParam::CrearCampo(int indice, const Campo& campo) {
    QLabel* label = lblArray_.at(indice);
    QLineEdit* box = txtArray_.at(indice);
    label->setText(campo.Nombre);
    label->adjustSize();
    label->setVisible(true);
    box->setAccessibleName(campo.Nombre);
    box->setMaxLength(campo.Ancho > 0 ? campo.Ancho : 32767);
    if (campo.Oculto) ShowAsterisks(box);
    box->setProperty("tag", campo.Numerico ? QStringLiteral("N") : QStringLiteral("A"));
    if (campo.Numerico) InstallTypingFilter(box, TypingRule::Digits);
    box->setVisible(true);
    if (indice >= campos_.size()) campos_.resize(indice + 1);
    campos_[indice] = campo;
}

// Rows one under the other 120 twips apart, the boxes in one column right of the widest
// label, the buttons under the last box with their right edges on the boxes' right edge.
void FrmParam::AlinearCampos(int ultimo) {
    const int gap = Twips(this, 120);
    const int boxHeight = txtArray_[0]->sizeHint().height();
    int widest = 0;
    for (int i = 0; i <= ultimo; ++i) widest = std::max(widest, lblArray_[i]->width());
    const int boxLeft = widest + Twips(this, 360);
    const int boxWidth = Twips(this, kBoxWidth);
    int top = Twips(this, kRowTop);
    for (int i = 0; i <= ultimo; ++i) {
        txtArray_[i]->setGeometry(boxLeft, top, boxWidth, boxHeight);
        QLabel* label = lblArray_[i];
        label->move(Twips(this, kLabelLeft), top + (boxHeight - label->height()) / 2);
        top += boxHeight + gap;
    }
    const int lastBottom = top - gap;
    const int buttonWidth = std::max(Twips(this, kButtonWidth), cmdCancel_->sizeHint().width());
    const int buttonHeight = std::max(Twips(this, kButtonHeight), cmdCancel_->sizeHint().height());
    const int buttonsTop = lastBottom + Twips(this, 240);
    const int right = boxLeft + boxWidth;
    cmdCancel_->setGeometry(right - buttonWidth, buttonsTop, buttonWidth, buttonHeight);
    cmdOK_->setGeometry(right - 2 * buttonWidth - gap, buttonsTop, buttonWidth, buttonHeight);
    setFixedSize(right + Twips(this, 240), buttonsTop + buttonHeight + Twips(this, 240));

    // The boxes in field order, then the buttons; the first box has the focus.
    QWidget* previous = nullptr;
    for (int i = 0; i <= ultimo; ++i) {
        if (previous != nullptr) setTabOrder(previous, txtArray_[i]);
        previous = txtArray_[i];
    }
    setTabOrder(previous, cmdOK_);
    setTabOrder(cmdOK_, cmdCancel_);
    if (!campos_.isEmpty()) {
        txtArray_[0]->setFocus();
    } else {
        cmdOK_->setFocus();
    }
}

void FrmParam::FormatOutput(QString* output) const {
    for (int i = 0; i < campos_.size(); ++i) {
        rules::Field field;
        field.width = campos_[i].Ancho;
        field.numeric = txtArray_[i]->property("tag").toString() == QLatin1String("N");
        const std::string answer =
            rules::FormatAnswer(field, ToLatin1(txtArray_[i]->text()).toStdString());
        output->append(FromLatin1(answer.data(), static_cast<int>(answer.size())));
    }
}

void FrmParam::Aceptar() {
    for (int i = 0; i < campos_.size(); ++i) {
        if (TrimBlanks(txtArray_[i]->text()).isEmpty()) {
            MsgBox(QStringLiteral("Debe completar todos los campos"), kCritical,
                   QStringLiteral("Error"));
            return;
        }
    }
    QString output = QStringLiteral("");  // empty, not the null text
    FormatOutput(&output);
    ClientState& state = General();
    state.Parametros = output;
    state.LargoParametros = static_cast<std::int32_t>(output.size());
    aceptado_ = true;
    accept();
}

void FrmParam::Cancelar() {
    aceptado_ = false;
    General().LargoParametros = 0;
    General().Parametros = QString();
    QDialog::reject();
}

void FrmParam::reject() {
    Cancelar();
}

// Unload: any way of closing but "Aceptar" leaves no additional information.
void FrmParam::done(int result) {
    if (!aceptado_) {
        General().LargoParametros = 0;
        General().Parametros = QString();
    }
    QDialog::done(result);
}

void ShowParamForm(QWidget* parent) {
    FrmParam form(parent);
    form.exec();
}

}  // namespace vkt::client
