#include "cli/json_text.h"

#include <cstdio>

namespace vkt::cli {

std::string JsonString(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (byte < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            quoted += escape;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

JsonObject& JsonObject::Member(const std::string& name, const std::string& value) {
    if (text_.size() > 1) text_ += ',';
    text_ += JsonString(name) + ":" + value;
    return *this;
}

JsonObject& JsonObject::Add(const std::string& name, const std::string& text) {
    return Member(name, JsonString(text));
}

JsonObject& JsonObject::AddOrNull(const std::string& name, const std::optional<std::string>& text) {
    return Member(name, text ? JsonString(*text) : "null");
}

JsonObject& JsonObject::Add(const std::string& name, std::int64_t number) {
    return Member(name, std::to_string(number));
}

JsonObject& JsonObject::AddNumber(const std::string& name, double number) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", number);
    return Member(name, text);
}

}  // namespace vkt::cli
