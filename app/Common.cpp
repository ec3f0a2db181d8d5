#include "Common.h"

#include <QColor>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLibraryInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPixmap>

#include "Error.h"
#include "FileRemoval.h"
#include "LocalSignal.h"
#include "PrivateDir.h"

namespace kel {

namespace {

std::string GTempDir;
std::string GSystemDir;

constexpr int kActivationTimeoutMs = 2000;
const char kActivateRequest[] = "activate";

// Named from the title and the user, inside the user's private folder, so no other user can
// create or redirect it.
std::string InstanceSocketPath(const std::string& title) {
    QByteArray key =
        QByteArray::fromStdString(title + "/" + std::to_string(platform::CurrentUserId()));
    QByteArray digest = QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(12);
    return TempDir() + "instance-" + digest.toStdString();
}

}  // namespace

const std::string& TempDir() {
    return GTempDir;
}

const std::string& SystemDir() {
    return GSystemDir;
}

std::string DataDir() {
    const QString beside = QCoreApplication::applicationDirPath() + "/../share/kelplayer";
    for (const QString& folder :
         {beside, QStringLiteral(KEL_INSTALL_DATA_DIR), QStringLiteral(KEL_BUILD_DATA_DIR)}) {
        QFileInfo info(folder);
        if (info.isDir())
            return info.canonicalFilePath().toStdString() + "/";
    }
    return {};
}

void InitCommon() {
    GTempDir = GetTempDir();
    GSystemDir = GetSystemDir();
}

std::string GetTempDir() {
    std::string folder =
        platform::TemporaryBase() + "/kelplayer-" + std::to_string(platform::CurrentUserId());
    std::string refusal = platform::PreparePrivateFolder(folder);
    if (!refusal.empty())
        throw Error(refusal);
    AddBackslash(folder);
    return folder;
}

std::string GetSystemDir() {
    std::string folder = QLibraryInfo::path(QLibraryInfo::LibrariesPath).toStdString();
    AddBackslash(folder);
    return folder;
}

void ResourceToFile(const std::string& type, const std::string& name, const std::string& file) {
    QString path = QString::fromStdString(":/" + type + "/" + name).toLower();
    QFile resource(path);
    if (!resource.open(QIODevice::ReadOnly))
        throw Error("The program's resource " + type + " " + name + " is missing");
    QByteArray bytes = resource.readAll();
    QFile out(QString::fromStdString(file));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw Error("Cannot create file \"" + file + "\". " + out.errorString().toStdString());
    if (out.write(bytes) != bytes.size())
        throw Error("Cannot write file \"" + file + "\". " + out.errorString().toStdString());
}

bool ShellDelete(const std::string& path) {
    std::string target = path;
    if (!target.empty() && target.back() == '/')
        target.pop_back();
    if (target.empty())
        return false;
    size_t slash = target.rfind('/');
    std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    if (!platform::HasWildcards(name))
        return platform::RemoveTree(target);
    std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
    std::vector<std::string> matches = platform::MatchNames(folder, name);
    bool ok = !matches.empty();
    for (const std::string& match : matches)
        ok = platform::RemoveTree(match) && ok;
    return ok;
}

bool ActivateRunningInstance(const std::string& title) {
    return platform::SendLocalRequest(InstanceSocketPath(title), kActivateRequest,
                                      kActivationTimeoutMs);
}

TInstanceListener::TInstanceListener(const std::string& title, std::function<void()> activate)
    : FServer(new QLocalServer(this)), FActivate(std::move(activate)) {
    QString path = QString::fromStdString(InstanceSocketPath(title));
    FServer->setSocketOptions(QLocalServer::UserAccessOption);
    // A socket file left by a player that did not end cleanly answers nobody; the start-up has
    // already found that no player listens there.
    QLocalServer::removeServer(path);
    FServer->listen(path);
    QObject::connect(FServer, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = FServer->nextPendingConnection()) {
            QObject::connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            QObject::connect(client, &QLocalSocket::readyRead, this, [this, client] {
                if (!client->canReadLine())
                    return;
                bool activate = client->readLine().trimmed() == kActivateRequest;
                client->write("ok\n");
                client->disconnectFromServer();
                if (activate)
                    FActivate();
            });
        }
    });
}

bool TInstanceListener::Listening() const {
    return FServer->isListening();
}

void FillBitmap(QImage& bitmap, const QColor& colour) {
    bitmap.fill(colour);
}

void FillBitmap(QPixmap& bitmap, const QColor& colour) {
    bitmap.fill(colour);
}

}  // namespace kel
