// A picture of the whole screen, taken through GDI from the screen's DC and
// written as a 24-bit BMP (the run script turns it into PNG).
#pragma once

#include <string>

namespace demo {

bool saveScreenBitmap(const std::wstring& path);

}  // namespace demo
