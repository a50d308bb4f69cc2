// A skin archive named by its path: see skin_archive.h.
#include "skin_archive.h"

#include <windows.h>

namespace skinshot {

SkinArchiveScope::SkinArchiveScope(const std::wstring& archive)
    : m_oldPath(CPaintManagerUI::GetResourcePath()), m_oldZip(CPaintManagerUI::GetResourceZip()) {
    if (CPaintManagerUI::GetInstance() == nullptr) CPaintManagerUI::SetInstance(::GetModuleHandleW(nullptr));
    wchar_t full[MAX_PATH] = {};
    wchar_t* filePart = nullptr;
    if (::GetFullPathNameW(archive.c_str(), MAX_PATH, full, &filePart) == 0 || filePart == nullptr) {
        CPaintManagerUI::SetResourceZip(L"");
        return;
    }
    m_exists = ::GetFileAttributesW(full) != INVALID_FILE_ATTRIBUTES;
    const std::wstring name = filePart;
    *filePart = L'\0';
    CPaintManagerUI::SetResourcePath(full);
    CPaintManagerUI::SetResourceZip(name.c_str());
}

SkinArchiveScope::~SkinArchiveScope() {
    CPaintManagerUI::SetResourcePath(m_oldPath.GetData());
    CPaintManagerUI::SetResourceZip(m_oldZip.GetData());
}

bool LoadArchivePicture(const std::wstring& archive, const std::wstring& name, Image* out) {
    *out = Image();
    SkinArchiveScope scope(archive);
    BYTE* data = nullptr;
    DWORD size = 0;
    if (!scope.Exists() || !CPaintManagerUI::LoadResourceData(name.c_str(), &data, &size)) return false;
    const bool ok = DecodePicture(data, size, out);
    CPaintManagerUI::FreeResourceData(data);
    return ok;
}

} // namespace skinshot
