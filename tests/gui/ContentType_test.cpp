// Choosing a presenter by the file's extension, and the error report's text.

#include "ContentType.h"

#include <gtest/gtest.h>

#include "GeneralErrorReport.h"

namespace kel::test {
namespace {

TEST(PresenterFor, TheFirstTypeListHoldingTheExtensionDecides) {
    const struct {
        const char* Path;
        TPresenter Expected;
    } cases[] = {
        {"/w/a.swf", TPresenter::Flash},        {"/w/a.SW", TPresenter::Flash},
        {"/w/a.s", TPresenter::Flash},          {"/w/ends in dot.", TPresenter::Flash},
        {"/w/a.bmp", TPresenter::Picture},      {"/w/a.JPG", TPresenter::Picture},
        {"/w/a.jp", TPresenter::Picture},       {"/w/a.bm", TPresenter::Picture},
        {"/w/a.avi", TPresenter::Video},        {"/w/a.Wmv", TPresenter::Video},
        {"/w/a.wm", TPresenter::Video},         {"/w/a.exe", TPresenter::LessonProgram},
        {"/w/a.ex", TPresenter::LessonProgram}, {"/w/a.html", TPresenter::Browser},
        {"/w/a.htm", TPresenter::Browser},      {"/w/a.doc", TPresenter::Browser},
        {"/w/a.flv", TPresenter::FlashVideo},   {"/w/a.fl", TPresenter::FlashVideo},
        {"/w/a.jpeg", TPresenter::None},        {"/w/a.png", TPresenter::None},
        {"/w/a.mp3", TPresenter::None},         {"/w/a.bmp.txt", TPresenter::None},
        {"/w/no extension", TPresenter::None},  {"/w.swf/no extension", TPresenter::None},
        {"/w/课件.SWF", TPresenter::Flash},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PresenterFor(c.Path), c.Expected) << c.Path;
}

TEST(ErrorReportText, AFullStopFollowsALastCharacterThatSortsAfterTheDot) {
    const struct {
        const char* What;
        const char* Shown;
    } cases[] = {
        {"'abc' is not a valid integer value", "'abc' is not a valid integer value."},
        {"List index out of bounds (5)", "List index out of bounds (5)"},
        {"already ended.", "already ended."},
        {"Could not convert variant of type (Null) into type (String)",
         "Could not convert variant of type (Null) into type (String)"},
        {"ends in a comma,", "ends in a comma,"},
        {"ends in a slash/", "ends in a slash/."},
        {"version 12", "version 12."},
        {"ends in a bang!", "ends in a bang!"},
        {"真的吗？", "真的吗？."},
        {"文件不存在", "文件不存在."},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ErrorReportText(c.What), c.Shown) << c.What;
}

TEST(RunGuarded, ReportsTheEscapedErrorAndGoesOn) {
    std::vector<std::string> reports;
    SetErrorReporter([&reports](const std::string& text) { reports.push_back(text); });
    bool after = false;
    RunGuarded([] { throw std::runtime_error("List index out of bounds (5)"); });
    RunGuarded([&after] { after = true; });
    SetErrorReporter({});
    EXPECT_EQ(reports, std::vector<std::string>{"List index out of bounds (5)"});
    EXPECT_TRUE(after);
}

}  // namespace
}  // namespace kel::test
