#pragma once

#include "prune/PrunePlan.h"

#include <QDialog>

#include <functional>
#include <string>

class QLabel;
class QPushButton;
class QTreeWidget;

// The clean-up window: every run of the backup target with the rule that
// keeps it or "remove", what removing them frees, and Remove, which removes
// exactly the runs the preview named (those the rules still name once it
// holds the store).
class frmPrune : public QDialog {
    Q_OBJECT
public:
    // `previewShown` is called once the user has a preview before them.
    frmPrune(std::string backupTarget, std::string appFolder, KeepRules rules,
        std::function<void()> previewShown = {}, QWidget* parent = nullptr);

    const PrunePlan& plan() const { return m_plan; }

private:
    void showPlan();
    void cmdRemove_Click();

    std::string m_backupTarget;
    std::string m_appFolder;
    KeepRules m_rules;
    std::function<void()> m_previewShown;
    PrunePlan m_plan;
    QTreeWidget* m_lstRuns = nullptr;
    QLabel* m_lblTotal = nullptr;
    QPushButton* m_cmdRemove = nullptr;
};
