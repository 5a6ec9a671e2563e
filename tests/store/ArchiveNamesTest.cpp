// Archive names of folders too deep for a file name: a readable head, the
// marker and a fixed hash, the path kept in a hidden file beside the archive
// and read back with the care of a count file.
#include "store/ArchiveNames.h"

#include "pathutil/PathEncoding.h"
#include "platform/Paths.h"
#include "store/StoreLayout.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using testsupport::TempDir;
using testsupport::writeText;

namespace {

// A folder path of `levels` levels of `name` below /home/ann, with one separator at its end.
std::string deepFolder(int levels, const std::string& name)
{
    std::string folder = "/home/ann/";
    for (int i = 0; i < levels; ++i)
        folder += name + "/";
    return folder;
}

// True when the text ends on a whole UTF-8 letter.
bool endsOnWholeLetter(const std::string& text)
{
    std::size_t i = text.size();
    std::size_t continuation = 0;
    while (i > 0 && (static_cast<unsigned char>(text[i - 1]) & 0xC0) == 0x80) {
        --i;
        ++continuation;
    }
    if (i == 0)
        return continuation == 0;
    const auto lead = static_cast<unsigned char>(text[i - 1]);
    const std::size_t wanted = lead < 0x80 ? 0 : lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
    return continuation == wanted;
}

} // namespace

TEST(ArchiveNames, NamesThatFitKeepTheirFormByteForByte)
{
    // "/home/ann/" is 22 bytes encoded, every letter one more, the closing
    // separator five, ".7z.dat" seven: 221 letters make a count file of 255.
    const std::string fits = "/home/ann/" + std::string(221, 'x') + "/";
    ASSERT_EQ(CountFileName(ArchiveName(fits)).size(), 255u);
    EXPECT_EQ(StoredArchiveName(fits, 255), ArchiveName(fits));
    EXPECT_FALSE(IsShortenedName(ArchiveName(fits)));
    EXPECT_EQ(StoredArchiveName("/home/ann/Data/", 255), "_P-2Fhome_P-2Fann_P-2FData_P-2F.7z");

    const std::string tooLong = "/home/ann/" + std::string(222, 'x') + "/";
    EXPECT_NE(StoredArchiveName(tooLong, 255), ArchiveName(tooLong));
    EXPECT_TRUE(IsShortenedName(StoredArchiveName(tooLong, 255)));
    // A smaller file system shortens sooner.
    EXPECT_TRUE(IsShortenedName(StoredArchiveName(fits, 143)));
}

TEST(ArchiveNames, AShortenedNameIsAReadableHeadAMarkerAndAFixedHash)
{
    for (const std::string& folder :
        { deepFolder(30, std::string(60, 'd')), deepFolder(12, "Urlaub Italien (f\xc3\xbcr Druck)"),
            deepFolder(40, "\xc3\xa4\xc3\xb6\xc3\xbc") }) {
        for (std::size_t longest : { std::size_t{ 255 }, std::size_t{ 143 } }) {
            const std::string name = StoredArchiveName(folder, longest);
            SCOPED_TRACE(name);
            ASSERT_TRUE(IsShortenedName(name));
            EXPECT_LE(PathFileName(name).size(), longest);
            EXPECT_LE(CountFileName(name).size(), longest);
            const std::string head = ShortenedHead(name);
            EXPECT_LE(head.size(), kShortenedHead);
            EXPECT_GT(head.size(), longest == 255 ? 170u : 100u);
            // Whole escapes and whole letters only: the head decodes to the
            // start of the path.
            EXPECT_TRUE(EncodePath(folder).starts_with(head));
            EXPECT_TRUE(folder.starts_with(DecodePath(head)));
            EXPECT_TRUE(endsOnWholeLetter(DecodePath(head)));
            EXPECT_EQ(name.find(kShortenedMarker), head.size());
            EXPECT_TRUE(name.ends_with(".7z"));
        }
    }
    // Two folders that share the head differ by the hash.
    const std::string deep = deepFolder(30, std::string(60, 'd'));
    EXPECT_NE(StoredArchiveName(deep, 255), StoredArchiveName(deep + "e/", 255));
    EXPECT_EQ(
        ShortenedHead(StoredArchiveName(deep, 255)), ShortenedHead(StoredArchiveName(deep + "e/", 255)));
}

