// Keeping the library loaded until its process ends (Windows only).
//
// libVKT32.so is linked "nodelete" for this; VKT32.dll pins itself when it is first loaded, so
// that FreeLibrary never unmaps it. The runtime then stops only at the end of the process, and
// never from a FreeLibrary call, where DllMain runs under the loader lock: stopping the event
// thread there would wait for a thread that needs that lock to end.
#pragma once

namespace vkt::platform {

// Pins the module that holds this code. false when the system refused.
bool PinLibraryInProcess();

}  // namespace vkt::platform
