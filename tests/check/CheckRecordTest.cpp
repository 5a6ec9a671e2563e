// The record of checks is bytes from the store: whatever it holds, it is
// read with care, never wholly into memory when it is huge, and never
// trusted for a file that changed since.
#include "store/CheckRecord.h"
#include "tests/check/CheckFixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace testsupport {
namespace {

CheckedFile sample(const std::string& path, std::uint64_t inode, bool good)
{
    return CheckedFile{ path, { 7, inode, 1234, 5'000'000'000 }, 1'700'000'000, good, 42 };
}

TEST(CheckRecordReading, ReadsWhatItWroteAndLeavesOutEveryLineThatIsNotOne)
{
    const std::string good = CheckLine(sample("run/a\tb\\c\n.7z", 11, true));
    const std::string damaged = CheckLine(sample("run/d.7z", 12, false));
    const std::string bytes = good + damaged + "check\trun/x.7z\t1\t2\n" // too few fields
        + "check\trun/y.7z\t-1\t2\t3\t4\t5\tgood\t6\n" // a negative size
        + "check\trun/z.7z\t1\t2\t3\t4\t5\tfine\t6\n" // neither good nor damaged
        + "check\trun/\\q.7z\t1\t2\t3\t4\t5\tgood\t6\n" // an escape never written
        + "check\t\t1\t2\t3\t4\t5\tgood\t6\n" // no path
        + "future\tsomething\n" + std::string(5, '\0') + "\n"
        + "check\trun/e.7z\t1\t2\t3\t4\t5\tgood\t6\t7\n" // a field too many
        + CheckLine(sample("run/cut.7z", 13, true)).substr(0, 20); // cut short
    const CheckRecord record = CheckRecord::parse(bytes);
    EXPECT_EQ(record.paths(), 2u);
    const CheckedFile* a = record.lastCheckOf("run/a\tb\\c\n.7z", { 7, 11, 1234, 5'000'000'000 });
    ASSERT_NE(a, nullptr);
    EXPECT_TRUE(a->good);
    EXPECT_EQ(a->millis, 42);
    // Another name of the same file (a hard link in another run) finds it too.
    const CheckedFile* d = record.lastCheckOf("other/d.7z", { 7, 12, 1234, 5'000'000'000 });
    ASSERT_NE(d, nullptr);
    EXPECT_FALSE(d->good);
    // A file whose size or time changed since is not the file that was checked,
    // by its path or by its number.
    EXPECT_EQ(record.lastCheckOf("run/d.7z", { 7, 12, 1235, 5'000'000'000 }), nullptr);
    EXPECT_EQ(record.lastCheckOf("run/d.7z", { 9, 99, 1234, 5'000'000'001 }), nullptr);
    // After a remount of a store without file numbers of its own, the path still finds it.
    EXPECT_NE(record.lastCheckOf("run/d.7z", { 9, 99, 1234, 5'000'000'000 }), nullptr);
}

TEST(CheckRecordReading, ALaterLineOfAPathReplacesTheEarlierOne)
{
    CheckedFile later = sample("run/a.7z", 11, false);
    later.checked += 10;
    const CheckRecord record = CheckRecord::parse(CheckLine(sample("run/a.7z", 11, true)) + CheckLine(later));
    EXPECT_EQ(record.paths(), 1u);
    EXPECT_EQ(record.linesRead(), 2u);
    EXPECT_FALSE(record.lastCheckOf("run/a.7z", later.identity)->good);
}

TEST(CheckRecordReading, AHugeRecordIsReadOnlyAsFarAsTheLimitAndALongLineIsSkipped)
{
    TempDir target;
    const std::string path = CheckRecordPath(target.path());
    {
        std::ofstream out(path, std::ios::binary);
        out << CheckLine(sample("run/first.7z", 1, true));
        out << "check\t" << std::string(kLongestCheckLine, 'x') << "\t1\t2\t3\t4\t5\tgood\t6\n";
        // A hole of zeros past the limit, then a line that is never read.
        out.seekp(static_cast<std::streamoff>(kLongestCheckRecord) + 4096);
        out << "\n" << CheckLine(sample("run/beyond.7z", 2, false));
    }
    const CheckRecord record = CheckRecord::read(target.path());
    EXPECT_EQ(record.paths(), 1u);
    EXPECT_NE(record.lastCheckOf("run/first.7z", sample("", 1, true).identity), nullptr);
}

TEST(CheckRecordReading, ARecordThatIsNoPlainFileIsNeitherReadNorWritten)
{
    TempDir target;
    const std::string path = CheckRecordPath(target.path());
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    EXPECT_EQ(CheckRecord::read(target.path()).paths(), 0u);
    EXPECT_FALSE(AppendCheck(target.path(), sample("run/a.7z", 1, true)));
    fs::remove(path);
    fs::create_directory(path);
    EXPECT_EQ(CheckRecord::read(target.path()).paths(), 0u);
    EXPECT_FALSE(AppendCheck(target.path(), sample("run/a.7z", 1, true)));
}

class CheckRecordInAStore : public CheckStore { };

TEST_F(CheckRecordInAStore, ACheckOfAStoreWithADamagedRecordStillRunsAndWritesItAnew)
{
    backUpQuietly();
    std::string garbage;
    for (int i = 0; i < 5000; ++i)
        garbage += "check\tno/such.7z\t1\t2\t3\t" + std::to_string(i) + "\t5\tdamaged\t6\n\x01\xff\n";
    writeText(CheckRecordPath(fields.to), garbage + "check\tcut");
    const Checked checked = check(every());
    EXPECT_EQ(checked.tested, 4u);
    EXPECT_EQ(checked.damaged, 0u);
    // Written anew with the archives there are: one line each.
    EXPECT_EQ(CheckRecord::read(fields.to).linesRead(), 4u);
}

} // namespace
} // namespace testsupport
