// The program's modal windows, each shown by one function that returns when it has closed
// (the window objects are made and destroyed inside). Tests drive the window classes directly.
#pragma once

#include <QString>

class QWidget;

namespace vkt::client {

void ShowConfigDialog(QWidget* parent);                      // frmUser
void ShowSendDialog(QWidget* parent);                        // frmSend
void ShowReceiveDialog(QWidget* parent);                     // frmRecv
void ShowParamForm(QWidget* parent);                         // frmParam
void ShowFileChooser(QWidget* parent, const QString& tag);   // frmFiles: "1" file, "2" folder
void ShowStatusWindow(QWidget* parent, const QString& tag);  // frmStat: "3" send, "2" receive
void ShowHistoryWindow(QWidget* parent);                     // frmHist

}  // namespace vkt::client
