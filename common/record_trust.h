// What an elevated program may believe of the current user's registry.
//
// Anything below HKEY_CURRENT_USER may have been written by the user (or by
// a program of the user's without administrator rights). An elevated Setup
// or Uninstall therefore takes a location from there only when acting on it
// gives the user nothing the user could not do anyway:
//   - the location is empty or not a full path (nothing is done with it);
//   - it lies below the current user's profile folder;
//   - or it holds an install manifest that names this very folder
//     (install_manifest.h) and ordinary users cannot write the folder
//     (folder_acl.h): only an administrator can have put the manifest there.
// A program that is not elevated trusts every location (it acts with the
// user's own rights). Elevated means a token that says so (Windows Vista
// on), or membership of Administrators where the system has no such notion
// (Windows XP).
//
// Nothing here keeps state or shows anything.
#pragma once

#include <string>

bool ProcessIsElevated();

// True when `location` from HKEY_CURRENT_USER may be acted on (see above).
bool UserLocationTrusted(const std::wstring& location);

// The rule alone, for a process that is elevated.
bool UserLocationTrustedWhenElevated(const std::wstring& location);
