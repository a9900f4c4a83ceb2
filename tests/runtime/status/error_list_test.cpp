// The error list: capacity, records, server texts, concurrent recording.
#include "runtime/status/error_list.h"

#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "platform/local_time.h"
#include "runtime/status/catalogue.h"
#include "runtime/status/status_code.h"

namespace vkt::runtime {
namespace {

std::vector<ErrorRecord> Drain(ErrorList& list) {
    std::vector<ErrorRecord> records(ErrorList::kCapacity);
    records.resize(list.CopyOut(records.data()));
    return records;
}

bool IsTimeOfDay(const char* text) {
    if (std::strlen(text) != 8 || text[2] != ':' || text[5] != ':') return false;
    for (int i : {0, 1, 3, 4, 6, 7}) {
        if (text[i] < '0' || text[i] > '9') return false;
    }
    return std::atoi(text) < 24 && std::atoi(text + 3) < 60 && std::atoi(text + 6) < 61;
}

TEST(ErrorList, EleventhEntryEmptiesTheListFirst) {
    ErrorList list;
    for (std::int32_t code = 40001; code <= 40010; ++code) ASSERT_TRUE(list.Add(code));
    EXPECT_EQ(list.Count(), 10u);
    ASSERT_TRUE(list.Add(40033));
    EXPECT_EQ(list.Count(), 1u);
    const auto records = Drain(list);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].code, 40033);
    EXPECT_STREQ(records[0].text, "Demasiadas sesiones abiertas");
}

// Oldest first, every field of the record, and reading empties the list.
TEST(ErrorList, CopyOutWritesWholeRecordsAndEmpties) {
    ErrorList list;
    char before[9];
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ASSERT_TRUE(platform::LocalTime(now, &local));
    std::strftime(before, sizeof before, "%H:%M:%S", &local);
    ASSERT_TRUE(list.Add(ComposeStatus(10054, kSourceNetwork)));
    ASSERT_TRUE(list.Add(40060));
    ASSERT_TRUE(list.Add(2604));

    std::vector<ErrorRecord> records(ErrorList::kCapacity);
    std::memset(records.data(), 0x5A, records.size() * sizeof(ErrorRecord));
    ASSERT_EQ(list.CopyOut(records.data()), 3u);
    EXPECT_EQ(records[0].code, 110054);
    EXPECT_STREQ(records[0].text, "La conexi\xF3n fue reseteada por el lado remoto");
    EXPECT_EQ(records[0].textLength, std::strlen(records[0].text));
    EXPECT_EQ(records[1].code, 40060);
    EXPECT_EQ(records[1].textLength, 0u);
    EXPECT_EQ(records[2].code, 2604);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(records[i].timeLength, 8u);
        EXPECT_TRUE(IsTimeOfDay(records[i].timeOfDay)) << records[i].timeOfDay;
        if (std::strcmp(before, "23:59:50") < 0) {  // local time, not earlier than the start
            EXPECT_LE(std::strcmp(before, records[i].timeOfDay), 0) << records[i].timeOfDay;
        }
    }
    for (std::size_t i = records[0].textLength; i < sizeof records[0].text; ++i) {
        EXPECT_EQ(records[0].text[i], 0) << "stale byte at " << i;
    }
    EXPECT_EQ(static_cast<unsigned char>(records[3].text[0]), 0x5A) << "beyond the count";

    EXPECT_EQ(list.Count(), 0u);
    std::memset(records.data(), 0x5A, sizeof(ErrorRecord));
    EXPECT_EQ(list.CopyOut(records.data()), 0u);
    EXPECT_EQ(static_cast<unsigned char>(records[0].text[0]), 0x5A) << "empty list writes nothing";
}

