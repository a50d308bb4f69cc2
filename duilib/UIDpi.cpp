// Display scaling of the window library: the process's awareness of it and
// the DPI a window is drawn at, as every program of the product does them
// (common/display_scaling.h). Layouts are written for 96 DPI; a manager
// scales their numbers by its window's DPI (CPaintManagerUI::Scale), so at 96
// nothing changes. The layout's lengths in text (duiint::ScaledLengths) and
// the root's window lengths (size, caption, sizebox, roundcorner, mininfo)
// are scaled here too, as the layout is read and again when the DPI changes.
#include "UIInternal.h"
#include "UIRender.h"

#include <wctype.h>

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

namespace duiint {

void AppendInt(std::wstring* out, int value)
{
    wchar_t digits[12];
    int n = 0;
    unsigned rest = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
    do {
        digits[n++] = static_cast<wchar_t>(L'0' + rest % 10);
        rest /= 10;
    } while (rest);
    if (value < 0) *out += L'-';
    while (n) *out += digits[--n];
}

std::wstring ScaledLengths(const std::wstring& value, UINT dpi)
{
    if (dpi == 0 || dpi == CPaintManagerUI::kLayoutDpi) return value;
    std::wstring out;
    for (size_t i = 0; i < value.size();) {
        const bool sign = value[i] == L'-' && i + 1 < value.size() && iswdigit(value[i + 1]);
        if (!sign && !iswdigit(value[i])) {
            out += value[i++];
            continue;
        }
        size_t end = i + (sign ? 1 : 0);
        long long n = 0;
        while (end < value.size() && iswdigit(value[end])) {
            if (n < 1000000) n = n * 10 + (value[end] - L'0');
            ++end;
        }
        AppendInt(&out, CPaintManagerUI::ScaleByDpi(static_cast<int>(sign ? -n : n), dpi));
        i = end;
    }
    return out;
}

bool IsWindowLength(const std::wstring& name)
{
    return name == L"size" || name == L"caption" || name == L"sizebox" || name == L"roundcorner" ||
           name == L"mininfo";
}

void ApplyWindowLength(CPaintManagerUI* pm, const std::wstring& name, const std::wstring& written)
{
    const std::wstring value = ScaledLengths(written, pm->GetDpi());
    if (name == L"size") {
        const SIZE sz = duirender::ParseSize(value.c_str());
        pm->SetInitSize(sz.cx, sz.cy);
    } else if (name == L"caption") {
        RECT rc = duirender::ParseRect(value.c_str());
        pm->SetCaptionRect(rc);
    } else if (name == L"sizebox") {
        RECT rc = duirender::ParseRect(value.c_str());
        pm->SetSizeBox(rc);
    } else if (name == L"roundcorner") {
        const SIZE sz = duirender::ParseSize(value.c_str());
        pm->SetRoundCorner(sz.cx, sz.cy);
    } else if (name == L"mininfo") {
        const SIZE sz = duirender::ParseSize(value.c_str());
        pm->SetMinInfo(sz.cx, sz.cy);
    }
}

} // namespace duiint
