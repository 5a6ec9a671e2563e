#pragma once

#include <optional>
#include <string>
#include <vector>

class QLineEdit;
class QListWidget;

// Paths are byte strings below the widgets. These put them into text boxes
// and list entries and read them back unchanged, whatever bytes they hold;
// a list entry keeps its bytes beside the text it shows.

std::string fieldPath(const QLineEdit* field);
void setFieldPath(QLineEdit* field, const std::string& path);

// Inserts an entry before the given row; the list's count appends.
void insertPathEntry(QListWidget* list, int row, const std::string& path);
// Every entry's path, top to bottom.
std::vector<std::string> pathEntries(const QListWidget* list);
// The path of the first selected entry; none when nothing is selected.
std::optional<std::string> selectedPathEntry(const QListWidget* list);
// Takes the first selected entry out and leaves nothing selected, without
// the list signalling a change of selection. False when nothing was selected.
bool removeSelectedPathEntry(QListWidget* list);
