#pragma once
// The Windows headers this backend uses, in the order they need. The HID headers of MinGW-w64
// declare C functions without a C++ guard. <windows.h> defines `interface` as a macro, which
// clashes with code that uses it as a name; it is removed here.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <cfgmgr32.h>
#include <dbt.h>
#include <setupapi.h>
extern "C" {
#include <hidsdi.h>
#include <hidpi.h>
}
#undef interface
