// FolderChain: the folders of one walk below an opened root folder (the
// installation directory), each reached one level at a time from its parent
// through no_follow.h and kept open while the entries below it are worked on.
//
// Contract:
// - Reach("res\\image", ...) ('\\' or '/' between levels; empty: the root)
//   opens each level below the one before it with OpenBelow and checks it
//   (a plain folder whose final path is its parent's + "\" + name). Levels
//   the chain already holds are not opened again: a walk over entries grouped
//   by folder opens each folder once. Levels that are no longer on the way
//   are closed.
// - With `made`, a missing level is created (CreateFolderBelow: made new and
//   checked) and its relative path ('\\'-separated) appended to *made;
//   without it, a missing level gives Missing.
// - Any other status of a level (Link, Elsewhere, WrongKind, InUse, Failed)
//   ends the walk with that status: nothing below a link is ever reached.
// - Close() closes every level (the root stays open: the caller owns it).
#pragma once

#include "no_follow.h"

#include <string>
#include <vector>

class FolderChain {
public:
    explicit FolderChain(const OpenedItem* root = nullptr) : m_root(root) {}
    void SetRoot(const OpenedItem* root)
    {
        Close();
        m_root = root;
    }
    OpenStatus Reach(const std::wstring& relative, std::vector<std::wstring>* made, const OpenedItem** folder);
    void Close();

private:
    const OpenedItem* m_root;
    std::vector<std::wstring> m_names;  // the levels held, outermost first
    std::vector<OpenedItem> m_levels;
};

// Opens the directory at the full path `dir` as the root of a walk: from its
// parent with OpenBelow, so that the directory itself is checked like every
// level below it; a drive's root (which has no parent) with OpenFolderAt.
OpenStatus OpenWalkRoot(const std::wstring& dir, OpenedItem* root);

// "res/image/x.png" -> "res\\image" and "x.png"; "x.png" -> "" and "x.png";
// a trailing separator (a folder entry) is dropped first.
void SplitRelative(const std::wstring& relative, std::wstring* folder, std::wstring* name);
