#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "support/HttpsTestServer.h"
#include "support/Rows.h"
#include "update/WebClient.h"

namespace zanvor {
namespace {

namespace fs = std::filesystem;
using test::HttpsTestServer;
using test::ServerCertificate;

// The client against a local HTTPS service whose test CA is the trusted store.
class WebClientTest : public test::IsolatedHomeTest {
  protected:
    void SetUp() override {
        IsolatedHomeTest::SetUp();
        std::string why;
        if (!HttpsTestServer::ToolsAvailable(why)) {
            GTEST_SKIP() << why;
        }
        ASSERT_TRUE(server.StartTrusted(why)) << why;
        test::WriteFile(server.Root() + "version", "1.0.1\n");
    }

    // Serves `size` bytes of a repeating pattern as `name`; returns them.
    std::string Serve(const std::string& name, size_t size) {
        std::string content(size, '\0');
        for (size_t i = 0; i < size; ++i) {
            content[i] = static_cast<char>('a' + i % 23);
        }
        test::WriteFile(server.Root() + name, content);
        return content;
    }

    std::string Target() const { return home() + "download.zip"; }

    HttpsTestServer server;
};

TEST_F(WebClientTest, ATextAnswerIsReadWithTheClientsHeaders) {
    WebClient web;
    std::string text;
    ASSERT_EQ(web.GetText(server.Url("version"), text), WebClient::kOk) << web.LastError();
    EXPECT_EQ(text, "1.0.1\n");
    EXPECT_TRUE(web.LastError().empty());
    EXPECT_EQ(server.RequestLog(), "/version\tIIC2.0/PC 5.5.0000\tno-cache\tno-cache\n");
}

TEST_F(WebClientTest, ProgressFollowsWholeReadsAndNeverRepeatsTheLastValue) {
    const struct {
        size_t size;
        std::vector<int> first;  // the first download of a fresh progress state
    } cases[] = {
        {25000, {2, 8, 10, 55, 100}},  // the third read and the end would repeat 100
        {5000, {2, 8, 10, 100}},       // shorter than one read: no per-read values
        {40960, {2, 8, 10, 32, 55, 77, 100}},
        {0, {2, 8, 10, 100}},
    };
    test::ForEachRow(cases, [&](const auto& c) {
        SCOPED_TRACE(c.size);
        const std::string content = Serve("file.zip", c.size);
        DownloadProgressState state;
        WebClient web(state);
        std::vector<int> posted;
        const auto sink = [&posted](int percent) { posted.push_back(percent); };
        ASSERT_EQ(web.DownloadFile(server.Url("file.zip"), Target(), sink), WebClient::kOk)
            << web.LastError();
        EXPECT_EQ(posted, c.first);
        EXPECT_EQ(test::ReadFile(Target()), content);

        // The next download of the same process starts from the 100 left behind.
        posted.clear();
        ASSERT_EQ(web.DownloadFile(server.Url("file.zip"), Target(), sink), WebClient::kOk);
        std::vector<int> second{0};
        second.insert(second.end(), c.first.begin(), c.first.end());
        EXPECT_EQ(posted, second);
    });
}

TEST_F(WebClientTest, OnlyVerifiedHttpsIsUsed) {
    std::string why;
    HttpsTestServer selfSigned;
    HttpsTestServer otherHost;
    ASSERT_TRUE(selfSigned.Start(ServerCertificate::kSelfSigned, why)) << why;
    ASSERT_TRUE(otherHost.Start(ServerCertificate::kOtherHostName, why)) << why;
    test::WriteFile(selfSigned.Root() + "version", "9.9.9");
    test::WriteFile(otherHost.Root() + "version", "9.9.9");
    std::string plain = server.Url("version");
    plain.replace(0, 5, "http");

    const struct {
        const char* label;
        std::string address;
        const char* errorContains;
    } cases[] = {
        {"plain http", plain, "https"},
        {"redirect to plain http", server.Url("to-http/version"), "https"},
        {"certificate of an unknown issuer", selfSigned.Url("version"), "certificate"},
        {"certificate of another host", otherHost.Url("version"), "certificate"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        WebClient web;
        std::string text = "left over";
        EXPECT_EQ(web.GetText(c.address, text), WebClient::kFailed);
        EXPECT_EQ(text, "");
        EXPECT_NE(web.LastError().find(c.errorContains), std::string::npos) << web.LastError();
        test::WriteFile(Target(), "earlier file");
        EXPECT_EQ(web.DownloadFile(c.address, Target(), nullptr), WebClient::kFailed);
        EXPECT_FALSE(fs::exists(Target()));
    }
}

TEST_F(WebClientTest, BadAnswersFailWithAReasonAndLeaveNoFile) {
    WebClient web;
    web.SetTimeouts({std::chrono::seconds(10), std::chrono::seconds(1)});
    std::string text;

    EXPECT_EQ(web.GetText(server.Url("silent/version"), text), WebClient::kFailed);
    EXPECT_NE(web.LastError().find("did not answer in time"), std::string::npos) << web.LastError();

    // An endless answer is cut off one byte past the limit, so the caller sees it went on.
    EXPECT_EQ(web.GetText(server.Url("endless/version"), text, 256), WebClient::kOk);
    EXPECT_EQ(text.size(), 257u);

    EXPECT_EQ(web.GetText(server.Url("missing/version"), text), WebClient::kFailed);
    EXPECT_NE(web.LastError().find("HTTP 404"), std::string::npos) << web.LastError();

    EXPECT_EQ(web.DownloadFile(server.Url("stall/file.zip"), Target(), nullptr),
              WebClient::kFailed);
    EXPECT_NE(web.LastError().find("did not answer in time"), std::string::npos) << web.LastError();
    EXPECT_FALSE(fs::exists(Target())) << "the half-downloaded file is removed";

    EXPECT_EQ(web.DownloadFile(server.Url("missing.zip"), Target(), nullptr), WebClient::kFailed);
    EXPECT_NE(web.LastError().find("HTTP 404"), std::string::npos) << web.LastError();
    EXPECT_FALSE(fs::exists(Target()));
}

TEST_F(WebClientTest, ClearingTheContinueFlagStopsADownloadAndRemovesItsFile) {
    WebClient web;
    web.SetContinue(false);
    std::string text;
    EXPECT_EQ(web.GetText(server.Url("version"), text), WebClient::kStopped);
    EXPECT_EQ(web.DownloadFile(server.Url("version"), Target(), nullptr), WebClient::kStopped);
    EXPECT_EQ(server.RequestLog(), "") << "a stop asked for before the start is kept";

    // A server that went silent in the middle of the file: the stop does not wait for it.
    web.SetContinue(true);
    DownloadProgressState state;
    WebClient stalled(state);
    std::atomic<int> last{-1};
    std::atomic<int> result{1000};
    std::thread worker([&] {
        result = stalled.DownloadFile(server.Url("stall/file.zip"), Target(),
                                      [&last](int percent) { last = percent; });
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (last.load() < 10 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_GE(last.load(), 10) << "the file was being written";
    stalled.SetContinue(false);
    worker.join();
    EXPECT_EQ(result.load(), WebClient::kStopped);
    EXPECT_FALSE(fs::exists(Target()));
}

TEST_F(WebClientTest, ADownloadStopsAtTheLimitAndLeavesNoFile) {
    const std::string fits = Serve("fits.zip", 64 * 1024);
    Serve("large.zip", 64 * 1024 + 1);
    const struct {
        const char* label;
        std::string address;
        const char* errorContains;  // nullptr: downloaded
    } cases[] = {
        {"as large as the limit", server.Url("fits.zip"), nullptr},
        {"announced larger", server.Url("large.zip"), "announces 65537 bytes, more than the 65536"},
        // No length announced: the answer is stopped once it passes the limit.
        {"endless", server.Url("endless/file.zip"), "larger than the 65536 bytes allowed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        WebClient web;
        web.SetMaxDownloadBytes(64 * 1024);
        const int result = web.DownloadFile(c.address, Target(), nullptr);
        if (c.errorContains == nullptr) {
            EXPECT_EQ(result, WebClient::kOk) << web.LastError();
            EXPECT_EQ(test::ReadFile(Target()), fits);
        } else {
            EXPECT_EQ(result, WebClient::kFailed);
            EXPECT_NE(web.LastError().find(c.errorContains), std::string::npos) << web.LastError();
            EXPECT_FALSE(fs::exists(Target()));
        }
    }
}

TEST_F(WebClientTest, AFullDiskFailsTheDownloadAndDeletesThePartialFile) {
    Serve("large.zip", 300 * 1024);
    // Writes past 64 KiB fail as they do on a full disk.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit limited = saved;
    limited.rlim_cur = 64 * 1024;
    const sighandler_t previous = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    WebClient web;
    const int result = web.DownloadFile(server.Url("large.zip"), Target(), nullptr);
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previous);

    EXPECT_EQ(result, WebClient::kFailed);
    EXPECT_NE(web.LastError().find("cannot write " + Target()), std::string::npos)
        << web.LastError();
    EXPECT_FALSE(fs::exists(Target()));
}

}  // namespace
}  // namespace zanvor
