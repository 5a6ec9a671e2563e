#include "app/frmMain.h"
#include "platform/SettingsFile.h"
#include "platform/TextConversion.h"
#include "platform/gui/FolderPicker.h"
#include "tests/support/TestSupport.h"
#include "ui/ProgressWindow.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>

using platform::SettingPairs;
using platform::SettingsFile;
using testsupport::makeDirs;
using testsupport::ScriptedMessageBoxes;
using testsupport::ShownBox;
using testsupport::TempDir;

namespace {

const std::string kNotValid = "The Path you entered is not valid, please specify another...";
const std::string kDuplicate = "The Path is allready specified!";

std::string readTextOrEmpty(const std::string& path)
{
    return std::filesystem::exists(path) ? testsupport::readText(path) : std::string();
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override { platform::gui::resetFolderPicker(); }
    void TearDown() override { platform::gui::resetFolderPicker(); }

    std::string settingsPath() const { return m_config / "Quorvel Backup/settings.ini"; }
    std::string folder(const std::string& name) const
    {
        makeDirs(m_folders / name);
        return m_folders / name;
    }

    std::unique_ptr<frmMain> openWindow()
    {
        auto window = std::make_unique<frmMain>(settingsPath());
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get(), 5000));
        return window;
    }

    void seed(const std::vector<std::pair<std::string, std::string>>& sources, const std::string& to = "",
        const std::string& restoreTo = "")
    {
        SettingsFile store(settingsPath());
        for (const auto& [key, value] : sources)
            store.writeValue("ToCopy", key, value);
        store.writeValue("ToBackup", "ToBackup", to);
        store.writeValue("ToUnBackup", "ToUnBackup", restoreTo);
        ASSERT_TRUE(store.save());
    }

    SettingPairs savedSources() const { return SettingsFile(settingsPath()).listSection("ToCopy"); }
    std::string savedValue(const std::string& section) const
    {
        return SettingsFile(settingsPath()).readValue(section, section, "<missing>");
    }

    template <typename T> static T* control(frmMain& window, const char* name)
    {
        T* found = window.findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    static void click(frmMain& window, const char* name)
    {
        QTest::mouseClick(control<QPushButton>(window, name), Qt::LeftButton);
    }
    static void type(frmMain& window, const char* name, const std::string& bytes)
    {
        control<QLineEdit>(window, name)->setText(platform::textFromBytes(bytes));
    }
    static std::string text(frmMain& window, const char* name)
    {
        return platform::bytesFromText(control<QLineEdit>(window, name)->text());
    }

    TempDir m_config;
    TempDir m_folders;
};

TEST_F(MainWindowTest, StartsWithRunButtonsDisabledAndFocusInTheBackupTarget)
{
    seed({ { "ToCopy0", folder("a") } }, folder("target"), folder("restore"));
    auto window = openWindow();
    EXPECT_FALSE(control<QPushButton>(*window, "cmdBackup")->isEnabled());
    EXPECT_FALSE(control<QPushButton>(*window, "cmdUnBackup")->isEnabled());
    EXPECT_EQ(QApplication::focusWidget(), control<QLineEdit>(*window, "txtTo"));
    // The first tick, about a second later, enables them.
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return control<QPushButton>(*window, "cmdBackup")->isEnabled(); }, 5000));
    EXPECT_TRUE(control<QPushButton>(*window, "cmdUnBackup")->isEnabled());
}

TEST_F(MainWindowTest, TextsThatDifferInCaseOrSpacesNameOtherFolders)
{
    // "Data " exists as its own folder, so the typed text passes the path test.
    std::string spaced = folder("Data ");
    std::string listed = QString::fromStdString(m_folders / "data").toLower().toStdString();
    seed({ { "ToCopy0", listed } });
    auto window = openWindow();
    ScriptedMessageBoxes boxes;
    type(*window, "txtFrom", spaced);
    click(*window, "cmdAddToFrom");
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(window->sourceFolders(), (std::vector<std::string>{ spaced, listed }));
    EXPECT_EQ(text(*window, "txtFrom"), spaced);
}

