#pragma once
// Adjustments the player makes to every lesson movie it loads.

namespace kel {

class TFlashControl;

// Hides the clips "btt/quit" and "btt/sf" and moves "btt/bz" to (289.75, -218.4). Each step
// ignores its own failure: most movies have no such clips, or are not loaded yet.
void AdjustLessonMovie(TFlashControl& flash);

// Sets the control's background to the colour its movie declares (white when the movie
// declares none near its start, black when its head cannot be read). Nothing happens when the
// movie is not a file ("0", a web address). A file that cannot be opened throws.
void ApplyMovieBackground(TFlashControl& flash);

}  // namespace kel
