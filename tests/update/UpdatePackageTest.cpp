#include <gtest/gtest.h>

#include <filesystem>

#include "support/HttpsTestServer.h"
#include "support/ZipBuilder.h"
#include "update/UpdatePackage.h"

namespace zanvor {
namespace {

namespace fs = std::filesystem;
using test::HttpsTestServer;

// The download's folder is "<home>/data/temp/Zanvor-HUB-1.0.1/", so anything that escapes
// lands beside it.
class UpdatePackageTest : public test::IsolatedHomeTest {
  protected:
    void SetUp() override {
        IsolatedHomeTest::SetUp();
        std::string why;
        if (!HttpsTestServer::ToolsAvailable(why)) {
            GTEST_SKIP() << why;
        }
        ASSERT_TRUE(server.StartTrusted(why)) << why;
        folder = home() + "data/temp/Zanvor-HUB-1.0.1/";
    }

    PackageOutcome Download(const std::string& archive) {
        WebClient web;
        return DownloadPackage(web, server.Url(archive), folder, names, nullptr);
    }

    HttpsTestServer server;
    std::string folder;  // "<home>/data/temp/Zanvor-HUB-1.0.1/"
    const PackageNames names{"Zanvor-HUB-1.0.1.zip", "Zanvor-HUB-1.0.1.deb"};
};

TEST_F(UpdatePackageTest, TheArchiveIsUnpackedAndReplacedByItsInstaller) {
    test::ZipBuilder(server.Root() + "good.zip")
        .File("Zanvor-HUB-1.0.1.deb", "package")
        .File("notes/readme.txt", "notes");

    const PackageOutcome outcome = Download("good.zip");
    ASSERT_TRUE(outcome.ok) << outcome.error;
    EXPECT_EQ(outcome.installerPath, folder + "Zanvor-HUB-1.0.1.deb");
    EXPECT_EQ(test::ReadFile(outcome.installerPath), "package");
    EXPECT_TRUE(fs::exists(folder + "notes/readme.txt"));
    EXPECT_FALSE(fs::exists(folder + names.archive));
}

TEST_F(UpdatePackageTest, NoInstallerIsReportedUnlessThisDownloadBroughtIt) {
    const struct {
        const char* label;
        std::function<void()> serve;
        PackageOutcome::Failure failure;
        const char* errorContains;
    } cases[] = {
        {"entries escaping the folder",
         [&] {
             test::ZipBuilder(server.Root() + "bad.zip")
                 .File("Zanvor-HUB-1.0.1.deb", "package")
                 .File("../evil", "x")
                 .File("/tmp/zanvor-package-test-evil", "x")
                 .Symlink("link", "..");
         },
         PackageOutcome::Failure::kUnpack, "outside"},
        {"a symbolic link",
         [&] {
             test::ZipBuilder(server.Root() + "bad.zip")
                 .File("Zanvor-HUB-1.0.1.deb", "package")
                 .Symlink("link", "..");
         },
         PackageOutcome::Failure::kUnpack, "symbolic link"},
        {"an archive for another system",
         [&] { test::ZipBuilder(server.Root() + "bad.zip").File("Zanvor-HUB-1.0.1.exe", "x"); },
         PackageOutcome::Failure::kNoInstaller, "Zanvor-HUB-1.0.1.deb"},
        {"a page instead of an archive",
         [&] { test::WriteFile(server.Root() + "bad.zip", "<html>maintenance</html>"); },
         PackageOutcome::Failure::kUnpack, "cannot open"},
        {"nothing to download", [&] { fs::remove(server.Root() + "bad.zip"); },
         PackageOutcome::Failure::kDownload, "HTTP 404"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        c.serve();
        // An installer an earlier download left behind.
        test::WriteFile(folder + "Zanvor-HUB-1.0.1.deb", "stale");

        const PackageOutcome outcome = Download("bad.zip");
        EXPECT_FALSE(outcome.ok);
        EXPECT_EQ(outcome.failure, c.failure);
        EXPECT_NE(outcome.error.find(c.errorContains), std::string::npos) << outcome.error;
        EXPECT_EQ(outcome.installerPath, "");
        EXPECT_FALSE(fs::exists(folder + "Zanvor-HUB-1.0.1.deb"));
        EXPECT_FALSE(fs::exists(folder + names.archive));
        EXPECT_FALSE(fs::exists(home() + "data/temp/evil"));
        EXPECT_FALSE(fs::exists(home() + "data/evil"));
        EXPECT_FALSE(fs::exists("/tmp/zanvor-package-test-evil"));
    }
}

TEST_F(UpdatePackageTest, TheDownloadsFolderIsEmptiedFirstAndNothingBesideIt) {
    test::ZipBuilder(server.Root() + "good.zip").File("Zanvor-HUB-1.0.1.deb", "package");
    const std::string beside = home() + "data/temp/";
    const std::string elsewhere = home() + "elsewhere/";
    const struct {
        const char* label;
        std::function<void()> leave;  // what an earlier download or another program left
    } cases[] = {
        {"a folder named like the installer",
         [&] { test::WriteFile(folder + "Zanvor-HUB-1.0.1.deb/inner.txt", "x"); }},
        {"a folder named like the archive",
         [&] { test::WriteFile(folder + "Zanvor-HUB-1.0.1.zip/inner.txt", "x"); }},
        {"files of an earlier download",
         [&] {
             test::WriteFile(folder + "notes/old.txt", "x");
             fs::create_symlink(elsewhere, folder + "link");
         }},
        {"a link in place of the folder",
         [&] {
             fs::remove_all(folder);
             fs::create_directory_symlink(elsewhere, folder.substr(0, folder.size() - 1));
         }},
        {"a file in place of the folder",
         [&] {
             fs::remove_all(folder);
             test::WriteFile(folder.substr(0, folder.size() - 1), "x");
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        fs::remove_all(home() + "data");
        fs::remove_all(elsewhere);
        test::WriteFile(elsewhere + "keep.txt", "not the download's");
        test::WriteFile(beside + "Zanvor-HUB-1.0.0.deb", "another version's");
        fs::create_directories(folder);
        c.leave();

        const PackageOutcome outcome = Download("good.zip");
        ASSERT_TRUE(outcome.ok) << outcome.error;
        EXPECT_EQ(test::ReadFile(outcome.installerPath), "package");
        EXPECT_TRUE(fs::is_directory(fs::symlink_status(folder.substr(0, folder.size() - 1))));
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
        EXPECT_EQ(test::ReadFile(elsewhere + "keep.txt"), "not the download's");
        EXPECT_EQ(test::ReadFile(beside + "Zanvor-HUB-1.0.0.deb"), "another version's");
    }
}

TEST(ServiceFileAddressTest, JoinsWithExactlyOneSlash) {
    const struct {
        const char* base;
        const char* address;
    } cases[] = {
        {"https://host/upd/", "https://host/upd/Zanvor-HUB-1.0.3.zip"},
        {"https://host/upd", "https://host/upd/Zanvor-HUB-1.0.3.zip"},
        {"https://host/upd///", "https://host/upd/Zanvor-HUB-1.0.3.zip"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ServiceFileAddress(c.base, "Zanvor-HUB-1.0.3.zip"), c.address) << c.base;
    }
}

TEST_F(UpdatePackageTest, TheDesktopOpenerGetsTheInstallerAndItsVerdictCounts) {
    const std::string out = home() + "opened";
    const auto opener = [&](const std::string& name, const std::string& body) {
        const std::string path = home() + name;
        test::WriteFile(path, "#!/bin/sh\necho \"$@\" > '" + out + "'\n" + body);
        fs::permissions(path, fs::perms::owner_all);
        return path;
    };
    std::string error;
    EXPECT_TRUE(OpenWithDesktop(opener("ok", "exit 0\n"), "/x/Zanvor-HUB-1.0.1.deb", error));
    EXPECT_EQ(test::ReadFile(out), "/x/Zanvor-HUB-1.0.1.deb\n");

    EXPECT_FALSE(OpenWithDesktop(opener("fails", "exit 3\n"), "/x/a.deb", error));
    EXPECT_NE(error.find("exit status 3"), std::string::npos) << error;

    // An opener that stays with the program it opened has not failed.
    const std::string release = home() + "release";
    EXPECT_TRUE(OpenWithDesktop(opener("stays", "for i in $(seq 400); do [ -e '" + release +
                                                    "' ] && exit 0; sleep 0.05; done\n"),
                                "/x/a.deb", error, std::chrono::milliseconds(200)));
    test::WriteFile(release, "");

    error.clear();
    EXPECT_FALSE(OpenWithDesktop(home() + "no-opener", "/x/a.deb", error));
    EXPECT_NE(error.find("no-opener"), std::string::npos) << error;
}

}  // namespace
}  // namespace zanvor
