// The Win32 seam. System code includes this header and nothing else from the
// platform: on Windows it is the SDK; elsewhere it is the same subset, with the
// SDK's names, types, constants and signatures, implemented by the simulated
// machine in platform/sim.
#pragma once

#ifdef _WIN32

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <winsock2.h>
#include <windows.h>
#include <winspool.h>
#include <shellapi.h>
#include <shlwapi.h>

#else  // the simulated machine

#include "platform/sim/win32_sdk.h"

#endif

// The spooler's default-printer query, WINSPOOL.DRV's ordinal 201 (on Windows through an
// import library that platform/CMakeLists.txt makes): fills the area with the default
// printer's name; the length is in characters, in and out.
extern "C" BOOL WINAPI DefaultPrinterByOrdinal(LPSTR pszBuffer, LPDWORD pcchBuffer);

// Signatures of the functions that are looked up at run time, never called by name.
typedef BOOL(WINAPI* PGETPRODUCTINFO)(DWORD, DWORD, DWORD, DWORD, PDWORD);
typedef void(WINAPI* PGETNATIVESYSTEMINFO)(LPSYSTEM_INFO);
typedef BOOL(WINAPI* PGLOBALMEMORYSTATUSEX)(LPMEMORYSTATUSEX);
typedef UINT(WINAPI* PGETSYSTEMFIRMWARETABLE)(DWORD, DWORD, LPVOID, DWORD);
typedef BOOL(WINAPI* PGETDISKFREESPACEEXA)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER,
                                           PULARGE_INTEGER);
