// Display scaling of the window library: the process's awareness of it and
// the DPI a window is drawn at, as every program of the product does them
// (common/display_scaling.h). Layouts are written for 96 DPI; a manager
// scales their numbers by its window's DPI (CPaintManagerUI::Scale), so at 96
// nothing changes.
#include "UIInternal.h"

#include "display_scaling.h"

static_assert(CPaintManagerUI::kLayoutDpi == display::kLayoutDpi, "one layout DPI");

bool CPaintManagerUI::SetProcessAwareness()
{
    return display::SetProcessAwareness();
}

UINT CPaintManagerUI::DpiOfWindow(HWND hWnd)
{
    return display::DpiOfWindow(hWnd);
}

int CPaintManagerUI::ScaleByDpi(int value, UINT dpi)
{
    return display::ScaleByDpi(value, dpi);
}
