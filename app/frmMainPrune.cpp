#include "app/frmMain.h"

#include <QDialog>
#include <QPushButton>

#include <memory>
#include <utility>

// The clean-up of old runs, opened from the line of tools: a window of its
// own with the preview and Remove.

void frmMain::setPruneWindowFactory(RunWindowFactory prune)
{
    m_pruneWindow = std::move(prune);
}

void frmMain::addPruneButton()
{
    auto* button = new QPushButton("Clean up old backups…", this);
    button->setObjectName("cmdPrune");
    addToToolsLine(button);
    connect(button, &QPushButton::clicked, this, [this] {
        if (!m_pruneWindow)
            return;
        const std::unique_ptr<QDialog> window(m_pruneWindow(*this, this));
        if (window)
            window->exec();
        showLastBackup();
    });
}
