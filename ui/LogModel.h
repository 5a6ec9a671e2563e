#pragma once

#include <QAbstractListModel>
#include <QElapsedTimer>
#include <QTimer>

#include <string>
#include <vector>

// The lines of a progress window's log, newest first. Lines are kept in the
// order they were added and row r shows line n-1-r, so adding a line is a
// single append however long the log has grown.
//
// A list view lays out all its rows whenever rows arrive, so new lines reach
// the view in batches, at most one batch per kPublishInterval: a run that
// logs a line and lets events run after each of 200,000 folders must not pay
// one full layout per line. Each batch repaints the list, its frame and
// scroll bar and the window beneath; ten a second keep the log moving for the
// eye while a run of small folders spends little of its time painting. The
// window still repaints between batches, and flush() hands everything over
// at once (the end of a run).
class LogModel : public QAbstractListModel {
    Q_OBJECT
public:
    static constexpr int kPublishInterval = 100; // ms

    explicit LogModel(QObject* parent = nullptr);

    void addLine(const std::string& text);
    // Shows every line added so far.
    void flush();
    // All lines added, newest first, whether the view shows them yet or not.
    std::vector<std::string> lines() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    std::vector<std::string> m_lines;
    std::size_t m_published = 0; // lines the view knows of: the oldest ones
    QElapsedTimer m_sincePublish;
    QTimer m_publishLater;
};
