#include "ControlFactory.h"

#include "BrowserControl.h"
#include "FlashControl.h"
#include "MediaPlayerControl.h"

namespace kel {

TLessonControlFactory RealControlFactory(TLessonWeb& web, const QString& profileFolder) {
    return {
        [&web](QWidget* parent) { return new TWebFlashControl(web, parent); },
        [](QWidget* parent) { return new TQtMediaPlayer(parent); },
        [&web, profileFolder](QWidget* parent) {
            return new TWebBrowserControl(web, profileFolder, parent);
        },
    };
}

}  // namespace kel
