// Typing filters of the text boxes, applied to every character that reaches the box:
//  - UpperCase: the character is replaced by its upper-case form in the 8-bit code page
//    (UpperCase8Bit: "ñ" gives "Ñ"); nothing is refused.
//  - Digits: "0" to "9" pass, as do editing keys (Backspace, Delete, arrows); any other
//    character is discarded and the system beep sounds.
// Typed keys are filtered as they are pressed; text that arrives another way (paste, drag and
// drop, an input method) is filtered as it is inserted, so the box never holds a character
// its filter would have refused. Text the program itself sets is left as it is.
#pragma once

#include <QString>

class QLineEdit;

namespace vkt::client {

enum class TypingRule { UpperCase, Digits };

// Installs the filter on edit; it lives as long as the box.
void InstallTypingFilter(QLineEdit* edit, TypingRule rule);

// The filter applied to a piece of inserted text: the upper-case form, or the digits alone.
QString FilterTyped(const QString& inserted, TypingRule rule);

}  // namespace vkt::client
