// A text that holds a secret (the private-key password): its bytes, spare capacity included,
// are wiped when it goes.
#pragma once

#include <string>

#include "common/platform/wipe_memory.h"

namespace vkt::tools {

inline void WipeText(std::string* text) {
    text->resize(text->capacity());
    WipeMemory(text->data(), text->size());
    text->clear();
}

class SecretText {
  public:
    SecretText() = default;
    // Takes the text over and wipes what the source keeps of it.
    explicit SecretText(std::string&& text) {
        text_.swap(text);
        WipeText(&text);
    }
    ~SecretText() { WipeText(&text_); }
    SecretText(const SecretText&) = delete;
    SecretText& operator=(const SecretText&) = delete;
    SecretText& operator=(SecretText&& other) noexcept {
        WipeText(&text_);
        text_.swap(other.text_);
        WipeText(&other.text_);
        return *this;
    }

    const std::string& text() const { return text_; }
    const char* c_str() const { return text_.c_str(); }
    std::string* mutable_text() { return &text_; }
    bool empty() const { return text_.empty(); }

  private:
    std::string text_;
};

}  // namespace vkt::tools