TEST_F(MainWindowTest, AnAcceptedEntryGoesOnTopAsTyped)
{
    std::string plain = folder("Data");
    std::string spaced = folder("My Data ");
    seed({ { "ToCopy0", plain } });
    auto window = openWindow();
    ScriptedMessageBoxes boxes;
    type(*window, "txtFrom", spaced);
    click(*window, "cmdAddToFrom");
    const std::string other = folder("other");
    type(*window, "txtFrom", other + "/");
    click(*window, "cmdAddToFrom");
    EXPECT_TRUE(boxes.shown().empty());
    std::vector<std::string> expected{ other + "/", spaced, plain };
    EXPECT_EQ(window->sourceFolders(), expected);
    SettingPairs saved = savedSources();
    ASSERT_EQ(saved.size(), 3u);
    EXPECT_EQ(saved[0], (std::pair<std::string, std::string>("ToCopy0", other + "/")));
    EXPECT_EQ(saved[1], (std::pair<std::string, std::string>("ToCopy1", spaced)));
    EXPECT_EQ(saved[2], (std::pair<std::string, std::string>("ToCopy2", plain)));
}

TEST_F(MainWindowTest, AnEmptyOrMissingPathIsNotValidAndStillSaves)
{
    auto window = openWindow();
    ScriptedMessageBoxes boxes;
    type(*window, "txtTo", "/typed/but/not/left");
    click(*window, "cmdAddToFrom");
    type(*window, "txtFrom", m_folders / "missing");
    click(*window, "cmdAddToFrom");
    ASSERT_EQ(boxes.shown().size(), 2u);
    for (const ShownBox& box : boxes.shown()) {
        EXPECT_EQ(box.text, kNotValid);
        EXPECT_EQ(box.title, "Another Path");
        EXPECT_EQ(box.style, 64);
    }
    EXPECT_EQ(window->sourceFolders().size(), 0u);
    EXPECT_EQ(savedValue("ToBackup"), "/typed/but/not/left");
}

TEST_F(MainWindowTest, RemovingTakesTheSelectedEntryAndSaves)
{
    seed({ { "ToCopy0", "/first" }, { "ToCopy1", "/second" }, { "ToCopy2", "/third" } });
    auto window = openWindow();
    auto* list = control<QListWidget>(*window, "lstFrom");

    type(*window, "txtTo", "/changed");
    click(*window, "cmdRemoveFromFrom"); // nothing selected
    EXPECT_EQ(window->sourceFolders().size(), 3u);
    EXPECT_EQ(savedValue("ToBackup"), "/changed");

    QRect second = list->visualItemRect(list->item(1));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second.center());
    EXPECT_EQ(text(*window, "txtFrom"), "/second");
    click(*window, "cmdRemoveFromFrom");
    EXPECT_EQ(window->sourceFolders(), (std::vector<std::string>{ "/first", "/third" }));
    EXPECT_EQ(savedSources(), (SettingPairs{ { "ToCopy0", "/first" }, { "ToCopy1", "/third" } }));
    EXPECT_EQ(text(*window, "txtFrom"), "/second");
}

TEST_F(MainWindowTest, ClickingAListedFolderThenAddIsADuplicate)
{
    std::string data = folder("Data");
    seed({ { "ToCopy0", data } });
    auto window = openWindow();
    ScriptedMessageBoxes boxes;
    auto* list = control<QListWidget>(*window, "lstFrom");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
    click(*window, "cmdAddToFrom");
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, kDuplicate);
}

