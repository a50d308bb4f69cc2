// The payload archive that Setup carries: its resource of type "ZIP" with
// identifier 135, read in place from the loaded module (never copied; the
// memory lives as long as the module). FindPayload gives null and 0 when the
// module has no such resource or it cannot be loaded.
#pragma once

#include <windows.h>

void FindPayload(HMODULE module, const void** data, DWORD* size);
