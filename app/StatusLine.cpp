#include "app/StatusLine.h"

#include "platform/TextConversion.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QStringList>

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
    // The rows are made for the room the label has once laid out.
    m_label->installEventFilter(this);
}

bool StatusLine::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_label && event->type() == QEvent::Resize)
        refresh();
    return QWidget::eventFilter(watched, event);
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
    const QString whole = platform::textFromBytes(text());
    m_label->setToolTip(whole);
    const QFontMetrics metrics = m_label->fontMetrics();
    const int room = m_label->contentsRect().width();
    if (room <= 0 || metrics.horizontalAdvance(whole) <= room) {
        m_label->setText(whole);
        return;
    }
    // Too long for one row: the line breaks between its parts, between the
    // clauses of a part ("; ") and, for a clause longer than a row, between
    // words, filling as many rows as it is high. A row still too long (a
    // deep target path) gives way in its middle, so that its start and what
    // to do at its end both show; the tip holds all of it.
    // Two rows at most, whatever the height: a third would crowd the line below.
    const int most = std::clamp(m_label->contentsRect().height() / std::max(1, metrics.lineSpacing()), 1, 2);
    QStringList rows;
    QString row;
    auto add = [&](const QString& joiner, const QString& piece) {
        const QString longer = row.isEmpty() ? piece : row + joiner + piece;
        if (row.isEmpty() || metrics.horizontalAdvance(longer) <= room || rows.size() + 1 >= most) {
            row = longer;
            return;
        }
        // A row that breaks between clauses ends as the clause did.
        rows << (joiner == "; " ? row + ";" : row);
        row = piece;
    };
    // A piece wider than a row, while rows are left, begins a row of its
    // own and breaks between its words.
    auto addPiece = [&](const QString& joiner, const QString& piece) {
        if (metrics.horizontalAdvance(piece) <= room || rows.size() + 1 >= most) {
            add(joiner, piece);
            return;
        }
        if (!row.isEmpty()) {
            rows << (joiner == "; " ? row + ";" : row);
            row.clear();
        }
        const QStringList words = piece.split(' ');
        for (const QString& word : words)
            add(" ", word);
    };
    for (const auto& [name, part] : m_parts) {
        if (part.empty())
            continue;
        const QStringList clauses = platform::textFromBytes(part).split("; ");
        addPiece(kSeparator, clauses.front());
        for (qsizetype i = 1; i < clauses.size(); ++i)
            addPiece("; ", clauses[i]);
    }
    rows << row;
    for (QString& each : rows)
        each = metrics.elidedText(each, Qt::ElideMiddle, room);
    m_label->setText(rows.join('\n'));
}

void StatusLine::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    refresh();
}
