// SPDX-License-Identifier: Apache-2.0
#include "formats/atomic_file.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <linux/magic.h>
#include <random>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

namespace pagecut {

namespace {

// What `path` leads to, and so how it is written.
struct Target {
    std::string path;     // the name to replace, symbolic links followed
    bool replace = false; // a regular file or a free name: replaced whole
    bool exists = false;  // a regular file is there
    mode_t mode = 0;      // its permissions, which the new file keeps
};

// The folder part of `path`, separator included; empty for a bare name.
std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

const char* folderArgument(const std::string& folder) {
    return folder.empty() ? "." : folder.c_str();
}

// The names under /proc stand for open descriptors (/dev/stdout leads there)
// and for the kernel's own files: they are written where they are.
bool onProcFileSystem(const std::string& folder) {
    struct statfs info {};
    return ::statfs(folderArgument(folder), &info) == 0 && info.f_type == PROC_SUPER_MAGIC;
}

Target targetOf(std::string path) {
    for (int link = 0; link < 40; ++link) {
        if (onProcFileSystem(folderOf(path)))
            return {path};
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0)
            return {path, errno == ENOENT}; // any other fault: opening reports it
        if (S_ISREG(info.st_mode))
            return {path, true, true, info.st_mode & 0777};
        if (!S_ISLNK(info.st_mode))
            return {path};
        std::string next(PATH_MAX, '\0');
        const ssize_t length = ::readlink(path.c_str(), next.data(), next.size());
        if (length <= 0)
            return {path};
        next.resize(static_cast<std::size_t>(length));
        path = next[0] == '/' ? next : folderOf(path) + next;
    }
    return {path}; // a loop of links: opening reports it
}

bool writeAll(int fd, std::string_view content) {
    while (!content.empty()) {
        const ssize_t n = ::write(fd, content.data(), content.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        content.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool writeInPlace(const std::string& path, std::string_view content) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    const bool written = writeAll(fd, content);
    return ::close(fd) == 0 && written;
}

// A name beside `path` that no other run picks: the process id and a random
// part. It starts with a dot, so that listings and patterns pass it by.
std::string temporaryName(const std::string& path) {
    thread_local std::mt19937 random{std::random_device{}()};
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%ld-%08x.tmp", static_cast<long>(::getpid()),
                  static_cast<unsigned>(random()));
    const std::string folder = folderOf(path);
    // Short enough for the longest file name the system allows.
    return folder + '.' + path.substr(folder.size(), 200) + suffix;
}

enum class Attempt { Done, Failed, Unsupported, Denied };

Attempt failureOf(int error, bool unnamed) {
    if (unnamed && (error == EOPNOTSUPP || error == EISDIR || error == EINVAL))
        return Attempt::Unsupported;
    return error == EACCES || error == EPERM ? Attempt::Denied : Attempt::Failed;
}

// Opens a new file without a name in the folder of `path`, or creates one
// under a fresh temporary name (`name`), never an existing one.
int openNew(const std::string& path, bool unnamed, std::string& name) {
    if (unnamed)
        return ::open(folderArgument(folderOf(path)), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    for (int tries = 0; tries < 100; ++tries) {
        name = temporaryName(path);
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// Gives the whole file without a name a temporary name beside `path`.
bool nameUnnamed(int fd, const std::string& path, std::string& name) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    for (int tries = 0; tries < 100; ++tries) {
        name = temporaryName(path);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return true;
        if (errno != EEXIST)
            break;
    }
    name.clear();
    return false;
}

// One attempt at replacing the target: the content into a new file beside
// it, which then takes the target's name.
Attempt replace(const Target& target, std::string_view content, bool unnamed) {
    std::string name;
    const int fd = openNew(target.path, unnamed, name);
    if (fd < 0)
        return failureOf(errno, unnamed);
    // The new file keeps the old one's permissions: a private result stays private.
    if (target.exists)
        (void)::fchmod(fd, target.mode);
    const bool written = writeAll(fd, content);
    if (written && unnamed && !nameUnnamed(fd, target.path, name)) {
        ::close(fd); // no /proc to name it through: a named file instead
        return Attempt::Unsupported;
    }
    if (::close(fd) == 0 && written && ::rename(name.c_str(), target.path.c_str()) == 0)
        return Attempt::Done;
    const int error = errno;
    if (!name.empty())
        ::unlink(name.c_str());
    // A folder that lets a file be written but not replaced (sticky, owned by another).
    return written && (error == EACCES || error == EPERM) ? Attempt::Denied : Attempt::Failed;
}

} // namespace

bool writeFileAtomically(const std::string& path, std::string_view content) {
    const Target target = targetOf(path);
    if (!target.replace)
        return writeInPlace(path, content);
    // Opening the file would have refused it; replacing it must too.
    if (target.exists && ::access(target.path.c_str(), W_OK) != 0)
        return false;
    Attempt attempt = replace(target, content, true);
    if (attempt == Attempt::Unsupported)
        attempt = replace(target, content, false);
    if (attempt == Attempt::Denied && target.exists)
        return writeInPlace(target.path, content);
    return attempt == Attempt::Done;
}

} // namespace pagecut
