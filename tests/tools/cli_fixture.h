// The fixture of vkt's end-to-end tests: a vkt-server on a free loopback port that knows the
// user ANA (keys made once by vkt-keygen), and vkt run with the options to reach it.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "cli_process.h"

namespace vkt::cli::test {

constexpr char kUser[] = "ANA";
constexpr char kPassword[] = "CLAVE";

inline std::string RandomBytes(std::size_t size) {
    std::mt19937 generator(20240131);
    std::string bytes(size, '\0');
    for (char& byte : bytes) byte = static_cast<char>(generator());
    return bytes;
}

// A type "A" record file: 38-byte header, body records ending in CR LF, 38-byte footer.
inline std::string FormattedFile(const std::string& name, const std::vector<std::string>& records,
                                 std::string* body) {
    body->clear();
    for (const std::string& record : records) *body += record + "\r\n";
    char count[16];
    std::snprintf(count, sizeof count, "%09zu", records.size());
    std::string padded = name;
    padded.resize(10, ' ');
    const std::string fields = "A" + padded + "20240131" + "235959" + count + "\r\n";
    return "00" + fields + *body + "99" + fields;
}

class CliTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        keys_ = new TempDir;
        keysMade_ = MakeKey(keys_->path(), kUser, kPassword);
    }
    static void TearDownTestSuite() {
        delete keys_;
        keys_ = nullptr;
    }

    void SetUp() override {
        ASSERT_TRUE(keysMade_);
        WriteFile(server_.users() + "/ANA.pub", ReadFile(keys_->path() + "/ANA.pub"));
        WriteFile(work_.path() + "/answers",
                  "nomina\tImporte,8,N;Concepto,12\nrechazo\t40013-Sistema desconocido\n");
        ASSERT_TRUE(server_.Start({"--answers", work_.path() + "/answers"}));
    }

    // vkt with the connection options for the test server. --timeout bounds the whole command:
    // unless args give their own, 300 seconds, so that a large transfer under a sanitizer on a
    // loaded machine is never cut short; the tests of the bound give a short one.
    VktRun Vkt(std::vector<std::string> args, std::map<std::string, std::string> env = {},
               const std::function<void(const std::string&, pid_t)>& watch = nullptr) {
        return VktAt(server_.port(), std::move(args), std::move(env), watch);
    }
    // The same with another port of the loopback address.
    VktRun VktAt(int port, std::vector<std::string> args,
                 std::map<std::string, std::string> env = {},
                 const std::function<void(const std::string&, pid_t)>& watch = nullptr) {
        if (std::find(args.begin(), args.end(), "--timeout") == args.end()) {
            args.insert(args.end(), {"--timeout", "300"});
        }
        args.insert(args.end(), {"--server", "127.0.0.1", "--user", kUser, "--port",
                                 std::to_string(port), "--keys", keys_->path()});
        env.emplace("VKT_PASSWORD", kPassword);
        return RunVkt(args, env, watch);
    }

    std::string Path(const std::string& name) const { return work_.path() + "/" + name; }

    static inline TempDir* keys_ = nullptr;
    static inline bool keysMade_ = false;
    Server server_;
    TempDir work_;
};

}  // namespace vkt::cli::test
