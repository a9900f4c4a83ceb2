// The two status-text destinations.
#include "general/status_text.h"

#include <utility>

namespace vkt::client {
namespace {

StatusTextTarget& Target(int destino) {
    static StatusTextTarget mainWindow;
    static StatusTextTarget statusWindow;
    return destino == 1 ? mainWindow : statusWindow;
}

}  // namespace

void MostrarTexto(int destino, const QString& texto) {
    if (destino != 1 && destino != 2) return;
    if (Target(destino)) Target(destino)(texto);
}

void SetStatusTextTarget(int destino, StatusTextTarget target) {
    if (destino != 1 && destino != 2) return;
    Target(destino) = std::move(target);
}

}  // namespace vkt::client
