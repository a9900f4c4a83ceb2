// Construction of the dialogs' common controls with their object names, captions and
// accessible names: every button carries its caption (without the "&" of its access key) as
// its accessible name, and every text box is labelled by its caption label (buddy and
// accessible name).
#pragma once

#include <QString>
#include <initializer_list>

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace vkt::client {

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption);
QLineEdit* MakeTextBox(QWidget* parent, const char* name);
QLabel* MakeCaption(QWidget* parent, const char* name, const QString& caption, QLineEdit* box);
// The box shows "*" for each character typed.
void ShowAsterisks(QLineEdit* box);
// The left edge, in twips, of a column of text boxes designed at designedLeft with its caption
// labels at left 120: moved right when the widest caption in the dialog's font would not fit
// before it.
int BoxColumnLeft(std::initializer_list<const QLabel*> labels, int designedLeft);
// A button's width in twips: the designed one, or more when its caption needs it.
int ButtonWidth(const QPushButton* button, int designedWidth);
// caption without the "&" that marks its access key, and without a final ":".
QString PlainCaption(const QString& caption);

}  // namespace vkt::client
