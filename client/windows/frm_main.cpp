// The main window: layout, toolbar states, the click dispatch and the close handling.
#include "windows/frm_main.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QLocale>
#include <QStatusBar>
#include <QTime>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "commands/session_commands.h"
#include "commands/transfer_commands.h"
#include "general/client_state.h"
#include "general/message_box.h"
#include "general/run_time_error.h"
#include "general/status_text.h"
#include "windows/lista_images.h"
#include "windows/main_window_registry.h"

namespace vkt::client {
namespace {

constexpr int kRelojIntervalMs = 30000;
constexpr int kClockIntervalMs = 1000;
constexpr const char* kImageProperty = "vktImage";

// Layout sizes in pixels at 96 dpi (15 twips per pixel).
constexpr int kWidth = 420;
constexpr int kHeight = 150;

}  // namespace

FrmMain::FrmMain(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(ProductName());

    tbBarraTareas_ = new QToolBar(QStringLiteral("tbBarraTareas"), this);
    tbBarraTareas_->setObjectName(QStringLiteral("tbBarraTareas"));
    tbBarraTareas_->setAccessibleName(QString::fromUtf8("Barra de tareas"));
    tbBarraTareas_->setMovable(false);
    tbBarraTareas_->setFloatable(false);
    tbBarraTareas_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    tbBarraTareas_->setIconSize(QSize(kToolbarPictureSize, kToolbarPictureSize));
    tbBarraTareas_->setContextMenuPolicy(Qt::PreventContextMenu);
    addToolBar(Qt::TopToolBarArea, tbBarraTareas_);

    AddButton(QString::fromUtf8("Conexión"), QStringLiteral("tbrCONNECT"),
              QStringLiteral("Conectar"), QStringLiteral("imgDesconectar"));
    AddButton(QStringLiteral("Enviar"), QStringLiteral("tbrSEND"), QStringLiteral("Enviar"),
              QStringLiteral("imgEnviar"));
    AddButton(QStringLiteral("Solicitar"), QStringLiteral("tbrRECV"), QStringLiteral("Solicitar"),
              QStringLiteral("imgSolicitar"));
    AddButton(QStringLiteral("Historial"), QStringLiteral("tbrHISTORY"),
              QStringLiteral("Historial"), QStringLiteral("imgHistorial"));
    AddButton(QStringLiteral("Salir"), QStringLiteral("tbrEXIT"), QStringLiteral("Salir"),
              QStringLiteral("imgSalir"));

    QStatusBar* bar = new QStatusBar(this);
    bar->setObjectName(QStringLiteral("sbBarraEstado"));
    bar->setSizeGripEnabled(false);
    setStatusBar(bar);
    // A screen reader reads a panel's text (its name comes from the text); what the panel is
    // for is its description.
    pInfo_ = new QLabel(bar);
    pInfo_->setObjectName(QStringLiteral("pInfo"));
    pInfo_->setAccessibleDescription(QString::fromUtf8("Estado de la sesión"));
    pHora_ = new QLabel(bar);
    pHora_->setObjectName(QStringLiteral("pHora"));
    pHora_->setAccessibleDescription(QStringLiteral("Hora"));
    pHora_->setAlignment(Qt::AlignCenter);
    bar->addWidget(pInfo_, 1);
    bar->addPermanentWidget(pHora_);

    // The time panel keeps itself current, as the status-bar control did.
    clock_ = new QTimer(this);
    clock_->setObjectName(QStringLiteral("pHoraReloj"));
    clock_->setInterval(kClockIntervalMs);
    connect(clock_, &QTimer::timeout, this, &FrmMain::ShowTime);
    clock_->start();
    ShowTime();

    reloj_ = new QTimer(this);
    reloj_->setObjectName(QStringLiteral("Reloj"));
    reloj_->setInterval(kRelojIntervalMs);
    connect(reloj_, &QTimer::timeout, this, [] { MostrarErrores(); });

    const double scale = logicalDpiX() / 96.0;
    resize(static_cast<int>(kWidth * scale), static_cast<int>(kHeight * scale));

    RegisterMainWindow(this);
    SetStatusTextTarget(1, [this](const QString& texto) { pInfo_->setText(texto); });
}

FrmMain::~FrmMain() {
    SetStatusTextTarget(1, {});
    UnregisterMainWindow(this);
}

QAction* FrmMain::AddButton(const QString& caption, const QString& key, const QString& toolTip,
                            const QString& image) {
    QAction* button = tbBarraTareas_->addAction(caption);
    button->setObjectName(key);
    button->setToolTip(toolTip);
    SetButtonImage(button, image);
    connect(button, &QAction::triggered, this, [this, key] { ButtonClick(key); });
    if (QWidget* widget = tbBarraTareas_->widgetForAction(button)) {
        widget->setObjectName(key + QStringLiteral("Boton"));
        widget->setAccessibleName(caption);
    }
    return button;
}

void FrmMain::SetButtonImage(QAction* button, const QString& image) {
    button->setIcon(ListaImages(image));
    button->setProperty(kImageProperty, image);
}

QAction* FrmMain::Button(const QString& key) const {
    return tbBarraTareas_->findChild<QAction*>(key, Qt::FindDirectChildrenOnly);
}

QString FrmMain::ButtonImage(const QString& key) const {
    const QAction* button = Button(key);
    return button != nullptr ? button->property(kImageProperty).toString() : QString();
}

void FrmMain::ShowTime() {
    pHora_->setText(QLocale::system().toString(QTime::currentTime(), QLocale::ShortFormat));
}

void FrmMain::Load() {
    VKTConfigurar();
    show();
    VKTInitConexion();
}

void FrmMain::UpdateScreen(int flag) {
    QAction* connectButton = Button(QStringLiteral("tbrCONNECT"));
    const QStringList transfers = {QStringLiteral("tbrSEND"), QStringLiteral("tbrRECV"),
                                   QStringLiteral("tbrHISTORY")};
    if (flag == 1) {
        SetButtonImage(connectButton, QStringLiteral("imgConectar"));
        connectButton->setToolTip(QStringLiteral("Desconectar"));
        for (const QString& key : transfers) Button(key)->setEnabled(true);
    } else if (flag == 2) {
        reloj_->stop();
        SetButtonImage(connectButton, QStringLiteral("imgDesconectar"));
        connectButton->setToolTip(QStringLiteral("Conectar"));
        for (const QString& key : transfers) Button(key)->setEnabled(false);
    }
}

void FrmMain::ButtonClick(const QString& key) {
    const ConfigRecord& config = General().Config;
    pInfo_->setText(config.Conectado ? QString::fromUtf8("Sesión Activa [") +
                                           QString::number(config.Sesion) + "]"
                                     : QString());

    if (key == QLatin1String("tbrCONNECT")) {
        if (ocupado_) {
            MsgBox(QString::fromUtf8("Operación en progreso. Aguarde su finalización"),
                   kExclamation, QString::fromUtf8("Conexión"));
        } else if (config.Conectado) {
            VKTFinConexion();
        } else {
            VKTInitConexion();
        }
    } else if (key == QLatin1String("tbrSEND")) {
        if (config.Conectado) Trap([] { VKTSendFile(); });
    } else if (key == QLatin1String("tbrRECV")) {
        if (config.Conectado) Trap([] { VKTReceiveFile(); });
    } else if (key == QLatin1String("tbrHISTORY")) {
        if (config.Conectado) Trap([] { VKTHistorial(); });
    } else if (key == QLatin1String("tbrEXIT")) {
        const int answer = MsgBox(QString::fromUtf8("¿Desea abandonar la aplicación?"),
                                  kYesNo | kQuestion, QStringLiteral("Salir"));
        if (answer == kAnswerYes) {
            if (config.Conectado) VKTFinConexion();
            close();
        }
    }
}

void FrmMain::closeEvent(QCloseEvent* event) {
    // Closing is never refused; an open session is ended first.
    if (General().Config.Conectado) VKTFinConexion();
    event->accept();
}

}  // namespace vkt::client
