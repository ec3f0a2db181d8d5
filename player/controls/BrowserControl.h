#pragma once
// The browser control: web pages of the work folder in the web engine, and Word documents
// shown as PDF after LibreOffice has converted them.

#include "LessonControls.h"

class QWebEngineView;

namespace kel {

class TDocumentConverter;
class TLessonWeb;

class TWebBrowserControl : public TBrowserControl {
  public:
    // `profileFolder`: where LibreOffice keeps the profile of the player's conversions.
    TWebBrowserControl(TLessonWeb& web, const QString& profileFolder, QWidget* parent);

    void Navigate(const QString& url) override;
    bool Visible() const override { return FVisible; }
    void SetVisible(bool visible) override { FVisible = visible; }

  private:
    QWebEngineView& View();
    void ShowDocument(const QString& path);
    // A plain page that tells the class what is going on instead of the lesson.
    void ShowNotice(const QString& text);

    TLessonWeb& FWeb;
    TDocumentConverter* FConverter;
    QWebEngineView* FView = nullptr;
    bool FVisible = false;
};

}  // namespace kel