TEST_F(MainWindowTest, ManyEntriesAndAwkwardBytesComeBackInOrder)
{
    std::vector<std::pair<std::string, std::string>> sources;
    for (int i = 0; i < 13; ++i)
        sources.emplace_back("ToCopy" + std::to_string(i), "/src/" + std::to_string(i));
    sources.emplace_back("Added by hand", "  /with spaces/  ");
    sources.emplace_back("zzz", std::string("/caf\xe9/Grüße\\x=;[#"));
    const std::string awkwardTarget = std::string("/mnt/b\xff\xfe/");
    seed(sources, awkwardTarget, " /restore ");
    {
        auto window = openWindow();
        std::vector<std::string> expected;
        for (const auto& pair : sources)
            expected.push_back(pair.second);
        EXPECT_EQ(window->sourceFolders(), expected);
        EXPECT_EQ(window->backupTarget(), awkwardTarget);
        EXPECT_EQ(window->restoreTarget(), " /restore ");
        window->close(); // saves
    }
    SettingPairs saved = savedSources();
    ASSERT_EQ(saved.size(), sources.size());
    for (std::size_t i = 0; i < saved.size(); ++i) {
        EXPECT_EQ(saved[i].first, "ToCopy" + std::to_string(i));
        EXPECT_EQ(saved[i].second, sources[i].second);
    }
    EXPECT_EQ(savedValue("ToBackup"), awkwardTarget);
    EXPECT_EQ(savedValue("ToUnBackup"), " /restore ");
}

TEST_F(MainWindowTest, LeavingATextBoxSavesButProgramWrittenTextDoesNotRaiseIt)
{
    std::string picked = folder("picked");
    auto window = openWindow();
    auto* txtTo = control<QLineEdit>(*window, "txtTo");
    ASSERT_TRUE(txtTo->hasFocus());
    QTest::keyClicks(txtTo, "/typed");
    EXPECT_EQ(savedValue("ToBackup"), "<missing>");
    QTest::keyClick(txtTo, Qt::Key_Tab);
    EXPECT_FALSE(txtTo->hasFocus());
    EXPECT_EQ(savedValue("ToBackup"), "/typed");

    // The picker writes the text; only a later save stores it.
    platform::gui::setNextPickedFolder(picked);
    click(*window, "cmdToChange");
    EXPECT_EQ(text(*window, "txtTo"), picked + "/");
    EXPECT_EQ(savedValue("ToBackup"), "/typed");

    // Leaving the source field saves the rest, but not the field itself.
    auto* txtFrom = control<QLineEdit>(*window, "txtFrom");
    txtFrom->setFocus();
    QTest::keyClicks(txtFrom, "/not stored");
    QTest::keyClick(txtFrom, Qt::Key_Tab);
    EXPECT_EQ(savedValue("ToBackup"), picked + "/");
    EXPECT_EQ(readTextOrEmpty(settingsPath()).find("not stored"), std::string::npos);
}

TEST_F(MainWindowTest, ChangeButtonsFillTheirFieldWithOneTrailingSeparator)
{
    std::string target = folder("target");
    std::string restore = folder("with space/restore");
    auto window = openWindow();
    ScriptedMessageBoxes boxes;

    struct Case {
        const char* button;
        const char* field;
    };
    for (Case c : { Case{ "cmdToChange", "txtTo" }, Case{ "cmdFromChange", "txtFrom" },
             Case{ "cmdUnBackupToChange", "txtUnBackupTo" } }) {
        // The button lies over its text box and takes the click there.
        auto* button = control<QPushButton>(*window, c.button);
        ASSERT_EQ(window->childAt(button->geometry().center()), button);
        type(*window, c.field, "unchanged");
        platform::gui::setNextPickedFolder(""); // cancelled
        QTest::mouseClick(window->childAt(button->geometry().center()), Qt::LeftButton);
        EXPECT_EQ(text(*window, c.field), "unchanged");
        platform::gui::setNextPickedFolder(m_folders / "no such folder");
        click(*window, c.button);
        EXPECT_EQ(text(*window, c.field), "unchanged");
        platform::gui::setNextPickedFolder(c.field == std::string("txtUnBackupTo") ? restore : target + "/");
        click(*window, c.button);
        EXPECT_EQ(text(*window, c.field), (c.field == std::string("txtUnBackupTo") ? restore : target) + "/");
    }
    EXPECT_EQ(platform::gui::pickFolderCalls(), 9);
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_TRUE(window->sourceFolders().empty());
}

