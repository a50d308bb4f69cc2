// A skin archive named by its path, for code that reads other archives than
// the one a program set up: the window library's process-wide skin settings
// are pointed at the archive for the lifetime of a SkinArchiveScope and put
// back as they were afterwards.
//
// Contract: use on one thread at a time (the settings are process-wide); the
// library reads an archive into memory, so no file stays open.
#pragma once

#include <string>

#include "UIlib.h"
#include "image.h"

namespace skinshot {

class SkinArchiveScope {
public:
    // Points the library at `archive` (a path, made absolute); sets the
    // module instance when none is set yet.
    explicit SkinArchiveScope(const std::wstring& archive);
    ~SkinArchiveScope();
    SkinArchiveScope(const SkinArchiveScope&) = delete;
    SkinArchiveScope& operator=(const SkinArchiveScope&) = delete;

    // False when the archive file does not exist.
    bool Exists() const { return m_exists; }

private:
    CStdString m_oldPath;
    CStdString m_oldZip;
    bool m_exists = false;
};

// Decodes the picture `name` of the archive; false when the archive or the
// entry is missing or the picture cannot be decoded.
bool LoadArchivePicture(const std::wstring& archive, const std::wstring& name, Image* out);

} // namespace skinshot
