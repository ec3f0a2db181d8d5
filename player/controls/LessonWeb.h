#pragma once
// What the web-based lesson controls share: the URL scheme that serves lesson files to the web
// engine, and the engine's profile, made at the first lesson that needs it.
//
// Lesson content reaches the engine only as "kel://lesson/<path in the work folder>", so a movie
// or page can read files of the work folder and nothing else: no "..", no link that points out
// of it, no file:// reads. The player's own page and the Flash emulator are served under
// "kel://lesson/~kelplayer/", from the program's resources and its installed data.

#include <QString>
#include <QUrl>

class QWebEnginePage;
class QWebEngineProfile;
class QWidget;

namespace kel {

inline constexpr char kLessonScheme[] = "kel";
inline constexpr char kLessonHost[] = "lesson";
// The path under which the player's own files are served; a lesson file of this name in the
// work folder would be shadowed by them.
inline constexpr char kPlayerFilesPath[] = "/~kelplayer/";

// Must run before the application object is made (the engine reads its schemes and the
// shared-context attribute once, when it starts).
void PrepareWebEngine();

// The file a lesson URL path ("/sub/movie.swf", percent-decoded) names inside `folder` (a
// canonical folder path without a trailing "/"), or empty when that path leaves the folder,
// passes through a link that points out of it, or is not a regular file.
QString LessonFileInFolder(const QString& folder, const QString& urlPath);

struct TLessonWebSetup {
    QString WorkFolder;   // ends in "/"
    QString DataDir;      // the player's installed data, ends in "/"; empty when not installed
    QString ChineseFont;  // the installed family that stands for "宋体", "黑体" and the like
};

class TLessonWeb {
  public:
    explicit TLessonWeb(TLessonWebSetup setup);
    ~TLessonWeb();
    TLessonWeb(const TLessonWeb&) = delete;
    TLessonWeb& operator=(const TLessonWeb&) = delete;

    // The lesson URL of a file inside the work folder; an empty URL for any other path.
    QUrl LessonUrl(const QString& path) const;
    QUrl PlayerFileUrl(const QString& name) const;
    const TLessonWebSetup& Setup() const { return FSetup; }
    // True once a page has been made, that is once the engine runs.
    bool Started() const { return FProfile != nullptr; }
    // A page of the lesson profile that never shows a box of its own (alerts, dialogs, pop-up
    // windows and file choosers are refused).
    QWebEnginePage* NewPage(QWidget* parent);

  private:
    QWebEngineProfile& Profile();

    TLessonWebSetup FSetup;
    QWebEngineProfile* FProfile = nullptr;
};

}  // namespace kel
