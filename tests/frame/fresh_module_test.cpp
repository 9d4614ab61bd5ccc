// The library just loaded, nothing called yet. Alone in its program so that
// no other test has touched the process-wide state.
#include "browser.h"
#include "entry_points.h"
#include "plugin_instance.h"
#include "test_module.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(FrameFreshModule, StartsEmptyAndShutdownBeforeInitializeChangesNothing) {
    const NPNetscapeFuncs zero{};
    EXPECT_EQ(std::memcmp(&BrowserFunctionTable, &zero, sizeof zero), 0);
    EXPECT_EQ(savedWindowProc, 0);
    for (NPIdentifier slot : testmodule::methodIdentifiers) EXPECT_EQ(slot, nullptr);

    EXPECT_EQ(NP_Shutdown(), NPERR_NO_ERROR);

    EXPECT_EQ(std::memcmp(&BrowserFunctionTable, &zero, sizeof zero), 0);
    EXPECT_EQ(savedWindowProc, 0);
}
