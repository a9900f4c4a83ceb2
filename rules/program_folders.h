// Where both programs keep their files (paths in the file-system encoding, UTF-8).
//
// The program's folder for a kind of file is $VKT_HOME when it is set (portable use and
// tests), else $<XDG variable>/vkt, else ~/<fallback>/vkt. VKT32.cnf lives in the
// configuration folder; the key folder offered when none is configured is the data folder's
// "claves", where VKT_HOME does not apply.
#pragma once

#include <string>

namespace vkt::rules {

// $xdgVariable when it is set and not empty, else the home folder + "/" + fallbackUnderHome
// ($HOME, else the user's entry in the password database).
std::string UserFolder(const char* xdgVariable, const char* fallbackUnderHome);

// $VKT_HOME, else UserFolder(xdgVariable, fallbackUnderHome) + "/vkt".
std::string ProgramFolder(const char* xdgVariable, const char* fallbackUnderHome);

// ProgramFolder("XDG_CONFIG_HOME", ".config") + "/VKT32.cnf".
std::string ConfigFilePath();

// UserFolder("XDG_DATA_HOME", ".local/share") + "/vkt/claves", without a final "/".
std::string DefaultKeyDirectory();

}  // namespace vkt::rules
