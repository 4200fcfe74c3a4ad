#include "platform/SingleInstance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <mutex>

#include "platform/Paths.h"
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

// A user id that is not ours (tests run as root; nobody's id otherwise).
uid_t OtherUser() {
    return ::getuid() == 65534 ? 65533 : 65534;
}

TEST_F(SingleInstanceTest, NothingIsSaidToASocketOfAnotherUser) {
    // Another user listens where the desktop program's socket belongs and answers like it.
    const std::string path = home() + "run/Zanvor HUB.sock";
    int report[2];
    ASSERT_EQ(pipe(report), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        close(report[0]);
        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, path.c_str());
        // The credentials a client sees are those of whoever called listen().
        if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            chmod(path.c_str(), 0666) != 0 || setgid(OtherUser()) != 0 ||
            setuid(OtherUser()) != 0 || listen(fd, 4) != 0) {
            _exit(2);
        }
        [[maybe_unused]] const ssize_t ready = write(report[1], "L", 1);
        for (int i = 0; i < 2; ++i) {
            const int client = accept(fd, nullptr, nullptr);
            pollfd entry{client, POLLIN, 0};
            char buffer[4096];
            const ssize_t got =
                poll(&entry, 1, 2000) == 1 ? read(client, buffer, sizeof buffer) : 0;
            if (got > 0) {
                [[maybe_unused]] const ssize_t told = write(report[1], buffer, size_t(got));
            }
            const std::string answer =
                got > 2 && std::strncmp(buffer, "run", 3) == 0 ? "done 0\n6\nhello\n0\n" : "ok\n";
            [[maybe_unused]] const ssize_t sent =
                send(client, answer.data(), answer.size(), MSG_NOSIGNAL);
            close(client);
        }
        _exit(0);
    }
    close(report[1]);
    char ready = 0;
    ASSERT_EQ(read(report[0], &ready, 1), 1) << "the other user's listener did not start";

    SingleInstance client;
    const SingleInstance::Handoff handoff = client.AskFirstToRun({"profile", "delete", "1"});
    EXPECT_EQ(handoff.outcome, SingleInstance::Handoff::Outcome::kNotHandedOver)
        << handoff.reply.out;
    EXPECT_FALSE(client.AskFirstToRaise(500));

    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    std::string heard;
    char buffer[4096];
    for (ssize_t got; (got = read(report[0], buffer, sizeof buffer)) > 0;) {
        heard.append(buffer, size_t(got));
    }
    close(report[0]);
    EXPECT_EQ(heard, "") << "the other user heard the command";
}

TEST_F(SingleInstanceTest, ALockFileOfAnotherUserIsNotTakenForAnInstance) {
    // Another user made this user's lock file in a shared folder and holds it.
    const std::string path = home() + "run/Zanvor HUB.lock";
    const int held = open(path.c_str(), O_RDWR | O_CREAT, 0666);
    ASSERT_GE(held, 0);
    ASSERT_EQ(fchown(held, OtherUser(), OtherUser()), 0);
    ASSERT_EQ(flock(held, LOCK_EX | LOCK_NB), 0);

    SingleInstance start;
    EXPECT_TRUE(start.TryAcquire()) << "not a second start: nobody of ours runs";
    EXPECT_FALSE(start.Holding());
    EXPECT_NE(start.Problem().find("belongs to another user"), std::string::npos)
        << start.Problem();
    close(held);
}

