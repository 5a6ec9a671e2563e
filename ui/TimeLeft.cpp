#include "ui/TimeLeft.h"

#include <algorithm>
#include <cmath>

void TimeLeft::begin(const RunProgress& progress, std::int64_t nowMs)
{
    *this = TimeLeft();
    m_last = progress;
    m_beganMs = nowMs;
    m_lastMs = nowMs;
    m_begun = true;
}

void TimeLeft::update(const RunProgress& progress, std::int64_t nowMs)
{
    if (!m_begun || progress.foldersDone < m_last.foldersDone || progress.bytesDone < m_last.bytesDone
        || progress.foldersTotal != m_last.foldersTotal) {
        begin(progress, nowMs);
        return;
    }
    const std::size_t folders = progress.foldersDone - m_last.foldersDone;
    if (folders == 0) {
        // Only the archivers' word on the folders under way: the estimate
        // moves with them, while the pace of whole folders stays as it was.
        if (progress.bytesUnderWay > m_last.bytesUnderWay) {
            m_last.bytesUnderWay = progress.bytesUnderWay;
            estimate(nowMs);
        }
        return;
    }
    // Folders reported together shared their time and bytes alike.
    const double bytes
        = static_cast<double>(progress.bytesDone - m_last.bytesDone) / static_cast<double>(folders);
    const double ms
        = static_cast<double>(std::max<std::int64_t>(nowMs - m_lastMs, 0)) / static_cast<double>(folders);
    addSample(bytes, ms, static_cast<double>(folders));
    m_last = progress;
    m_lastMs = nowMs;
    estimate(nowMs);
}

void TimeLeft::estimate(std::int64_t nowMs)
{
    m_leftAtLast.reset();
    m_estimatedMs = nowMs;
    if (m_last.foldersDone >= m_last.foldersTotal)
        return;
    const std::uint64_t worked = std::min(m_last.bytesDone + m_last.bytesUnderWay, m_last.bytesTotal);
    const double bytesLeft = static_cast<double>(m_last.bytesTotal - worked);
    const bool enough = m_last.foldersDone >= kEnoughFolders || (nowMs - m_beganMs >= kEnoughMs);
    if (enough && m_weight > 0) {
        double perFolder = 0;
        double perByte = 0;
        fit(perFolder, perByte);
        const double foldersLeft = static_cast<double>(m_last.foldersTotal - m_last.foldersDone);
        m_leftAtLast = static_cast<std::int64_t>(std::llround(perFolder * foldersLeft + perByte * bytesLeft));
        return;
    }
    // No folder done yet tells the pace, but the archivers say how far
    // they are inside theirs: the bytes so far give it, once they have
    // gone on long enough to say.
    if (m_last.bytesUnderWay > 0 && worked > 0 && nowMs - m_beganMs >= kEnoughMs)
        m_leftAtLast = static_cast<std::int64_t>(
            std::llround(static_cast<double>(nowMs - m_beganMs) * bytesLeft / static_cast<double>(worked)));
}

std::optional<std::int64_t> TimeLeft::left(std::int64_t nowMs) const
{
    if (!m_leftAtLast)
        return std::nullopt;
    const std::int64_t left = *m_leftAtLast - std::max<std::int64_t>(nowMs - m_estimatedMs, 0);
    // Past zero the estimate was wrong about the folder under way; the next
    // report makes a new one.
    if (left <= 0)
        return std::nullopt;
    return left;
}

void TimeLeft::addSample(double bytes, double ms, double weight)
{
    m_weight += weight;
    const double dx = bytes - m_meanX;
    m_meanX += dx * weight / m_weight;
    m_meanY += (ms - m_meanY) * weight / m_weight;
    m_cxx += weight * dx * (bytes - m_meanX);
    m_cxy += weight * dx * (ms - m_meanY);
}

void TimeLeft::fit(double& perFolder, double& perByte) const
{
    // Sizes that hardly vary cannot tell a folder's fixed part from its
    // part per byte.
    const bool sizesVary = m_cxx > 1e-9 * m_weight * (m_meanX * m_meanX + 1.0);
    if (!sizesVary) {
        perFolder = m_meanX > 0 ? m_meanY / 2 : m_meanY;
        perByte = m_meanX > 0 ? m_meanY / (2 * m_meanX) : 0;
        return;
    }
    perByte = m_cxy / m_cxx;
    perFolder = m_meanY - perByte * m_meanX;
    if (perByte < 0) {
        // Larger folders went faster: the size tells nothing.
        perByte = 0;
        perFolder = m_meanY;
    } else if (perFolder < 0) {
        // No fixed part at all: the time goes by bytes alone, through zero.
        perFolder = 0;
        const double sumXY = m_cxy + m_weight * m_meanX * m_meanY;
        const double sumXX = m_cxx + m_weight * m_meanX * m_meanX;
        perByte = sumXY / sumXX;
    }
}
