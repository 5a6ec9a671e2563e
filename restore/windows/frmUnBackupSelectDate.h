#pragma once

#include "ui/FormBuilder.h"

#include <QDialog>

#include <string>

class QListWidget;
class QPushButton;

// The date dialog of a restore run: lists the backup dates, and a confirmed
// double-click on one, or Enter on the one selected with the arrow keys,
// hands it back in Tag. Cancel, Escape or a close
// request hand back the empty text.
class frmUnBackupSelectDate : public QDialog {
    Q_OBJECT
public:
    explicit frmUnBackupSelectDate(QWidget* parent = nullptr);

    QListWidget* lstDate() const { return m_lstDate; }
    QPushButton* cmdCancel() const { return m_cmdCancel; }

    // Adds a date at the end of lstDate. The text's bytes are kept as they
    // are, so that what is handed back is exactly what was added. The run's
    // outcome, when given ("complete", "failed 2", "stopped",
    // "incomplete"), is shown below its date as outcomeFlag makes it: the
    // dialog is too narrow for both on one line.
    void addDate(const std::string& dateText, const std::string& outcome = {});
    static std::string outcomeFlag(const std::string& outcome) { return "\n    " + outcome; }

    // Asks for confirmation of the selected date; on Yes hands it back and
    // hides the dialog, on No leaves everything as it is.
    void lstDate_DblClick();
    void cmdCancel_Click();

    void reject() override;

    // The dialog's result: the confirmed date text, or empty.
    std::string Tag;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    BuiltForm m_form;
    QListWidget* m_lstDate = nullptr;
    QPushButton* m_cmdCancel = nullptr;
};
