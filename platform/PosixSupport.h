#pragma once

#include <cstring>
#include <string>
#include <unistd.h>

// Small pieces the *_posix.cpp files of this folder share. Not for use outside
// platform/: it brings in system headers.
namespace platform::posix {

// The text of a failed call: what was tried, on which path, and the system's words.
inline std::string errorText(const std::string& what, const std::string& path, int error)
{
    return what + " \"" + path + "\": " + std::strerror(error);
}

// A path with its trailing separators removed (but "/" stays "/").
inline std::string withoutTrailingSeparators(const std::string& path)
{
    std::string p = path;
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
    return p;
}

// The folder part of a path: "." for a bare name, "/" for an entry of the root.
inline std::string folderOf(const std::string& path)
{
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

// A file descriptor that is closed when the object goes, unless released.
class Fd {
public:
    explicit Fd(int fd)
        : m_fd(fd)
    {
    }
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }
    int release()
    {
        int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

} // namespace platform::posix
