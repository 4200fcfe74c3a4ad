#include "platform/FileWrite.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace zanvor {

namespace {

std::string Reason(const std::string& action, const std::string& path) {
    return "cannot " + action + " " + path + ": " + std::strerror(errno);
}

std::string KindProblem(const std::string& path, mode_t mode) {
    if (S_ISLNK(mode)) {
        return path + " is a symbolic link; name the file it points to";
    }
    if (S_ISDIR(mode)) {
        return path + " is a folder";
    }
    return S_ISREG(mode) ? std::string() : path + " is not a regular file";
}

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            if (written == 0) {
                errno = ENOSPC;
            }
            return false;
        }
        data.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

}  // namespace

std::string WriteTargetProblem(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        return errno == ENOENT ? std::string() : Reason("use", path);
    }
    return KindProblem(path, info.st_mode);
}

bool WriteRegularFile(const std::string& path, std::string_view data, std::string& error,
                      mode_t mode) {
    error = WriteTargetProblem(path);
    if (!error.empty()) {
        return false;
    }
    static std::atomic<unsigned> counter{0};
    const std::string temporary =
        path + ".part-" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
    const int fd = ::open(temporary.c_str(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, mode);
    if (fd < 0) {
        error = Reason("write", path);
        return false;
    }
    bool ok = WriteAll(fd, data) && ::fsync(fd) == 0;
    if (!ok) {
        error = Reason("write", path);
    }
    if (::close(fd) != 0 && ok) {
        error = Reason("write", path);
        ok = false;
    }
    if (ok) {
        // Checked again just before the rename: the path may have been replaced meanwhile.
        error = WriteTargetProblem(path);
        ok = error.empty();
        if (ok && ::rename(temporary.c_str(), path.c_str()) != 0) {
            error = Reason("write", path);
            ok = false;
        }
    }
    if (!ok) {
        ::unlink(temporary.c_str());
    }
    return ok;
}

int OpenRegularFileForAppend(const std::string& path, std::string& error, mode_t mode) {
    // Non-blocking, so a FIFO without a reader does not hold the open; refused below.
    const int fd = ::open(
        path.c_str(),
        O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, mode);
    if (fd < 0) {
        if (errno == ELOOP) {
            error = path + " is a symbolic link; name the file it points to";
        } else if (errno == ENXIO) {
            error = path + " is not a regular file";  // a FIFO nobody reads
        } else if (errno == EISDIR) {
            error = path + " is a folder";
        } else {
            error = Reason("open", path);
        }
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        error = path + " is not a regular file";
        ::close(fd);
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

}  // namespace zanvor
