// The toolbar pictures, rendered with QSvgRenderer so that no icon-engine plug-in is needed.
#include "windows/lista_images.h"

#include <QPainter>
#include <QSvgRenderer>

namespace vkt::client {

QStringList ListaImagesKeys() {
    return {QStringLiteral("imgConectar"),    QStringLiteral("imgSalir"),
            QStringLiteral("imgEnviar"),      QStringLiteral("imgSolicitar"),
            QStringLiteral("imgDesconectar"), QStringLiteral("imgHistorial")};
}

QPixmap ListaImagesPixmap(const QString& key, int size) {
    if (!ListaImagesKeys().contains(key)) return QPixmap();
    QSvgRenderer renderer(QStringLiteral(":/resources/icons/%1.svg").arg(key));
    if (!renderer.isValid()) return QPixmap();
    QPixmap picture(size, size);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    return picture;
}

QIcon ListaImages(const QString& key) {
    QIcon icon;
    for (const int size : {kToolbarPictureSize, 2 * kToolbarPictureSize}) {
        const QPixmap picture = ListaImagesPixmap(key, size);
        if (!picture.isNull()) icon.addPixmap(picture);
    }
    return icon;
}

}  // namespace vkt::client
