#include "app/StartUp.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;
using testsupport::TempDir;

namespace {

// Points XDG_STATE_HOME somewhere else for the object's life.
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

private:
    bool m_had;
    std::string m_previous;
};

TEST(StartUp, AWritableProgramFolderIsTheApplicationFolder)
{
    TempDir program;
    fs::create_directory(program / "sub");
    EXPECT_EQ(chooseAppFolder(program / "sub/../sub/"), fs::canonical(program / "sub").string());
    EXPECT_EQ(chooseAppFolder(program / "missing"), "");
}

TEST(StartUp, TheUsersOwnFolderHoldsALinkToTheArchiverBesideTheProgram)
{
    TempDir program;
    TempDir state;
    fs::create_symlink(testsupport::archiverPath(), program / "7z");
    ScopedStateHome home(state / "deeper/state");

    std::string folder = userAppFolder(program.path());
    std::string expected = fs::canonical(state / "deeper/state/Quorvel Backup").string();
    EXPECT_EQ(folder, expected);
    auto perms = fs::status(folder).permissions();
    EXPECT_EQ(perms & fs::perms::all, fs::perms::owner_all);
    EXPECT_EQ(fs::read_symlink(folder + "/7z"), fs::path(fs::canonical(program.path()).string() + "/7z"));
    EXPECT_EQ(fs::canonical(folder + "/7z"), fs::canonical(testsupport::archiverPath()));
    // A second start finds everything in place.
    EXPECT_EQ(userAppFolder(program.path()), expected);
}

} // namespace
