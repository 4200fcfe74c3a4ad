#include "TestHome.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/AppIdentity.h"
#include "platform/Paths.h"

namespace zanvor::test {

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "zanvor-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = pattern + "/";
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

std::string StagedAppFolder() {
    return fs::path(ExecutablePath()).parent_path().string() + "/";
}

void IsolatedHomeTest::SetUp() {
    home_ = std::make_unique<TempDir>();
    // The last two: the CA store and the update service address the update tests point at
    // their own local server.
    const char* names[] = {"HOME",
                           "XDG_CONFIG_HOME",
                           "XDG_DATA_HOME",
                           "XDG_STATE_HOME",
                           "XDG_RUNTIME_DIR",
                           "SSL_CERT_FILE",
                           "ZANVOR_HUB_UPDATE_URL",
                           "LANGUAGE",
                           "LC_ALL",
                           "LC_MESSAGES",
                           "LANG",
                           "PATH"};
    for (const char* name : names) {
        const char* old = std::getenv(name);
        saved_.emplace_back(name, old != nullptr ? old : "\x01");
    }
    setenv("HOME", home_->path().c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home_->path() + "config").c_str(), 1);
    setenv("XDG_DATA_HOME", (home_->path() + "data").c_str(), 1);
    setenv("XDG_STATE_HOME", (home_->path() + "state").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (home_->path() + "run").c_str(), 1);
    CreateFolders(home_->path() + "run");
    // No test reaches the real update service: this address refuses at once. Update tests
    // point it at their own local server.
    setenv("ZANVOR_HUB_UPDATE_URL", "https://127.0.0.1:9/", 1);
    // A first start picks the user's language: tests start in English whatever the
    // developer's locale, and set these to try another.
    unsetenv("LANGUAGE");
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
    setenv("LANG", "C.UTF-8", 1);
    SetApplicationName("Zanvor HUB");
    SetApplicationFolder(StagedAppFolder());
}

void IsolatedHomeTest::TearDown() {
    for (const auto& [name, value] : saved_) {
        if (value == "\x01") {
            unsetenv(name.c_str());
        } else {
            setenv(name.c_str(), value.c_str(), 1);
        }
    }
    saved_.clear();
    SetApplicationFolder("");
    home_.reset();
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteFile(const std::string& path, const std::string& content) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

}  // namespace zanvor::test
