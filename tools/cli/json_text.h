// The pieces of vkt's --json output: one object a line, of strings, numbers and nulls.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vkt::cli {

// text (UTF-8) as a JSON string, quotes included: " and \ escaped, every control byte below
// 0x20 as \u00XX.
std::string JsonString(const std::string& text);

// A JSON object written member by member: {"a":1,"b":"x"}.
class JsonObject {
  public:
    JsonObject& Add(const std::string& name, const std::string& text);
    JsonObject& AddOrNull(const std::string& name, const std::optional<std::string>& text);
    JsonObject& Add(const std::string& name, std::int64_t number);
    JsonObject& AddNumber(const std::string& name, double number);
    std::string Text() const { return text_ + "}"; }

  private:
    JsonObject& Member(const std::string& name, const std::string& value);
    std::string text_ = "{";
};

}  // namespace vkt::cli