TEST_F(MainWindowTest, RunButtonsFollowTheFields)
{
    std::string target = folder("target");
    std::string restore = folder("restore");
    auto window = openWindow();
    auto* backup = control<QPushButton>(*window, "cmdBackup");
    auto* unbackup = control<QPushButton>(*window, "cmdUnBackup");
    auto state = [&] { return std::make_pair(backup->isEnabled(), unbackup->isEnabled()); };

    type(*window, "txtTo", target);
    type(*window, "txtUnBackupTo", restore);
    window->Timer1_Timer();
    EXPECT_EQ(state(), std::make_pair(false, true)) << "no source folder yet";

    ScriptedMessageBoxes boxes;
    type(*window, "txtFrom", target);
    click(*window, "cmdAddToFrom");
    window->Timer1_Timer();
    EXPECT_EQ(state(), std::make_pair(true, true));

    type(*window, "txtTo", target + "/");
    window->Timer1_Timer();
    EXPECT_EQ(state(), std::make_pair(true, true)) << "a trailing separator makes no difference";

    type(*window, "txtUnBackupTo", m_folders / "missing");
    window->Timer1_Timer();
    EXPECT_EQ(state(), std::make_pair(true, false));

    type(*window, "txtUnBackupTo", restore);
    type(*window, "txtTo", "");
    window->Timer1_Timer();
    EXPECT_EQ(state(), std::make_pair(false, false)) << "an empty backup target disables both";

    type(*window, "txtTo", m_folders / "missing");
    window->Timer1_Timer();
    EXPECT_EQ(state(), std::make_pair(false, false));
}

// A run window that records its own life and closes through Done at once.
class RecordingRunWindow : public ProgressWindow {
public:
    RecordingRunWindow(const MainFields& fields, QWidget* parent, std::vector<std::string>& log)
        : ProgressWindow(frmBackupDefinition(), parent)
        , m_fields(fields)
        , m_log(log)
    {
    }

protected:
    void Timer1_Timer() override
    {
        Timer1()->stop();
        m_log.push_back("lines at start " + std::to_string(logLines().size()));
        AddLog("Target " + m_fields.backupTarget());
        // A close request and Escape during the run leave the window up.
        close();
        QTest::keyClick(this, Qt::Key_Escape);
        m_log.push_back(isVisible() ? "still shown" : "hidden");
        finishRun();
        QTimer::singleShot(0, this, [this] { QTest::mouseClick(cmdDone(), Qt::LeftButton); });
    }

private:
    const MainFields& m_fields;
    std::vector<std::string>& m_log;
};

TEST_F(MainWindowTest, EachRunGetsAFreshWindowThatIsDeletedAfterwards)
{
    std::string target = folder("target");
    seed({ { "ToCopy0", folder("src") } }, target, folder("restore"));
    auto window = openWindow();
    std::vector<std::string> log;
    std::vector<QPointer<QDialog>> made;
    int restores = 0;
    window->setRunWindowFactories(
        [&](const MainFields& fields, QWidget* parent) -> QDialog* {
            auto* run = new RecordingRunWindow(fields, parent, log);
            made.emplace_back(run);
            return run;
        },
        [&](const MainFields& fields, QWidget* parent) -> QDialog* {
            ++restores;
            return new RecordingRunWindow(fields, parent, log);
        });
    window->Timer1_Timer();
    ASSERT_TRUE(control<QPushButton>(*window, "cmdBackup")->isEnabled());

    QTimer guard;
    QObject::connect(&guard, &QTimer::timeout, [] {
        if (auto* modal = QApplication::activeModalWidget())
            modal->hide();
    });
    guard.start(10000);
    click(*window, "cmdBackup");
    click(*window, "cmdBackup");
    click(*window, "cmdUnBackup");
    EXPECT_EQ(log,
        (std::vector<std::string>{ "lines at start 0", "still shown", "lines at start 0", "still shown",
            "lines at start 0", "still shown" }));
    ASSERT_EQ(made.size(), 2u);
    EXPECT_TRUE(made[0].isNull());
    EXPECT_TRUE(made[1].isNull());
    EXPECT_EQ(restores, 1);
}

