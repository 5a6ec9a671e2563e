#include "prune/windows/frmPrune.h"

#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "platform/TextConversion.h"
#include "prune/PruneRun.h"
#include "store/JobRunner.h"
#include "store/RunHost.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <exception>
#include <set>
#include <utility>

namespace {

QString text(const std::string& bytes)
{
    return platform::textFromBytes(platform::displayText(bytes));
}

std::string periods(const KeepRules& rules)
{
    return "Kept: every run of the last " + std::to_string(rules.days)
        + " days, then the newest of each day for " + std::to_string(rules.daily) + " days, of each week for "
        + std::to_string(rules.weekly) + " weeks and of each month for " + std::to_string(rules.monthly)
        + " months; the newest complete run always.";
}

} // namespace

frmPrune::frmPrune(std::string backupTarget, std::string appFolder, KeepRules rules,
    std::function<void()> previewShown, QWidget* parent)
    : QDialog(parent)
    , m_backupTarget(std::move(backupTarget))
    , m_appFolder(std::move(appFolder))
    , m_rules(rules)
    , m_previewShown(std::move(previewShown))
{
    setWindowTitle("Clean up old backups");
    setObjectName("frmPrune");
    auto* layout = new QVBoxLayout(this);
    auto* rulesLine = new QLabel(QString::fromStdString(periods(m_rules)), this);
    rulesLine->setObjectName("lblRules");
    rulesLine->setWordWrap(true);
    layout->addWidget(rulesLine);
    m_lstRuns = new QTreeWidget(this);
    m_lstRuns->setObjectName("lstRuns");
    m_lstRuns->setHeaderLabels({ "Run", "Outcome", "Keep or remove" });
    m_lstRuns->setRootIsDecorated(false);
    m_lstRuns->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(m_lstRuns, 1);
    m_lblTotal = new QLabel(this);
    m_lblTotal->setObjectName("lblTotal");
    layout->addWidget(m_lblTotal);
    auto* buttons = new QDialogButtonBox(this);
    m_cmdRemove = buttons->addButton("Remove", QDialogButtonBox::ActionRole);
    m_cmdRemove->setObjectName("cmdRemove");
    QPushButton* close = buttons->addButton(QDialogButtonBox::Close);
    close->setObjectName("cmdClose");
    layout->addWidget(buttons);
    connect(m_cmdRemove, &QPushButton::clicked, this, &frmPrune::cmdRemove_Click);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    resize(560, 420);
    showPlan();
}

void frmPrune::showPlan()
{
    m_lstRuns->clear();
    try {
        m_plan = PlanPrune(m_backupTarget, m_rules, platform::clock().localNow());
    } catch (const std::exception& error) {
        m_plan = PrunePlan{};
        m_lblTotal->setText(text(error.what()));
        m_cmdRemove->setEnabled(false);
        return;
    }
    for (const PlannedRun& run : m_plan.runs) {
        auto* item = new QTreeWidgetItem(m_lstRuns,
            { text(run.run.date), text(OutcomeWord(run.run.verdict)), text(KeepWord(run.reason, m_rules)) });
        item->setData(0, Qt::UserRole, QByteArray::fromStdString(run.run.folder));
    }
    for (const std::string& folder : m_plan.unfinished)
        new QTreeWidgetItem(m_lstRuns, { text(UnfinishedDate(folder)), "incomplete", "remove (cut short)" });
    m_lblTotal->setText(text(PreviewTotal(m_plan)));
    m_cmdRemove->setEnabled(m_plan.removedCount() > 0 || !m_plan.unfinished.empty());
    if (m_previewShown)
        m_previewShown();
}

void frmPrune::cmdRemove_Click()
{
    std::set<std::string> shown;
    for (const PlannedRun& run : m_plan.runs)
        if (run.removed())
            shown.insert(run.run.folder);
    PruneRun run(m_backupTarget, m_appFolder, m_rules);
    run.limitTo(std::move(shown));
    setCursor(Qt::WaitCursor);
    const bool started = run.run(platform::clock().localNow(), [](const std::string&) {});
    unsetCursor();
    if (!started) {
        platform::showMessage(ErrorBoxText(run.whyNotStarted()), "Error!", platform::kMsgCritical);
    } else if (!run.failures().empty()) {
        // One box for them all, naming a few: the rest are alike.
        constexpr std::size_t kNamed = 5;
        const std::vector<std::string>& failures = run.failures();
        std::string list;
        for (std::size_t i = 0; i < failures.size() && i < kNamed; ++i)
            list += "\r\n" + failures[i];
        if (failures.size() > kNamed)
            list += "\r\nand " + std::to_string(failures.size() - kNamed) + " more";
        platform::showMessage(
            ErrorBoxText(std::to_string(run.failures().size())
                + (run.failures().size() == 1 ? " run" : " runs") + " could not be removed:" + list),
            "Error!", platform::kMsgCritical);
    }
    showPlan();
}
