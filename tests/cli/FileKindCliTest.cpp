// Files that are not files: a FIFO, a device or a symbolic link where the command line reads
// or writes a file is refused at once with the reason, never waited on, read without end or
// replaced by a plain file.

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>

#include "CliFixture.h"
#include "platform/Paths.h"

namespace zanvor {
namespace {

namespace fs = std::filesystem;

// A command that waits on a FIFO would hang the test: it is killed after this.
const std::string kDeadline = "timeout -s KILL 60 ";

class FileKindCliTest : public test::CliTest {
  protected:
    std::string Fifo(const std::string& name) {
        const std::string path = home() + name;
        EXPECT_EQ(mkfifo(path.c_str(), 0600), 0);
        return path;
    }
    static bool IsFifo(const std::string& path) {
        struct stat info {};
        return lstat(path.c_str(), &info) == 0 && S_ISFIFO(info.st_mode);
    }
    static std::string Quote(const std::string& path) { return "'" + path + "'"; }
};

TEST_F(FileKindCliTest, AnExportIsNeverWrittenOverSomethingOtherThanAFile) {
    const std::string device = "--simulate=101:cable --device 103 ";
    const std::string fixture = std::string(ZANVOR_TEST_FIXTURES) + "/screen/varied_delays.gif";
    const nlohmann::json imported = Json(device + "screen import " + Quote(fixture));
    ASSERT_TRUE(imported.contains("id")) << imported;
    const std::string id = std::to_string(imported["id"].get<int>());

    const std::string fifo = Fifo("export-fifo.gif");
    const std::string kept = home() + "kept.gif";
    test::WriteFile(kept, "keep me");
    const std::string link = home() + "link.gif";
    ASSERT_EQ(symlink(kept.c_str(), link.c_str()), 0);
    // A device node of its own (the one /dev/full is), so nothing of the system is at stake.
    const std::string node = home() + "full";
    const bool haveNode = mknod(node.c_str(), S_IFCHR | 0600, makedev(1, 7)) == 0;

    struct Case {
        std::string target;
        const char* reason;
    };
    std::vector<Case> cases = {
        {fifo, "is not a regular file"}, {link, "is a symbolic link"}, {home(), "is a folder"}};
    if (haveNode) {
        cases.push_back({node, "is not a regular file"});
    }
    for (const Case& c : cases) {
        const Run run =
            Zanvorctl(device + "screen export " + id + " " + Quote(c.target), kDeadline);
        EXPECT_EQ(run.status, 1) << c.target << ": " << run.err;
        EXPECT_NE(run.err.find(c.reason), std::string::npos) << c.target << ": " << run.err;
    }
    EXPECT_TRUE(IsFifo(fifo)) << "the FIFO was replaced";
    EXPECT_TRUE(fs::is_symlink(link)) << "the link was replaced";
    EXPECT_EQ(test::ReadFile(kept), "keep me");
    if (haveNode) {
        struct stat info {};
        EXPECT_TRUE(lstat(node.c_str(), &info) == 0 && S_ISCHR(info.st_mode))
            << "the device node was replaced";
    }
    // A regular file is still replaced.
    EXPECT_EQ(Zanvorctl(device + "screen export " + id + " " + Quote(kept)).status, 0);
    EXPECT_EQ(test::ReadFile(kept).rfind("GIF8", 0), 0u);
}

TEST_F(FileKindCliTest, FilesThatAreNotFilesAreRefusedAtOnce) {
    const std::string traceFifo = Fifo("trace-fifo");
    const std::string pictureFifo = Fifo("picture-fifo.gif");
    const struct {
        std::string arguments;
        int status;
        std::string reason;
    } cases[] = {
        {"--device 101 --hid-trace " + Quote(traceFifo) + " info", 1, "is not a regular file"},
        {"--device 103 aurora run --mode 5 --file " + Quote(pictureFifo) + " --seconds 1", 1,
         "cannot read the picture " + pictureFifo + ": it is not a regular file"},
        // Endless: it was read until memory ran out.
        {"--device 103 aurora run --mode 5 --file /dev/zero --seconds 1", 1,
         "cannot read the picture /dev/zero: it is not a regular file"},
        {"--device 103 aurora run --mode 5 --file " + Quote(home()) + " --seconds 1", 1,
         "it is not a regular file"},
    };
    for (const auto& c : cases) {
        const Run run = Zanvorctl(c.arguments, kDeadline);
        EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.err;
        EXPECT_NE(run.err.find(c.reason), std::string::npos) << c.arguments << ": " << run.err;
    }
    EXPECT_TRUE(IsFifo(traceFifo));
    EXPECT_TRUE(IsFifo(pictureFifo));
}

TEST_F(FileKindCliTest, AVirtualKeyboardStateThatIsNotAFileIsIgnoredAndKept) {
    const std::string folder = StateHome() + "zanvor-hub/";
    ASSERT_TRUE(CreateFolders(folder));
    const std::string state = folder + "sim-101.json";
    ASSERT_EQ(mkfifo(state.c_str(), 0600), 0);
    const Run run = Zanvorctl("--device 101 info", kDeadline);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(IsFifo(state)) << "the FIFO was replaced";
}

}  // namespace
}  // namespace zanvor
