// Twips to pixels: pixels = twips / 15 * dpi / 96.
#include "windows/twips_geometry.h"

#include <QWidget>
#include <cmath>

namespace vkt::client {
namespace {

double PixelsPerTwip(const QWidget* widget) {
    const int dpi = widget != nullptr ? widget->logicalDpiX() : 96;
    return (dpi > 0 ? dpi : 96) / (96.0 * 15.0);
}

}  // namespace

int Twips(const QWidget* widget, int twips) {
    return static_cast<int>(std::lround(twips * PixelsPerTwip(widget)));
}

int PixelsToTwips(const QWidget* widget, int pixels) {
    return static_cast<int>(std::lround(pixels / PixelsPerTwip(widget)));
}

void PlaceTwips(QWidget* child, int left, int top, int width, int height) {
    const QSize hint = child->sizeHint();
    const int w = width > 0 ? Twips(child, width) : hint.width();
    const int h = height > 0 ? Twips(child, height) : hint.height();
    child->setGeometry(Twips(child, left), Twips(child, top), w, h);
}

}  // namespace vkt::client