TEST(ArchiveNames, TheHashIsFnv1a64OfThePathBytes)
{
    EXPECT_EQ(PathHash(""), 0xcbf29ce484222325ull);
    EXPECT_EQ(PathHash("a"), 0xaf63dc4c8601ec8cull);
    EXPECT_EQ(PathHash("foobar"), 0x85944171f73967e8ull);
    const std::string folder = deepFolder(30, std::string(60, 'd'));
    EXPECT_TRUE(StoredArchiveName(folder, 255).ends_with("_H-" + [&] {
        char hex[17];
        std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(PathHash(folder)));
        return std::string(hex);
    }() + ".7z"));
}

TEST(ArchiveNames, OnlyTheMarkerFollowedByTheHashMakesAShortenedName)
{
    const std::string hash(16, 'a');
    EXPECT_TRUE(IsShortenedName("head_H-" + hash + ".7z"));
    EXPECT_TRUE(IsShortenedName("_H-" + hash + ".7z"));
    EXPECT_FALSE(IsShortenedName("head_H-" + hash + ".7z.dat"));
    EXPECT_FALSE(IsShortenedName("head_H-" + std::string(16, 'A') + ".7z"));
    EXPECT_FALSE(IsShortenedName("head_H-" + std::string(15, 'a') + ".7z"));
    EXPECT_FALSE(IsShortenedName("head_X-" + hash + ".7z"));
    // A path holding "_H-" is encoded with its '_' escaped.
    EXPECT_FALSE(IsShortenedName(ArchiveName("/home/ann/x_H-" + hash + "/")));
    EXPECT_EQ(PathFileName("a_H-" + hash + ".7z"), ".a_H-" + hash + ".7z.path");
}

TEST(PathFile, ReadsBackThePathItsNameWasMadeOf)
{
    TempDir run;
    const std::string folder = deepFolder(30, std::string(60, 'd'));
    const std::string name = StoredArchiveName(folder, 255);
    ASSERT_TRUE(WritePathFile(run / PathFileName(name), folder));
    EXPECT_EQ(testsupport::readText(run / PathFileName(name)), folder);
    const PathFileRead read = ReadPathFile(run.path(), name);
    ASSERT_TRUE(read.path) << read.problem;
    EXPECT_EQ(*read.path, folder);
    EXPECT_TRUE(read.problem.empty());
}

TEST(PathFile, AMissingDamagedOrForeignPathIsNotTaken)
{
    TempDir run;
    const std::string folder = deepFolder(30, std::string(60, 'd'));
    const std::string name = StoredArchiveName(folder, 255);
    const std::string file = run / PathFileName(name);
    auto problem = [&] {
        const PathFileRead read = ReadPathFile(run.path(), name);
        EXPECT_FALSE(read.path) << *read.path;
        EXPECT_NE(read.problem.find(file), std::string::npos) << read.problem;
        return read.problem;
    };
    EXPECT_NE(problem().find("is missing"), std::string::npos);
    for (const std::string& bytes : { std::string(), folder.substr(0, folder.size() - 1), folder + "\n",
             folder + "e/", deepFolder(30, std::string(60, 'D')),
             folder.substr(0, 100) + std::string(1, '\0') + folder.substr(101),
             std::string(kLongestPathFile + 1, '/') }) {
        writeText(file, bytes);
        EXPECT_NE(problem().find("is damaged"), std::string::npos) << bytes.size();
    }
    std::filesystem::remove(file);
    std::filesystem::create_directory(file);
    EXPECT_NE(problem().find("not a plain file"), std::string::npos);
}

TEST(PathFile, TheRunFolderTakesNamesAsLongAsItsFileSystemDoes)
{
    TempDir run;
    EXPECT_EQ(platform::longestNameTaken(run.path(), 255), 255u);
    EXPECT_EQ(platform::longestNameTaken(run.path(), 100), 100u);
    EXPECT_EQ(LongestNameIn(run.path()), 255u);
    // The trial leaves nothing behind.
    EXPECT_TRUE(std::filesystem::is_empty(run.path()));
}
