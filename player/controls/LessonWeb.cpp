#include "LessonWeb.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QMimeDatabase>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>
#include <QWidget>

namespace kel {

namespace {

// Off unless asked for (QT_LOGGING_RULES="kelplayer.page.debug=true"): lesson pages and the
// emulator write a great deal to the console.
Q_LOGGING_CATEGORY(lcLessonPage, "kelplayer.page", QtWarningMsg)

// The player's own files: the host page of the Flash control and its script from the program's
// resources, the web channel's script from the engine's, the emulator from the installed data.
QString PlayerFile(const TLessonWebSetup& setup, const QString& name) {
    if (name.startsWith("ruffle/")) {
        const QString emulator = QFileInfo(setup.DataDir + "ruffle").canonicalFilePath();
        return emulator.isEmpty() ? QString() : LessonFileInFolder(emulator, name.mid(6));
    }
    const QString resource = name == "qwebchannel.js" ? ":/qtwebchannel/qwebchannel.js"
                             : name.contains('/')     ? QString()
                                                      : ":/flash/" + name;
    return !resource.isEmpty() && QFile::exists(resource) ? resource : QString();
}

QByteArray MimeTypeOf(const QString& file) {
    if (file.endsWith(".wasm"))
        return "application/wasm";
    return QMimeDatabase().mimeTypeForFile(file, QMimeDatabase::MatchExtension).name().toUtf8();
}

class TLessonSchemeHandler : public QWebEngineUrlSchemeHandler {
  public:
    TLessonSchemeHandler(TLessonWebSetup setup, QObject* parent)
        : QWebEngineUrlSchemeHandler(parent), FSetup(std::move(setup)) {}

    void requestStarted(QWebEngineUrlRequestJob* job) override {
        if (job->requestMethod() != "GET") {
            job->fail(QWebEngineUrlRequestJob::RequestDenied);
            return;
        }
        const QString file = FileFor(job->requestUrl());
        auto* device = new QFile(file, job);
        if (file.isEmpty() || !device->open(QIODevice::ReadOnly)) {
            job->fail(QWebEngineUrlRequestJob::UrlNotFound);
            return;
        }
        job->reply(MimeTypeOf(file), device);
    }

  private:
    QString FileFor(const QUrl& url) const {
        if (url.host() != kLessonHost)
            return {};
        const QString path = url.path(QUrl::FullyDecoded);
        if (path.startsWith(kPlayerFilesPath))
            return PlayerFile(FSetup, path.mid(int(std::size(kPlayerFilesPath)) - 1));
        // Made at the first lesson's extraction, so looked up at each request.
        const QString work = QFileInfo(FSetup.WorkFolder).canonicalFilePath();
        return work.isEmpty() ? QString() : LessonFileInFolder(work, path);
    }

    TLessonWebSetup FSetup;
};

// A lesson page never brings up a box of its own in front of the class.
class TQuietPage : public QWebEnginePage {
  public:
    TQuietPage(QWebEngineProfile* profile, QObject* parent) : QWebEnginePage(profile, parent) {
        connect(this, &QWebEnginePage::featurePermissionRequested, this,
                [this](const QUrl& origin, Feature feature) {
                    setFeaturePermission(origin, feature, PermissionDeniedByUser);
                });
    }

  protected:
    void javaScriptAlert(const QUrl&, const QString&) override {}
    bool javaScriptConfirm(const QUrl&, const QString&) override { return false; }
    bool javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*) override {
        return false;
    }
    QStringList chooseFiles(FileSelectionMode, const QStringList&, const QStringList&) override {
        return {};
    }
    QWebEnginePage* createWindow(WebWindowType) override { return nullptr; }
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message, int line,
                                  const QString& source) override {
        qCDebug(lcLessonPage).noquote() << source << line << message;
    }
};

}  // namespace

void PrepareWebEngine() {
    QWebEngineUrlScheme scheme(kLessonScheme);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    scheme.setFlags(QWebEngineUrlScheme::SecureScheme | QWebEngineUrlScheme::CorsEnabled);
    QWebEngineUrlScheme::registerScheme(scheme);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // Windows composite their widgets with GL from the start: the engine's view needs it, and
    // switching a shown window over makes Qt create it anew, which loses its keyboard focus and
    // its full-screen state. Measured: no cost to the start-up.
    if (!qEnvironmentVariableIsSet("QT_WIDGETS_RHI"))
        qputenv("QT_WIDGETS_RHI", "1");
    // The engine describes its graphics set-up at every start; QT_LOGGING_RULES still shows it.
    QLoggingCategory::setFilterRules("qt.webenginecontext.info=false");
}

QString LessonFileInFolder(const QString& folder, const QString& urlPath) {
    if (!urlPath.startsWith('/') || urlPath.contains(QChar(0)))
        return {};
    for (const QString& part : urlPath.split('/'))
        if (part == ".." || part == ".")
            return {};
    const QFileInfo info(folder + urlPath);
    const QString file = info.canonicalFilePath();
    if (file.isEmpty() || !file.startsWith(folder + '/') || !QFileInfo(file).isFile())
        return {};
    return file;
}

TLessonWeb::TLessonWeb(TLessonWebSetup setup) : FSetup(std::move(setup)) {}

// The profile belongs to the application object, so it outlives every page made from it.
TLessonWeb::~TLessonWeb() = default;

QUrl TLessonWeb::LessonUrl(const QString& path) const {
    const QString work = QFileInfo(FSetup.WorkFolder).canonicalFilePath();
    const QString file = QFileInfo(path).canonicalFilePath();
    if (work.isEmpty() || !file.startsWith(work + '/'))
        return {};
    QUrl url;
    url.setScheme(kLessonScheme);
    url.setHost(kLessonHost);
    url.setPath(file.mid(work.size()), QUrl::DecodedMode);
    return url;
}

QUrl TLessonWeb::PlayerFileUrl(const QString& name) const {
    QUrl url;
    url.setScheme(kLessonScheme);
    url.setHost(kLessonHost);
    url.setPath(kPlayerFilesPath + name, QUrl::DecodedMode);
    return url;
}

QWebEnginePage* TLessonWeb::NewPage(QWidget* parent) {
    return new TQuietPage(&Profile(), parent);
}

QWebEngineProfile& TLessonWeb::Profile() {
    if (FProfile)
        return *FProfile;
    // Off the record: nothing of a lesson is kept on disk by the engine.
    FProfile = new QWebEngineProfile(QCoreApplication::instance());
    FProfile->installUrlSchemeHandler(kLessonScheme, new TLessonSchemeHandler(FSetup, FProfile));
    QWebEngineSettings& settings = *FProfile->settings();
    settings.setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    settings.setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
    settings.setAttribute(QWebEngineSettings::PluginsEnabled, true);
    settings.setAttribute(QWebEngineSettings::PdfViewerEnabled, true);
    settings.setAttribute(QWebEngineSettings::FullScreenSupportEnabled, false);
    // Pages of old lessons without a declared charset are in the Chinese Windows code page.
    settings.setDefaultTextEncoding("GBK");
    if (!FSetup.ChineseFont.isEmpty()) {
        settings.setFontFamily(QWebEngineSettings::StandardFont, FSetup.ChineseFont);
        settings.setFontFamily(QWebEngineSettings::SansSerifFont, FSetup.ChineseFont);
        settings.setFontFamily(QWebEngineSettings::SerifFont, FSetup.ChineseFont);
    }
    return *FProfile;
}

}  // namespace kel
