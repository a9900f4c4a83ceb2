// The commands' view of frmMain; every call is harmless while no main window exists.
#include "windows/main_window_access.h"

#include <QTimer>

#include "windows/frm_main.h"
#include "windows/main_window_registry.h"

namespace vkt::client {
namespace {

FrmMain*& Current() {
    static FrmMain* window = nullptr;
    return window;
}

}  // namespace

void RegisterMainWindow(FrmMain* window) {
    Current() = window;
}

void UnregisterMainWindow(FrmMain* window) {
    if (Current() == window) Current() = nullptr;
}

FrmMain* CurrentMainWindow() {
    return Current();
}

QWidget* MainWindowWidget() {
    return Current();
}

void EnableReloj(bool enabled) {
    if (FrmMain* window = Current()) {
        if (enabled) {
            // Enabling a running timer keeps its rhythm, as the form timer did.
            if (!window->Reloj()->isActive()) window->Reloj()->start();
        } else {
            window->Reloj()->stop();
        }
    }
}

bool Ocupado() {
    FrmMain* window = Current();
    return window != nullptr && window->Ocupado();
}

void SetOcupado(bool busy) {
    if (FrmMain* window = Current()) window->SetOcupado(busy);
}

void UpdateScreen(int flag) {
    if (FrmMain* window = Current()) window->UpdateScreen(flag);
}

}  // namespace vkt::client
