// Screen readers: every window with a paint manager answers WM_GETOBJECT for
// OBJID_CLIENT with an IAccessible of its own (one object per window, made
// on the first request), whose simple children are the window's controls.
//
// Children. The controls of the layout in layout order, visible or not,
// that a reader has something to say about: buttons, edits, labels, and any
// control given "accname" or "accrole"; plain containers are looked through,
// controls with accrole="none" and labels that name another control
// ("accfor") are left out, and so is what lies inside a progress bar. A
// child's id is its 1-based place in that list; the tree of a window never
// changes after it is built, so ids stay the same for the window's life.
//
// What a child tells (see CControlUI's accessor comment in UIlib.h for the
// attributes):
//   role   "accrole", else: an edit ROLE_SYSTEM_TEXT; an option, or a plain
//          button the program declared as check button (AddCheckButton),
//          ROLE_SYSTEM_RADIOBUTTON when it belongs to a group, else
//          ROLE_SYSTEM_CHECKBUTTON; another button ROLE_SYSTEM_PUSHBUTTON;
//          a label ROLE_SYSTEM_STATICTEXT; anything else ROLE_SYSTEM_GRAPHIC.
//   name   "accname", else the text of a label naming it ("accfor"), else
//          its text, else its tooltip. The window's own name is its root's
//          "accname" (the page's heading, which the skin draws), else the
//          window's title.
//   value  an edit's text (none for a password field); a progress bar's
//          width against its "maxwidth", "NN%".
//   state  INVISIBLE when the control is hidden, its window is not visible,
//          it lies under a page window of its own window (the frame's
//          controls under a page), or it is a label with no text (it shows
//          nothing); UNAVAILABLE when disabled; FOCUSABLE when it can take
//          the keyboard now (shown and enabled: every member of a group,
//          though only one of them is a Tab stop); FOCUSED when it has the
//          keyboard (CPaintManagerUI::GetKeyboardFocus); CHECKED; READONLY
//          for a read-only edit, PROTECTED for a password field.
//   keys   "Alt+<shortcut>" from the layout's "shortcut".
//   action a push button's "按下", a check box's "选中" / "取消选中", an option's
//          "选择": accDoDefaultAction posts it to the window's thread, which
//          presses the control as a click does once it dispatches messages
//          (never inside the caller's COM call); it fails with
//          DISP_E_MEMBERNOTFOUND for a control without one and E_FAIL for
//          one that is hidden, disabled or covered now.
// Locations are screen coordinates. accHitTest finds the child under a
// point; accNavigate moves through the list (first, last, next, previous);
// get_accParent is the window's standard object; get_accChild answers
// S_FALSE for every child (they are simple elements). accSelect takes
// SELFLAG_TAKEFOCUS alone (else DISP_E_MEMBERNOTFOUND): a FOCUSABLE child
// gets the keyboard as the default action is run, on the window's thread
// after the call (E_FAIL for a child that cannot take it now). A field's
// native edit window answers for itself: UIAccessibleEdit.cpp.
//
// Events: the controls report focus, state, value, name and show/hide
// changes (NotifyWinEvent with the child's id, AccNotify); a field whose
// native window takes the keyboard leaves its focus event to the system,
// which reports it for that window (answered by UIAccessibleEdit.cpp).
//
// oleacc.dll is loaded from the system folder when the first request comes
// (LresultFromObject, CreateStdAccessibleObject); without it WM_GETOBJECT
// gets the default processing. The manager holds one reference to its
// object; when the window is destroyed (or the manager goes) the object
// forgets the manager and every call on it returns CO_E_OBJNOTCONNECTED,
// while readers may still hold it. Calls arrive on the window's thread (the
// object is handed out in its apartment, a single-threaded one that the
// first request initialises when the thread has none, until the window
// goes); they only read the controls.
#include "UIAccessible.h"
#include "system_dll.h"

#include <wctype.h>

#include <vector>

