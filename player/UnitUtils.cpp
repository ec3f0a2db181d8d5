#include "UnitUtils.h"

#include <QFileInfo>

#include "FlashInfo.h"
#include "LessonControls.h"

namespace kel {

namespace {

template <typename Step>
void IgnoringFailure(Step step) {
    try {
        step();
    } catch (...) {
    }
}

}  // namespace

void AdjustLessonMovie(TFlashControl& flash) {
    constexpr int kX = 0;
    constexpr int kY = 1;
    constexpr int kVisible = 7;
    IgnoringFailure([&] { flash.TSetProperty("btt/quit", kVisible, "0"); });
    IgnoringFailure([&] { flash.TSetProperty("btt/sf", kVisible, "0"); });
    IgnoringFailure([&] {
        flash.TSetProperty("btt/bz", kX, "289.75");
        flash.TSetProperty("btt/bz", kY, "-218.4");
    });
}

void ApplyMovieBackground(TFlashControl& flash) {
    const QString movie = flash.Movie();
    if (!QFileInfo(movie).isFile())
        return;
    TSwfHeader header;
    ReadSwfHeader(movie.toStdString(), header);
    flash.SetBackgroundColor(static_cast<int>(header.BgColor));
}

}  // namespace kel
