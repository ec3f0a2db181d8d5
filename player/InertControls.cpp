#include "InertControls.h"

namespace kel {

void TInertFlash::TSetProperty(const QString& target, int property, const QString& value) {
    Properties[target + "/" + QString::number(property)] = value;
}

void TInertFlash::SetVariable(const QString& name, const QString& value) {
    Variables[name] = value;
}

TLessonControlFactory InertControlFactory() {
    return {
        [](QWidget* parent) { return new TInertFlash(parent); },
        [](QWidget* parent) { return new TInertMediaPlayer(parent); },
        [](QWidget* parent) { return new TInertBrowser(parent); },
    };
}

}  // namespace kel
