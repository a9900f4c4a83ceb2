// The system's text for a GetLastError() value, without its final period and line break;
// "error N" when the system has none.
#pragma once

#include <string>

namespace vkt::tools {

std::string SystemMessage(unsigned long error);

}  // namespace vkt::tools
