#include "platform/SingleInstance.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <mutex>

#include "support/TestHome.h"

namespace zanvor {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Counts raise requests and lets a test wait for them.
class RaiseCounter {
  public:
    std::function<void()> Handler() {
        return [this] {
            std::lock_guard lock(mutex_);
            ++count_;
            changed_.notify_all();
        };
    }
    bool WaitFor(int count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 5s, [&] { return count_ >= count; });
    }
    int Count() {
        std::lock_guard lock(mutex_);
        return count_;
    }

  private:
    std::mutex mutex_;  // guards count_
    std::condition_variable changed_;
    int count_ = 0;
};

class SingleInstanceTest : public test::IsolatedHomeTest {};

TEST_F(SingleInstanceTest, OnlyTheFirstAcquiresUntilItEnds) {
    auto first = std::make_unique<SingleInstance>();
    ASSERT_TRUE(first->TryAcquire());
    EXPECT_EQ(first->LockPath(), home() + "run/Zanvor HUB.lock");
    EXPECT_EQ(first->SocketPath(), home() + "run/Zanvor HUB.sock");
    EXPECT_TRUE(fs::exists(first->SocketPath()));

    SingleInstance second;
    EXPECT_FALSE(second.TryAcquire());
    EXPECT_FALSE(second.Holding());

    // Another process sees the lock too.
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        SingleInstance other;
        _exit(other.TryAcquire() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    const std::string socketPath = first->SocketPath();
    first.reset();
    EXPECT_FALSE(fs::exists(socketPath));
    EXPECT_TRUE(second.TryAcquire());
}

TEST_F(SingleInstanceTest, InstancesOfOtherApplicationsDoNotMeet) {
    SingleInstance hub("Zanvor HUB");
    SingleInstance other("Other HUB");
    EXPECT_TRUE(hub.TryAcquire());
    EXPECT_TRUE(other.TryAcquire());
}

TEST_F(SingleInstanceTest, SecondStartRaisesTheFirst) {
    RaiseCounter raised;
    SingleInstance first;
    first.SetRaiseHandler(raised.Handler());
    ASSERT_TRUE(first.TryAcquire());

    for (int start = 1; start <= 2; ++start) {
        SingleInstance second;
        ASSERT_FALSE(second.TryAcquire());
        EXPECT_TRUE(second.AskFirstToRaise());
        EXPECT_TRUE(raised.WaitFor(start));
    }
    EXPECT_EQ(raised.Count(), 2);
}

TEST_F(SingleInstanceTest, RequestBeforeTheHandlerIsSetIsDelivered) {
    SingleInstance first;
    ASSERT_TRUE(first.TryAcquire());
    SingleInstance second;
    ASSERT_TRUE(second.AskFirstToRaise());

    RaiseCounter raised;
    first.SetRaiseHandler(raised.Handler());
    EXPECT_TRUE(raised.WaitFor(1));
}

TEST_F(SingleInstanceTest, StaleSocketOfACrashedRunDoesNotBlock) {
    // A crashed run leaves its socket file behind with nobody listening.
    const std::string path = home() + "run/Zanvor HUB.sock";
    {
        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        ASSERT_GE(fd, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, path.c_str());
        ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ASSERT_EQ(listen(fd, 1), 0);
        close(fd);
    }
    ASSERT_TRUE(fs::exists(path));
    test::WriteFile(home() + "run/Zanvor HUB.lock", "");

    RaiseCounter raised;
    SingleInstance first;
    first.SetRaiseHandler(raised.Handler());
    ASSERT_TRUE(first.TryAcquire());
    SingleInstance second;
    EXPECT_FALSE(second.TryAcquire());
    EXPECT_TRUE(second.AskFirstToRaise());
    EXPECT_TRUE(raised.WaitFor(1));
}

TEST_F(SingleInstanceTest, AskingWithoutAFirstInstanceFails) {
    SingleInstance lone;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(lone.AskFirstToRaise(300));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
}

}  // namespace
}  // namespace zanvor
