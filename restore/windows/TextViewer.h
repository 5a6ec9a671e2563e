#pragma once

#include <functional>
#include <string>

// Shows a text file to the user in the desktop's text viewer, without
// waiting for it. Goes through one replaceable handler, so that a test can
// see what would be opened instead of starting a real viewer.
using TextViewerHandler = std::function<void(const std::string& path)>;

void openTextFile(const std::string& path);

// Replaces the handler; an empty one restores the desktop's viewer. Returns
// the previous handler.
TextViewerHandler setTextViewerHandler(TextViewerHandler handler);
