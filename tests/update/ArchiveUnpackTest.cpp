#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "support/Rows.h"
#include "support/TestHome.h"
#include "support/ZipBuilder.h"
#include "update/ArchiveUnpack.h"

namespace zanvor {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using namespace std::string_view_literals;

// Every path below `folder`, relative, sorted.
std::vector<std::string> Tree(const std::string& folder) {
    std::vector<std::string> paths;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        paths.push_back(fs::relative(entry.path(), folder).string());
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

// The archive lives beside the target folder, so an entry that escaped would land in the
// folder around it.
class ArchiveUnpackTest : public ::testing::Test {
  protected:
    void SetUp() override { fs::create_directories(target); }

    test::TempDir dir;
    const std::string archive = dir.path() + "update.zip";
    const std::string target = dir.path() + "outer/target/";
};

TEST(SafeEntryPathTest, KeepsNamesInsideTheFolder) {
    const struct {
        std::string_view name;
        const char* relative;  // nullptr: refused
    } cases[] = {
        {"Zanvor-HUB-1.0.3.deb", "Zanvor-HUB-1.0.3.deb"},
        {"docs/readme.txt", "docs/readme.txt"},
        {"docs\\readme.txt", nullptr},  // a backslash is no separator here, nor a name byte
        {"./a//b/", "a/b"},
        {"dots..name", "dots..name"},
        {"./", ""},
        {"../evil", nullptr},
        {"a/../../evil", nullptr},
        {"a/..", nullptr},
        {"a\\..\\..\\evil", nullptr},
        {"/etc/evil", nullptr},
        {"\\evil", nullptr},
        {"C:evil", nullptr},
        {"c:\\evil", nullptr},
        {"", nullptr},
        // The system reads a name up to its first NUL byte: "..\0" is "..".
        {"..\0/..\0/evil"sv, nullptr},
        {"a\0/b"sv, nullptr},
        {"Zanvor-HUB-1.0.3.deb\0.txt"sv, nullptr},
        {"a\nb", nullptr},
        {"\x1b[31mred", nullptr},
        {"tab\there", nullptr},
        {"del\x7f", nullptr},
        {"..\\..\\evil", nullptr},
        {"zażółć/ünïcode", "zażółć/ünïcode"},
    };
    for (const auto& c : cases) {
        const std::optional<std::string> relative = SafeEntryPath(c.name);
        if (c.relative == nullptr) {
            EXPECT_FALSE(relative) << testing::PrintToString(std::string(c.name));
        } else {
            EXPECT_EQ(relative.value_or("<refused>"), c.relative) << c.name;
        }
    }
}

TEST_F(ArchiveUnpackTest, UnpacksEveryEntryWithoutTakingItsModes) {
    test::WriteFile(target + "Zanvor-HUB-1.0.3.deb", "an older download");
    test::ZipBuilder zip(archive);
    zip.Folder("docs/")
        .File("docs/readme.txt", "read me")
        .File("Zanvor-HUB-1.0.3.deb", "package", 04755)
        .File("deep/er/file", "x");
    ASSERT_TRUE(zip.Close());

    const UnpackResult result = UnpackArchive(archive, target);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(Tree(target), (std::vector<std::string>{"Zanvor-HUB-1.0.3.deb", "deep", "deep/er",
                                                      "deep/er/file", "docs", "docs/readme.txt"}));
    EXPECT_EQ(test::ReadFile(target + "Zanvor-HUB-1.0.3.deb"), "package");
    EXPECT_EQ(test::ReadFile(target + "docs/readme.txt"), "read me");
    EXPECT_EQ(result.files.size(), 3u);
    struct stat info {};
    ASSERT_EQ(stat((target + "Zanvor-HUB-1.0.3.deb").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07111, 0u) << "no execute, setuid or setgid bit from the archive";
}

TEST_F(ArchiveUnpackTest, RefusesAWholeArchiveWithAnEntryThatLeavesTheFolder) {
    const struct {
        const char* label;
        void (*add)(test::ZipBuilder&);
        const char* errorContains;
    } cases[] = {
        {"parent folder", [](test::ZipBuilder& z) { z.File("../evil", "x"); }, "../evil"},
        {"nested parent", [](test::ZipBuilder& z) { z.File("a/../../evil", "x"); }, "outside"},
        {"backslashes", [](test::ZipBuilder& z) { z.File("a\\..\\..\\evil", "x"); }, "backslash"},
        {"Windows parent folders", [](test::ZipBuilder& z) { z.File("..\\..\\evil", "x"); },
         "backslash"},
        {"a backslash in a plain name", [](test::ZipBuilder& z) { z.File("docs\\a.txt", "x"); },
         "backslash"},
        // "..\0" passes a check of the stored name but opens as "..".
        {"NUL after a parent folder", [](test::ZipBuilder& z) { z.File("..\0/..\0/evil"s, "x"); },
         "\"..\\x00/..\\x00/evil\""},
        {"NUL cutting a name short",
         [](test::ZipBuilder& z) { z.File("kept.txt\0.deb"s, "replaced"); }, "\\x00"},
        {"NUL in a folder entry", [](test::ZipBuilder& z) { z.Folder("..\0/"s); }, "\\x00"},
        {"a line break", [](test::ZipBuilder& z) { z.File("a\nb", "x"); }, "\\x0a"},
        {"an escape sequence", [](test::ZipBuilder& z) { z.File("\x1b[2Jx", "x"); }, "control"},
        {"absolute path", [](test::ZipBuilder& z) { z.File("/tmp/zanvor-unpack-test-evil", "x"); },
         "outside"},
        {"symbolic link", [](test::ZipBuilder& z) { z.Symlink("link", "../.."); }, "link"},
        {"link, then through it",
         [](test::ZipBuilder& z) { z.Symlink("up", "..").File("up/evil", "x"); }, "link"},
    };
    test::ForEachRow(cases, [&](const auto& c) {
        SCOPED_TRACE(c.label);
        fs::remove_all(dir.path() + "outer");
        fs::create_directories(target);
        test::WriteFile(target + "kept.txt", "was here before");
        {
            test::ZipBuilder zip(archive);
            zip.File("first.txt", "written before the bad entry?");
            c.add(zip);
            ASSERT_TRUE(zip.Close());
        }
        const UnpackResult result = UnpackArchive(archive, target);
        EXPECT_FALSE(result.ok);
        EXPECT_NE(result.error.find(c.errorContains), std::string::npos) << result.error;
        EXPECT_EQ(Tree(target), std::vector<std::string>{"kept.txt"})
            << "nothing is written once the archive is refused";
        EXPECT_EQ(test::ReadFile(target + "kept.txt"), "was here before");
        EXPECT_EQ(Tree(dir.path()),
                  (std::vector<std::string>{"outer", "outer/target", "outer/target/kept.txt",
                                            "update.zip"}));
        EXPECT_FALSE(fs::exists("/tmp/zanvor-unpack-test-evil"));
    });
}

TEST_F(ArchiveUnpackTest, StopsAtTheSizeLimitBeforeWriting) {
    const std::string megabyte(1024 * 1024, '\0');
    const struct {
        const char* label;
        int entries;
        int megabytesEach;
    } cases[] = {
        {"one large entry", 1, 4},
        {"many entries together", 3, 1},
    };
    test::ForEachRow(cases, [&](const auto& c) {
        SCOPED_TRACE(c.label);
        {
            test::ZipBuilder zip(archive);
            for (int i = 0; i < c.entries; ++i) {
                std::string content;
                for (int m = 0; m < c.megabytesEach; ++m) {
                    content += megabyte;
                }
                zip.File("zeros" + std::to_string(i), content);
            }
            ASSERT_TRUE(zip.Close());
        }
        const UnpackResult result = UnpackArchive(archive, target, {2 * 1024 * 1024, 100});
        EXPECT_FALSE(result.ok);
        EXPECT_NE(result.error.find("more than 2097152 bytes"), std::string::npos) << result.error;
        EXPECT_TRUE(Tree(target).empty());
    });
}

TEST_F(ArchiveUnpackTest, AFailureHalfwayRemovesWhatItWroteAndNothingElse) {
    test::WriteFile(target + "kept.txt", "was here before");
    test::ZipBuilder zip(archive);
    // The file that was there is replaced and an entry comes twice before "a" becomes a file,
    // so the folder "a/" of the last entry cannot be made.
    zip.File("kept.txt", "replaced")
        .File("new/one.txt", "1")
        .File("twice", "1")
        .File("twice", "2")
        .File("a", "file")
        .File("a/b", "2");
    ASSERT_TRUE(zip.Close());

    const UnpackResult result = UnpackArchive(archive, target);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("a"), std::string::npos);
    EXPECT_EQ(Tree(target), std::vector<std::string>{"kept.txt"});
    EXPECT_EQ(test::ReadFile(target + "kept.txt"), "was here before") << "put back as it was";
}

TEST_F(ArchiveUnpackTest, ADamagedOrMissingArchiveIsReported) {
    std::string noise(50000, '\0');
    uint32_t seed = 1;
    for (char& c : noise) {
        seed = seed * 1103515245 + 12345;
        c = static_cast<char>(seed >> 16);
    }
    test::ZipBuilder zip(archive);
    zip.File("one.txt", noise);
    ASSERT_TRUE(zip.Close());
    std::string bytes = test::ReadFile(archive);
    bytes[1000] = static_cast<char>(bytes[1000] ^ 0x5A);  // inside the compressed data
    test::WriteFile(archive, bytes);

    UnpackResult result = UnpackArchive(archive, target);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("one.txt"), std::string::npos) << result.error;
    EXPECT_TRUE(Tree(target).empty());

    test::WriteFile(archive, "<html>Not found</html>");
    result = UnpackArchive(archive, target);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("cannot open"), std::string::npos) << result.error;
}

}  // namespace
}  // namespace zanvor
