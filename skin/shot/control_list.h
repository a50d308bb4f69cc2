// Named controls of a layout and where they lie: the layout of a skin
// archive is built in a hidden window of the wizard's own class (CWizardWnd,
// the class the programs show), laid out, and its control tree walked. Tests
// and scripts take the points they click from here instead of writing
// coordinates down.
//
// Contract
//   - Runs on the calling thread, which becomes the hidden window's interface
//     thread for the duration of the call; the window is destroyed before
//     the call returns.
//   - The window library's process-wide skin settings (resource path and
//     archive) are pointed at `archive` for the call and restored after it;
//     the library reads the archive into memory, so no file stays open.
//   - Rectangles are in the client coordinates of the layout's own window
//     (a page's rectangles are relative to the page, not to its frame), as
//     the layout places the controls at the window's first layout pass.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace skinshot {

struct NamedControl {
    std::wstring name;
    RECT rect;
};

// Every control of `layout` in the skin archive `archive` (a path) that has a
// "name", in tree order (parents before children), hidden ones included.
// `sizeHint` is the window's size when the layout declares none; `dpi` the
// display scaling to lay it out at (0: this process's windows' own). Returns
// false (and an empty list) when the archive is missing or the layout does
// not build.
bool ListNamedControls(const std::wstring& archive, const std::wstring& layout, SIZE sizeHint,
                       std::vector<NamedControl>* out, UINT dpi = 0);

// The control of that name in a listing, or nullptr.
const NamedControl* FindNamed(const std::vector<NamedControl>& controls, const std::wstring& name);

} // namespace skinshot
