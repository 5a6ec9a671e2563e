#include "restore/windows/TextViewer.h"

#include <QDesktopServices>
#include <QFile>
#include <QUrl>

#include <utility>

namespace {

void desktopViewer(const std::string& path)
{
    // The path's bytes as the file system holds them, whatever the encoding.
    const QString name = QFile::decodeName(QByteArray::fromStdString(path));
    QDesktopServices::openUrl(QUrl::fromLocalFile(name));
}

TextViewerHandler& handler()
{
    static TextViewerHandler current = desktopViewer;
    return current;
}

} // namespace

void openTextFile(const std::string& path)
{
    handler()(path);
}

TextViewerHandler setTextViewerHandler(TextViewerHandler newHandler)
{
    TextViewerHandler previous = std::move(handler());
    handler() = newHandler ? std::move(newHandler) : TextViewerHandler(desktopViewer);
    return previous;
}
