#pragma once
// The window layouts name the Windows fonts "宋体" and "黑体"; here they stand for the nearest
// installed font that covers Simplified Chinese.

namespace kel {

void SubstituteChineseFonts();

}  // namespace kel
