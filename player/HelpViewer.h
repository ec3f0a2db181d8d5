#pragma once
// What the Help command shows: the help file in the system's viewer for compiled HTML help,
// reached through xdg-open, with its window maximised; or the box saying there is none.

#include <functional>
#include <string>

class QWidget;

namespace kel {

// The modal information box "包中没有应用指南" (caption "提示", OK only) over `owner`. Its text
// also goes to stderr as one line, as the general error report's does.
void ShowNoHelpBox(QWidget* owner);

// Opens the help file with the current viewer.
void OpenHelpFile(const std::string& path);

// Replaces the viewer (tests record the requests); an empty viewer restores xdg-open.
using THelpViewer = std::function<void(const std::string& path)>;
void SetHelpViewer(THelpViewer viewer);

}  // namespace kel
