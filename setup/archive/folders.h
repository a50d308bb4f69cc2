// Folder creation for extraction: the base folder (one level) and then each
// level of a relative folder path below it, parents first.
//
// Contract: CreateEntryFolders(base, relative, length) works on the first
// `length` units of `relative` ("/" and "\\" both separate). `base` may be
// null or empty (then the relative path is used as it is); when given it ends
// in a separator. Existing folders are left alone; the results of
// CreateDirectoryW are not looked at (a missing folder shows up later when the
// file cannot be created). Returns false without creating anything when a
// composed path would not fit MAX_PATH units.
#pragma once

#include <cstddef>

bool CreateEntryFolders(const wchar_t* base, const wchar_t* relative, size_t length);
