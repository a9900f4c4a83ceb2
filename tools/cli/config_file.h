// VKT32.cnf: the connection data the desktop program keeps, read by the command-line client too.
//
// One record of five fields separated by "," (no quoting, no escaping, 8-bit text):
//
//   SERVER,SERVICE,TIMEOUT,USER,KEY-DIRECTORY
//
// Every field is trimmed of blanks. The key directory runs to the end of the file (it may hold
// commas); one line break ending the file is not part of it. A file with fewer than three
// commas sets the fields before its last comma only; with exactly three, the user runs to the
// end of the file and the key directory takes its default. The time-out is a decimal number,
// read back as such ("0180" is 180). There is no password in the file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vkt::cli {

struct ConfigFile {
    std::optional<std::string> server;
    std::optional<std::string> service;
    std::optional<std::int32_t> timeout;
    std::optional<std::string> user;
    std::optional<std::string> keyDirectory;
};

// Reads the contents of a VKT32.cnf. false (with reason) when the time-out field is present
// but not a 32-bit decimal number; then nothing of the file counts. An empty key directory
// field gives defaultKeyDirectory, as a missing one does.
bool ParseConfigText(const std::string& text, const std::string& defaultKeyDirectory,
                     ConfigFile* config, std::string* reason);

// Reads the file at path. A file that does not exist sets nothing and is no failure; one that
// cannot be read or parsed is (reason says why).
bool ReadConfigFile(const std::string& path, const std::string& defaultKeyDirectory,
                    ConfigFile* config, std::string* reason);

// $VKT_HOME/VKT32.cnf when VKT_HOME is set, else $XDG_CONFIG_HOME/vkt/VKT32.cnf, else
// ~/.config/vkt/VKT32.cnf.
std::string DefaultConfigPath();

// The user's key folder: $XDG_DATA_HOME/vkt/claves, else ~/.local/share/vkt/claves.
std::string DefaultKeyDirectory();

}  // namespace vkt::cli
