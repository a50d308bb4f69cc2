// The calendar's settings file, "res\profile.xml" beside the program:
//
//   <profile>
//     <window x="120" y="80"/>          position of the window's top-left corner
//     <calendar firstdayofweek="1"/>    0: weeks start on Sunday, 1: on Monday
//   </profile>
//
// LoadProfile never fails: a missing, unreadable or damaged file, or a missing
// or out-of-range value, gives the default for that value (no position, so the
// window opens centred; weeks start on Monday). SaveProfile keeps whatever
// else the file holds, replaces a damaged file, and returns false when the
// file cannot be written (for instance in a read-only installation folder).
#pragma once

#include <string>

struct Profile {
    bool hasPosition = false;
    int x = 0;
    int y = 0;
    int firstDayOfWeek = 1;
};

// Path of the settings file for a program in `exeDir`: exeDir + "\res\profile.xml".
std::wstring ProfilePathFor(const std::wstring& exeDir);

Profile LoadProfile(const std::wstring& path);
bool SaveProfile(const std::wstring& path, const Profile& profile);
