// Verify answers by internal name, read from the --answers file. Format, one entry a line:
//
//   NAME<TAB>ANSWER
//
// NAME is compared exactly with the internal name of the query (the client sends it in lower
// case). ANSWER is either a field list for the additional information (for example
// "Importe,8,N;Concepto,12"), sent as the answer, or an error report "CODE-text" (decimal code,
// "-", text), sent as such. Empty lines and lines starting with "#" are skipped; a trailing CR is
// dropped. The bytes are sent as they stand (texts are Latin-1 on the wire). A name that is not
// listed gets kReportNoInformationNeeded.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace vkt::server {

// The client keeps an answer and its NUL in 2,048 bytes.
constexpr std::size_t kMaxAnswerLength = 2047;

struct VerifyAnswer {
    bool isErrorReport = false;
    std::string text;
};

class AnswersTable {
  public:
    // false, with the line number in reason, on a line without a TAB, with an empty name or
    // with an answer longer than kMaxAnswerLength; the answers loaded before stay then.
    bool Load(const std::string& path, std::string* reason);
    VerifyAnswer Find(const std::string& name) const;

  private:
    using Table = std::map<std::string, std::string>;

    mutable std::mutex lock_;
    std::shared_ptr<const Table> answers_ = std::make_shared<const Table>();
};

// True when text reads as "DIGITS-..." (at least one digit before the first "-").
bool IsErrorReport(const std::string& text);

}  // namespace vkt::server
