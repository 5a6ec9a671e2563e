#pragma once

#include <cstdlib>
#include <string>

namespace testsupport {

// Points XDG_STATE_HOME, where the program keeps what outlives a run, at
// another folder for the object's life.
class ScopedStateHome {
public:
    explicit ScopedStateHome(const std::string& folder)
    {
        const char* previous = std::getenv("XDG_STATE_HOME");
        m_had = previous != nullptr;
        m_previous = previous ? previous : "";
        ::setenv("XDG_STATE_HOME", folder.c_str(), 1);
    }
    ~ScopedStateHome()
    {
        if (m_had)
            ::setenv("XDG_STATE_HOME", m_previous.c_str(), 1);
        else
            ::unsetenv("XDG_STATE_HOME");
    }
    ScopedStateHome(const ScopedStateHome&) = delete;
    ScopedStateHome& operator=(const ScopedStateHome&) = delete;

private:
    bool m_had;
    std::string m_previous;
};

} // namespace testsupport
