#pragma once
// The screen's table of cursors, by slot number, shared by the whole program. The toolbar
// registers the annotation cursors in it when it is created.

#include <QCursor>

namespace kel {

inline constexpr int crPen = 22;
inline constexpr int crRubber = 23;
inline constexpr int crCircle = 24;

void RegisterScreenCursor(int index, const QCursor& cursor);
// The cursor registered in the slot; the arrow for an empty slot.
QCursor ScreenCursor(int index);

}  // namespace kel
