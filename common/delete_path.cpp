#include "delete_path.h"

#include "no_follow.h"

bool DeletePath(LPCWSTR path)
{
    return DeletePath(path, nullptr);
}

bool DeletePath(LPCWSTR path, std::vector<std::wstring>* inUse)
{
    std::wstring parentPath, name;
    if (!path || !*path || !SplitLastName(path, &parentPath, &name))
        return false;
    OpenedItem parent;
    if (OpenFolderAt(parentPath, &parent) != OpenStatus::Opened)
        return false;
    OpenedItem item;
    const OpenStatus status = OpenBelow(parent, name, ItemKind::Any, &item);
    if (status == OpenStatus::Missing)
        return false;
    item.Close();
    std::vector<LeftItem> left;
    const bool all = RemoveBelow(parent, name, &left);
    for (const LeftItem& stayed : left) {
        if (inUse && stayed.reason == LeftItem::InUse)
            inUse->push_back(stayed.path);
    }
    return all;
}
