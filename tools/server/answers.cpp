#include "server/answers.h"

#include <fstream>

#include "server/error_reports.h"

namespace vkt::server {

bool IsErrorReport(const std::string& text) {
    std::size_t digits = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
    return digits > 0 && digits < text.size() && text[digits] == '-';
}

bool AnswersTable::Load(const std::string& path, std::string* reason) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *reason = "cannot read " + path;
        return false;
    }
    auto answers = std::make_shared<Table>();
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos || tab == 0) {
            *reason = path + ":" + std::to_string(number) + ": expected NAME<TAB>ANSWER";
            return false;
        }
        if (line.size() - tab - 1 > kMaxAnswerLength) {
            *reason = path + ":" + std::to_string(number) + ": answer longer than " +
                      std::to_string(kMaxAnswerLength) + " bytes";
            return false;
        }
        (*answers)[line.substr(0, tab)] = line.substr(tab + 1);
    }
    std::lock_guard<std::mutex> hold(lock_);
    answers_ = std::move(answers);
    return true;
}

VerifyAnswer AnswersTable::Find(const std::string& name) const {
    std::shared_ptr<const Table> answers;
    {
        std::lock_guard<std::mutex> hold(lock_);
        answers = answers_;
    }
    const auto entry = answers->find(name);
    if (entry == answers->end()) return {true, kReportNoInformationNeeded};
    return {IsErrorReport(entry->second), entry->second};
}

}  // namespace vkt::server
