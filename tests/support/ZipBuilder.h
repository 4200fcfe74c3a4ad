#pragma once

#include <string>

namespace zanvor::test {

// Writes a zip archive entry by entry with minizip, as a Unix zip tool would, so tests make
// their archives (good ones and hostile ones) at run time.
class ZipBuilder {
  public:
    explicit ZipBuilder(const std::string& path);
    ~ZipBuilder();
    ZipBuilder(const ZipBuilder&) = delete;
    ZipBuilder& operator=(const ZipBuilder&) = delete;

    // `name` is stored as given ("../evil", "/etc/x" and "a\\b" included).
    ZipBuilder& File(const std::string& name, const std::string& content, unsigned mode = 0644);
    ZipBuilder& Symlink(const std::string& name, const std::string& target);
    ZipBuilder& Folder(const std::string& name);
    // Writes the central directory; false when any entry failed.
    bool Close();

  private:
    void Add(const std::string& name, const std::string& content, unsigned long externalMode);

    void* zip_ = nullptr;
    bool ok_ = true;
};

}  // namespace zanvor::test
