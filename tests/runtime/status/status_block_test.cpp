// The status block: initial state, setters, Reset, bounded texts, consistent copies.
#include "runtime/status/status_block.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace vkt::runtime {
namespace {

StatusRecord Copy(const StatusBlock& block) {
    StatusRecord record;
    std::memset(&record, 0x5A, sizeof record);
    block.CopyOut(&record);
    return record;
}

TEST(StatusBlock, StartsEmptyAndZero) {
    StatusBlock block;
    const StatusRecord record = Copy(block);
    const StatusRecord zero{};
    EXPECT_EQ(std::memcmp(&record, &zero, sizeof record), 0);
    EXPECT_EQ(block.GetActivity(), kActivityIdle);
}

TEST(StatusBlock, SettersAndLengthsInTheCopy) {
    StatusBlock block;
    block.SetSessionId(4321);
    block.SetFunction("VKTEnviar");
    block.SetStep(9);
    block.SetFileName("/tmp/datos.txt");
    block.SetBytesDone(10);
    block.SetBytesTotal(20);
    block.SetActivity(kActivityRunning);
    const StatusRecord record = Copy(block);
    EXPECT_EQ(record.sessionId, 4321u);
    EXPECT_STREQ(record.function, "VKTEnviar");
    EXPECT_EQ(record.functionLength, 9u);
    EXPECT_EQ(record.step, 9u);
    EXPECT_STREQ(record.fileName, "/tmp/datos.txt");
    EXPECT_EQ(record.fileNameLength, 14u);
    EXPECT_EQ(record.bytesDone, 10u);
    EXPECT_EQ(record.bytesTotal, 20u);
    EXPECT_EQ(record.activity, kActivityRunning);
    EXPECT_EQ(block.GetActivity(), kActivityRunning);
}

TEST(StatusBlock, ResetKeepsSessionIdAndBytesTotal) {
    StatusBlock block;
    block.SetSessionId(1000);
    block.SetFunction("VKTSolicitar");
    block.SetStep(4);
    block.SetFileName("recibido.dat");
    block.SetBytesDone(5);
    block.SetBytesTotal(50);
    block.SetActivity(kActivityFailed);
    block.Reset();
    const StatusRecord record = Copy(block);
    EXPECT_EQ(record.sessionId, 1000u);
    EXPECT_STREQ(record.function, "No hay funcion activa");
    EXPECT_EQ(record.functionLength, 21u);
    EXPECT_EQ(record.step, 10u);
    EXPECT_STREQ(record.fileName, "");
    EXPECT_EQ(record.fileNameLength, 0u);
    EXPECT_EQ(record.bytesDone, 0u);
    EXPECT_EQ(record.bytesTotal, 50u);
    EXPECT_EQ(record.activity, kActivityIdle);
}

// Over-long texts keep 255 bytes and their terminator; a shorter text after a longer one
// leaves no tail of the old one; null reads as empty.
TEST(StatusBlock, TextsAreBoundedAndReplacedWhole) {
    StatusBlock block;
    const std::string longName(400, 'n');
    block.SetFileName(longName.c_str());
    block.SetFunction(longName.c_str());
    StatusRecord record = Copy(block);
    EXPECT_EQ(record.fileNameLength, 255u);
    EXPECT_EQ(record.fileName[255], '\0');
    EXPECT_EQ(record.functionLength, 255u);
    block.SetFileName("corto");
    record = Copy(block);
    EXPECT_STREQ(record.fileName, "corto");
    for (std::size_t i = 5; i < sizeof record.fileName; ++i) ASSERT_EQ(record.fileName[i], 0);
    block.SetFunction(nullptr);
    EXPECT_EQ(Copy(block).functionLength, 0u);
}

// A copy taken while other threads rewrite the texts always shows one whole text.
TEST(StatusBlock, OnlyOneOfManyThreadsBeginsAnOperation) {
    for (int round = 0; round < 50; ++round) {
        StatusBlock block;
        block.SetActivity(kActivityFailed);
        std::atomic<int> begun{0};
        std::vector<std::thread> threads;
        for (int i = 0; i < 4; ++i) {
            threads.emplace_back([&] {
                if (block.BeginOperation("VKTEnviar", 7)) begun.fetch_add(1);
            });
        }
        for (std::thread& thread : threads) thread.join();
        ASSERT_EQ(begun.load(), 1);
        const StatusRecord record = Copy(block);
        EXPECT_EQ(record.activity, kActivityRunning);
        EXPECT_STREQ(record.function, "VKTEnviar");
        EXPECT_EQ(record.step, 7u);
    }
}

TEST(StatusBlock, ConcurrentWritersNeverTearACopy) {
    StatusBlock block;
    const std::string a(200, 'a');
    const std::string b(50, 'b');
    block.SetFunction(a.c_str());
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int i = 0; !stop.load(); ++i) {
            block.SetFunction(i % 2 ? a.c_str() : b.c_str());
            block.SetActivity(i % 3);
        }
    });
    std::thread other([&] {
        while (!stop.load()) block.Reset();
    });
    int torn = 0;
    for (int i = 0; i < 20000; ++i) {
        const StatusRecord record = Copy(block);
        const std::string function(record.function);
        if (function != a && function != b && function != "No hay funcion activa") ++torn;
        if (record.functionLength != function.size()) ++torn;
    }
    stop = true;
    writer.join();
    other.join();
    EXPECT_EQ(torn, 0);
}

}  // namespace
}  // namespace vkt::runtime
