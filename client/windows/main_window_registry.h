// The one main window the commands reach (main_window_access.h): FrmMain registers itself when
// made and withdraws when destroyed.
#pragma once

namespace vkt::client {

class FrmMain;

void RegisterMainWindow(FrmMain* window);
void UnregisterMainWindow(FrmMain* window);
FrmMain* CurrentMainWindow();

}  // namespace vkt::client
