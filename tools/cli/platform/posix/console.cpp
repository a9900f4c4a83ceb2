#include "cli/platform/console.h"

#include <sys/ioctl.h>
#include <unistd.h>

namespace vkt::cli {

bool StandardErrorIsTerminal() {
    return isatty(STDERR_FILENO) == 1;
}

std::size_t TerminalColumns() {
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return 0;
}

bool EnableLineErase() {
    return true;
}

}  // namespace vkt::cli
