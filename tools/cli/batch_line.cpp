#include "cli/batch_line.h"

namespace vkt::cli {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The options a batch line may not give: those of the connection, taken once from vkt's own
// command line.
bool GivesConnectionOption(const CommandLine& line) {
    return line.server || line.port || line.user || line.keys || line.timeout || line.config ||
           line.passwordFile || line.waitSession || line.quiet || line.verbose || line.json;
}

}  // namespace

bool SplitWords(const std::string& text, std::vector<std::string>* words, std::string* message) {
    words->clear();
    std::string word;
    bool inWord = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (IsBlank(c)) {
            if (inWord) words->push_back(word);
            word.clear();
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == '\\') {
            if (++i == text.size()) {
                *message = "a backslash ends the line";
                return false;
            }
            word += text[i];
        } else if (c == '\'' || c == '"') {
            const std::size_t start = ++i;
            for (; i < text.size() && text[i] != c; ++i) {
                if (c == '"' && text[i] == '\\' && i + 1 < text.size() &&
                    (text[i + 1] == '"' || text[i + 1] == '\\')) {
                    ++i;
                }
                word += text[i];
            }
            if (i == text.size()) {
                *message = std::string("no closing ") + c + " for the quote at column " +
                           std::to_string(start);
                return false;
            }
        } else {
            word += c;
        }
    }
    if (inWord) words->push_back(word);
    return true;
}

bool ParseBatchLine(const std::string& text, const CommandLine& base, BatchLine* line,
                    std::string* message) {
    *line = BatchLine{};
    std::size_t start = 0;
    while (start < text.size() && IsBlank(text[start])) ++start;
    if (start == text.size() || text[start] == '#') {
        line->skip = true;
        return true;
    }
    if (text[start] == '-') {
        line->failureAllowed = true;
        ++start;
    }
    std::vector<std::string> words;
    if (!SplitWords(text.substr(start), &words, message)) return false;
    if (words.empty()) {
        *message = "no command after \"-\"";
        return false;
    }
    if (words[0] != "send" && words[0] != "get" && words[0] != "verify") {
        *message = "unknown command " + words[0] + " (send, get or verify)";
        return false;
    }
    words.insert(words.begin(), "vkt");
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    CommandLine own;
    if (!ParseCommandLine(static_cast<int>(words.size()), argv.data(), &own, message)) {
        return false;
    }
    if (own.help || own.version || GivesConnectionOption(own)) {
        *message = "a batch line takes only its command's operand, --plain, --field and --to";
        return false;
    }
    line->command = base;
    line->command.command = own.command;
    line->command.target = own.target;
    line->command.plain = own.plain;
    line->command.fields = own.fields;
    line->command.to = own.to;
    return true;
}

}  // namespace vkt::cli
