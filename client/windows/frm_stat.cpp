// The status window: its layout, the polling loop over VKTEstado and the checklist rules.
#include "windows/frm_stat.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QEventLoop>
#include <QGroupBox>
#include <QProgressBar>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <climits>

#include "binding/lib_vkt32.h"
#include "commands/session_commands.h"
#include "general/activity_log.h"
#include "general/client_state.h"
#include "general/message_box.h"
#include "general/run_time_error.h"
#include "general/status_text.h"
#include "windows/dialogs.h"
#include "windows/twips_geometry.h"

namespace vkt::client {
namespace {

const QColor kDarkRed(128, 0, 0);  // the phase under way

constexpr int kFrameLeft = 120;
constexpr int kFrameWidth = 4215;
constexpr int kItemLeft = 240;
constexpr int kItemTop = 300;  // first item, below the frame's border
constexpr int kItemPitch = 360;
constexpr int kItemHeight = 300;
constexpr int kItemWidth = 3735;

struct Item {
    int frame;  // 0 frameSend, 1 frameRecv, 2 frameSesion
    const char* caption;
};

// chkStatus 0..10 in order; inside a frame the items stand one under the other.
constexpr Item kItemTable[FrmStat::kItems] = {
    {0, "Control del Archivo"},  {0, "Solicitando Autorización"}, {0, "Enviando Archivo"},
    {0, "Firmando Archivo"},     {0, "Procesamiento Remoto"},     {1, "Enviando Solicitud"},
    {1, "Procesamiento Remoto"}, {1, "Recibiendo Archivo"},       {1, "Verificando Archivo"},
    {2, "Iniciando Conexión"},   {2, "Estableciendo Sesión"},
};

// The step-to-checklist table: the first item to tick and the item under way.
struct Phase {
    int first;
    int current;
};

Phase SendPhase(std::int32_t step) {
    switch (step) {
        case VKT_STEP_CHECKING_FILE:
            return {0, 0};  // the file checked locally
        case VKT_STEP_AUTHORISING:
            return {0, 1};  // authorisation asked
        case VKT_STEP_SENDING:
            return {0, 2};  // blocks going out
        case VKT_STEP_SIGNING:
            return {0, 3};  // signature
        case VKT_STEP_SERVER_PROCESSING:
            return {0, 4};  // the server's processing
        default:
            return {0, 0};
    }
}

Phase ReceivePhase(std::int32_t step) {
    switch (step) {
        case VKT_STEP_SENDING:
            return {5, 5};  // request sent
        case VKT_STEP_SERVER_PROCESSING:
            return {5, 6};  // the server's processing
        case VKT_STEP_RECEIVING:
            return {5, 7};  // blocks coming in
        case VKT_STEP_CHECKING_FILE:
            return {5, 8};  // digest check
        default:
            return {0, 0};
    }
}

QColor TextColour(const QWidget* widget) {
    return widget->palette().color(QPalette::WindowText);
}

void SetTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::ButtonText, colour);
    widget->setPalette(palette);
}

// Lets pending events through and waits up to 50 ms for more, so that polling keeps the
// window live without keeping a processor busy. Once the application is quitting a new event
// loop returns at once; the wait is then a plain pause, so the loop never spins.
void LetEventsThrough() {
    QEventLoop loop;
    QTimer::singleShot(50, &loop, &QEventLoop::quit);
    if (loop.exec() != 0) {
        QCoreApplication::processEvents();
        QThread::msleep(50);
    }
}

}  // namespace

