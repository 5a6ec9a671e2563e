// Adding a source folder compares the folders the texts really name, keeps
// the source field as typed, and a store that cannot be saved is told once.
#include "app/SourceList.h"
#include "app/frmMain.h"
#include "platform/SettingsFile.h"
#include "platform/TextConversion.h"
#include "tests/support/TestSupport.h"
#include "tests/support/Unprivileged.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using testsupport::makeDirs;
using testsupport::ScriptedMessageBoxes;
using testsupport::TempDir;

namespace {

const std::string kDuplicate = "The Path is allready specified!";

class AddSource : public ::testing::Test {
protected:
    std::string folder(const std::string& name) const
    {
        makeDirs(m_folders / name);
        return m_folders / name;
    }
    std::string settingsPath() const { return m_config / "Quorvel Backup/settings.ini"; }

    std::unique_ptr<frmMain> openWindow(const std::vector<std::string>& sources)
    {
        platform::SettingsFile store(settingsPath());
        for (std::size_t i = 0; i < sources.size(); ++i)
            store.writeValue("ToCopy", "ToCopy" + std::to_string(i), sources[i]);
        EXPECT_TRUE(store.save());
        auto window = std::make_unique<frmMain>(settingsPath());
        window->show();
        return window;
    }

    // Types the text into txtFrom and presses "Add"; returns the box shown, if any.
    std::string add(frmMain& window, const std::string& text)
    {
        const std::size_t before = m_boxes.shown().size();
        window.findChild<QLineEdit*>("txtFrom")->setText(platform::textFromBytes(text));
        QTest::mouseClick(window.findChild<QPushButton*>("cmdAddToFrom"), Qt::LeftButton);
        return m_boxes.shown().size() > before ? m_boxes.shown().back().text : std::string();
    }

    TempDir m_config;
    TempDir m_folders;
    ScriptedMessageBoxes m_boxes{ platform::MsgAnswer::Ok };
};

TEST_F(AddSource, OtherSpellingsOfAListedFolderAreRefusedNamingTheEntry)
{
    const std::string src = folder("x/src");
    folder("x/src/sub");
    fs::create_directory_symlink(src, m_folders / "link");
    auto window = openWindow({ src });

    EXPECT_EQ(add(*window, src), kDuplicate);
    const std::string same = "The Path names the same folder as one already specified: " + src;
    for (const std::string& spelling : { src + "/", src + "//", m_folders / "x/./src", m_folders / "x//src",
             src + "/sub/..", m_folders / "link" })
        EXPECT_EQ(add(*window, spelling), same) << spelling;
    EXPECT_EQ(window->sourceFolders(), std::vector<std::string>{ src });
    for (const auto& box : m_boxes.shown()) {
        EXPECT_EQ(box.title, "Another Path");
        EXPECT_EQ(box.style, 64);
    }
}

TEST_F(AddSource, FoldersInsideOrAroundAListedOneAreRefusedNamingIt)
{
    const std::string outer = folder("outer");
    const std::string inner = folder("outer/inner");
    const std::string other = folder("other");
    auto window = openWindow({ inner });

    EXPECT_EQ(add(*window, outer), "The Path holds a folder already specified: " + inner);
    EXPECT_EQ(add(*window, folder("outer/inner/deeper")),
        "The Path lies inside a folder already specified: " + inner);
    EXPECT_EQ(add(*window, other), "");
    EXPECT_EQ(window->sourceFolders(), (std::vector<std::string>{ other, inner }));
}

TEST_F(AddSource, LetterCaseNamesAnotherFolder)
{
    const std::string lower = folder("docs");
    const std::string upper = folder("Docs");
    auto window = openWindow({ lower });
    EXPECT_EQ(add(*window, upper), "");
    EXPECT_EQ(window->sourceFolders(), (std::vector<std::string>{ upper, lower }));
}

TEST_F(AddSource, TheSourceFieldKeepsItsTextWhenAnEntryIsSelected)
{
    const std::string listed = folder("listed");
    const std::string added = folder("added");
    auto window = openWindow({ listed });
    auto* list = window->findChild<QListWidget*>("lstFrom");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
    ASSERT_EQ(platform::bytesFromText(window->findChild<QLineEdit*>("txtFrom")->text()), listed);

    EXPECT_EQ(add(*window, added), "");
    EXPECT_EQ(window->sourceFolders(), (std::vector<std::string>{ added, listed }));
    EXPECT_EQ(platform::bytesFromText(window->findChild<QLineEdit*>("txtFrom")->text()), added);
}

TEST_F(AddSource, ASaveThatFailsIsToldOnceWithTheReason)
{
    TESTSUPPORT_NEEDS_PERMISSIONS();
    auto window = openWindow({});
    fs::permissions(m_config / "Quorvel Backup", fs::perms::owner_read | fs::perms::owner_exec);

    add(*window, folder("one"));
    EXPECT_EQ(add(*window, folder("two")), "");
    window->close();
    fs::permissions(m_config / "Quorvel Backup", fs::perms::owner_all);

    ASSERT_EQ(m_boxes.shown().size(), 1u);
    EXPECT_TRUE(m_boxes.shown()[0].text.starts_with("Error!\r\n\r\nThe settings could not be saved"))
        << m_boxes.shown()[0].text;
    EXPECT_NE(m_boxes.shown()[0].text.find("Permission denied"), std::string::npos)
        << m_boxes.shown()[0].text;
    EXPECT_EQ(m_boxes.shown()[0].title, "Error!");
    EXPECT_EQ(m_boxes.shown()[0].style, 16);
}

} // namespace
