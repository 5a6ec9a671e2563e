#include "platform/Processes.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <fcntl.h>
#include <unistd.h>

using testsupport::TempDir;

namespace {

// Works in a folder while it lives, as a running job does, and goes back after.
class WorkingIn {
public:
    explicit WorkingIn(const std::string& folder)
    {
        m_ok = ::getcwd(m_previous, sizeof m_previous) != nullptr && ::chdir(folder.c_str()) == 0;
    }
    ~WorkingIn()
    {
        if (m_ok)
            (void)::chdir(m_previous);
    }
    bool ok() const { return m_ok; }

private:
    char m_previous[PATH_MAX] = {};
    bool m_ok = false;
};

} // namespace

TEST(IsFileOpenInFolder, FindsTheProcessThatWorksInTheFolderAndHoldsTheFile)
{
    TempDir jobFolder;
    TempDir elsewhere;
    const std::string batch = jobFolder / "job.sh";
    testsupport::writeText(batch, "true\n");

    // Closed: no one holds it.
    EXPECT_EQ(platform::isFileOpenInFolder(batch, jobFolder.path()), false);
    {
        WorkingIn here(jobFolder.path());
        ASSERT_TRUE(here.ok());
        const int fd = ::open(batch.c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        EXPECT_EQ(platform::isFileOpenInFolder(batch, jobFolder.path()), true);
        // Held open, but by no process working in that other folder.
        EXPECT_EQ(platform::isFileOpenInFolder(batch, elsewhere.path()), false);
        // A folder that is gone cannot tell whose job it was: any holder counts.
        EXPECT_EQ(platform::isFileOpenInFolder(batch, elsewhere / "gone"), true);
        ::close(fd);
        EXPECT_EQ(platform::isFileOpenInFolder(batch, jobFolder.path()), false);
    }
    // A file that is gone is open nowhere.
    EXPECT_EQ(platform::isFileOpenInFolder(jobFolder / "missing", jobFolder.path()), false);
}
