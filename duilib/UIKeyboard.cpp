// The keyboard across the windows of one top-level window: the shared focus
// order, Tab, Enter, Escape, Space, the arrows in option groups, Alt
// shortcuts, the focus handed on when a window holding it hides, and the
// register of managers by window that all of it needs (see the focus
// comment of CPaintManagerUI in UIlib.h for the rules).
//
// Everything here runs on the interface thread of the window concerned;
// only the register itself is shared by threads (under its own lock), and
// a tree only ever holds managers of its own thread.
#include "UIInternal.h"

#include <algorithm>

namespace {

CRITICAL_SECTION* RegisterCs()
{
    static CRITICAL_SECTION cs;
    static bool ready = (InitializeCriticalSection(&cs), true);
    (void)ready;
    return &cs;
}

// The window that is about to hide (WindowHiding): already out of the tree
// and covering nothing.
HWND g_leaving = NULL;

std::vector<CPaintManagerUI*>& Managers()
{
    static std::vector<CPaintManagerUI*> all;
    return all;
}

// The managers of hwnd's tree on screen: visible children (in the order
// they were bound), then the top-level window's.
std::vector<CPaintManagerUI*> TreeOf(HWND hwnd)
{
    std::vector<CPaintManagerUI*> out;
    HWND top = hwnd ? GetAncestor(hwnd, GA_ROOT) : NULL;
    if (top == NULL) return out;
    CPaintManagerUI* topManager = NULL;
    EnterCriticalSection(RegisterCs());
    for (CPaintManagerUI* pm : Managers()) {
        HWND w = pm->GetPaintWindow();
        if (w == top) topManager = pm;
        else if (w != g_leaving && IsChild(top, w) && IsWindowVisible(w)) out.push_back(pm);
    }
    LeaveCriticalSection(RegisterCs());
    if (topManager) out.push_back(topManager);
    return out;
}

} // namespace

