#pragma once
// The real lesson controls for the player window.

#include "LessonControls.h"
#include "LessonWeb.h"

namespace kel {

// `profileFolder`: where LibreOffice keeps the profile of the player's document conversions.
// The controls share `web`, which must outlive them.
TLessonControlFactory RealControlFactory(TLessonWeb& web, const QString& profileFolder);

}  // namespace kel
