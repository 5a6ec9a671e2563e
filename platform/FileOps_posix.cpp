#include "platform/FileOps.h"

#include "platform/Listing.h"
#include "platform/PosixSupport.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace platform {
using posix::errorText;
using posix::Fd;
using posix::folderOf;
using posix::withoutTrailingSeparators;

namespace {

Status writeAll(int fd, const char* data, std::size_t size, const std::string& path)
{
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return Status::failure(errorText("Cannot write", path, errno));
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return Status::success();
}

Status closeChecked(Fd& fd, const std::string& path)
{
    if (::close(fd.release()) != 0)
        return Status::failure(errorText("Cannot write", path, errno));
    return Status::success();
}

// Creates a new, empty, uniquely named file in the folder of `near` and
// returns its descriptor and name.
Result<std::pair<int, std::string>> makeTemporaryBeside(const std::string& near, mode_t mode)
{
    std::string folder = folderOf(near);
    std::string base
        = near.substr(near.find_last_of('/') == std::string::npos ? 0 : near.find_last_of('/') + 1);
    // Keep the temporary name short enough even for a 255-byte target name.
    if (base.size() > 200)
        base.resize(200);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name
            = folder + "/." + base + ".part" + std::to_string(::getpid()) + "_" + std::to_string(attempt);
        int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0)
            return std::make_pair(fd, name);
        if (errno != EEXIST)
            return Result<std::pair<int, std::string>>::failure(
                errorText("Cannot create a file in", folder, errno));
    }
    return Result<std::pair<int, std::string>>::failure(errorText("Cannot create a file in", folder, EEXIST));
}

// Copies the bytes of an open file into another open file.
Status copyBytes(int in, int out, const std::string& from, const std::string& to)
{
    char buffer[1 << 16];
    for (;;) {
        ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return Status::failure(errorText("Cannot read", from, errno));
        }
        if (n == 0)
            return Status::success();
        if (auto st = writeAll(out, buffer, static_cast<std::size_t>(n), to); !st)
            return st;
    }
}

// Reads an open file to its end, or until maxBytes were read.
Result<std::string> readUpTo(int fd, const std::string& path, std::size_t maxBytes)
{
    std::string bytes;
    char buffer[1 << 16];
    while (bytes.size() < maxBytes) {
        ssize_t n = ::read(fd, buffer, std::min(sizeof buffer, maxBytes - bytes.size()));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return Result<std::string>::failure(errorText("Cannot read", path, errno));
        }
        if (n == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return bytes;
}

} // namespace

Status createFolder(const std::string& path)
{
    if (::mkdir(withoutTrailingSeparators(path).c_str(), 0777) != 0)
        return Status::failure(errorText("Cannot create the folder", path, errno));
    return Status::success();
}

Status createPrivateFolder(const std::string& path)
{
    std::string p = withoutTrailingSeparators(path);
    if (::mkdir(p.c_str(), 0700) == 0)
        return Status::success();
    int error = errno;
    if (error == EEXIST && folderExists(p))
        return Status::success();
    return Status::failure(errorText("Cannot create the folder", path, error));
}

Status deleteFile(const std::string& path)
{
    if (::unlink(path.c_str()) != 0)
        return Status::failure(errorText("Cannot delete", path, errno));
    return Status::success();
}

Status renameFile(const std::string& from, const std::string& to)
{
    if (::rename(from.c_str(), to.c_str()) != 0)
        return Status::failure(errorText("Cannot rename", from, errno));
    return Status::success();
}

Status copyFile(const std::string& from, const std::string& to)
{
    Fd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0)
        return Status::failure(errorText("Cannot open", from, errno));
    struct stat st;
    if (::fstat(in.get(), &st) != 0)
        return Status::failure(errorText("Cannot read", from, errno));
    if (S_ISDIR(st.st_mode))
        return Status::failure(errorText("Cannot copy", from, EISDIR));
    Fd out(::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (out.get() < 0)
        return Status::failure(errorText("Cannot create", to, errno));
    if (auto status = copyBytes(in.get(), out.get(), from, to); !status)
        return status;
    return closeChecked(out, to);
}