// A control that lies under a visible child window of its own window that
// has a manager (a page over the frame) is out of the keyboard's reach.
bool duiint::Covered(CControlUI* c)
{
    CPaintManagerUI* pm = c->GetManager();
    HWND w = pm ? pm->GetPaintWindow() : NULL;
    if (w == NULL) return true;
    const RECT& rc = c->GetPos();
    POINT pt = {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    HWND child = ChildWindowFromPointEx(w, pt, CWP_SKIPINVISIBLE);
    return child && child != w && child != g_leaving && duiint::ManagerOf(child) != NULL;
}

namespace {

using duiint::Covered;

bool Usable(CControlUI* c) { return c && c->IsVisible() && c->IsEnabled() && !Covered(c); }

// An option group is one stop, its selected member (any member while none
// is selected); the arrows move inside it. So is a group of plain check
// buttons used as one choice: its checked member, else its first.
bool GroupStop(CControlUI* c)
{
    std::vector<CControlUI*> checks = PaintManagerAccess::CheckGroup(c->GetManager(), c);
    if (checks.size() > 1) {
        for (CControlUI* m : checks)
            if (m->GetChecked() == 1) return m == c;
        return checks.front() == c;
    }
    COptionUI* opt = static_cast<COptionUI*>(c->GetInterface(L"Option"));
    if (opt == NULL || *opt->GetGroup() == L'\0' || opt->IsSelected()) return true;
    for (CControlUI* m : PaintManagerAccess::OptionGroup(opt->GetManager(), opt->GetGroup())) {
        COptionUI* other = static_cast<COptionUI*>(m->GetInterface(L"Option"));
        if (other && other->IsSelected()) return false;
    }
    return true;
}

void CollectStops(CControlUI* c, std::vector<CControlUI*>* out)
{
    if (c == NULL || !c->IsVisible() || !c->IsEnabled()) return;
    if ((c->GetControlFlags() & UIFLAG_TABSTOP) && GroupStop(c) && !Covered(c)) out->push_back(c);
    CContainerUI* box = static_cast<CContainerUI*>(c->GetInterface(L"Container"));
    if (box)
        for (int i = 0; i < box->GetCount(); ++i) CollectStops(box->GetItemAt(i), out);
}

std::vector<CControlUI*> Ring(HWND hwnd)
{
    std::vector<CControlUI*> ring;
    for (CPaintManagerUI* pm : TreeOf(hwnd)) {
        std::vector<CControlUI*> stops;
        CollectStops(pm->GetRoot(), &stops);
        std::stable_sort(stops.begin(), stops.end(),
                         [](CControlUI* a, CControlUI* b) { return a->GetTabOrder() < b->GetTabOrder(); });
        ring.insert(ring.end(), stops.begin(), stops.end());
    }
    return ring;
}

// The manager of the window that holds the keyboard (a native edit field's
// parent for the field), when it belongs to hwnd's tree.
CPaintManagerUI* HolderIn(HWND hwnd)
{
    HWND f = ::GetFocus();
    CPaintManagerUI* pm = duiint::ManagerOf(f);
    if (pm == NULL && f) pm = duiint::ManagerOf(GetParent(f));
    if (pm == NULL || hwnd == NULL || GetAncestor(pm->GetPaintWindow(), GA_ROOT) != GetAncestor(hwnd, GA_ROOT))
        return NULL;
    return pm;
}

void ShowMarks(HWND hwnd)
{
    for (CPaintManagerUI* pm : TreeOf(hwnd)) {
        PaintManagerAccess::SetFocusCues(pm, true);
        InvalidateRect(pm->GetPaintWindow(), NULL, FALSE);
    }
}

void FocusTo(CControlUI* c)
{
    CPaintManagerUI* pm = c ? c->GetManager() : NULL;
    if (pm == NULL) return;
    ShowMarks(pm->GetPaintWindow());
    pm->SetFocus(c);
}

// The default or cancel button of the first window in the order that has a
// usable one.
CControlUI* Special(HWND hwnd, bool cancel)
{
    for (CPaintManagerUI* pm : TreeOf(hwnd)) {
        CControlUI* c = cancel ? pm->GetCancelButton() : pm->GetDefaultButton();
        if (Usable(c)) return c;
    }
    return NULL;
}

// The focused control for keys that reached pm's window: the one of the
// window holding the keyboard, else pm's own.
CControlUI* Current(CPaintManagerUI* pm)
{
    CPaintManagerUI* holder = HolderIn(pm->GetPaintWindow());
    CControlUI* focus = (holder ? holder : pm)->GetFocus();
    // A page shown over it since: out of reach, as if nothing had the focus.
    return focus && !Covered(focus) ? focus : NULL;
}

bool Press(CControlUI* c)
{
    if (c == NULL) return false;
    if (c->GetManager()) ShowMarks(c->GetManager()->GetPaintWindow());
    c->Activate();
    return true;
}

// The arrows inside the focused option's group (or plain check button's):
// the previous or next usable member, wrapping, focused and pressed (which
// selects an option).
bool MoveInGroup(CControlUI* focus, bool forward)
{
    if (focus == NULL) return false;
    COptionUI* opt = static_cast<COptionUI*>(focus->GetInterface(L"Option"));
    std::vector<CControlUI*> group = opt && *opt->GetGroup() != L'\0'
                                         ? PaintManagerAccess::OptionGroup(opt->GetManager(), opt->GetGroup())
                                         : PaintManagerAccess::CheckGroup(focus->GetManager(), focus);
    if (group.empty()) return false;
    std::vector<CControlUI*> members;
    for (CControlUI* c : group)
        if (c == focus || Usable(c)) members.push_back(c);
    auto at = std::find(members.begin(), members.end(), focus);
    if (members.size() < 2 || at == members.end()) return true;
    int n = static_cast<int>(members.size()), i = static_cast<int>(at - members.begin());
    CControlUI* next = members[(i + (forward ? 1 : n - 1)) % n];
    FocusTo(next);
    next->Activate();
    return true;
}

} // namespace

namespace duiint {

void RegisterManager(CPaintManagerUI* pm)
{
    EnterCriticalSection(RegisterCs());
    if (std::find(Managers().begin(), Managers().end(), pm) == Managers().end()) Managers().push_back(pm);
    LeaveCriticalSection(RegisterCs());
}

void UnregisterManager(CPaintManagerUI* pm)
{
    EnterCriticalSection(RegisterCs());
    Managers().erase(std::remove(Managers().begin(), Managers().end(), pm), Managers().end());
    LeaveCriticalSection(RegisterCs());
}

CPaintManagerUI* ManagerOf(HWND hwnd)
{
    if (hwnd == NULL) return NULL;
    CPaintManagerUI* found = NULL;
    EnterCriticalSection(RegisterCs());
    for (CPaintManagerUI* pm : Managers())
        if (pm->GetPaintWindow() == hwnd) found = pm;
    LeaveCriticalSection(RegisterCs());
    return found;
}

bool MoveFocus(CPaintManagerUI* pm, bool forward)
{
    HWND hwnd = pm->GetPaintWindow();
    std::vector<CControlUI*> ring = Ring(hwnd);
    if (ring.empty()) return false;
    CControlUI* now = Current(pm);
    int n = static_cast<int>(ring.size());
    auto at = std::find(ring.begin(), ring.end(), now);
    int next = at == ring.end() ? (forward ? 0 : n - 1) : (static_cast<int>(at - ring.begin()) + (forward ? 1 : n - 1)) % n;
    FocusTo(ring[next]);
    return true;
}

bool KeyDown(CPaintManagerUI* pm, WPARAM vk, bool inEdit)
{
    HWND hwnd = pm->GetPaintWindow();
    CControlUI* focus = Current(pm);
    const bool button = focus && !inEdit && focus->GetInterface(L"Button") != NULL;
    const bool push = button && !focus->GetManager()->IsCheckButton(focus);
    switch (vk) {
    case VK_TAB:
        if (GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) return false;
        return MoveFocus(pm, GetKeyState(VK_SHIFT) >= 0);
    case VK_RETURN:
        if (push) return Press(focus);
        return Press(Special(hwnd, false));
    case VK_ESCAPE:
        return Press(Special(hwnd, true));
    case VK_SPACE:
        return button && Press(focus);
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
        return !inEdit && MoveInGroup(focus, vk == VK_RIGHT || vk == VK_DOWN);
    default:
        return false;
    }
}

bool SysChar(CPaintManagerUI* pm, WPARAM ch)
{
    const wint_t want = towupper(static_cast<wint_t>(ch));
    for (CPaintManagerUI* m : TreeOf(pm->GetPaintWindow())) {
        std::vector<CControlUI*> all;
        struct Walk {
            static void Run(CControlUI* c, std::vector<CControlUI*>* out)
            {
                if (c == NULL || !c->IsVisible() || !c->IsEnabled()) return;
                out->push_back(c);
                CContainerUI* box = static_cast<CContainerUI*>(c->GetInterface(L"Container"));
                if (box)
                    for (int i = 0; i < box->GetCount(); ++i) Run(box->GetItemAt(i), out);
            }
        };
        Walk::Run(m->GetRoot(), &all);
        for (CControlUI* c : all) {
            if (c->GetShortcut() == 0 || towupper(c->GetShortcut()) != want || Covered(c)) continue;
            // A push button is pressed where the focus is; a field, check
            // box or option takes the focus too.
            const bool push = c->GetInterface(L"Button") && !m->IsCheckButton(c);
            if (!push && (c->GetControlFlags() & UIFLAG_TABSTOP)) FocusTo(c);
            else ShowMarks(m->GetPaintWindow());
            c->Activate();
            return true;
        }
    }
    return false;
}

void WindowHiding(CPaintManagerUI* pm)
{
    HWND hwnd = pm->GetPaintWindow();
    CControlUI* focus = pm->GetFocus();
    if (focus == NULL || HolderIn(hwnd) != pm || GetParent(hwnd) == NULL) return;
    g_leaving = hwnd;
    std::vector<CControlUI*> ring = Ring(hwnd);
    CControlUI* to = NULL;
    for (CControlUI* c : ring)
        if (to == NULL && c->GetManager() != pm && !c->GetName().IsEmpty() && c->GetName() == focus->GetName().GetData()) to = c;
    if (to == NULL) {
        for (CPaintManagerUI* m : TreeOf(hwnd))
            if (to == NULL && m != pm && Usable(m->GetDefaultButton())) to = m->GetDefaultButton();
    }
    g_leaving = NULL;
    if (to) to->GetManager()->SetFocus(to);
}

} // namespace duiint

// ---------------------------------------------------------------------------

int CPaintManagerUI::GetFocusOrder(CControlUI** items, int count) const
{
    std::vector<CControlUI*> ring = Ring(GetPaintWindow());
    for (int i = 0; items && i < count && i < static_cast<int>(ring.size()); ++i) items[i] = ring[i];
    return static_cast<int>(ring.size());
}

CControlUI* CPaintManagerUI::GetKeyboardFocus(HWND hwnd)
{
    CPaintManagerUI* pm = HolderIn(hwnd);
    return pm ? pm->GetFocus() : NULL;
}

bool CPaintManagerUI::SetNextTabControl(bool bForward) { return duiint::MoveFocus(this, bForward); }