namespace duiacc {

LresultFromObjectFn LresultFromObjectProc()
{
    static const LresultFromObjectFn fn = SystemFunction<LresultFromObjectFn>(L"oleacc.dll", "LresultFromObject");
    return fn;
}

CreateStdAccessibleObjectFn CreateStdProc()
{
    static const CreateStdAccessibleObjectFn fn =
        SystemFunction<CreateStdAccessibleObjectFn>(L"oleacc.dll", "CreateStdAccessibleObject");
    return fn;
}

BSTR Bstr(LPCTSTR text) { return SysAllocString(text ? text : L""); }

AccObject::AccObject()
{
    // A thread that never initialised COM gets an apartment (S_FALSE: it
    // had one) for as long as the object is connected.
    const HRESULT hr = CoInitializeEx(NULL, COINIT_APARTMENTTHREADED);
    m_com = SUCCEEDED(hr);
}

AccObject::~AccObject() = default;

void AccObject::LeaveApartment()
{
    if (m_com) CoUninitialize();
    m_com = false;
}

HRESULT STDMETHODCALLTYPE AccObject::QueryInterface(REFIID riid, void** out)
{
    if (out == NULL) return E_POINTER;
    *out = NULL;
    if (riid == __uuidof(IUnknown) || riid == __uuidof(IDispatch) || riid == __uuidof(IAccessible)) {
        *out = static_cast<IAccessible*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE AccObject::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }

ULONG STDMETHODCALLTYPE AccObject::Release()
{
    const LONG n = InterlockedDecrement(&m_refs);
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
}

HRESULT STDMETHODCALLTYPE AccObject::GetTypeInfoCount(UINT* n)
{
    if (n) *n = 0;
    return S_OK;
}
HRESULT STDMETHODCALLTYPE AccObject::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE AccObject::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE AccObject::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)
{
    return E_NOTIMPL;
}

} // namespace duiacc

namespace {

using duiacc::Bstr;
using duiacc::CreateStdAccessibleObjectFn;
using duiacc::CreateStdProc;
using duiacc::NameOf;

bool IsPushButton(CPaintManagerUI* pm, CControlUI* c)
{
    return c->GetInterface(L"Button") && !pm->IsCheckButton(c) && c->GetChecked() < 0;
}

bool Listed(CControlUI* c)
{
    const CStdString role = c->GetAccRole();
    if (role == L"none" || !c->GetAccFor().IsEmpty()) return false;
    if (!role.IsEmpty() || !c->GetAccName().IsEmpty()) return true;
    return c->GetInterface(L"Label") != NULL;  // labels, texts, buttons, edits
}

void Collect(CControlUI* c, std::vector<CControlUI*>* out)
{
    if (c == NULL) return;
    const bool listed = Listed(c);
    if (listed) out->push_back(c);
    if (listed && c->GetAccRole() == L"progressbar") return;
    CContainerUI* box = static_cast<CContainerUI*>(c->GetInterface(L"Container"));
    if (box && c->GetAccRole() != L"none")
        for (int i = 0; i < box->GetCount(); ++i) Collect(box->GetItemAt(i), out);
}

std::vector<CControlUI*> Children(CPaintManagerUI* pm)
{
    std::vector<CControlUI*> out;
    CControlUI* root = pm ? pm->GetRoot() : NULL;
    if (root == NULL) return out;
    // The root stands for the window itself.
    CContainerUI* box = static_cast<CContainerUI*>(root->GetInterface(L"Container"));
    if (box == NULL) return out;
    for (int i = 0; i < box->GetCount(); ++i) Collect(box->GetItemAt(i), &out);
    return out;
}

int IdOf(CPaintManagerUI* pm, CControlUI* c)
{
    std::vector<CControlUI*> all = Children(pm);
    for (size_t i = 0; i < all.size(); ++i)
        if (all[i] == c) return static_cast<int>(i) + 1;
    return 0;
}

CControlUI* ControlOf(CPaintManagerUI* pm, LONG id)
{
    std::vector<CControlUI*> all = Children(pm);
    return id >= 1 && id <= static_cast<LONG>(all.size()) ? all[id - 1] : NULL;
}

// The control whose "accfor" names c, if any.
CControlUI* LabelOf(CControlUI* c, CControlUI* under)
{
    if (under == NULL || c->GetName().IsEmpty()) return NULL;
    if (under->GetAccFor() == c->GetName().GetData()) return under;
    CContainerUI* box = static_cast<CContainerUI*>(under->GetInterface(L"Container"));
    for (int i = 0; box && i < box->GetCount(); ++i)
        if (CControlUI* found = LabelOf(c, box->GetItemAt(i))) return found;
    return NULL;
}

} // namespace

