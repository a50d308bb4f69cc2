#include "opened_attributes.h"

namespace {

struct BasicInfo {
    LARGE_INTEGER creationTime;
    LARGE_INTEGER lastAccessTime;
    LARGE_INTEGER lastWriteTime;
    LARGE_INTEGER changeTime;
    DWORD fileAttributes;
};

using SetInfoByHandleFn = BOOL(WINAPI*)(HANDLE, int, LPVOID, DWORD);

} // namespace

bool SetOpenedAttributes(const OpenedItem& item, DWORD attributes)
{
    if (!item.Valid())
        return false;
    static const SetInfoByHandleFn setInfo = reinterpret_cast<SetInfoByHandleFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetFileInformationByHandle")));
    if (!setInfo)
        return SetFileAttributesW(item.Path().c_str(), attributes) != FALSE;
    BasicInfo basic = {};  // zero times: left as they are
    basic.fileAttributes = attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
    return setInfo(item.Handle(), 0 /* FileBasicInfo */, &basic, sizeof basic) != FALSE;
}
