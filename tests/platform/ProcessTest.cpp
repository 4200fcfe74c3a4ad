#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>

#include "platform/Process.h"
#include "platform/UniqueFd.h"
#include "support/TestHome.h"

namespace zanvor {
namespace {

// A shell script as the started program, so the test sees what the child saw.
class ProcessTest : public ::testing::Test {
  protected:
    std::string Script(const std::string& name, const std::string& body) {
        const std::string path = dir.path() + name;
        test::WriteFile(path, "#!/bin/sh\n" + body);
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        return path;
    }

    test::TempDir dir;
};

TEST_F(ProcessTest, TheChildGetsItsArgumentsAndNoDescriptorButTheStandardOnes) {
    // A descriptor without close-on-exec, as a library might leave one.
    UniqueFd inherited(open("/dev/null", O_RDONLY));
    ASSERT_TRUE(inherited.IsOpen());
    ASSERT_GT(inherited.Get(), 2);
    const std::string out = dir.path() + "out";
    const std::string script =
        Script("child", "ls /proc/$$/fd > '" + out + "'\necho \"$#:$1:$2\" >> '" + out + "'\n");

    std::string error;
    const int pid = StartProcess(script, {"one word", ""}, error);
    ASSERT_GT(pid, 0) << error;
    EXPECT_EQ(WaitForProcess(pid), 0);
    // The shell may hold its script open; the descriptor of this process must not be there.
    const std::string seen = test::ReadFile(out);
    EXPECT_EQ(seen.find(std::to_string(inherited.Get()) + "\n"), std::string::npos) << seen;
    EXPECT_NE(seen.find("2:one word:\n"), std::string::npos) << seen;
}

TEST_F(ProcessTest, ExitStatusesAndFailuresAreReported) {
    std::string error;
    int pid = StartProcess(Script("fails", "exit 3\n"), {}, error);
    ASSERT_GT(pid, 0) << error;
    EXPECT_EQ(WaitForProcess(pid), 3);

    pid = StartProcess(Script("killed", "kill -TERM $$\n"), {}, error);
    ASSERT_GT(pid, 0) << error;
    EXPECT_EQ(WaitForProcess(pid), 128 + SIGTERM);

    EXPECT_EQ(StartProcess(dir.path() + "missing", {}, error), 0);
    EXPECT_NE(error.find("missing"), std::string::npos) << error;
    error.clear();
    EXPECT_EQ(StartProcess("zanvor-no-such-program-on-path", {}, error), 0);
    EXPECT_NE(error.find("zanvor-no-such-program-on-path"), std::string::npos) << error;

    test::WriteFile(dir.path() + "plain", "#!/bin/sh\n");  // not executable
    EXPECT_EQ(StartProcess(dir.path() + "plain", {}, error), 0);
    EXPECT_FALSE(WaitForProcess(getpid())) << "not a child: nothing to wait for";
}

TEST_F(ProcessTest, AWaitGivesUpWhenAskedAndAfterItsTimeOut) {
    std::string error;
    const std::string release = dir.path() + "release";
    // The loop is bounded (about a minute) so a test that fails before the release leaves no
    // child behind.
    const int pid = StartProcess(Script("waits", "for i in $(seq 1200); do [ -e '" + release +
                                                     "' ] && exit 0; sleep 0.05; done\nexit 1\n"),
                                 {}, error);
    ASSERT_GT(pid, 0) << error;
    int asked = 0;
    EXPECT_FALSE(WaitForProcess(pid, [&asked] { return ++asked < 3; }));
    EXPECT_EQ(asked, 3);
    EXPECT_FALSE(WaitForProcessFor(pid, std::chrono::milliseconds(50)));
    test::WriteFile(release, "");
    EXPECT_EQ(WaitForProcess(pid), 0);
}

}  // namespace
}  // namespace zanvor