CStdString duiacc::NameOf(CPaintManagerUI* pm, CControlUI* c)
{
    if (!c->GetAccName().IsEmpty()) return c->GetAccName();
    if (CControlUI* label = pm ? LabelOf(c, pm->GetRoot()) : NULL) return label->GetText();
    if (!c->GetText().IsEmpty()) return c->GetText();
    return c->GetToolTip();
}

CStdString duiacc::KeysOf(CControlUI* c)
{
    CStdString keys;
    if (c->GetShortcut() == 0) return keys;
    keys = L"Alt+";
    keys += static_cast<TCHAR>(towupper(c->GetShortcut()));
    return keys;
}

namespace {

LONG RoleOf(CPaintManagerUI* pm, CControlUI* c)
{
    const CStdString role = c->GetAccRole();
    if (role == L"graphic") return ROLE_SYSTEM_GRAPHIC;
    if (role == L"progressbar") return ROLE_SYSTEM_PROGRESSBAR;
    if (role == L"statictext") return ROLE_SYSTEM_STATICTEXT;
    if (role == L"pushbutton") return ROLE_SYSTEM_PUSHBUTTON;
    if (c->GetInterface(L"Edit")) return ROLE_SYSTEM_TEXT;
    if (c->GetInterface(L"Button")) {
        COptionUI* opt = static_cast<COptionUI*>(c->GetInterface(L"Option"));
        if (opt) return *opt->GetGroup() ? ROLE_SYSTEM_RADIOBUTTON : ROLE_SYSTEM_CHECKBUTTON;
        if (!PaintManagerAccess::CheckGroup(pm, c).empty()) return ROLE_SYSTEM_RADIOBUTTON;
        return IsPushButton(pm, c) ? ROLE_SYSTEM_PUSHBUTTON : ROLE_SYSTEM_CHECKBUTTON;
    }
    if (c->GetInterface(L"Label")) return ROLE_SYSTEM_STATICTEXT;
    return ROLE_SYSTEM_GRAPHIC;
}

int Percent(CControlUI* c)
{
    const int max = c->GetMaxWidth();
    if (max <= 0 || max >= 9999) return 0;
    const int w = c->GetFixedWidth();
    return w >= max ? 100 : (w <= 0 ? 0 : w * 100 / max);
}

bool Shown(CControlUI* c)
{
    HWND hwnd = c->GetManager() ? c->GetManager()->GetPaintWindow() : NULL;
    return hwnd && IsWindowVisible(hwnd) && c->IsVisible() && !duiint::Covered(c);
}

LONG StateOf(CPaintManagerUI* pm, CControlUI* c)
{
    LONG s = 0;
    const bool label = RoleOf(pm, c) == ROLE_SYSTEM_STATICTEXT;
    if (!Shown(c) || (label && NameOf(pm, c).IsEmpty())) s |= STATE_SYSTEM_INVISIBLE;
    if (!c->IsEnabled()) s |= STATE_SYSTEM_UNAVAILABLE;
    if (c->GetControlFlags() & UIFLAG_TABSTOP) {
        // Every member of an option group can take the focus (by the
        // arrows), although only one of them is a Tab stop.
        if (Shown(c) && c->IsEnabled()) s |= STATE_SYSTEM_FOCUSABLE;
        if (CPaintManagerUI::GetKeyboardFocus(pm->GetPaintWindow()) == c) s |= STATE_SYSTEM_FOCUSED;
    }
    COptionUI* opt = static_cast<COptionUI*>(c->GetInterface(L"Option"));
    if (c->GetChecked() == 1 || (opt && opt->IsSelected())) s |= STATE_SYSTEM_CHECKED;
    CEditUI* edit = static_cast<CEditUI*>(c->GetInterface(L"Edit"));
    if (edit && edit->IsReadOnly()) s |= STATE_SYSTEM_READONLY;
    if (edit && edit->IsPasswordMode()) s |= STATE_SYSTEM_PROTECTED;
    return s;
}

// The window's object. Reference counted by COM's rules; pm is NULL once
// the window is gone.
class Accessible final : public duiacc::AccObject {
public:
    explicit Accessible(CPaintManagerUI* pm) : m_pm(pm) {}
    // On the window's thread.
    void Disconnect()
    {
        m_pm = NULL;
        LeaveApartment();
    }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** out) override
    {
        if (out == NULL) return E_POINTER;
        *out = NULL;
        if (m_pm == NULL) return CO_E_OBJNOTCONNECTED;
        CreateStdAccessibleObjectFn create = CreateStdProc();
        if (create == NULL) return S_FALSE;
        return create(m_pm->GetPaintWindow(), OBJID_WINDOW, __uuidof(IDispatch), reinterpret_cast<void**>(out));
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* out) override
    {
        if (out == NULL) return E_POINTER;
        if (m_pm == NULL) return CO_E_OBJNOTCONNECTED;
        *out = static_cast<long>(Children(m_pm).size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override
    {
        CControlUI* c = NULL;
        HRESULT hr = Begin(child, out, &c);
        if (FAILED(hr)) return hr;
        return c ? S_FALSE : E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* out) override
    {
        CControlUI* c = NULL;
        HRESULT hr = Begin(child, out, &c);
        if (FAILED(hr)) return hr;
        if (c == NULL) {
            CControlUI* root = m_pm->GetRoot();
            if (root && !root->GetAccName().IsEmpty()) {
                *out = Bstr(root->GetAccName());
            } else {
                wchar_t title[256] = L"";
                GetWindowTextW(m_pm->GetPaintWindow(), title, 256);
                *out = Bstr(title);
            }
        } else {
            *out = Bstr(NameOf(m_pm, c));
        }
        return *out ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* out) override
    {
        CControlUI* c = NULL;
        HRESULT hr = Begin(child, out, &c);
        if (FAILED(hr)) return hr;
        if (c == NULL) return S_FALSE;
        const LONG role = RoleOf(m_pm, c);
        CEditUI* edit = static_cast<CEditUI*>(c->GetInterface(L"Edit"));
        if (role == ROLE_SYSTEM_PROGRESSBAR) {
            CStdString v;
            v.Format(L"%d%%", Percent(c));
            *out = Bstr(v);
        } else if (edit && !edit->IsPasswordMode()) {
            *out = Bstr(c->GetText());
        } else {
            return S_FALSE;
        }
        return *out ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* out) override
    {
        return NoText(child, out);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* out) override
    {
        CControlUI* c = NULL;
        HRESULT hr = Begin(child, out, &c);
        if (FAILED(hr)) return hr;
        out->vt = VT_I4;
        out->lVal = c ? RoleOf(m_pm, c) : ROLE_SYSTEM_CLIENT;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* out) override
    {
        CControlUI* c = NULL;
        HRESULT hr = Begin(child, out, &c);
        if (FAILED(hr)) return hr;
        out->vt = VT_I4;
        if (c) {
            out->lVal = StateOf(m_pm, c);
        } else {
            HWND hwnd = m_pm->GetPaintWindow();
            out->lVal = STATE_SYSTEM_FOCUSABLE | (IsWindowVisible(hwnd) ? 0 : STATE_SYSTEM_INVISIBLE) |
                        (::GetFocus() == hwnd ? STATE_SYSTEM_FOCUSED : 0);
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* out) override { return NoText(child, out); }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, long* topic) override
    {
        if (file) *file = NULL;
        if (topic) *topic = 0;
        return m_pm ? S_FALSE : CO_E_OBJNOTCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* out) override
    {
        CControlUI* c = NULL;
        HRESULT hr = Begin(child, out, &c);
        if (FAILED(hr)) return hr;
        const CStdString keys = c ? duiacc::KeysOf(c) : CStdString();
        if (keys.IsEmpty()) return S_FALSE;
        *out = Bstr(keys);
        return *out ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* out) override
    {
        if (out == NULL) return E_POINTER;
        VariantInit(out);
        if (m_pm == NULL) return CO_E_OBJNOTCONNECTED;
        CControlUI* focus = CPaintManagerUI::GetKeyboardFocus(m_pm->GetPaintWindow());
        const int id = focus && focus->GetManager() == m_pm ? IdOf(m_pm, focus) : 0;
        if (id > 0) {
            out->vt = VT_I4;
            out->lVal = id;
        } else if (::GetFocus() == m_pm->GetPaintWindow()) {
            out->vt = VT_I4;
            out->lVal = CHILDID_SELF;
        }
        return out->vt == VT_EMPTY ? S_FALSE : S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* out) override
    {
        if (out == NULL) return E_POINTER;
        VariantInit(out);
        return m_pm ? S_FALSE : CO_E_OBJNOTCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* out) override
    {
        CControlUI* c = NULL;
        HRESULT hr = Begin(child, out, &c);
        if (FAILED(hr)) return hr;
        const wchar_t* action = c ? ActionOf(c) : NULL;
        if (action == NULL) return S_FALSE;
        *out = Bstr(action);
        return *out ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override
    {
        CControlUI* c = NULL;
        HRESULT hr = Resolve(child, &c);
        if (FAILED(hr)) return hr;
        if (c == NULL || flags != SELFLAG_TAKEFOCUS) return DISP_E_MEMBERNOTFOUND;
        if (!(StateOf(m_pm, c) & STATE_SYSTEM_FOCUSABLE)) return E_FAIL;
        // As the default action: on the window's thread, after the call.
        return ::PostMessageW(m_pm->GetPaintWindow(), duiint::PrivateMessage(), duiint::PrivateAccFocus, child.lVal)
                   ? S_OK
                   : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* x, long* y, long* w, long* h, VARIANT child) override
    {
        if (x == NULL || y == NULL || w == NULL || h == NULL) return E_POINTER;
        *x = *y = *w = *h = 0;
        CControlUI* c = NULL;
        HRESULT hr = Resolve(child, &c);
        if (FAILED(hr)) return hr;
        RECT rc;
        if (c) rc = c->GetPos();
        else GetClientRect(m_pm->GetPaintWindow(), &rc);
        MapWindowPoints(m_pm->GetPaintWindow(), NULL, reinterpret_cast<POINT*>(&rc), 2);
        *x = rc.left;
        *y = rc.top;
        *w = rc.right - rc.left;
        *h = rc.bottom - rc.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long dir, VARIANT start, VARIANT* out) override
    {
        if (out == NULL) return E_POINTER;
        VariantInit(out);
        CControlUI* c = NULL;
        HRESULT hr = Resolve(start, &c);
        if (FAILED(hr)) return hr;
        const long count = static_cast<long>(Children(m_pm).size());
        const long from = c ? IdOf(m_pm, c) : 0;
        long to = 0;
        if (dir == NAVDIR_FIRSTCHILD && c == NULL) to = 1;
        else if (dir == NAVDIR_LASTCHILD && c == NULL) to = count;
        else if ((dir == NAVDIR_NEXT || dir == NAVDIR_DOWN || dir == NAVDIR_RIGHT) && c) to = from + 1;
        else if ((dir == NAVDIR_PREVIOUS || dir == NAVDIR_UP || dir == NAVDIR_LEFT) && c) to = from - 1;
        if (to < 1 || to > count) return S_FALSE;
        out->vt = VT_I4;
        out->lVal = to;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* out) override
    {
        if (out == NULL) return E_POINTER;
        VariantInit(out);
        if (m_pm == NULL) return CO_E_OBJNOTCONNECTED;
        HWND hwnd = m_pm->GetPaintWindow();
        POINT pt = {x, y};
        ScreenToClient(hwnd, &pt);
        RECT client;
        GetClientRect(hwnd, &client);
        if (!PtInRect(&client, pt)) return S_FALSE;
        out->vt = VT_I4;
        out->lVal = CHILDID_SELF;
        for (CControlUI* c = m_pm->FindControl(pt); c; c = c->GetParent()) {
            const int id = IdOf(m_pm, c);
            if (id > 0) {
                out->lVal = id;
                break;
            }
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override
    {
        CControlUI* c = NULL;
        HRESULT hr = Resolve(child, &c);
        if (FAILED(hr)) return hr;
        if (c == NULL || ActionOf(c) == NULL) return DISP_E_MEMBERNOTFOUND;
        if (!Shown(c) || !c->IsEnabled()) return E_FAIL;
        // The press runs on the window's thread once it dispatches messages.
        return ::PostMessageW(m_pm->GetPaintWindow(), duiint::PrivateMessage(), duiint::PrivateAccAction, child.lVal)
                   ? S_OK
                   : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    ~Accessible() override = default;

    // S_OK with *out NULL for the window itself, the control for a child
    // id; E_INVALIDARG for anything else.
    // The start of every getter about a child: the out pointer checked and
    // cleared (a VARIANT to VT_EMPTY, as VariantInit does), then Resolve.
    template <typename T>
    HRESULT Begin(const VARIANT& child, T* out, CControlUI** c)
    {
        if (out == NULL) return E_POINTER;
        *out = T();
        return Resolve(child, c);
    }

    HRESULT Resolve(const VARIANT& child, CControlUI** out)
    {
        *out = NULL;
        if (m_pm == NULL) return CO_E_OBJNOTCONNECTED;
        if (child.vt != VT_I4) return E_INVALIDARG;
        if (child.lVal == CHILDID_SELF) return S_OK;
        *out = ControlOf(m_pm, child.lVal);
        return *out ? S_OK : E_INVALIDARG;
    }

    HRESULT NoText(const VARIANT& child, BSTR* out)
    {
        if (out == NULL) return E_POINTER;
        *out = NULL;
        CControlUI* c = NULL;
        HRESULT hr = Resolve(child, &c);
        return FAILED(hr) ? hr : S_FALSE;
    }

    const wchar_t* ActionOf(CControlUI* c)
    {
        switch (RoleOf(m_pm, c)) {
        case ROLE_SYSTEM_PUSHBUTTON: return L"按下";
        case ROLE_SYSTEM_RADIOBUTTON: return L"选择";
        case ROLE_SYSTEM_CHECKBUTTON: return (StateOf(m_pm, c) & STATE_SYSTEM_CHECKED) ? L"取消选中" : L"选中";
        default: return NULL;
        }
    }

    CPaintManagerUI* m_pm;
};

} // namespace

namespace duiint {

bool AccGetObject(CPaintManagerUI* pm, WPARAM wParam, LPARAM lParam, LRESULT& lRes)
{
    if (static_cast<DWORD>(lParam) != static_cast<DWORD>(OBJID_CLIENT) || pm->GetPaintWindow() == NULL) return false;
    duiacc::LresultFromObjectFn lresult = duiacc::LresultFromObjectProc();
    if (lresult == NULL) return false;
    void*& slot = PaintManagerAccess::Accessible(pm);
    if (slot == NULL) slot = static_cast<IAccessible*>(new Accessible(pm));
    lRes = lresult(__uuidof(IAccessible), wParam, static_cast<IAccessible*>(slot));
    return true;
}

void AccDisconnect(CPaintManagerUI* pm)
{
    void*& slot = PaintManagerAccess::Accessible(pm);
    if (slot == NULL) return;
    Accessible* acc = static_cast<Accessible*>(static_cast<IAccessible*>(slot));
    slot = NULL;
    acc->Disconnect();
    acc->Release();
}

void AccNotify(CControlUI* c, DWORD event)
{
    CPaintManagerUI* pm = c ? c->GetManager() : NULL;
    HWND hwnd = pm ? pm->GetPaintWindow() : NULL;
    if (hwnd == NULL || !pm->IsUIThread()) return;
    const int id = IdOf(pm, c);
    if (id > 0) NotifyWinEvent(event, hwnd, OBJID_CLIENT, id);
}

void AccRunDefaultAction(CPaintManagerUI* pm, int childId)
{
    CControlUI* c = ControlOf(pm, childId);
    if (c == NULL || !Shown(c) || !c->IsEnabled()) return;
    c->Activate();
}

void AccRunFocus(CPaintManagerUI* pm, int childId)
{
    CControlUI* c = ControlOf(pm, childId);
    if (c && (StateOf(pm, c) & STATE_SYSTEM_FOCUSABLE)) pm->SetFocus(c);
}

} // namespace duiint
