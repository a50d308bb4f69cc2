// Path text, in one place for both programs: joining a folder and a relative
// name, the full normalised form that comparisons use, and whether two paths
// name the same folder.
//
// Nothing here touches the file system but GetFullPathNameW (which only
// resolves text); nothing keeps state.
#pragma once

#include <string>

// `folder` + "\\" + `relative`, with every '/' of `relative` turned into
// '\\'. No separator is added when `folder` is empty or already ends in '\\'
// or '/'; a trailing separator of `relative` stays.
std::wstring JoinPath(const std::wstring& folder, const std::wstring& relative);

// The folder part of `path` (everything before its last separator, trailing
// separators dropped first); empty when there is none or it would be a bare
// drive ("C:").
std::wstring ParentPath(const std::wstring& path);

// The full, normalised form used for comparisons: GetFullPathNameW, '/' as
// '\\', no trailing separator except after a drive ("C:\\"). Empty when the
// path is empty, relative (no drive or share), holds a wildcard or cannot be
// resolved.
std::wstring NormalisePath(const std::wstring& path);

// The full path of `text` (GetFullPathNameW: relative to the current folder,
// '/' as '\\', "." and ".." resolved, nothing else changed); `text` itself
// when it has none (empty, or it cannot be resolved).
std::wstring FullPath(const std::wstring& text);

// A relative name as the installation's lists keep it: every '/' turned
// into '\\', trailing separators dropped ("res/image/" -> "res\\image").
std::wstring RelativeName(std::wstring name);

// `text` in upper case as the system folds names (CharUpperBuffW), the key
// under which names that differ only in case are one.
std::wstring FoldCase(std::wstring text);

// True when both name the same folder (after NormalisePath, ignoring case).
bool SamePath(const std::wstring& a, const std::wstring& b);
