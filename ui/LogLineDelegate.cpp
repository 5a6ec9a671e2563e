#include "ui/LogLineDelegate.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

namespace {

// More lines than a log list ever shows at once; past that the kept layouts
// are dropped and made again as needed.
constexpr qsizetype kMaxLaidOut = 1000;

} // namespace

const QStaticText& LogLineDelegate::laidOut(const QString& text, const QFont& font) const
{
    if (font != m_font) {
        m_laidOut.clear();
        m_font = font;
    }
    auto found = m_laidOut.find(text);
    if (found != m_laidOut.end())
        return *found;
    if (m_laidOut.size() >= kMaxLaidOut)
        m_laidOut.clear();
    QStaticText line(text);
    // Log lines are plain text, whatever characters a folder name holds.
    line.setTextFormat(Qt::PlainText);
    line.prepare(QTransform(), font);
    return *m_laidOut.insert(text, line);
}

void LogLineDelegate::paint(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QWidget* widget = opt.widget;
    const QStyle* style = widget ? widget->style() : QApplication::style();

    // The text's place as the style lays it out, less its margin on either side.
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QString text = opt.text;
    opt.text.clear();
    const bool plainRow = opt.features == QStyleOptionViewItem::HasDisplay && opt.direction == Qt::LeftToRight
        && (opt.displayAlignment & Qt::AlignHorizontal_Mask) == Qt::AlignLeft
        && (opt.displayAlignment & Qt::AlignVertical_Mask) == Qt::AlignVCenter
        && !text.contains(QLatin1Char('\n'));
    if (!plainRow) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    const QRect textRect
        = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget).adjusted(margin, 0, -margin, 0);
    // A long line is kept too: its width, looked at on every repaint, is
    // what sends it to the standard delegate.
    const QStaticText& line = laidOut(text, opt.font);
    const QSizeF size = line.size();
    if (size.width() > textRect.width()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }

    // Background, selection and focus as the style draws them, without text.
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

    QPalette::ColorGroup group = (opt.state & QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled;
    if (group == QPalette::Normal && !(opt.state & QStyle::State_Active))
        group = QPalette::Inactive;
    const QPalette::ColorRole role
        = (opt.state & QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text;
    painter->save();
    painter->setPen(opt.palette.color(group, role));
    painter->setFont(opt.font);
    painter->setClipRect(textRect, Qt::IntersectClip);
    painter->drawStaticText(
        QStyle::alignedRect(opt.direction, opt.displayAlignment, size.toSize(), textRect).topLeft(), line);
    painter->restore();
}
