#include "app/frmMain.h"

#include "app/MainSettings.h"
#include "app/StartUp.h"
#include "backup/windows/frmExclude.h"
#include "platform/Paths.h"
#include "platform/SettingsFile.h"

#include <QCheckBox>
#include <QPushButton>

// What goes into a backup: hidden folders on the line of lasting choices,
// the exclusion patterns' editor on the line of tools.

void frmMain::addExcludeControls()
{
    m_chkHiddenFolders = new QCheckBox("Back up hidden folders too", this);
    m_chkHiddenFolders->setObjectName("chkHiddenFolders");
    addToChoicesLine(m_chkHiddenFolders);
    auto* exclude = new QPushButton("Exclude…", this);
    exclude->setObjectName("cmdExclude");
    exclude->setAutoDefault(false);
    addToToolsLine(exclude);

    const MainSettings saved = loadMainSettings(*m_settings);
    m_exclusions = saved.exclusions;
    m_chkHiddenFolders->setChecked(saved.hiddenFolders);
    connect(m_chkHiddenFolders, &QCheckBox::toggled, this, [this] { SaveSettings(); });
    connect(exclude, &QPushButton::clicked, this, [this] { cmdExclude_Click(); });
}

std::vector<std::string> frmMain::exclusionPatterns() const
{
    return m_exclusions;
}

bool frmMain::backUpHiddenFolders() const
{
    return m_chkHiddenFolders && m_chkHiddenFolders->isChecked();
}

void frmMain::cmdExclude_Click()
{
    frmExclude editor(*this, m_exclusions, chooseAppFolder(platform::executableFolder()), this);
    if (editor.exec() != QDialog::Accepted)
        return;
    m_exclusions = editor.patterns();
    SaveSettings();
}
