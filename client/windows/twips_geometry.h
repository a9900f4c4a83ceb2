// Window layout in twips (1/1440 inch): 15 twips make one pixel at 96 dpi, and the result
// scales with the widget's logical dpi, so a layout drawn for 96 dpi keeps its proportions on
// any screen.
#pragma once

#include <QRect>

class QWidget;

namespace vkt::client {

// Pixels for a length in twips on widget's screen.
int Twips(const QWidget* widget, int twips);
// Twips for a length in pixels (the inverse, rounded).
int PixelsToTwips(const QWidget* widget, int pixels);
// Places child at a rectangle given in twips; a width or height of 0 keeps the child's own
// size hint for that dimension.
void PlaceTwips(QWidget* child, int left, int top, int width = 0, int height = 0);

}  // namespace vkt::client
