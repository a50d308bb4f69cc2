// Screen readers and a field's native edit window. When a field (CEditUI)
// holds the keyboard, the system focus is on its EDIT child, so a reader
// asks that window for its object. It answers WM_GETOBJECT for OBJID_CLIENT
// with this object, made on the first request (one per native window): the
// system's standard object of the edit window (CreateStdAccessibleObject)
// wrapped, so that the field is read as it is in its window's tree.
//
// Of the window itself (CHILDID_SELF) it answers:
//   name   the field's name in the window's tree (duiacc::NameOf: its
//          "accname", the label naming it, ...), never the system's guess;
//   keys   the field's "Alt+<shortcut>" when it has one (duiacc::KeysOf);
//   value  E_ACCESSDENIED for a password field, whatever the standard
//          object would say; else the standard object's (the text);
//   state  the standard object's, with PROTECTED for a password field.
// Everything else (role ROLE_SYSTEM_TEXT, the other states, location,
// selection, navigation, parent, hit test, focus, put_accValue) is the
// standard object's answer, unchanged.
//
// Lifetime: the native window holds one reference (NativeEdit's slot in
// UIEdit.cpp); when the window goes (WM_NCDESTROY) the object lets go of
// the standard object and the field, and every call on it returns
// CO_E_OBJNOTCONNECTED while readers may still hold it. Calls arrive on the
// window's thread (duiacc::AccObject's apartment).
#include "UIAccessible.h"

#include "com_ptr.h"

namespace {

bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

class EditAccessible final : public duiacc::AccObject {
public:
    EditAccessible(CEditUI* field, HWND hwnd) : m_field(field)
    {
        duiacc::CreateStdAccessibleObjectFn create = duiacc::CreateStdProc();
        if (create) create(hwnd, OBJID_CLIENT, __uuidof(IAccessible), m_std.OutVoid());
    }
    bool Usable() const { return static_cast<bool>(m_std); }
    // On the window's thread.
    void Disconnect()
    {
        m_field = NULL;
        m_std.Reset();
        LeaveApartment();
    }

    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* out) override
    {
        if (out == NULL) return E_POINTER;
        *out = NULL;
        if (m_field == NULL) return CO_E_OBJNOTCONNECTED;
        if (!IsSelf(child)) return m_std->get_accName(child, out);
        *out = duiacc::Bstr(duiacc::NameOf(m_field->GetManager(), m_field));
        return *out ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* out) override
    {
        if (out == NULL) return E_POINTER;
        *out = NULL;
        if (m_field == NULL) return CO_E_OBJNOTCONNECTED;
        const CStdString keys = IsSelf(child) ? duiacc::KeysOf(m_field) : CStdString();
        if (keys.IsEmpty()) return m_std->get_accKeyboardShortcut(child, out);
        *out = duiacc::Bstr(keys);
        return *out ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* out) override
    {
        if (out == NULL) return E_POINTER;
        *out = NULL;
        if (m_field == NULL) return CO_E_OBJNOTCONNECTED;
        if (IsSelf(child) && m_field->IsPasswordMode()) return E_ACCESSDENIED;
        return m_std->get_accValue(child, out);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* out) override
    {
        if (out == NULL) return E_POINTER;
        VariantInit(out);
        if (m_field == NULL) return CO_E_OBJNOTCONNECTED;
        const HRESULT hr = m_std->get_accState(child, out);
        if (hr == S_OK && out->vt == VT_I4 && IsSelf(child) && m_field->IsPasswordMode())
            out->lVal |= STATE_SYSTEM_PROTECTED;
        return hr;
    }

    // The standard object's answers.
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** out) override
    {
        return m_std ? m_std->get_accParent(out) : Gone(out);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* out) override
    {
        return m_std ? m_std->get_accChildCount(out) : CO_E_OBJNOTCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override
    {
        return m_std ? m_std->get_accChild(child, out) : Gone(out);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* out) override
    {
        return m_std ? m_std->get_accDescription(child, out) : Gone(out);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* out) override
    {
        return m_std ? m_std->get_accRole(child, out) : Gone(out);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* out) override
    {
        return m_std ? m_std->get_accHelp(child, out) : Gone(out);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override
    {
        if (m_std) return m_std->get_accHelpTopic(file, child, topic);
        if (topic) *topic = 0;
        return Gone(file);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* out) override
    {
        return m_std ? m_std->get_accFocus(out) : Gone(out);
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* out) override
    {
        return m_std ? m_std->get_accSelection(out) : Gone(out);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* out) override
    {
        return m_std ? m_std->get_accDefaultAction(child, out) : Gone(out);
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override
    {
        return m_std ? m_std->accSelect(flags, child) : CO_E_OBJNOTCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* x, long* y, long* w, long* h, VARIANT child) override
    {
        return m_std ? m_std->accLocation(x, y, w, h, child) : CO_E_OBJNOTCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long dir, VARIANT start, VARIANT* out) override
    {
        return m_std ? m_std->accNavigate(dir, start, out) : Gone(out);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* out) override
    {
        return m_std ? m_std->accHitTest(x, y, out) : Gone(out);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override
    {
        return m_std ? m_std->accDoDefaultAction(child) : CO_E_OBJNOTCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override
    {
        return m_std ? m_std->put_accName(child, name) : CO_E_OBJNOTCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override
    {
        return m_std ? m_std->put_accValue(child, value) : CO_E_OBJNOTCONNECTED;
    }

private:
    ~EditAccessible() override = default;

    // The answer of a disconnected object, its out pointer cleared.
    template <typename T>
    static HRESULT Gone(T** out)
    {
        if (out) *out = NULL;
        return CO_E_OBJNOTCONNECTED;
    }
    static HRESULT Gone(VARIANT* out)
    {
        if (out) VariantInit(out);
        return CO_E_OBJNOTCONNECTED;
    }

    CEditUI* m_field;  // NULL once disconnected, with m_std
    ComPtr<IAccessible> m_std;
};

} // namespace

namespace duiint {

bool EditGetObject(HWND edit, CEditUI* field, void** slot, WPARAM wParam, LPARAM lParam, LRESULT& lRes)
{
    if (static_cast<DWORD>(lParam) != static_cast<DWORD>(OBJID_CLIENT) || field == NULL) return false;
    duiacc::LresultFromObjectFn lresult = duiacc::LresultFromObjectProc();
    if (lresult == NULL) return false;
    if (*slot == NULL) {
        EditAccessible* acc = new EditAccessible(field, edit);
        if (!acc->Usable()) {
            acc->Disconnect();
            acc->Release();
            return false;
        }
        *slot = static_cast<IAccessible*>(acc);
    }
    lRes = lresult(__uuidof(IAccessible), wParam, static_cast<IAccessible*>(*slot));
    return true;
}

void EditAccDisconnect(void** slot)
{
    if (*slot == NULL) return;
    EditAccessible* acc = static_cast<EditAccessible*>(static_cast<IAccessible*>(*slot));
    *slot = NULL;
    acc->Disconnect();
    acc->Release();
}

} // namespace duiint
