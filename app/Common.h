#pragma once
// Paths, file helpers and the one-instance rule shared by the start-up and the player window.

#include <QObject>
#include <functional>
#include <string>

#include "PathUtil.h"  // AddBackslash, FileSizeOf, RoundPoint

class QColor;
class QImage;
class QLocalServer;
class QPixmap;

namespace kel {

// The path globals, set once by InitCommon and never changed afterwards; both end in "/".
// TempDir is the user's private temporary folder ($TMPDIR, else /tmp, + "kelplayer-<uid>/").
// SystemDir is the folder of the system's shared libraries, where the platform's graphics
// library lives; the player reads nothing there and writes nothing there.
const std::string& TempDir();
const std::string& SystemDir();

// Fills TempDir and SystemDir. Throws kel::Error saying why when the private temporary folder
// cannot be made or is not safe to use (a link, someone else's, open to other users).
void InitCommon();

std::string GetTempDir();
std::string GetSystemDir();

// The folder of the player's installed run-time data (the Flash emulator), ending in "/": the
// share/kelplayer/ folder beside the running executable's bin/ (an installed player, or the
// build tree), else the install prefix's, else the build tree's, so a bundle built on the player
// finds it wherever the bundle is copied. Empty when none has it.
std::string DataDir();

// Writes the program's own resource ":/<type>/<name>" (both lower case; the lookup ignores
// case) to `file`, replacing it. Throws kel::Error when the resource is missing or the file
// cannot be written.
void ResourceToFile(const std::string& type, const std::string& name, const std::string& file);

// Deletes a file, or a folder with everything in it, without following symbolic links and
// without showing anything. A trailing "/" names the folder itself; wildcards in the last
// component ("*.ept") are matched like the shell does. False when nothing matched or any delete
// failed.
bool ShellDelete(const std::string& path);

// Asks a running player of this user (found by `title`) to show and raise its window. True when
// one was found.
bool ActivateRunningInstance(const std::string& title);

// Listens for ActivateRunningInstance of later starts and calls `activate` for each request.
class TInstanceListener : public QObject {
  public:
    TInstanceListener(const std::string& title, std::function<void()> activate);
    // False when the listening socket could not be made; the player then runs undiscoverable.
    bool Listening() const;

  private:
    QLocalServer* FServer;
    std::function<void()> FActivate;
};

void FillBitmap(QImage& bitmap, const QColor& colour);
void FillBitmap(QPixmap& bitmap, const QColor& colour);

}  // namespace kel
