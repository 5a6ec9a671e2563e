#include "ui/FormBuilder.h"

#include <QDialog>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <vector>

namespace {

// A straight line drawn on the window, beneath the controls; it takes no
// mouse input, as a line drawn on the window itself would not.
class LineWidget : public QWidget {
public:
    LineWidget(QPoint from, QPoint to, QWidget* parent)
        : QWidget(parent)
        , m_from(from)
        , m_to(to)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setPen(QPen(palette().color(QPalette::WindowText), 1));
        painter.drawLine(m_from, m_to);
    }

private:
    QPoint m_from;
    QPoint m_to;
};

QRect pixelRect(const ControlDefinition& c)
{
    return QRect(
        twipsToPixels(c.left), twipsToPixels(c.top), twipsToPixels(c.width), twipsToPixels(c.height));
}

QWidget* makeLine(const ControlDefinition& c, QWidget* parent)
{
    QPoint a(twipsToPixels(c.left), twipsToPixels(c.top));
    QPoint b(twipsToPixels(c.width), twipsToPixels(c.height));
    QRect box = QRect(a, b).normalized();
    box.setWidth(std::max(box.width(), 1));
    box.setHeight(std::max(box.height(), 1));
    auto* line = new LineWidget(a - box.topLeft(), b - box.topLeft(), parent);
    line->setGeometry(box);
    return line;
}

Qt::Alignment horizontalAlignment(TextAlignment alignment)
{
    switch (alignment) {
    case TextAlignment::Centre:
        return Qt::AlignHCenter;
    case TextAlignment::Right:
        return Qt::AlignRight;
    case TextAlignment::Left:
        break;
    }
    return Qt::AlignLeft;
}

QWidget* makeDefaultWidget(const ControlDefinition& c, QWidget* parent)
{
    switch (c.kind) {
    case ControlKind::Button: {
        auto* button = new QPushButton(QString::fromUtf8(c.caption), parent);
        // No window has an Enter button: Enter in a text box must not press one.
        button->setAutoDefault(false);
        button->setDefault(false);
        return button;
    }
    case ControlKind::TextBox:
        return new QLineEdit(parent);
    case ControlKind::ListBox: {
        auto* list = new QListWidget(parent);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        return list;
    }
    case ControlKind::Label: {
        auto* label = new QLabel(parent);
        label->setTextFormat(Qt::PlainText);
        label->setText(QString::fromUtf8(c.caption));
        label->setAlignment(horizontalAlignment(c.alignment) | Qt::AlignTop);
        label->setWordWrap(c.wordWrap);
        label->setFocusPolicy(Qt::NoFocus);
        return label;
    }
    case ControlKind::Line:
        return makeLine(c, parent);
    case ControlKind::Timer:
        break;
    }
    return nullptr;
}

bool drawnOnWindow(ControlKind kind)
{
    return kind == ControlKind::Label || kind == ControlKind::Line;
}

void applyWindowFrame(QDialog& dialog, const WindowDefinition& definition)
{
    dialog.setObjectName(QString::fromStdString(definition.name));
    dialog.setWindowTitle(QString::fromUtf8(definition.caption));
    dialog.setFont(defaultWindowFont());
    // A fixed frame without maximize and minimize. The secondary windows also
    // lose the close button; as dialogs with an owner they get no task-bar entry.
    Qt::WindowFlags flags = Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (definition.secondary)
        flags |= Qt::Dialog;
    else
        flags |= Qt::Window | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    dialog.setWindowFlags(flags);
    dialog.setSizeGripEnabled(false);
    dialog.setFixedSize(clientSize(definition));
}

} // namespace

QObject* BuiltForm::object(const std::string& name) const
{
    auto it = m_objects.find(name);
    return it == m_objects.end() ? nullptr : it->second;
}

QFont defaultWindowFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSizeF(8);
    return font;
}

QFont fontFor(const FontDefinition& definition)
{
    if (definition.face.empty())
        return defaultWindowFont();
    QFont font(QString::fromStdString(definition.face));
    if (definition.face == "Lucida Console") {
        font.setStyleHint(QFont::Monospace);
        if (QFontInfo(font).family() != font.family())
            font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    } else if (definition.face == "MS Sans Serif") {
        font.setStyleHint(QFont::SansSerif);
        if (QFontInfo(font).family() != font.family())
            font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    }
    if (definition.points > 0)
        font.setPointSizeF(definition.points);
    font.setWeight(static_cast<QFont::Weight>(definition.weight));
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    return font;
}

QSize clientSize(const WindowDefinition& definition)
{
    return QSize(twipsToPixels(definition.clientWidth), twipsToPixels(definition.clientHeight));
}

BuiltForm buildForm(QDialog& dialog, const WindowDefinition& definition, const ControlFactory& factory)
{
    applyWindowFrame(dialog, definition);
    BuiltForm form;
    std::vector<std::pair<const ControlDefinition*, QWidget*>> widgets;

    // Later rows first, so that each earlier row is stacked above them.
    for (auto it = definition.controls.rbegin(); it != definition.controls.rend(); ++it) {
        const ControlDefinition& c = *it;
        if (c.kind == ControlKind::Timer) {
            auto* timer = new QTimer(&dialog);
            timer->setObjectName(QString::fromStdString(c.name));
            timer->setInterval(c.interval);
            form.add(c.name, timer);
            continue;
        }
        QWidget* widget = factory ? factory(c, &dialog) : nullptr;
        if (!widget)
            widget = makeDefaultWidget(c, &dialog);
        widget->setObjectName(QString::fromStdString(c.name));
        if (c.kind != ControlKind::Line)
            widget->setGeometry(pixelRect(c));
        if (!c.font.face.empty())
            widget->setFont(fontFor(c.font));
        widget->setEnabled(c.enabled);
        widget->setVisible(c.visible);
        form.add(c.name, widget);
        widgets.emplace_back(&c, widget);
    }

    // Labels and lines lie beneath every control, earlier ones above later ones.
    for (const ControlDefinition& c : definition.controls) {
        if (drawnOnWindow(c.kind))
            form.get<QWidget>(c.name)->lower();
    }

    std::vector<std::pair<const ControlDefinition*, QWidget*>> focusable;
    for (const auto& entry : widgets) {
        if (!drawnOnWindow(entry.first->kind))
            focusable.push_back(entry);
    }
    std::stable_sort(focusable.begin(), focusable.end(),
        [](const auto& a, const auto& b) { return a.first->tabIndex < b.first->tabIndex; });
    for (std::size_t i = 1; i < focusable.size(); ++i)
        QWidget::setTabOrder(focusable[i - 1].second, focusable[i].second);
    for (const auto& entry : focusable) {
        if (entry.first->visible && entry.first->enabled) {
            entry.second->setFocus(Qt::OtherFocusReason);
            break;
        }
    }
    return form;
}
