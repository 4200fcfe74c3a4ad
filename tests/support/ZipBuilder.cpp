#include "ZipBuilder.h"

#include <sys/stat.h>
#include <zip.h>

namespace zanvor::test {

namespace {
constexpr int kUnixHost = 3;
constexpr int kZipVersion = 20;
}  // namespace

ZipBuilder::ZipBuilder(const std::string& path)
    : zip_(zipOpen64(path.c_str(), APPEND_STATUS_CREATE)) {
    ok_ = zip_ != nullptr;
}

ZipBuilder::~ZipBuilder() {
    Close();
}

void ZipBuilder::Add(const std::string& name, const std::string& content,
                     unsigned long externalMode) {
    if (zip_ == nullptr) {
        ok_ = false;
        return;
    }
    zip_fileinfo info{};
    info.external_fa = externalMode << 16;
    const int opened = zipOpenNewFileInZip4_64(zip_, name.c_str(), &info, nullptr, 0, nullptr, 0,
                                               nullptr, Z_DEFLATED, Z_DEFAULT_COMPRESSION, 0,
                                               -MAX_WBITS, 8, Z_DEFAULT_STRATEGY, nullptr, 0,
                                               (kUnixHost << 8) | kZipVersion, 0, 0);
    ok_ =
        ok_ && opened == ZIP_OK &&
        zipWriteInFileInZip(zip_, content.data(), static_cast<unsigned>(content.size())) == ZIP_OK;
    ok_ = zipCloseFileInZip(zip_) == ZIP_OK && ok_;
}

ZipBuilder& ZipBuilder::File(const std::string& name, const std::string& content, unsigned mode) {
    Add(name, content, S_IFREG | mode);
    return *this;
}

ZipBuilder& ZipBuilder::Symlink(const std::string& name, const std::string& target) {
    Add(name, target, S_IFLNK | 0777);
    return *this;
}

ZipBuilder& ZipBuilder::Folder(const std::string& name) {
    Add(name, "", S_IFDIR | 0755);
    return *this;
}

bool ZipBuilder::Close() {
    if (zip_ != nullptr) {
        ok_ = zipClose(zip_, nullptr) == ZIP_OK && ok_;
        zip_ = nullptr;
    }
    return ok_;
}

}  // namespace zanvor::test
