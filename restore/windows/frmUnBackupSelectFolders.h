#pragma once

#include <QDialog>

#include <string>
#include <vector>

class QListWidget;
class QPushButton;

// The folder dialog of a restore run, shown after the date is chosen: every
// folder of the run with a tick, all ticked at first. Restore hands back
// the ticks; Cancel, Escape or a close request restore nothing. From the
// keyboard: the arrow keys move through the folders, Space ticks or unticks
// the one selected, Enter restores.
class frmUnBackupSelectFolders : public QDialog {
    Q_OBJECT
public:
    // `folders` are the run's folder paths, their bytes as the run holds them.
    frmUnBackupSelectFolders(
        const std::string& date, const std::vector<std::string>& folders, QWidget* parent = nullptr);

    QListWidget* lstFolders() const { return m_lstFolders; }
    QPushButton* cmdAll() const { return m_cmdAll; }
    QPushButton* cmdNone() const { return m_cmdNone; }
    QPushButton* cmdRestore() const { return m_cmdRestore; }
    QPushButton* cmdCancel() const { return m_cmdCancel; }

    // Whether the user chose Restore, and the tick of each folder, in the
    // order given.
    bool confirmed() const { return m_confirmed; }
    std::vector<bool> ticked() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void tickAll(bool ticked);
    void cmdRestore_Click();
    void updateRestore();

    QListWidget* m_lstFolders = nullptr;
    QPushButton* m_cmdAll = nullptr;
    QPushButton* m_cmdNone = nullptr;
    QPushButton* m_cmdRestore = nullptr;
    QPushButton* m_cmdCancel = nullptr;
    bool m_confirmed = false;
};