Status moveFile(const std::string& from, const std::string& to)
{
    // A hard link never replaces an existing name, which is what makes the
    // move refuse an existing destination; unlinking the source completes it.
    if (::link(from.c_str(), to.c_str()) == 0) {
        if (::unlink(from.c_str()) != 0)
            return Status::failure(errorText("Cannot remove the moved file", from, errno));
        return Status::success();
    }
    int error = errno;
    if (error == EEXIST)
        return Status::failure(errorText("Cannot move to", to, EEXIST));
    if (error != EXDEV && error != EPERM && error != EMLINK && error != ENOTSUP) {
        struct stat st;
        if (::lstat(from.c_str(), &st) != 0)
            return Status::failure(errorText("Cannot move", from, errno));
        return Status::failure(errorText("Cannot move to", to, error));
    }

    // Another file system (or one without hard links): copy to a temporary
    // name beside the destination, flush, link into place, delete the source.
    Fd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0)
        return Status::failure(errorText("Cannot open", from, errno));
    struct stat st;
    if (::fstat(in.get(), &st) != 0)
        return Status::failure(errorText("Cannot read", from, errno));
    auto temp = makeTemporaryBeside(to, st.st_mode & 07777);
    if (!temp)
        return Status::failure(temp.error());
    auto [outFd, tempName] = temp.value();
    Fd out(outFd);
    Status status = copyBytes(in.get(), out.get(), from, to);
    if (status && ::fsync(out.get()) != 0)
        status = Status::failure(errorText("Cannot write", to, errno));
    if (status)
        status = closeChecked(out, to);
    if (status && ::link(tempName.c_str(), to.c_str()) != 0)
        status = Status::failure(errorText("Cannot move to", to, errno));
    ::unlink(tempName.c_str());
    if (!status)
        return status;
    if (::unlink(from.c_str()) != 0)
        return Status::failure(errorText("Cannot remove the moved file", from, errno));
    return Status::success();
}

Result<std::string> readFile(const std::string& path)
{
    Fd in(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0)
        return Result<std::string>::failure(errorText("Cannot open", path, errno));
    return readUpTo(in.get(), path, std::numeric_limits<std::size_t>::max());
}

Result<std::string> readFileStart(const std::string& path, std::size_t maxBytes)
{
    Fd in(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (in.get() < 0)
        return Result<std::string>::failure(errorText("Cannot open", path, errno));
    return readUpTo(in.get(), path, maxBytes);
}

Result<std::uint64_t> fileSize(const std::string& path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return Result<std::uint64_t>::failure(errorText("Cannot read the attributes of", path, errno));
    return static_cast<std::uint64_t>(st.st_size);
}

Status writeFile(const std::string& path, const std::string& bytes, FileAccess access)
{
    mode_t mode = access == FileAccess::UserOnly ? 0600 : 0666;
    Fd out(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, mode));
    if (out.get() < 0)
        return Status::failure(errorText("Cannot create", path, errno));
    if (access == FileAccess::UserOnly && ::fchmod(out.get(), 0600) != 0)
        return Status::failure(errorText("Cannot protect", path, errno));
    if (auto status = writeAll(out.get(), bytes.data(), bytes.size(), path); !status)
        return status;
    return closeChecked(out, path);
}

Status appendFile(const std::string& path, const std::string& bytes)
{
    Fd out(::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0666));
    if (out.get() < 0)
        return Status::failure(errorText("Cannot open", path, errno));
    if (auto status = writeAll(out.get(), bytes.data(), bytes.size(), path); !status)
        return status;
    return closeChecked(out, path);
}

