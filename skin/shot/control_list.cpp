// Named controls of a layout: see control_list.h.
#include "control_list.h"

#include "UIlib.h"
#include "skin_archive.h"
#include "skin_window.h"

namespace skinshot {

namespace {

void Walk(CControlUI* control, std::vector<NamedControl>* out) {
    if (control == nullptr) return;
    const CStdString name = control->GetName();
    if (!name.IsEmpty()) out->push_back({std::wstring(name.GetData()), control->GetPos()});
    auto* container = static_cast<CContainerUI*>(control->GetInterface(L"Container"));
    if (container == nullptr) return;
    for (int i = 0; i < container->GetCount(); ++i) Walk(container->GetItemAt(i), out);
}

} // namespace

bool ListNamedControls(const std::wstring& archive, const std::wstring& layout, SIZE sizeHint,
                       std::vector<NamedControl>* out, UINT dpi) {
    out->clear();
    SkinArchiveScope skin(archive);
    if (!skin.Exists()) return false;
    CSkinWindow window(layout);
    if (!window.Open(nullptr, 0, 0, false, sizeHint, dpi)) return false;
    window.Manager().UpdateLayout();
    Walk(window.Root(), out);
    return true;
}

const NamedControl* FindNamed(const std::vector<NamedControl>& controls, const std::wstring& name) {
    for (const NamedControl& control : controls) {
        if (control.name == name) return &control;
    }
    return nullptr;
}

} // namespace skinshot
