// vkt-keygen: makes the RSA key pair of a VKT user, or checks a private-key file.
//
//   vkt-keygen [--bits N] [--out DIR] [--password-file FILE] [--force] USER
//   vkt-keygen --check FILE.pri [--password-file FILE]
//
// Exit status: 0 done, 1 failed, 2 bad command line (a bad --bits or no password source too).
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "common/option_parser.h"
#include "keygen/key_check.h"
#include "keygen/key_generation.h"
#include "keygen/usage_failure.h"

namespace {

constexpr char kUsage[] =
    "usage: vkt-keygen [--bits N] [--out DIR] [--password-file FILE] [--force] USER\n"
    "       vkt-keygen --check FILE.pri [--password-file FILE]\n"
    "       vkt-keygen --help | --version\n"
    "\n"
    "Makes an RSA key pair for USER: DIR/USER.pri, the private-key file (mode 0600), and\n"
    "DIR/USER.pub, the public key for the server (PEM).\n"
    "  --bits N             modulus size, 512 to 4096, a multiple of 64 (default 2048)\n"
    "  --out DIR            existing folder for the files (default: the current folder)\n"
    "  --password-file FILE the password is the first line of FILE; otherwise the variable\n"
    "                       VKT_PASSWORD, otherwise a prompt when standard input is a\n"
    "                       terminal. An empty password makes an unprotected file.\n"
    "  --force              replace existing files\n"
    "  --check FILE.pri     check a private-key file and the password that opens it\n"
    "  -h, --help           this text\n"
    "  --version            the program's version\n";

constexpr char kProgram[] = "vkt-keygen";

enum Option { kBits, kOut, kPasswordFile, kForce, kCheck };

const std::vector<vkt::tools::OptionDefinition> kOptions = {
    {"bits", 0, true, kBits},
    {"out", 0, true, kOut},
    {"password-file", 0, true, kPasswordFile},
    {"force", 0, false, kForce},
    {"check", 0, true, kCheck},
};

}  // namespace

int main(int argc, char** argv) {
    using vkt::tools::UsageError;
    vkt::tools::ParsedArguments parsed;
    std::string message;
    if (!vkt::tools::ParseArguments(argc, argv, kOptions, &parsed, &message)) {
        return UsageError(kProgram, message);
    }
    if (parsed.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (parsed.version) {
        vkt::tools::PrintVersion(kProgram);
        return 0;
    }
    vkt::keygen::GenerateOptions options;
    std::string checkPath;
    bool checking = false;
    for (const vkt::tools::ParsedOption& option : parsed.options) {
        switch (option.id) {
            case kBits:
                options.bits = option.value;
                break;
            case kOut:
                options.folder = option.value;
                break;
            case kPasswordFile:
                options.passwordFile = option.value;
                break;
            case kForce:
                options.force = true;
                break;
            case kCheck:
                checkPath = option.value;
                checking = true;
                break;
        }
    }
    if (parsed.operands.size() > 1) return UsageError(kProgram, "more than one USER given");
    if (checking && !parsed.operands.empty()) return UsageError(kProgram, "--check takes no USER");
    if (!checking && parsed.operands.empty()) return UsageError(kProgram, "no USER given");
    if (!checking) options.user = parsed.operands[0];

    try {
        if (checking) {
            vkt::keygen::CheckKeyFile(checkPath, options.passwordFile);
        } else {
            vkt::keygen::GenerateKeyFiles(options);
        }
    } catch (const vkt::keygen::UsageFailure& error) {
        return UsageError(kProgram, error.what());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vkt-keygen: %s\n", error.what());
        return 1;
    }
    return 0;
}
