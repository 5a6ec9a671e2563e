#pragma once

#include <QDialog>

#include <string>
#include <vector>

class MainFields;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// The "Exclude" window: the patterns of what a backup leaves out, one a
// line, with the lines that cannot be used named as they are typed, and, on
// request (the walk takes a while), the totals a backup with these patterns
// would store and leave out.
class frmExclude : public QDialog {
    Q_OBJECT
public:
    // `main` gives the sources and the other choices the totals are taken
    // with; `appFolder` holds the job files, which no backup takes.
    frmExclude(const MainFields& main, const std::vector<std::string>& patterns, std::string appFolder,
        QWidget* parent = nullptr);

    // The patterns as edited, one per line, blank lines at either end left out.
    std::vector<std::string> patterns() const;

    // Walks the sources with the patterns as edited and shows the totals.
    void cmdTotals_Click();

private:
    void showRefusals();

    const MainFields& m_main;
    std::string m_appFolder;
    QPlainTextEdit* m_txtPatterns = nullptr;
    QLabel* m_lblRefused = nullptr;
    QLabel* m_lblTotals = nullptr;
    QPushButton* m_cmdTotals = nullptr;
};
