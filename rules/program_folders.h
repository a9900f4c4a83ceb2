// Where both programs keep their files (paths in the file-system encoding, UTF-8 on Linux).
//
// The program's folder for a kind of file is $VKT_HOME when it is set (portable use and
// tests), else the user's folder for that kind + the program's folder name. VKT32.cnf lives in
// the configuration folder; the key folder offered when none is configured is the data folder's
// "claves", where VKT_HOME does not apply.
//
//   Linux    the user's folder is $<XDG variable>, else ~/<fallback>; the program's folder is
//            "vkt": ~/.config/vkt/VKT32.cnf, ~/.local/share/vkt/claves.
//   Windows  the user's folder is %APPDATA% for configuration, %LOCALAPPDATA% for the other
//            kinds (data, state); the program's folder is "VKT": %APPDATA%\VKT\VKT32.cnf,
//            %LOCALAPPDATA%\VKT\claves.
#pragma once

#include <string>

namespace vkt::rules {

// The user's folder for the kind of file that xdgVariable names (platform/<system>/
// user_folder.cpp). Linux: $xdgVariable when it is set and not empty, else the home folder +
// "/" + fallbackUnderHome ($HOME, else the user's entry in the password database).
std::string UserFolder(const char* xdgVariable, const char* fallbackUnderHome);

// The name of the program's own folder in a user's folder: "vkt", "VKT" on Windows.
const char* ProgramFolderName();

// $VKT_HOME, else UserFolder(xdgVariable, fallbackUnderHome) + separator + ProgramFolderName().
std::string ProgramFolder(const char* xdgVariable, const char* fallbackUnderHome);

// ProgramFolder("XDG_CONFIG_HOME", ".config") + separator + "VKT32.cnf".
std::string ConfigFilePath();

// UserFolder("XDG_DATA_HOME", ".local/share") + the program's folder + "claves", without a
// final separator.
std::string DefaultKeyDirectory();

}  // namespace vkt::rules
