#pragma once
// The window layouts name the Windows fonts "宋体" and "黑体"; here they stand for the nearest
// installed font that covers Simplified Chinese.

#include <QString>

namespace kel {

// Returns the family chosen, empty when no Chinese font is installed.
QString SubstituteChineseFonts();

}  // namespace kel
