// Formatted record files for the tests: records built field by field, files written into the
// scratch folder of the file tests, and a count of this process's open descriptors.
#pragma once

#include <dirent.h>

#include <cstdio>
#include <string>
#include <vector>

#include "runtime/file/file_test_support.h"

namespace vkt::protocol::testing {

// The fields of a header or footer; Text() lays them out as the 38-byte record.
struct Record {
    std::string recordType = "00";
    std::string fileType = "A";
    std::string name = "NOMINA";
    std::string date = "20240131";
    std::string time = "235959";
    std::string count = "000000000";
    std::string end = "\r\n";

    std::string Text() const {
        std::string padded = name;
        padded.resize(10, ' ');
        return recordType + fileType + padded + date + time + count + end;
    }
};

inline std::string Count9(std::size_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%09zu", value);
    return text;
}

// A consistent type "A" file: header, body records (each given without its CR LF), footer.
struct TypeAFile {
    Record header;
    Record footer;
    std::vector<std::string> records;

    explicit TypeAFile(std::vector<std::string> body) : records(std::move(body)) {
        footer.recordType = "99";
        header.count = footer.count = Count9(records.size());
    }
    std::string Text() const {
        std::string text = header.Text();
        for (const std::string& record : records) text += record + "\r\n";
        return text + footer.Text();
    }
};

// A consistent type "B" file whose body is the given bytes.
inline std::string TypeBFile(const std::string& body) {
    Record header;
    header.fileType = "B";
    header.count = Count9(body.size());
    Record footer = header;
    footer.recordType = "99";
    return header.Text() + body + footer.Text();
}

// Number of descriptors this process holds open (the listing's own one excluded).
inline int OpenDescriptors() {
    DIR* listing = ::opendir("/proc/self/fd");
    if (listing == nullptr) return -1;
    int count = 0;
    while (const dirent* entry = ::readdir(listing)) {
        if (entry->d_name[0] != '.') ++count;
    }
    ::closedir(listing);
    return count - 1;
}

}  // namespace vkt::protocol::testing
