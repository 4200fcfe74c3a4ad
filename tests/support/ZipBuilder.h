#pragma once

#include <string>
#include <utility>
#include <vector>

namespace zanvor::test {

// Writes a zip archive entry by entry with minizip, as a Unix zip tool would, so tests make
// their archives (good ones and hostile ones) at run time.
class ZipBuilder {
  public:
    explicit ZipBuilder(const std::string& path);
    ~ZipBuilder();
    ZipBuilder(const ZipBuilder&) = delete;
    ZipBuilder& operator=(const ZipBuilder&) = delete;

    // `name` is stored as given ("../evil", "/etc/x", "a\\b" and names holding NUL bytes
    // included: minizip takes C strings, so such a name is written with a stand-in byte that
    // Close patches back).
    ZipBuilder& File(const std::string& name, const std::string& content, unsigned mode = 0644);
    ZipBuilder& Symlink(const std::string& name, const std::string& target);
    ZipBuilder& Folder(const std::string& name);
    // Writes the central directory; false when any entry failed.
    bool Close();

  private:
    void Add(const std::string& name, const std::string& content, unsigned long externalMode);

    std::string path_;
    void* zip_ = nullptr;
    bool ok_ = true;
    // Names as written and as they are to be stored, patched in by Close.
    std::vector<std::pair<std::string, std::string>> patches_;
};

}  // namespace zanvor::test
