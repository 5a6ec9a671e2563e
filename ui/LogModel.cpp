#include "ui/LogModel.h"

#include "platform/TextConversion.h"

LogModel::LogModel(QObject* parent)
    : QAbstractListModel(parent)
{
    m_publishLater.setSingleShot(true);
    connect(&m_publishLater, &QTimer::timeout, this, &LogModel::flush);
}

void LogModel::addLine(const std::string& text)
{
    m_lines.push_back(text);
    if (!m_sincePublish.isValid() || m_sincePublish.elapsed() >= kPublishInterval)
        flush();
    else if (!m_publishLater.isActive())
        m_publishLater.start(kPublishInterval - static_cast<int>(m_sincePublish.elapsed()));
}

void LogModel::flush()
{
    m_publishLater.stop();
    m_sincePublish.start();
    if (m_published == m_lines.size())
        return;
    // The unpublished lines are the newest: they go on top.
    beginInsertRows(QModelIndex(), 0, static_cast<int>(m_lines.size() - m_published) - 1);
    m_published = m_lines.size();
    endInsertRows();
}

std::vector<std::string> LogModel::lines() const
{
    return std::vector<std::string>(m_lines.rbegin(), m_lines.rend());
}

int LogModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_published);
}

QVariant LogModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= static_cast<int>(m_published))
        return {};
    const std::string& line = m_lines[m_published - 1 - static_cast<std::size_t>(index.row())];
    // A line wider than the list is cut short on screen; held over, it
    // shows whole.
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return platform::textFromBytes(line);
    return {};
}
