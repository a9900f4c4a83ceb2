// What the commands need of the main window frmMain (there is one while the program runs).
// Every function does nothing (or answers false / null) while no main window exists, so the
// commands can be tested without one.
#pragma once

class QWidget;

namespace vkt::client {

QWidget* MainWindowWidget();
void EnableReloj(bool enabled);  // the 30-second timer that runs MostrarErrores
bool Ocupado();
void SetOcupado(bool busy);
void UpdateScreen(int flag);  // 1 session open, 2 no session

}  // namespace vkt::client
