// The one door to Win32. On Windows it is the real SDK; elsewhere the same
// names come from winsim, our simulation of the subset the plug-ins call.
#pragma once

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <winsock2.h>
#include <windows.h>
#include <windns.h>
#else
#include "win32_api.h"
#endif

#include <cstdint>

// Window handles travel through script and window data as 32-bit values.
inline uint32_t handleBits(HWND window) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window)); }
inline HWND handleFromBits(uint32_t bits) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(bits)); }
