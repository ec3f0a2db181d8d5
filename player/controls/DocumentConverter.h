#pragma once
// Turns a Word document into PDF with LibreOffice, in the background, so the browser can show
// it with its PDF viewer.

#include <QObject>
#include <QString>
#include <functional>

class QProcess;

namespace kel {

class TDocumentConverter : public QObject {
  public:
    // `profileFolder`: LibreOffice's user profile for the player's conversions, kept apart from
    // the teacher's own, so a LibreOffice that is open does not take the job over.
    TDocumentConverter(QString profileFolder, QObject* parent);
    ~TDocumentConverter() override;

    // The LibreOffice program, or empty when it is not installed.
    static QString Program();

    // Converts `document` into `outFolder`, then calls `done` with the PDF's path, or `failed`.
    // Starting another conversion, or Cancel, drops the one running without calling either.
    void Convert(const QString& document, const QString& outFolder,
                 std::function<void(const QString& pdf)> done, std::function<void()> failed);
    void Cancel();

  private:
    QString FProfileFolder;
    QProcess* FProcess = nullptr;
};

}  // namespace kel
