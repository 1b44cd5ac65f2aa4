// The seven collector objects of a run, owned from CreateObjects to DestroyObjects.
#pragma once

class CSorvikOut;
class CPcFetcher;
class SWInfo;
class COsInfo;
class CSwFetcher;
class CHwFetcher;
class CSystemInfo;

extern CSorvikOut* g_pOut;
extern CPcFetcher* g_pPcFetcher;
extern SWInfo* g_pSwInfo;
extern COsInfo* g_pOsInfo;
extern CSwFetcher* g_pSwFetcher;
extern CHwFetcher* g_pHwFetcher;
extern CSystemInfo* g_pSystemInfo;