TEST_F(MainWindowTest, BackupPressedWithTheTargetJustEmptiedOpensNoWindow)
{
    seed({ { "ToCopy0", folder("src") } }, folder("target"), folder("restore"));
    auto window = openWindow();
    int opened = 0;
    auto factory = [&](const MainFields&, QWidget*) -> QDialog* {
        ++opened;
        return nullptr;
    };
    window->setRunWindowFactories(factory, factory);
    window->Timer1_Timer();
    ASSERT_TRUE(control<QPushButton>(*window, "cmdBackup")->isEnabled());
    ASSERT_TRUE(control<QPushButton>(*window, "cmdUnBackup")->isEnabled());
    type(*window, "txtTo", "");
    click(*window, "cmdBackup");
    EXPECT_EQ(opened, 0);
    EXPECT_FALSE(control<QPushButton>(*window, "cmdBackup")->isEnabled());
    EXPECT_FALSE(control<QPushButton>(*window, "cmdUnBackup")->isEnabled());
}

TEST_F(MainWindowTest, AboutBox)
{
    auto window = openWindow();
    ScriptedMessageBoxes boxes;
    click(*window, "cmdAbout");
    ASSERT_EQ(boxes.shown().size(), 1u);
    const ShownBox& box = boxes.shown()[0];
    EXPECT_EQ(box.title, "Quorvel");
    EXPECT_EQ(box.style, 64);
    std::vector<std::string> lines;
    for (std::size_t start = 0;;) {
        std::size_t end = box.text.find("\r\n", start);
        lines.push_back(box.text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            break;
        start = end + 2;
    }
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_NE(lines[0].find("Quorvel"), std::string::npos);
    EXPECT_NE(lines[1].find("@example.com"), std::string::npos);
    EXPECT_NE(lines[2].find("example.com"), std::string::npos);
    EXPECT_EQ(lines[3], "");
    EXPECT_EQ(lines[4], "Quorvel Backup 1.00");
    EXPECT_EQ(lines[5], "");
    EXPECT_NE(lines[6].find("7z"), std::string::npos);
    EXPECT_NE(lines[6].find("www.7-zip.org"), std::string::npos);
    EXPECT_EQ(box.text.find('\n', box.text.size() - 1), std::string::npos);
}

TEST_F(MainWindowTest, EscapeLeavesTheWindowAndClosingSaves)
{
    auto window = openWindow();
    type(*window, "txtUnBackupTo", "/restore/here");
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(savedValue("ToUnBackup"), "<missing>");
    window->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(savedValue("ToUnBackup"), "/restore/here");
    EXPECT_TRUE(savedSources().empty());
}

TEST_F(MainWindowTest, ABrokenSettingsFileIsKeptAsideWithoutAWord)
{
    makeDirs(m_config / "Quorvel Backup");
    testsupport::writeText(settingsPath(), "[ToBackup]\nToBackup=/mnt/b\n\x01\x02\x03 binary\n[ToCo");
    ScriptedMessageBoxes boxes;
    auto window = openWindow();
    EXPECT_EQ(window->backupTarget(), "/mnt/b");
    window->close();
    EXPECT_TRUE(boxes.shown().empty());
    int setAside = 0;
    for (const auto& entry : std::filesystem::directory_iterator(m_config / "Quorvel Backup")) {
        if (entry.path().filename().string().rfind("settings.ini.bad-", 0) == 0) {
            ++setAside;
            EXPECT_EQ(testsupport::readText(entry.path().string()),
                "[ToBackup]\nToBackup=/mnt/b\n\x01\x02\x03 binary\n[ToCo");
        }
    }
    EXPECT_EQ(setAside, 1);
    EXPECT_EQ(savedValue("ToBackup"), "/mnt/b");
}

} // namespace
