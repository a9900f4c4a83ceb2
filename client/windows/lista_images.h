// ListaImages: the main window's six 32x32 toolbar pictures, drawn from the SVG files compiled
// in under :/resources/icons/<key>.svg. Keys: imgConectar, imgSalir, imgEnviar,
// imgSolicitar, imgDesconectar, imgHistorial.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QStringList>

namespace vkt::client {

constexpr int kToolbarPictureSize = 32;

QStringList ListaImagesKeys();
// The picture of key at size x size pixels (transparent where nothing is drawn); a null pixmap
// for an unknown key.
QPixmap ListaImagesPixmap(const QString& key, int size = kToolbarPictureSize);
QIcon ListaImages(const QString& key);

}  // namespace vkt::client
