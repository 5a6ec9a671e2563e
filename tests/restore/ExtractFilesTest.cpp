// Single files taken from one archive: the list file the archiver reads them
// from, names the list cannot hold, and an extraction that fails.
#include "tests/support/StoreFixtures.h"
#include "tests/support/WindowDriving.h"

#include "pathutil/PathEncoding.h"
#include "restore/ArchiveExtraction.h"

#include <filesystem>

namespace fs = std::filesystem;
using platform::MsgAnswer;

namespace testsupport {
namespace {

// The answer to the question after a failed extraction is a box's; nothing
// else of the user's is asked here.
class NoViewer : public RestoreChoices {
public:
    std::string chooseDate(const std::vector<std::string>&, const std::vector<bool>&) override { return {}; }
    void openTextFile(const std::string&) override { }
};

class ExtractFiles : public RestoreFixture {
protected:
    ExtractFiles()
    {
        makeDirs(runFolder);
        makeDirs(source);
        writeText(source + "/one.txt", "1");
        writeText(source + "/two.txt", "22");
        writeText(source + "/o*e.txt", "wild");
        storeFolder(runFolder, source);
        archive = EncodePath(source + "/") + ".7z";
    }

    ExtractionResult extract(const std::vector<std::string>& names)
    {
        const ExtractionInputs inputs{ appFolder, fields.to, fields.unBackupTo, date, names };
        return ExtractArchiveInto(archive, inputs, host, choices);
    }

    std::string errorBoxes() const
    {
        std::string text;
        for (const ShownBox& box : boxes.shown())
            text += box.text + "\n";
        return text;
    }

    const std::string source = dir / "src/Docs";
    const std::string restoreFolder = fields.unBackupTo + source;
    std::string archive;
    LogHost host;
    NoViewer choices;
};

TEST_F(ExtractFiles, TheListIsTheUsersAloneWhileTheJobRunsAndGoneAfter)
{
    // The real archiver, run after a look at the list file it was handed.
    const std::string seen = dir / "list seen";
    writeArchiverScript(appFolder,
        "for a in \"$@\"; do case \"$a\" in -iw-@*) l=\"${a#-iw-@}\"; stat -c %a \"$l\" > '" + seen
            + "'; cat \"$l\" >> '" + seen + "';; esac; done\nexec \"$REAL\" \"$@\"");
    EXPECT_EQ(extract({ "o*e.txt", "two.txt" }), ExtractionResult::Restored) << errorBoxes();
    EXPECT_EQ(readText(seen), "600\n\"o*e.txt\"\n\"two.txt\"\n");
    EXPECT_EQ(allNames(restoreFolder), (std::vector<std::string>{ "o*e.txt", "two.txt" }));
    EXPECT_FALSE(fs::exists(appFolder + "/names.lst"));
    EXPECT_TRUE(boxes.shown().empty()) << errorBoxes();
}

TEST_F(ExtractFiles, ANameWithALineBreakIsRefusedBeforeTheArchiverRuns)
{
    EXPECT_EQ(extract({ "one.txt\nrm -rf x" }), ExtractionResult::Failed);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].title, "Error!");
    EXPECT_NE(boxes.shown()[0].text.find("line break"), std::string::npos) << boxes.shown()[0].text;
    EXPECT_FALSE(fs::exists(restoreFolder));
}

TEST_F(ExtractFiles, AnArchiverThatFailsFailsTheFileThoughItWasListed)
{
    // The real archiver extracts the file, then ends with an error status.
    writeArchiverScript(appFolder, "\"$REAL\" \"$@\"\necho 'ERROR: Data Error : one.txt'\nexit 2");
    boxes.queueAnswer(MsgAnswer::Ok);
    boxes.queueAnswer(MsgAnswer::No);
    EXPECT_EQ(extract({ "one.txt" }), ExtractionResult::Failed);
    ASSERT_FALSE(boxes.shown().empty());
    const std::string box = boxes.shown()[0].text;
    EXPECT_NE(box.find("ZZip not completed well..."), std::string::npos) << box;
    EXPECT_NE(box.find("Files asked: 1"), std::string::npos) << box;
    EXPECT_FALSE(fs::exists(appFolder + "/names.lst"));
}

} // namespace
} // namespace testsupport
