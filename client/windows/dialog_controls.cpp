// Common controls of the dialogs.
#include "windows/dialog_controls.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "windows/twips_geometry.h"

namespace vkt::client {

QString PlainCaption(const QString& caption) {
    QString plain = caption;
    plain.remove(QLatin1Char('&'));
    plain = plain.trimmed();
    if (plain.endsWith(QLatin1Char(':'))) plain.chop(1);
    return plain;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setAccessibleName(PlainCaption(caption));
    return button;
}

QLineEdit* MakeTextBox(QWidget* parent, const char* name) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    return box;
}

QLabel* MakeCaption(QWidget* parent, const char* name, const QString& caption, QLineEdit* box) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QLatin1String(name));
    label->setBuddy(box);
    box->setAccessibleName(PlainCaption(caption));
    return label;
}

int BoxColumnLeft(std::initializer_list<const QLabel*> labels, int designedLeft) {
    int widest = 0;
    for (const QLabel* label : labels) {
        widest = std::max(widest, PixelsToTwips(label, label->sizeHint().width()));
    }
    return std::max(designedLeft, 120 + widest + 120);
}

int ButtonWidth(const QPushButton* button, int designedWidth) {
    return std::max(designedWidth, PixelsToTwips(button, button->sizeHint().width()));
}

void ShowAsterisks(QLineEdit* box) {
    box->setEchoMode(QLineEdit::Password);
    // The mask character is "*" (42), whatever the style would draw.
    box->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
}

}  // namespace vkt::client
