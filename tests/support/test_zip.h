// Zip archives for tests (skin archives with chosen entries): read every
// entry of an archive, or write an archive of given entries (deflated).
// Entry names are bytes as stored (UTF-8 in our archives).
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace testing_support {

using ZipEntries = std::vector<std::pair<std::string, std::string>>;  // name, bytes

// False when the archive cannot be opened or an entry cannot be read
// (entries then holds what was read so far).
bool ReadZip(const std::wstring& path, ZipEntries* entries);
// Creates (or replaces) the archive; false on any write error.
bool WriteZip(const std::wstring& path, const ZipEntries& entries);

} // namespace testing_support