TEST_F(SingleInstanceTest, WithoutARuntimeFolderTheUsersOwnPrivateFolderIsUsed) {
    unsetenv("XDG_RUNTIME_DIR");
    const std::string folder = "/tmp/zanvor-hub-" + std::to_string(getuid()) + "/";
    EXPECT_EQ(RuntimeFolder(), folder);

    const std::string name = "SingleInstanceTest-" + std::to_string(getpid());
    {
        SingleInstance first(name);
        ASSERT_TRUE(first.TryAcquire()) << first.Problem();
        EXPECT_TRUE(first.Holding()) << first.Problem();
        EXPECT_EQ(first.LockPath(), folder + name + ".lock");
        EXPECT_EQ(first.SocketPath(), folder + name + ".sock");
        struct stat info {};
        ASSERT_EQ(lstat(folder.c_str(), &info), 0);
        EXPECT_TRUE(S_ISDIR(info.st_mode));
        EXPECT_EQ(info.st_mode & 0777, 0700u);
        EXPECT_EQ(info.st_uid, getuid());
    }
    unlink((folder + name + ".lock").c_str());
}

TEST_F(SingleInstanceTest, APrivateFolderIsOnlyOneNobodyElseMadeOrCanOpen) {
    const std::string base = home() + "shared/";
    ASSERT_TRUE(CreateFolders(base));
    const std::string mine = base + "mine";
    const std::string foreign = base + "foreign";
    const std::string open = base + "open";
    const std::string link = base + "link";
    const std::string file = base + "file";
    ASSERT_EQ(mkdir(foreign.c_str(), 0700), 0);
    ASSERT_EQ(chown(foreign.c_str(), OtherUser(), OtherUser()), 0);
    ASSERT_EQ(mkdir(open.c_str(), 0700), 0);
    ASSERT_EQ(chmod(open.c_str(), 0755), 0);
    ASSERT_EQ(symlink(mine.c_str(), link.c_str()), 0);
    test::WriteFile(file, "");

    const struct {
        std::string path;
        bool usable;
        std::string reason;
    } cases[] = {
        {mine + "/", true, ""},  // made here, mode 0700
        {mine, true, ""},        // and accepted again
        {foreign, false, "belongs to another user"},
        {open, false, "open to other users"},
        {link, false, "is not a folder"},
        {file, false, "is not a folder"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_EQ(PrivateFolder(c.path, error), c.usable) << c.path;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.path << ": " << error;
    }
    struct stat info {};
    ASSERT_EQ(stat(mine.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST_F(SingleInstanceTest, AHandedOverCommandOnceAcceptedIsNeverLeftToTheCommandLine) {
    using Outcome = SingleInstance::Handoff::Outcome;
    using Reply = std::optional<SingleInstance::CommandReply>;
    const struct {
        const char* what;
        std::function<Reply(const std::function<void()>&)> handler;
        Outcome outcome;
    } cases[] = {
        {"declined before it started", [](const auto&) { return Reply(); },
         Outcome::kNotHandedOver},
        // The connection ends after "accepted", as when the program is killed mid-command.
        {"ended while it ran",
         [](const auto& accepted) {
             accepted();
             return Reply();
         },
         Outcome::kOwnerEnded},
        {"done",
         [](const auto& accepted) {
             accepted();
             return Reply(SingleInstance::CommandReply{4, "out", "err"});
         },
         Outcome::kDone},
        {"done without saying it started",
         [](const auto&) {
             return Reply(SingleInstance::CommandReply{0, "out", ""});
         },
         Outcome::kDone},
    };
    for (const auto& c : cases) {
        SingleInstance first;
        ASSERT_TRUE(first.TryAcquire());
        std::vector<std::string> received;
        first.SetCommandHandler(
            [&](const std::vector<std::string>& arguments, const std::function<void()>& accepted) {
                received = arguments;
                return c.handler(accepted);
            });
        SingleInstance second;
        const SingleInstance::Handoff handoff = second.AskFirstToRun({"profile", "import", "x"});
        EXPECT_EQ(handoff.outcome, c.outcome) << c.what;
        EXPECT_EQ(received, (std::vector<std::string>{"profile", "import", "x"})) << c.what;
        if (c.outcome == Outcome::kDone) {
            EXPECT_EQ(handoff.reply.out, "out") << c.what;
        }
    }
}

}  // namespace
}  // namespace zanvor
