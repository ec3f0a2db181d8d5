#include "BrowserControl.h"

#include <QFileInfo>
#include <QStackedLayout>
#include <QWebEnginePage>
#include <QWebEngineView>

#include "DocumentConverter.h"
#include "LessonWeb.h"

namespace kel {

namespace {

// The converted documents live in the work folder, which the lesson scheme serves and the player
// empties at start and at exit.
const char kDocumentFolder[] = ".documents/";
const char kOfficePackage[] = "libreoffice-writer";

}  // namespace

TWebBrowserControl::TWebBrowserControl(TLessonWeb& web, const QString& profileFolder,
                                       QWidget* parent)
    : TBrowserControl(parent), FWeb(web), FConverter(new TDocumentConverter(profileFolder, this)) {
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
}

void TWebBrowserControl::Navigate(const QString& url) {
    FConverter->Cancel();
    if (QFileInfo(url).suffix().compare("doc", Qt::CaseInsensitive) == 0) {
        ShowDocument(url);
        return;
    }
    const QUrl lesson = FWeb.LessonUrl(url);
    if (lesson.isEmpty())
        ShowNotice(QString::fromUtf8("找不到课件文件 %1。").arg(QFileInfo(url).fileName()));
    else
        View().setUrl(lesson);
}

void TWebBrowserControl::ShowDocument(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    if (TDocumentConverter::Program().isEmpty()) {
        ShowNotice(QString::fromUtf8("无法显示 Word 文档 %1：这台电脑没有安装 LibreOffice。"
                                     "请安装软件包 %2 后再打开这一课。")
                       .arg(name, kOfficePackage));
        return;
    }
    ShowNotice(QString::fromUtf8("正在打开文档 %1 ……").arg(name));
    FConverter->Convert(
        path, FWeb.Setup().WorkFolder + kDocumentFolder,
        [this](const QString& pdf) { View().setUrl(FWeb.LessonUrl(pdf)); },
        [this, name] {
            ShowNotice(
                QString::fromUtf8("无法打开文档 %1：LibreOffice 没能把它转换成 PDF。").arg(name));
        });
}

void TWebBrowserControl::ShowNotice(const QString& text) {
    View().setHtml(QString("<!DOCTYPE html><html><head><meta charset=\"utf-8\"></head>"
                           "<body style=\"margin:0;background:#FFFFFF;font-size:32px;"
                           "display:flex;align-items:center;justify-content:center;height:100vh\">"
                           "<p style=\"max-width:80%;text-align:center\">%1</p></body></html>")
                       .arg(text.toHtmlEscaped()));
}

QWebEngineView& TWebBrowserControl::View() {
    if (FView)
        return *FView;
    FView = new QWebEngineView(this);
    auto* fill = new QStackedLayout(this);
    fill->setContentsMargins(0, 0, 0, 0);
    fill->addWidget(FView);
    QWebEnginePage* page = FWeb.NewPage(FView);
    page->setBackgroundColor(Qt::white);
    FView->setPage(page);
    return *FView;
}

}  // namespace kel
