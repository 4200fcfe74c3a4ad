#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace zanvor::test {

// A temporary folder removed (with its contents) when the object goes away.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    // Ends with '/'.
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

// Points HOME and the XDG folders at a fresh temporary folder for the test, sets the
// application name to "Zanvor HUB" and the application folder to the build's staged data,
// and restores everything afterwards.
class IsolatedHomeTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    const std::string& home() const { return home_->path(); }

  private:
    std::unique_ptr<TempDir> home_;
    std::vector<std::pair<std::string, std::string>> saved_;
};

// The folder of the running test program (the staged application folder), with '/'.
std::string StagedAppFolder();
// Reads a whole file; empty when missing.
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& content);

}  // namespace zanvor::test
