// MostrarTexto: status texts for the main window's first status-bar panel (destino 1) or the
// status window's status bar (destino 2). The windows register where their text goes while
// they exist; a destination with no window, or any other destino, shows nothing.
#pragma once

#include <QString>
#include <functional>

namespace vkt::client {

void MostrarTexto(int destino, const QString& texto);

using StatusTextTarget = std::function<void(const QString&)>;
// Registered by frmMain (1) and frmStat (2) when they are made; an empty target when they go.
void SetStatusTextTarget(int destino, StatusTextTarget target);

}  // namespace vkt::client
