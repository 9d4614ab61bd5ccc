// The windows of the demo's small browser: a main frame with a toolbar strip,
// its content child of class "KX_BrennicMDIClient", the page view inside it
// with one embed window per plug-in, and the page's overlay: a layered window
// that names its close target. The window-data chain is the one the docking
// methods read: page view -> overlay -> close target.
#pragma once

#include "windows_sdk.h"

#include <string>

namespace demo {

struct Box {
    LONG x = 0, y = 0, width = 0, height = 0;
    bool operator==(const Box& other) const {
        return x == other.x && y == other.y && width == other.width && height == other.height;
    }
};

Box windowBox(HWND window);
std::string describe(const Box& box);  // "at (x, y) size w x h"

class BrowserWindow {
public:
    BrowserWindow();
    ~BrowserWindow();
    BrowserWindow(const BrowserWindow&) = delete;
    BrowserWindow& operator=(const BrowserWindow&) = delete;

    bool created() const;
    HWND frame() const { return frame_; }
    HWND content() const { return content_; }
    HWND page() const { return page_; }
    HWND signatureEmbed() const { return signatureEmbed_; }
    HWND dockingEmbed() const { return dockingEmbed_; }
    HWND overlay() const { return overlay_; }
    HWND closeTarget() const { return closeTarget_; }

    // Moves and sizes the frame; its content child follows in WM_SIZE.
    void placeFrame(const Box& box);
    // Where the docked overlay belongs now: over the content area, inset from
    // the frame's sides by the content's smaller side margin.
    Box overlayPlace() const;
    // How many WM_CLOSE requests the close target has had.
    static int closeRequests();
    // Destroys the frame (and its children) as a closing browser does.
    void closeFrame();

private:
    HWND frame_ = nullptr;
    HWND content_ = nullptr;
    HWND page_ = nullptr;
    HWND signatureEmbed_ = nullptr;
    HWND dockingEmbed_ = nullptr;
    HWND overlay_ = nullptr;
    HWND closeTarget_ = nullptr;
};

}  // namespace demo
