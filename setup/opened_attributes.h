// SetOpenedAttributes: gives an opened, checked file or folder (no_follow.h)
// its attributes by its handle (SetFileInformationByHandle, FileBasicInfo,
// looked up at run time), so that no name is looked up again. On Windows XP,
// which lacks that call, by the item's checked path (SetFileAttributesW).
// The handle needs FILE_WRITE_ATTRIBUTES (GENERIC_WRITE has it). Times stay.
#pragma once

#include "no_follow.h"

bool SetOpenedAttributes(const OpenedItem& item, DWORD attributes);

