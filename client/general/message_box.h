// Message boxes, all through one function so that tests can watch and answer them instead of
// blocking on a modal box.
//
// Styles are the sums the program has always used: buttons (0 OK, 1 OK + Cancel, 4 Yes + No)
// plus icon (16 critical, 32 question, 48 exclamation, 64 information). Answers: 1 OK,
// 2 Cancel, 6 Yes, 7 No. An empty title shows the program's name. Buttons read "Aceptar",
// "Cancelar", "Sí", "No".
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace vkt::client {

enum MessageStyle : int {
    kOkOnly = 0,
    kOkCancel = 1,
    kYesNo = 4,
    kCritical = 16,
    kQuestion = 32,
    kExclamation = 48,
    kInformation = 64,
};

enum MessageAnswer : int {
    kAnswerOk = 1,
    kAnswerCancel = 2,
    kAnswerYes = 6,
    kAnswerNo = 7,
};

struct MessageRequest {
    QString text;
    int style = 0;
    QString title;  // as shown: the program's name when none was given
};

// Receives every box instead of the screen and returns the answer to give.
using MessageHook = std::function<int(const MessageRequest&)>;

// Shows a modal box (or passes it to the hook) and returns the answer.
int MsgBox(const QString& text, int style = kOkOnly, const QString& title = QString());
// Installs a hook (tests); an empty hook restores real boxes.
void SetMessageHook(MessageHook hook);

// The program's name, shown as the title of boxes without one and as the main window's caption.
QString ProductName();

}  // namespace vkt::client
