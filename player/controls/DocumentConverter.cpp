#include "DocumentConverter.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <utility>

namespace kel {

namespace {

// A conversion takes about a second; one that hangs is given up.
constexpr int kConversionTimeoutMs = 60000;

}  // namespace

TDocumentConverter::TDocumentConverter(QString profileFolder, QObject* parent)
    : QObject(parent), FProfileFolder(std::move(profileFolder)) {}

TDocumentConverter::~TDocumentConverter() {
    Cancel();
}

QString TDocumentConverter::Program() {
    QString program = QStandardPaths::findExecutable("soffice");
    return program.isEmpty() ? QStandardPaths::findExecutable("libreoffice") : program;
}

void TDocumentConverter::Convert(const QString& document, const QString& outFolder,
                                 std::function<void(const QString& pdf)> done,
                                 std::function<void()> failed) {
    Cancel();
    QDir().mkpath(outFolder);
    const QString pdf = outFolder + QFileInfo(document).completeBaseName() + ".pdf";
    QFile::remove(pdf);
    auto* process = new QProcess(this);
    FProcess = process;
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    auto finish = [this, process, pdf, done = std::move(done),
                   failed = std::move(failed)](bool ok) {
        FProcess = nullptr;
        process->disconnect(this);
        process->deleteLater();
        if (ok && QFileInfo(pdf).isFile())
            done(pdf);
        else
            failed();
    };
    connect(process, &QProcess::finished, this, [finish](int status, QProcess::ExitStatus exit) {
        finish(exit == QProcess::NormalExit && status == 0);
    });
    connect(process, &QProcess::errorOccurred, this, [finish](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            finish(false);
    });
    auto* timeout = new QTimer(process);
    timeout->setSingleShot(true);
    connect(timeout, &QTimer::timeout, process, &QProcess::kill);
    process->start(
        Program(),
        {"-env:UserInstallation=" + QUrl::fromLocalFile(FProfileFolder).toString(), "--headless",
         "--norestore", "--convert-to", "pdf", "--outdir", outFolder, document});
    timeout->start(kConversionTimeoutMs);
}

void TDocumentConverter::Cancel() {
    if (!FProcess)
        return;
    QProcess* process = std::exchange(FProcess, nullptr);
    process->disconnect(this);
    process->kill();
    process->waitForFinished(1000);
    process->deleteLater();
}

}  // namespace kel
