// The paths given with --only read against the folders of a run: which
// archives they take, whole or for single files, and which they miss.
#include "restore/RestorePart.h"

#include <gtest/gtest.h>

#include <map>

namespace {

const std::vector<RunFolder> kFolders{ { "h.7z", "/home/" }, { "d.7z", "/home/ann/Doc/" },
    { "ds.7z", "/home/ann/Documents/" }, { "dl.7z", "/home/ann/Documents/Letters/" },
    { "p.7z", "/home/ann/Pictures/" } };

struct Case {
    std::vector<std::string> asked;
    std::vector<std::string> taken; // archives, in the run's order
    std::map<std::string, std::vector<std::string>> files; // archive -> single files
    std::vector<std::string> notInRun;
    bool whole = false;
};

TEST(AskedPaths, TakeFoldersBelowFilesByNameAndMissNeighboursOfTheSameStart)
{
    const std::vector<std::string> archives{ "h.7z", "d.7z", "ds.7z", "dl.7z", "p.7z" };
    const std::vector<Case> cases{
        // A folder takes those below it, not a neighbour whose name starts alike.
        { { "/home/ann/Doc" }, { "d.7z" }, {}, {} },
        { { "/home/ann/Documents/" }, { "ds.7z", "dl.7z" }, {}, {} },
        { { "//home//ann/Documents//Letters" }, { "dl.7z" }, {}, {} },
        // A level with no archive of its own, above folders that have one.
        { { "/home/ann" }, { "d.7z", "ds.7z", "dl.7z", "p.7z" }, {}, {} },
        // Single files, and a file with its folder asked too.
        { { "/home/ann/Pictures/a*.jpg", "/home/x" }, { "h.7z", "p.7z" },
            { { "h.7z", { "x" } }, { "p.7z", { "a*.jpg" } } }, {} },
        { { "/home/ann/Documents/Letters/l.txt", "/home/ann/Documents" }, { "ds.7z", "dl.7z" }, {}, {} },
        // Neither a folder of the run nor a file of one.
        { { "/home/ann/Doc/sub/f", "/home/ann/Docs", "relative/path", "/srv" }, {}, {},
            { "/home/ann/Doc/sub/f", "/home/ann/Docs", "relative/path", "/srv" } },
        // Everything asked is the whole run, restored as ever.
        { { "/" }, archives, {}, {}, true },
        { { "/home/" }, archives, {}, {}, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.asked.front());
        const AskedPaths read = AskedPaths::Resolve(kFolders, c.asked);
        EXPECT_EQ(read.part.archivesIn(archives), c.taken);
        for (const std::string& archive : archives) {
            auto it = c.files.find(archive);
            EXPECT_EQ(
                read.part.filesOf(archive), it == c.files.end() ? std::vector<std::string>() : it->second)
                << archive;
        }
        EXPECT_EQ(read.notInRun, c.notInRun);
        EXPECT_EQ(read.part.whole(), c.whole);
    }
}

TEST(AskedPaths, WhatTheRunLacksConcernsOnlyTheFoldersAsked)
{
    const RestorePart part
        = AskedPaths::Resolve(kFolders, { "/home/ann/Documents", "/home/ann/Pictures/p.jpg" }).part;
    EXPECT_TRUE(part.concerns("/home/ann/Documents/"));
    EXPECT_TRUE(part.concerns("/home/ann/Documents/Old/"));
    EXPECT_TRUE(part.concerns("/home/ann/Pictures/"));
    EXPECT_FALSE(part.concerns("/home/ann/Pictures/Holidays/"));
    EXPECT_FALSE(part.concerns("/home/ann/Doc/"));
    EXPECT_FALSE(part.concerns("/home/"));

    const RestorePart ticked = RestorePart::Ticked(kFolders, { false, true, false, true, false });
    EXPECT_FALSE(ticked.whole());
    EXPECT_EQ(ticked.archivesIn({ "h.7z", "d.7z", "ds.7z", "dl.7z", "p.7z" }),
        (std::vector<std::string>{ "d.7z", "dl.7z" }));
    EXPECT_TRUE(ticked.concerns("/home/ann/Documents/Letters/"));
    EXPECT_FALSE(ticked.concerns("/home/ann/Documents/"));
    EXPECT_TRUE(RestorePart::Ticked(kFolders, std::vector<bool>(kFolders.size(), true)).whole());
}

} // namespace
