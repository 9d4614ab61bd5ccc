// The two parts of the demo page's script: what it does with each plug-in.
// Each prints what it does and what it got, and answers false when a plug-in
// did not behave as a page expects.
#pragma once

#include "browser_window.h"
#include "embedded_plugin.h"

#include <chrono>
#include <functional>
#include <string>

namespace demo {

// Screen pictures into a folder; none at all when the folder is empty.
class Pictures {
public:
    explicit Pictures(std::wstring folder) : folder_(std::move(folder)) {}
    void take(const std::string& name);  // writes <folder>\<name>.bmp

private:
    std::wstring folder_;
};

// Pumps the message loop (the plug-in's timer ticks there) until the
// condition holds; false when it still does not after `ceiling`.
bool pumpUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds ceiling = std::chrono::milliseconds(180000));

bool signatureTour(EmbeddedPlugin& plugin, const std::string& commandLineText);
bool dockingTour(EmbeddedPlugin& plugin, BrowserWindow& browser, Pictures& pictures);

}  // namespace demo