Status rewriteFile(const std::string& path, const std::string& bytes, FileAccess access)
{
    // O_NONBLOCK: opening a FIFO must not wait for a reader.
    Fd out(::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st;
    if (out.get() >= 0 && ::fstat(out.get(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid()
        && st.st_nlink == 1) {
        if (access == FileAccess::UserOnly && (st.st_mode & 07777) != 0600 && ::fchmod(out.get(), 0600) != 0)
            return Status::failure(errorText("Cannot protect", path, errno));
        // The new bytes go over the old ones and the rest is cut off after
        // them. Cutting the file to nothing first would make ext4 write it
        // out at once when it is closed (its guard for files replaced by
        // truncating them), which costs more than a new file.
        if (auto status = writeAll(out.get(), bytes.data(), bytes.size(), path); !status)
            return status;
        if (st.st_size > static_cast<off_t>(bytes.size())
            && ::ftruncate(out.get(), static_cast<off_t>(bytes.size())) != 0)
            return Status::failure(errorText("Cannot write", path, errno));
        return closeChecked(out, path);
    }
    (void)::unlink(path.c_str());
    return writeFile(path, bytes, access);
}

Status replaceFileAtomically(const std::string& path, const std::string& bytes)
{
    auto temp = makeTemporaryBeside(path, 0600);
    if (!temp)
        return Status::failure(temp.error());
    auto [fd, tempName] = temp.value();
    Fd out(fd);
    Status status = writeAll(out.get(), bytes.data(), bytes.size(), path);
    if (status && ::fsync(out.get()) != 0)
        status = Status::failure(errorText("Cannot write", path, errno));
    if (status)
        status = closeChecked(out, path);
    if (status && ::rename(tempName.c_str(), path.c_str()) != 0)
        status = Status::failure(errorText("Cannot replace", path, errno));
    if (!status) {
        ::unlink(tempName.c_str());
        return status;
    }
    // Make the rename itself durable.
    Fd dir(::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0)
        ::fsync(dir.get());
    return Status::success();
}

bool folderWritable(const std::string& folder)
{
    return ::access(withoutTrailingSeparators(folder).c_str(), W_OK | X_OK) == 0;
}

Status createSymlink(const std::string& target, const std::string& linkPath)
{
    struct stat st;
    if (::lstat(linkPath.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
        ::unlink(linkPath.c_str());
    if (::symlink(target.c_str(), linkPath.c_str()) != 0)
        return Status::failure(errorText("Cannot create the link", linkPath, errno));
    return Status::success();
}

Status checkOwnPrivateFile(const std::string& path)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return Status::failure(errorText("Cannot read the attributes of", path, errno));
    if (S_ISLNK(st.st_mode))
        return Status::failure("\"" + path + "\" is a symbolic link");
    if (!S_ISREG(st.st_mode))
        return Status::failure("\"" + path + "\" is not a regular file");
    if (st.st_uid != ::geteuid())
        return Status::failure("\"" + path + "\" belongs to another user");
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return Status::failure("\"" + path + "\" may be written by other users");
    return Status::success();
}

namespace {

// A copy of `from` into the new file `to`, as a clone of its blocks where the
// file system can, else byte for byte.
Result<Sharing> cloneOrCopy(const std::string& from, const std::string& to)
{
    Fd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (in.get() < 0)
        return Result<Sharing>::failure(errorText("Cannot open", from, errno));
    Fd out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (out.get() < 0)
        return Result<Sharing>::failure(errorText("Cannot create", to, errno));
    Sharing how = Sharing::Clone;
    Status copied = Status::success();
    if (::ioctl(out.get(), FICLONE, in.get()) != 0) {
        how = Sharing::Copy;
        copied = copyBytes(in.get(), out.get(), from, to);
    }
    if (copied)
        copied = closeChecked(out, to);
    if (!copied) {
        ::unlink(to.c_str());
        return Result<Sharing>::failure(copied.error());
    }
    return how;
}

} // namespace

Result<Sharing> shareFile(const std::string& from, const std::string& to)
{
    if (!isRegularFileItself(from))
        return Result<Sharing>::failure("\"" + from + "\" is not a regular file");
    if (::link(from.c_str(), to.c_str()) == 0)
        return Sharing::HardLink;
    const int error = errno;
    // Only a file system without hard links (FAT, exFAT, some network
    // shares) or a file with as many names as it may have is worked round;
    // anything else is a failure the caller should hear of.
    if (error != EPERM && error != EXDEV && error != EMLINK && error != ENOTSUP)
        return Result<Sharing>::failure(errorText("Cannot link to", to, error));
    return cloneOrCopy(from, to);
}

bool isRegularFileItself(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace platform