// Each case is copied into a buffer of exactly its length (no terminator), so a read past
// length trips AddressSanitizer.
TEST(ErrorList, ServerTextFollowsAtoiAndTheHyphen) {
    const std::string malformed = CatalogueText(kServerTextMalformed);
    const std::string tooLong = "40001-" + std::string(300, 'x');
    struct Case {
        std::string text;
        std::uint32_t length;
        std::int32_t code;
        std::string message;
    };
    const Case cases[] = {
        {"40029-Usuario bloqueado", 23, 40029, "Usuario bloqueado"},
        {"Usuario bloqueado", 17, kServerTextMalformed, malformed},
        // A number that reads as 0 is no success: 40062 with the server's message.
        {"-Fin de sesi\xF3n", 14, kServerTextMalformed, "Fin de sesi\xF3n"},
        {"-40029-x", 8, kServerTextMalformed, "40029-x"},
        {"0-x", 3, kServerTextMalformed, "x"},
        {"Error-x", 7, kServerTextMalformed, "x"},
        {"-", 1, kServerTextMalformed, malformed},
        {std::string("00-\0x", 5), 5, kServerTextMalformed, malformed},
        {" \t +40022-Timeout", 17, 40022, "Timeout"},
        {"12ab-x", 6, 12, "x"},
        {"abc-x", 5, kServerTextMalformed, "x"},
        {std::string("40029-Usua\0rio", 14), 14, 40029, "Usua"},  // stops at a NUL
        {"40029-Usuario bloqueado", 10, 40029, "Usua"},           // length shorter than text
        {"40029-", 6, 40029, ""},
        {"40029-Usuario", 5, kServerTextMalformed, malformed},  // hyphen beyond length
        {std::string("400\0"
                     "29-x",
                     8),
         8, kServerTextMalformed, malformed},
        {"99999999999-x", 13, INT_MAX, "x"},
        {tooLong, static_cast<std::uint32_t>(tooLong.size()), 40001, std::string(254, 'x')},
    };
    for (const Case& c : cases) {
        ErrorList list;
        std::vector<char> exact(c.text.begin(), c.text.begin() + c.length);
        EXPECT_EQ(list.AddServerText(exact.data(), c.length), c.code) << c.text;
        const auto records = Drain(list);
        ASSERT_EQ(records.size(), 1u) << c.text;
        EXPECT_EQ(records[0].code, c.code) << c.text;
        EXPECT_EQ(std::string(records[0].text), c.message) << c.text;
        EXPECT_EQ(records[0].textLength, c.message.size()) << c.text;
    }
    ErrorList list;
    EXPECT_EQ(list.AddServerText(nullptr, 0), kServerTextMalformed);
}

TEST(ErrorList, ClearEmptiesAndTheListIsReusable) {
    ErrorList list;
    ASSERT_TRUE(list.Add(40001));
    ASSERT_EQ(list.AddServerText("40029-x", 7), 40029);
    list.Clear();
    EXPECT_EQ(list.Count(), 0u);
    ASSERT_TRUE(list.Add(40002));
    const auto records = Drain(list);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].code, 40002);
}

// Writers on several threads while another drains: every record read is whole (text matching
// its code) and the list never holds more than 10.
TEST(ErrorList, ConcurrentRecordingStaysConsistent) {
    ErrorList list;
    std::atomic<bool> stop{false};
    std::atomic<int> inconsistent{0};
    std::thread reader([&] {
        std::vector<ErrorRecord> records(ErrorList::kCapacity);
        while (!stop.load()) {
            const std::uint32_t n = list.CopyOut(records.data());
            if (n > ErrorList::kCapacity) ++inconsistent;
            for (std::uint32_t i = 0; i < n; ++i) {
                const char* expected = records[i].code == 40029
                                           ? "Usuario bloqueado"
                                           : CatalogueText(MessageIdFor(records[i].code));
                if (std::strcmp(records[i].text, expected) != 0) ++inconsistent;
            }
        }
    });
    std::vector<std::thread> writers;
    const std::int32_t codes[] = {110054, 2604, 40055, 49997};
    for (std::int32_t code : codes) {
        writers.emplace_back([&list, code] {
            for (int i = 0; i < 3000; ++i) {
                if (i % 7 == 0) {
                    list.AddServerText("40029-Usuario bloqueado", 23);
                } else {
                    list.Add(code);
                }
            }
        });
    }
    for (auto& writer : writers) writer.join();
    stop = true;
    reader.join();
    EXPECT_EQ(inconsistent.load(), 0);
    EXPECT_LE(list.Count(), ErrorList::kCapacity);
}

}  // namespace
}  // namespace vkt::runtime
