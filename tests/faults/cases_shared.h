// Set-ups that several families of the fault suite share.
#pragma once

#include "fault_support.h"

#include <string>
#include <vector>

namespace faults {

// Makes dir an existing folder of the user's: "letter.txt", a read-only
// "res\\profile.xml", a hidden "DuiLibu.dll", a system "Uninstall.DAT", a
// "res\\mine\\photo.png" and (when the payload has it) a read-only hidden
// "filler\\d000\\f00000.bin", all with old times. Returns, per payload
// entry, whether a file or folder of its name exists now.
std::vector<bool> MakeUserFolder(const Payload& payload, const std::wstring& dir);

} // namespace faults
