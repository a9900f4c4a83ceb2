// The splash window: painted pictures, the two-colour title and the two-second timer.
#include "windows/frm_splash.h"

#include <QFont>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QTimer>

#include "general/message_box.h"
#include "windows/lista_images.h"

namespace vkt::client {
namespace {

constexpr int kShowMs = 2000;

// Layout in twips (15 per pixel at 96 dpi), scaled with the screen.
struct TwipsRect {
    int left, top, width, height;
};
constexpr TwipsRect kWindow{0, 0, 6900, 4200};
constexpr TwipsRect kLogo{480, 600, 1440, 1440};
constexpr TwipsRect kTitle{2280, 540, 4200, 1320};
constexpr int kShadowOffset = 60;
constexpr TwipsRect kDeco{2280, 1920, 4200, 120};
constexpr TwipsRect kMaker{2280, 2160, 4200, 360};
constexpr TwipsRect kFecha{2280, 3120, 2100, 300};
constexpr TwipsRect kVersion{4380, 3120, 2100, 300};

QColor DarkRed() {
    return QColor(128, 0, 0);
}
QColor Silver() {
    return QColor(192, 192, 192);
}

QPixmap Fondo(const QSize& size) {
    QPixmap picture(size);
    QPainter painter(&picture);
    QLinearGradient gradient(0, 0, 0, size.height());
    gradient.setColorAt(0.0, QColor(255, 255, 255));
    gradient.setColorAt(1.0, QColor(214, 220, 232));
    painter.fillRect(picture.rect(), gradient);
    painter.setPen(QPen(DarkRed(), 2));
    painter.drawRect(picture.rect().adjusted(1, 1, -2, -2));
    return picture;
}

QPixmap Deco(const QSize& size) {
    QPixmap picture(size);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    QLinearGradient gradient(0, 0, size.width(), 0);
    gradient.setColorAt(0.0, DarkRed());
    gradient.setColorAt(1.0, QColor(128, 0, 0, 0));
    painter.fillRect(picture.rect(), gradient);
    return picture;
}

}  // namespace

QString MakerName() {
    return QStringLiteral("Equipo VKT");
}

FrmSplash::FrmSplash(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("frmSplash"));
    setAccessibleName(ProductName());
    const double scale = logicalDpiX() / 96.0;
    auto place = [scale](QWidget* widget, const TwipsRect& at) {
        auto px = [scale](int twips) { return static_cast<int>(twips / 15.0 * scale + 0.5); };
        widget->setGeometry(px(at.left), px(at.top), px(at.width), px(at.height));
    };
    place(this, kWindow);
    setFixedSize(size());

    auto* fondo = new QLabel(this);
    fondo->setObjectName(QStringLiteral("imgFondo"));
    place(fondo, kWindow);
    fondo->setPixmap(Fondo(fondo->size()));

    auto* logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("imgLogo"));
    place(logo, kLogo);
    logo->setPixmap(ListaImagesPixmap(QStringLiteral("imgConectar"), logo->width()));

    auto* deco = new QLabel(this);
    deco->setObjectName(QStringLiteral("ImgDeco"));
    place(deco, kDeco);
    deco->setPixmap(Deco(deco->size()));

    QFont titleFont = font();
    titleFont.setPointSizeF(48);
    titleFont.setBold(true);
    titleFont.setItalic(true);
    // lbVKT2 (silver) lies behind, offset down and right; lbVKT1 (dark red) in front.
    auto* shadow = new QLabel(ProductName(), this);
    shadow->setObjectName(QStringLiteral("lbVKT2"));
    place(shadow, TwipsRect{kTitle.left + kShadowOffset, kTitle.top + kShadowOffset, kTitle.width,
                            kTitle.height});
    auto* title = new QLabel(ProductName(), this);
    title->setObjectName(QStringLiteral("lbVKT1"));
    place(title, kTitle);
    for (auto [label, colour] : {std::pair{shadow, Silver()}, std::pair{title, DarkRed()}}) {
        label->setFont(titleFont);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, colour);
        label->setPalette(palette);
    }

    auto* maker = new QLabel(MakerName(), this);
    maker->setObjectName(QStringLiteral("lbHMRB"));
    place(maker, kMaker);
    QFont makerFont = font();
    makerFont.setPointSizeF(12);
    makerFont.setBold(true);
    maker->setFont(makerFont);

    auto* fecha = new QLabel(QStringLiteral("Octubre 1999"), this);
    fecha->setObjectName(QStringLiteral("lbFecha"));
    place(fecha, kFecha);
    auto* version = new QLabel(QString::fromUtf8("Versión 1.0"), this);
    version->setObjectName(QStringLiteral("lbVersion"));
    place(version, kVersion);
    version->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    reloj_ = new QTimer(this);
    reloj_->setObjectName(QStringLiteral("Reloj"));
    connect(reloj_, &QTimer::timeout, this, &FrmSplash::Tick);
}

void FrmSplash::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (loaded_) return;
    loaded_ = true;
    reloj_->setInterval(kShowMs);
    reloj_->start();
}

void FrmSplash::Tick() {
    reloj_->stop();
    // Hidden rather than closed: closing the only visible window would end the program
    // before the main window is up.
    hide();
    emit finished();
}

}  // namespace vkt::client
