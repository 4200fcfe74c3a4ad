#include "ZipBuilder.h"

#include <sys/stat.h>
#include <zip.h>

#include <fstream>
#include <iterator>

namespace zanvor::test {

namespace {
constexpr int kUnixHost = 3;
constexpr int kZipVersion = 20;
// Written in place of each NUL byte of a name until Close patches the stored names.
constexpr char kNulStandIn = '\x7f';

bool ReplaceAll(std::string& bytes, const std::string& from, const std::string& to) {
    bool found = false;
    for (size_t at = bytes.find(from); at != std::string::npos; at = bytes.find(from, at)) {
        bytes.replace(at, from.size(), to);
        at += to.size();
        found = true;
    }
    return found;
}
}  // namespace

ZipBuilder::ZipBuilder(const std::string& path)
    : path_(path), zip_(zipOpen64(path.c_str(), APPEND_STATUS_CREATE)) {
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
    std::string written = name;
    if (name.find('\0') != std::string::npos) {
        for (char& c : written) {
            c = c == '\0' ? kNulStandIn : c;
        }
        patches_.emplace_back(written, name);
    }
    zip_fileinfo info{};
    info.external_fa = externalMode << 16;
    const int opened = zipOpenNewFileInZip4_64(zip_, written.c_str(), &info, nullptr, 0, nullptr, 0,
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
        if (!patches_.empty()) {
            std::string bytes;
            {
                std::ifstream in(path_, std::ios::binary);
                bytes.assign(std::istreambuf_iterator<char>(in), {});
            }
            // The name is stored twice: in the entry's local header and in the directory.
            for (const auto& [written, stored] : patches_) {
                ok_ = ReplaceAll(bytes, written, stored) && ok_;
            }
            std::ofstream out(path_, std::ios::binary | std::ios::trunc);
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            ok_ = out.good() && ok_;
            patches_.clear();
        }
    }
    return ok_;
}

}  // namespace zanvor::test
