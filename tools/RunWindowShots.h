#pragma once

#include "ui/ProgressWindow.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <string>

// Saves two pictures of a run window into `folder`: NAME-during-run.png once
// a third of the folders are done and the estimate of the time left shows,
// and NAME-after-run.png when the run is over; then ends the program.
inline void saveRunWindowShots(ProgressWindow& window, const std::string& folder, const std::string& name)
{
    auto* watch = new QTimer(&window);
    watch->setInterval(100);
    auto during = std::make_shared<bool>(false);
    QObject::connect(watch, &QTimer::timeout, &window, [&window, watch, during, folder, name] {
        const QProgressBar* bar = window.barProgress();
        if (!*during && bar->maximum() > 0 && bar->value() * 3 >= bar->maximum()
            && window.lblTime()->text().contains(" left")) {
            *during = true;
            window.grab().save(QString::fromStdString(folder + "/" + name + "-during-run.png"));
            std::printf("during: %s\n", window.lblTime()->text().toUtf8().constData());
        }
        if (window.runFinished()) {
            watch->stop();
            window.grab().save(QString::fromStdString(folder + "/" + name + "-after-run.png"));
            std::printf("after: %s\n", window.lblTime()->text().toUtf8().constData());
            std::fflush(stdout);
            QCoreApplication::exit(*during ? 0 : 1);
        }
    });
    watch->start();
}