FrmStat::FrmStat(QWidget* parent)
    : QDialog(parent),
      frameSend_(new QGroupBox(this)),
      frameRecv_(new QGroupBox(this)),
      frameSesion_(new QGroupBox(this)),
      pbBarraProgreso_(new QProgressBar(this)),
      sbBarraEstado_(new QStatusBar(this)) {
    setObjectName(QStringLiteral("frmStat"));
    setWindowTitle(QStringLiteral("Status"));

    frameSend_->setObjectName(QStringLiteral("frameSend"));
    frameRecv_->setObjectName(QStringLiteral("frameRecv"));
    frameSesion_->setObjectName(QStringLiteral("frameSesion"));
    frameSend_->setAccessibleName(QString::fromUtf8("Envío"));
    frameRecv_->setAccessibleName(QString::fromUtf8("Recepción"));
    frameSesion_->setAccessibleName(QString::fromUtf8("Sesión"));
    QGroupBox* frames[] = {frameSend_, frameRecv_, frameSesion_};
    int itemsIn[3] = {0, 0, 0};
    for (int i = 0; i < kItems; ++i) {
        const Item& item = kItemTable[i];
        auto* box = new QCheckBox(QString::fromUtf8(item.caption), frames[item.frame]);
        box->setObjectName(QStringLiteral("chkStatus"));
        box->setProperty("index", i);
        box->setAccessibleName(box->text());
        // Display only: the program ticks and colours the items.
        box->setFocusPolicy(Qt::NoFocus);
        box->setAttribute(Qt::WA_TransparentForMouseEvents);
        box->setGeometry(Twips(this, kItemLeft),
                         Twips(this, kItemTop + kItemPitch * itemsIn[item.frame]),
                         Twips(this, kItemWidth), Twips(this, kItemHeight));
        ++itemsIn[item.frame];
        chkStatus_[i] = box;
    }
    int frameHeight = 0;
    for (int f = 0; f < 3; ++f) {
        const int height = kItemTop + kItemPitch * itemsIn[f] + 60;
        frames[f]->resize(Twips(this, kFrameWidth), Twips(this, height));
        frameHeight = std::max(frameHeight, frames[f]->height());
    }

    pbBarraProgreso_->setObjectName(QStringLiteral("pbBarraProgreso"));
    pbBarraProgreso_->setAccessibleName(QStringLiteral("Progreso"));
    pbBarraProgreso_->setRange(0, 100);
    sbBarraEstado_->setObjectName(QStringLiteral("sbBarraEstado"));
    sbBarraEstado_->setAccessibleName(QStringLiteral("Estado"));
    sbBarraEstado_->setSizeGripEnabled(false);

    resize(Twips(this, kFrameLeft + kFrameWidth + kFrameLeft),
           frameHeight + Twips(this, 120) + pbBarraProgreso_->sizeHint().height() +
               sbBarraEstado_->sizeHint().height());

    // Load: the progress bar shown, the three frames hidden and placed at the top left.
    pbBarraProgreso_->setVisible(true);
    for (QGroupBox* frame : frames) {
        frame->setVisible(false);
        frame->move(Twips(this, kFrameLeft), 0);
    }
    DockBars();

    SetStatusTextTarget(2, [this](const QString& texto) { SetStat(texto); });
}

FrmStat::~FrmStat() {
    SetStatusTextTarget(2, {});
}

void FrmStat::setTag(const QString& tag) {
    tag_ = tag;
    ApplyTag();
}

void FrmStat::ApplyTag() {
    if (tag_ == QLatin1String("3")) {
        setWindowTitle(QStringLiteral("Enviando..."));
        operacion_ = QStringLiteral("Enviar");
        frameSend_->setVisible(true);
    } else if (tag_ == QLatin1String("2")) {
        setWindowTitle(QStringLiteral("Recibiendo..."));
        operacion_ = QStringLiteral("Solicitar");
        frameRecv_->setVisible(true);
    }
}

// The status bar along the bottom edge, the progress bar right above it.
void FrmStat::DockBars() {
    const int statusHeight = sbBarraEstado_->sizeHint().height();
    const int barHeight = pbBarraProgreso_->sizeHint().height();
    sbBarraEstado_->setGeometry(0, height() - statusHeight, width(), statusHeight);
    pbBarraProgreso_->setGeometry(0, height() - statusHeight - barHeight, width(), barHeight);
}

void FrmStat::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    ApplyTag();
    DockBars();
    if (started_) return;
    started_ = true;
    // After the window is on screen, not inside the show: the monitoring runs its own loop.
    QTimer::singleShot(0, this, [this] { InitStat(); });
}

void FrmStat::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    DockBars();
}

void FrmStat::closeEvent(QCloseEvent* event) {
    if (monitoring_) {
        event->ignore();  // the transfer is followed to its end, so that its outcome is logged
        return;
    }
    QDialog::closeEvent(event);
}

