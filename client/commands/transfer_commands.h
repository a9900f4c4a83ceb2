// The transfer commands of the main window's toolbar and its history command.
#pragma once

namespace vkt::client {

void VKTSendFile();
void VKTReceiveFile();
void VKTHistorial();

}  // namespace vkt::client
