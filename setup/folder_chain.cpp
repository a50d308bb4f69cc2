#include "folder_chain.h"

#include <windows.h>

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

std::vector<std::wstring> Levels(const std::wstring& relative)
{
    std::vector<std::wstring> levels;
    size_t start = 0;
    for (size_t i = 0; i <= relative.size(); ++i) {
        if (i == relative.size() || IsSeparator(relative[i])) {
            if (i > start)
                levels.push_back(relative.substr(start, i - start));
            start = i + 1;
        }
    }
    return levels;
}

} // namespace

OpenStatus OpenWalkRoot(const std::wstring& dir, OpenedItem* root)
{
    std::wstring parentPath, name;
    if (!SplitLastName(dir, &parentPath, &name))
        return OpenFolderAt(dir, root);
    OpenedItem parent;
    const OpenStatus status = OpenFolderAt(parentPath, &parent);
    return status == OpenStatus::Opened ? OpenBelow(parent, name, ItemKind::Folder, root) : status;
}

void SplitRelative(const std::wstring& relative, std::wstring* folder, std::wstring* name)
{
    std::wstring path = relative;
    while (!path.empty() && IsSeparator(path.back()))
        path.pop_back();
    size_t last = path.size();
    while (last > 0 && !IsSeparator(path[last - 1]))
        --last;
    *name = path.substr(last);
    *folder = last ? path.substr(0, last - 1) : std::wstring();
    for (wchar_t& c : *folder) {
        if (c == L'/')
            c = L'\\';
    }
}

OpenStatus FolderChain::Reach(const std::wstring& relative, std::vector<std::wstring>* made,
                              const OpenedItem** folder)
{
    *folder = nullptr;
    if (!m_root || !m_root->Valid())
        return OpenStatus::Failed;
    const std::vector<std::wstring> levels = Levels(relative);
    size_t kept = 0;
    while (kept < m_names.size() && kept < levels.size() &&
           CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, m_names[kept].c_str(), -1, levels[kept].c_str(), -1) ==
               CSTR_EQUAL)
        ++kept;
    m_names.resize(kept);
    while (m_levels.size() > kept)
        m_levels.pop_back();
    for (size_t i = kept; i < levels.size(); ++i) {
        const OpenedItem& parent = i ? m_levels.back() : *m_root;
        OpenedItem level;
        OpenStatus status = OpenBelow(parent, levels[i], ItemKind::Folder, &level);
        if (status == OpenStatus::Missing && made) {
            status = CreateFolderBelow(parent, levels[i], &level);
            if (status == OpenStatus::Opened) {
                std::wstring path;
                for (size_t j = 0; j <= i; ++j)
                    path += (j ? L"\\" : L"") + levels[j];
                made->push_back(path);
            }
        }
        if (status != OpenStatus::Opened)
            return status;
        m_names.push_back(levels[i]);
        m_levels.push_back(std::move(level));
    }
    *folder = m_levels.empty() ? m_root : &m_levels.back();
    return OpenStatus::Opened;
}

void FolderChain::Close()
{
    m_levels.clear();
    m_names.clear();
}
