// vkt-keygen: makes the RSA key pair of a VKT user, or checks a private-key file.
//
//   vkt-keygen [--bits N] [--out DIR] [--password-file FILE] [--force] USER
//   vkt-keygen --check FILE.pri [--password-file FILE]
//
// Exit status: 0 done, 1 failed, 2 bad command line.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "keygen/key_check.h"
#include "keygen/key_generation.h"

namespace {

constexpr char kUsage[] =
    "usage: vkt-keygen [--bits N] [--out DIR] [--password-file FILE] [--force] USER\n"
    "       vkt-keygen --check FILE.pri [--password-file FILE]\n"
    "\n"
    "Makes an RSA key pair for USER: DIR/USER.pri, the private-key file (mode 0600), and\n"
    "DIR/USER.pub, the public key for the server (PEM).\n"
    "  --bits N             modulus size, 512 to 4096, a multiple of 64 (default 2048)\n"
    "  --out DIR            existing folder for the files (default: the current folder)\n"
    "  --password-file FILE the password is the first line of FILE; otherwise the variable\n"
    "                       VKT_PASSWORD, otherwise a prompt on the terminal. An empty\n"
    "                       password makes an unprotected file.\n"
    "  --force              replace existing files\n"
    "  --check FILE.pri     check a private-key file and the password that opens it\n";

int UsageError(const std::string& message) {
    std::fprintf(stderr, "vkt-keygen: %s\n%s", message.c_str(), kUsage);
    return 2;
}

// "--name VALUE" or "--name=VALUE"; true when argv[*i] is the option (value set, *i advanced).
bool TakeValue(const char* name, int argc, char** argv, int* i, std::string* value, bool* missing) {
    const std::size_t length = std::strlen(name);
    const char* arg = argv[*i];
    if (std::strncmp(arg, name, length) != 0) return false;
    if (arg[length] == '=') {
        *value = arg + length + 1;
        return true;
    }
    if (arg[length] != '\0') return false;
    if (*i + 1 >= argc) {
        *missing = true;
        return true;
    }
    *value = argv[++*i];
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    vkt::keygen::GenerateOptions options;
    std::string checkPath;
    bool checking = false;
    bool haveUser = false;
    bool optionsDone = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        bool missing = false;
        if (!optionsDone && arg.size() > 1 && arg[0] == '-') {
            if (arg == "--") {
                optionsDone = true;
            } else if (arg == "-h" || arg == "--help") {
                std::fputs(kUsage, stdout);
                return 0;
            } else if (arg == "--force") {
                options.force = true;
            } else if (TakeValue("--bits", argc, argv, &i, &options.bits, &missing) ||
                       TakeValue("--out", argc, argv, &i, &options.folder, &missing) ||
                       TakeValue("--password-file", argc, argv, &i, &options.passwordFile,
                                 &missing)) {
                if (missing) return UsageError(arg + " needs a value");
            } else if (TakeValue("--check", argc, argv, &i, &checkPath, &missing)) {
                if (missing) return UsageError(arg + " needs a file");
                checking = true;
            } else {
                return UsageError("unknown option " + arg);
            }
            continue;
        }
        if (haveUser) return UsageError("more than one USER given");
        options.user = arg;
        haveUser = true;
    }
    if (checking && haveUser) return UsageError("--check takes no USER");
    if (!checking && !haveUser) return UsageError("no USER given");

    try {
        if (checking) {
            vkt::keygen::CheckKeyFile(checkPath, options.passwordFile);
        } else {
            vkt::keygen::GenerateKeyFiles(options);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vkt-keygen: %s\n", error.what());
        return 1;
    }
    return 0;
}
