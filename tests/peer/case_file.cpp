#include "case_file.h"

#include <openssl/evp.h>

#include <cctype>
#include <cstdlib>
#include <fstream>

namespace vkt::peer {
namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads the escape after a backslash at line[*at]; advances *at past it.
bool ReadEscape(const std::string& line, std::size_t* at, std::string* out) {
    if (*at >= line.size()) return false;
    const char c = line[(*at)++];
    switch (c) {
        case '\\':
        case '"':
            out->push_back(c);
            return true;
        case 'n':
            out->push_back('\n');
            return true;
        case 'r':
            out->push_back('\r');
            return true;
        case 't':
            out->push_back('\t');
            return true;
        case '0':
            out->push_back('\0');
            return true;
        case 'x': {
            if (*at + 2 > line.size()) return false;
            const int high = HexValue(line[*at]);
            const int low = HexValue(line[*at + 1]);
            if (high < 0 || low < 0) return false;
            out->push_back(static_cast<char>(high << 4 | low));
            *at += 2;
            return true;
        }
        default:
            return false;
    }
}

bool ReadCount(const std::vector<Word>& words, std::size_t at, std::size_t* count) {
    if (at >= words.size() || words[at].quoted || words[at].text.empty()) return false;
    char* end = nullptr;
    const unsigned long value = std::strtoul(words[at].text.c_str(), &end, 10);
    if (*end != '\0') return false;
    *count = value;
    return true;
}

// One piece of a DATA value.
bool ReadPiece(const std::vector<Word>& words, std::size_t* at,
               const std::map<std::string, std::string>& files, std::string* data,
               std::string* reason) {
    if (*at >= words.size()) {
        *reason = "data expected";
        return false;
    }
    const Word& word = words[(*at)++];
    if (word.quoted) {
        *data += word.text;
        return true;
    }
    std::size_t count = 0;
    if (word.text == "empty") return true;
    if (word.text == "fill") {
        if (!ReadCount(words, *at, &count) || *at + 1 >= words.size() ||
            words[*at + 1].text.size() != 1) {
            *reason = "fill N C expected";
            return false;
        }
        data->append(count, words[*at + 1].text[0]);
        *at += 2;
        return true;
    }
    if (word.text == "bytes") {
        if (!ReadCount(words, *at, &count)) {
            *reason = "bytes N expected";
            return false;
        }
        *data += PatternBytes(count);
        *at += 1;
        return true;
    }
    if (word.text == "file" || word.text == "md5" || word.text == "md5-upper") {
        const auto found = *at < words.size() ? files.find(words[*at].text) : files.end();
        if (found == files.end()) {
            *reason = "unknown fixture after " + word.text;
            return false;
        }
        *at += 1;
        *data +=
            word.text == "file" ? found->second : Md5Hex(found->second, word.text == "md5-upper");
        return true;
    }
    *reason = "unknown data piece " + word.text;
    return false;
}

}  // namespace

std::string PatternBytes(std::size_t count) {
    std::string bytes(count, '\0');
    // Odd step: every byte value in each run of 256; the run number shifts it, so no two
    // 8,192-byte blocks of a file are equal.
    for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
    return bytes;
}

std::string Md5Hex(const std::string& data, bool upper) {
    unsigned char md5[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(data.data(), data.size(), md5, &length, EVP_md5(), nullptr);
    const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string text;
    for (unsigned int i = 0; i < length; ++i) {
        text.push_back(digits[md5[i] >> 4]);
        text.push_back(digits[md5[i] & 0x0F]);
    }
    return text;
}

bool SplitWords(const std::string& line, std::vector<Word>* words, std::string* reason) {
    words->clear();
    std::size_t at = 0;
    while (at < line.size()) {
        if (std::isspace(static_cast<unsigned char>(line[at]))) {
            ++at;
            continue;
        }
        Word word;
        if (line[at] == '"') {
            word.quoted = true;
            ++at;
            for (;;) {
                if (at >= line.size()) {
                    *reason = "unterminated quote";
                    return false;
                }
                const char c = line[at++];
                if (c == '"') break;
                if (c != '\\') {
                    word.text.push_back(c);
                } else if (!ReadEscape(line, &at, &word.text)) {
                    *reason = "bad escape";
                    return false;
                }
            }
        } else {
            while (at < line.size() && !std::isspace(static_cast<unsigned char>(line[at]))) {
                word.text.push_back(line[at++]);
            }
        }
        words->push_back(word);
    }
    return true;
}

bool ReadData(const std::vector<Word>& words, std::size_t* at,
              const std::map<std::string, std::string>& files, std::string* data,
              std::string* reason) {
    data->clear();
    for (;;) {
        if (!ReadPiece(words, at, files, data, reason)) return false;
        if (*at >= words.size() || words[*at].quoted || words[*at].text != "+") return true;
        ++*at;
    }
}

bool LoadCaseFile(const std::string& path, CaseFile* result, std::string* reason) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *reason = "cannot read " + path;
        return false;
    }
    enum class Section { kNone, kFiles, kPeer, kClient } section = Section::kNone;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::string why;
        Step step;
        step.line = number;
        if (!SplitWords(line, &step.words, &why)) {
            *reason = std::to_string(number) + ": " + why;
            return false;
        }
        if (step.words.empty() || (!step.words[0].quoted && step.words[0].text[0] == '#')) {
            continue;
        }
        const std::string& first = step.words[0].text;
        if (first == "[files]" || first == "[peer]" || first == "[client]") {
            section = first == "[files]"  ? Section::kFiles
                      : first == "[peer]" ? Section::kPeer
                                          : Section::kClient;
            continue;
        }
        switch (section) {
            case Section::kFiles: {
                std::size_t at = 1;
                std::string data;
                if (step.words.size() < 2 ||
                    !ReadData(step.words, &at, result->files, &data, &why) ||
                    at != step.words.size()) {
                    *reason = std::to_string(number) + ": " + (why.empty() ? "NAME DATA" : why);
                    return false;
                }
                result->files[first] = data;
                break;
            }
            case Section::kPeer:
                result->peer.push_back(step);
                break;
            case Section::kClient:
                result->client.push_back(step);
                break;
            case Section::kNone:
                *reason = std::to_string(number) + ": a step before any section";
                return false;
        }
    }
    return true;
}

}  // namespace vkt::peer
