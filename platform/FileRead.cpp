#include "platform/FileRead.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace zanvor {

namespace {

template <typename Bytes>
FileReadResult ReadInto(const std::string& path, size_t maxBytes, Bytes& data) {
    data.clear();
    // Non-blocking, so opening a FIFO without a writer returns at once; fstat then refuses it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return errno == ENOENT || errno == ENOTDIR ? FileReadResult::kMissing
               : errno == EISDIR                   ? FileReadResult::kNotRegular
                                                   : FileReadResult::kUnreadable;
    }
    struct stat info {};
    FileReadResult result = FileReadResult::kOk;
    if (::fstat(fd, &info) != 0) {
        result = FileReadResult::kUnreadable;
    } else if (!S_ISREG(info.st_mode)) {
        result = FileReadResult::kNotRegular;
    } else if (static_cast<unsigned long long>(info.st_size) > maxBytes) {
        result = FileReadResult::kTooLarge;
    }
    if (result == FileReadResult::kOk) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        data.reserve(static_cast<size_t>(info.st_size));
        char buffer[65536];
        for (;;) {
            const ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got == 0) {
                break;
            }
            if (got < 0) {
                if (errno == EINTR || errno == EAGAIN) {
                    continue;
                }
                result = FileReadResult::kUnreadable;
                break;
            }
            // The file may grow while it is read; the limit holds all the same.
            if (data.size() + static_cast<size_t>(got) > maxBytes) {
                result = FileReadResult::kTooLarge;
                break;
            }
            data.insert(data.end(), buffer, buffer + got);
        }
    }
    ::close(fd);
    if (result != FileReadResult::kOk) {
        data.clear();
    }
    return result;
}

}  // namespace

FileReadResult ReadRegularFile(const std::string& path, size_t maxBytes, std::string& data) {
    return ReadInto(path, maxBytes, data);
}

FileReadResult ReadRegularFile(const std::string& path, size_t maxBytes,
                               std::vector<uint8_t>& data) {
    return ReadInto(path, maxBytes, data);
}

std::string FileReadProblem(FileReadResult result, const std::string& path, size_t maxBytes) {
    switch (result) {
        case FileReadResult::kOk:
            return std::string();
        case FileReadResult::kMissing:
            return path + " does not exist";
        case FileReadResult::kNotRegular:
            return path + " is not a regular file";
        case FileReadResult::kTooLarge:
            return path + " is larger than " +
                   (maxBytes >= (size_t{1} << 20) ? std::to_string(maxBytes >> 20) + " MB"
                                                  : std::to_string(maxBytes) + " bytes");
        case FileReadResult::kUnreadable:
            break;
    }
    return "cannot read " + path;
}

}  // namespace zanvor
