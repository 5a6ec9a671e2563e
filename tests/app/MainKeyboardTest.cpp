// The source list of the main window from the keyboard: Enter in the source
// field adds the folder, Delete in the list removes the entry selected.
#include "app/frmMain.h"
#include "platform/SettingsFile.h"
#include "platform/TextConversion.h"
#include "tests/support/TestSupport.h"

#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using testsupport::ScriptedMessageBoxes;
using testsupport::TempDir;

class MainKeyboard : public ::testing::Test {
protected:
    std::string settingsPath() const { return m_config / "Quorvel Backup/settings.ini"; }

    std::unique_ptr<frmMain> openWindow()
    {
        auto window = std::make_unique<frmMain>(settingsPath());
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get(), 5000));
        return window;
    }

    TempDir m_config;
    TempDir m_folders;
};

TEST_F(MainKeyboard, EnterInTheSourceFieldAddsItAndDeleteInTheListRemovesTheSelectedEntry)
{
    testsupport::makeDirs(m_folders / "one");
    testsupport::makeDirs(m_folders / "two");
    auto window = openWindow();
    ScriptedMessageBoxes boxes;
    auto* field = window->findChild<QLineEdit*>("txtFrom");
    auto* list = window->findChild<QListWidget*>("lstFrom");
    ASSERT_TRUE(field && list);

    for (const char* name : { "one", "two" }) {
        field->setFocus();
        field->setText(platform::textFromBytes(m_folders / name));
        QTest::keyClick(field, Qt::Key_Return);
    }
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(window->sourceFolders(), (std::vector<std::string>{ m_folders / "two", m_folders / "one" }));
    // The same again is refused as it is from the Add button.
    QTest::keyClick(field, Qt::Key_Enter);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(window->sourceFolders().size(), 2u);

    // Delete with nothing selected removes nothing.
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(window->sourceFolders().size(), 2u);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(window->sourceFolders(), (std::vector<std::string>{ m_folders / "two" }));
    EXPECT_EQ(platform::SettingsFile(settingsPath()).listSection("ToCopy").size(), 1u);
    EXPECT_TRUE(window->isVisible());
}

} // namespace