void FrmStat::reject() {
    if (!monitoring_) QDialog::reject();
}

void FrmStat::InitStat() {
    if (ShowStat() == 0) {
        SetStat(QStringLiteral("Transferencia Exitosa"));
        hide();  // ends the modal display
        MsgBox(QStringLiteral("Transferencia Exitosa"), kInformation);
    } else {
        MostrarErrores();  // the window stays, its status bar reading "Error"
    }
}

std::int32_t FrmStat::ShowStat() {
    outcome_ = {};
    monitoring_ = true;
    const bool trapped = !Trap([this] {
        bool seguir = true;
        while (seguir) {
            LetEventsThrough();
            StatusRecord& estado = General().Estado;
            if (LibVKT32::VKTEstado(&estado) != VKT_STATUS_OK) {
                // The library could not report the state: the transfer's end is unknown,
                // which must not read as success.
                Fail();
                break;
            }
            seguir = ShowEstado(estado);
        }
    });
    if (trapped) Fail();
    monitoring_ = false;
    GrabarLog(HoraActual(), operacion_, General().Archivo, outcome_.texto);
    return outcome_.resultado;
}

bool FrmStat::ShowEstado(const StatusRecord& estado) {
    ShowProgress(estado.bytesDone, estado.bytesTotal);
    switch (estado.activity) {
        case VKT_ACTIVITY_IDLE:  // ended well
            UpdateFrame(12);
            pbBarraProgreso_->setVisible(false);
            outcome_.texto = QStringLiteral("OK");
            return false;
        case VKT_ACTIVITY_FAILED:
            Fail();
            return false;
        case VKT_ACTIVITY_RUNNING:
            UpdateFrame(static_cast<std::int32_t>(estado.step));
            SetStat(QStringLiteral(" [") + QString::number(estado.bytesDone) + QLatin1Char('/') +
                    QString::number(estado.bytesTotal) + QLatin1Char(']'));
            return true;
        default:
            return true;
    }
}

void FrmStat::Fail() {
    outcome_.resultado = 1;
    outcome_.texto = QStringLiteral("Error");
    SetStat(outcome_.texto);
    pbBarraProgreso_->setVisible(false);
}

// A new total (of at least one byte) resets the bar's range and shows it; otherwise a shown
// bar takes the bytes done. Counts beyond the bar's int range are scaled by a power of two.
void FrmStat::ShowProgress(std::uint32_t done, std::uint32_t total) {
    if (total != progressTotal_ && total >= 1) {
        progressTotal_ = total;
        progressShift_ = 0;
        while ((total >> progressShift_) > static_cast<std::uint32_t>(INT_MAX)) ++progressShift_;
        pbBarraProgreso_->setRange(0, static_cast<int>(total >> progressShift_));
        pbBarraProgreso_->setVisible(true);
    } else if (!pbBarraProgreso_->isHidden()) {
        pbBarraProgreso_->setValue(static_cast<int>(done >> progressShift_));
    }
}

void FrmStat::SetStat(const QString& status) {
    sbBarraEstado_->showMessage(status);
}

void FrmStat::UpdateFrame(std::int32_t flag) {
    Phase phase{0, 0};
    if (!frameSend_->isHidden()) {
        phase = SendPhase(flag);
    } else if (!frameRecv_->isHidden() && flag >= VKT_STEP_SENDING &&
               flag <= VKT_STEP_SERVER_PROCESSING) {
        phase = ReceivePhase(flag);
    }
    const QColor normal = QApplication::palette().color(QPalette::ButtonText);
    for (int i = phase.first; i < phase.current; ++i) {
        chkStatus_[i]->setChecked(true);
        if (TextColour(chkStatus_[i]) != normal) SetTextColour(chkStatus_[i], normal);
    }
    if (TextColour(chkStatus_[phase.current]) != kDarkRed) {
        SetTextColour(chkStatus_[phase.current], kDarkRed);
    }
}

void ShowStatusWindow(QWidget* parent, const QString& tag) {
    FrmStat window(parent);
    window.setTag(tag);
    window.exec();
}

}  // namespace vkt::client
