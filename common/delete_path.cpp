#include "delete_path.h"

#include <shellapi.h>

#include <string>

bool DeletePath(LPCWSTR path)
{
    if (!path || !*path)
        return false;
    std::wstring list(path);
    list.push_back(L'\0'); // with the string's own terminator: two zeros
    SHFILEOPSTRUCTW op = {};
    op.hwnd = nullptr;
    op.wFunc = FO_DELETE;
    op.pFrom = list.c_str();
    op.pTo = nullptr;
    op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION;
    return SHFileOperationW(&op) == 0;
}
