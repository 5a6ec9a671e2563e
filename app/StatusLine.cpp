#include "app/StatusLine.h"

#include "platform/TextConversion.h"

#include <QHBoxLayout>
#include <QLabel>

#include <algorithm>

StatusLine::StatusLine(QWidget* parent)
    : QWidget(parent)
{
    setObjectName("statusLine");
    m_layout = new QHBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_label = new QLabel(this);
    m_label->setObjectName("lblStatus");
    // Paths are shown as they are, never read as markup.
    m_label->setTextFormat(Qt::PlainText);
    // A long path must not push the buttons off the line: the label gives
    // way, and its tip holds the whole text.
    m_label->setMinimumWidth(1);
    m_label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_layout->addWidget(m_label, 1);
}

void StatusLine::setPart(const std::string& name, const std::string& text)
{
    auto found = std::find_if(
        m_parts.begin(), m_parts.end(), [&name](const auto& part) { return part.first == name; });
    if (found == m_parts.end())
        m_parts.emplace_back(name, text);
    else
        found->second = text;
    refresh();
}

std::string StatusLine::part(const std::string& name) const
{
    auto found = std::find_if(
        m_parts.begin(), m_parts.end(), [&name](const auto& part) { return part.first == name; });
    return found == m_parts.end() ? std::string() : found->second;
}

std::string StatusLine::text() const
{
    std::string line;
    for (const auto& [name, text] : m_parts) {
        if (text.empty())
            continue;
        if (!line.empty())
            line += kSeparator;
        line += text;
    }
    return line;
}

void StatusLine::addTrailingWidget(QWidget* widget)
{
    widget->setParent(this);
    m_layout->addWidget(widget, 0);
}

void StatusLine::refresh()
{
    // A line too long for the window (a deep target path) gives way in its
    // middle, so that its start and what to do at its end both show; the
    // tip holds all of it.
    const QString whole = platform::textFromBytes(text());
    const int room = m_label->contentsRect().width();
    m_label->setText(room > 0 ? m_label->fontMetrics().elidedText(whole, Qt::ElideMiddle, room) : whole);
    m_label->setToolTip(whole);
}

void StatusLine::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    refresh();
}
