#include "GeneralErrorReport.h"

#include <QMessageBox>
#include <QString>
#include <cstdio>
#include <exception>

namespace kel {

namespace {

TErrorReporter& CurrentReporter() {
    static TErrorReporter reporter;
    return reporter;
}

void ShowMessageBox(const std::string& text) {
    std::string line = text;
    for (char& c : line)
        if (c == '\n' || c == '\r')
            c = ' ';
    std::fprintf(stderr, "kelPlayer: %s\n", line.c_str());
    std::fflush(stderr);

    QMessageBox box(QMessageBox::Critical, QString::fromUtf8(kApplicationTitle),
                    QString::fromStdString(text), QMessageBox::Ok);
    box.exec();
}

}  // namespace

std::string ErrorReportText(const std::string& what) {
    if (what.empty() || static_cast<unsigned char>(what.back()) <= '.')
        return what;
    return what + ".";
}

void ReportError(const std::string& what) {
    std::string text = ErrorReportText(what);
    if (CurrentReporter())
        CurrentReporter()(text);
    else
        ShowMessageBox(text);
}

void SetErrorReporter(TErrorReporter reporter) {
    CurrentReporter() = std::move(reporter);
}

void RunGuarded(const std::function<void()>& command) {
    try {
        command();
    } catch (const std::exception& error) {
        ReportError(error.what());
    } catch (...) {
        ReportError("Unexpected failure");
    }
}

}  // namespace kel
