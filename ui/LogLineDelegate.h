#pragma once

#include <QFont>
#include <QHash>
#include <QStaticText>
#include <QStyledItemDelegate>

// Paints the lines of a progress log. A line that fits its row is laid out
// once and kept: a run repaints the same few dozen lines ten times a second
// as new ones push them down, and laying out text is most of what painting
// a row costs. What the style draws around the text (background, selection,
// focus) is drawn as usual, and a line too long for its row is painted by
// the standard delegate, which shortens it with an ellipsis.
class LogLineDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(
        QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    const QStaticText& laidOut(const QString& text, const QFont& font) const;

    mutable QHash<QString, QStaticText> m_laidOut;
    mutable QFont m_font;
};
