#include "app/PathWidgets.h"

#include "platform/TextConversion.h"

#include <QLineEdit>
#include <QListWidget>
#include <QSignalBlocker>

namespace {

std::string entryPath(const QListWidgetItem* item)
{
    return item->data(Qt::UserRole).toByteArray().toStdString();
}

} // namespace

std::string fieldPath(const QLineEdit* field)
{
    return platform::bytesFromText(field->text());
}

void setFieldPath(QLineEdit* field, const std::string& path)
{
    field->setText(platform::textFromBytes(path));
}

void insertPathEntry(QListWidget* list, int row, const std::string& path)
{
    auto* item = new QListWidgetItem(platform::textFromBytes(path));
    item->setData(Qt::UserRole, QByteArray::fromStdString(path));
    list->insertItem(row, item);
}

std::vector<std::string> pathEntries(const QListWidget* list)
{
    std::vector<std::string> paths;
    paths.reserve(static_cast<std::size_t>(list->count()));
    for (int i = 0; i < list->count(); ++i)
        paths.push_back(entryPath(list->item(i)));
    return paths;
}

std::optional<std::string> selectedPathEntry(const QListWidget* list)
{
    const QList<QListWidgetItem*> selected = list->selectedItems();
    if (selected.isEmpty())
        return std::nullopt;
    return entryPath(selected.front());
}

bool removeSelectedPathEntry(QListWidget* list)
{
    const QList<QListWidgetItem*> selected = list->selectedItems();
    if (selected.isEmpty())
        return false;
    QSignalBlocker quiet(list);
    delete list->takeItem(list->row(selected.front()));
    list->clearSelection();
    list->setCurrentItem(nullptr);
    return true;
}
