// What the library's own files share and the interface does not show:
// the private window message of the managers, the lock that guards control
// texts read from other threads, marshalling of setters to the interface
// thread, and the manager's option groups and focus-cue state.
#pragma once

#include "UIlib.h"

#include <string>
#include <utility>
#include <vector>

namespace duiint {

// Registered once per process; wParam tells what to do (Private*).
UINT PrivateMessage();
enum { PrivateRunQueue = 1, PrivateLayout = 2, PrivateWindowInit = 3, PrivateAccAction = 4, PrivateAccFocus = 5 };

// Guards CControlUI::m_sText (and CEditUI's copy) against readers on other
// threads. Held only for a copy; never while calling out.
class TextLock {
public:
    TextLock();
    ~TextLock();
    TextLock(const TextLock&) = delete;
    TextLock& operator=(const TextLock&) = delete;
};

// When the control belongs to a window of another thread, queues
// SetAttribute(name, value) for that window's thread and returns true; the
// caller then does nothing more. Returns false on the interface thread (or
// before the control has a manager): the caller applies the change itself.
bool Marshal(CControlUI* control, LPCTSTR name, LPCTSTR value);

// Hooks of the native edit fields, implemented beside CEditUI: the manager
// forwards its children's WM_COMMAND and WM_CTLCOLOR* here. Return false /
// NULL when hwndChild is no field of ours.
bool EditCommand(HWND hwndChild, UINT code);
HBRUSH EditColor(HWND hwndChild, HDC hdc);

// The keyboard across a window tree (UIKeyboard.cpp). Managers register
// while bound to a window; ManagerOf finds one by its window. KeyDown and
// SysChar return true when the key was used (inEdit: it came from a native
// edit field, which keeps its own arrows and Space); WindowHiding hands the
// focus on before a window holding it hides.
void RegisterManager(CPaintManagerUI* pm);
void UnregisterManager(CPaintManagerUI* pm);
CPaintManagerUI* ManagerOf(HWND hwnd);
bool MoveFocus(CPaintManagerUI* pm, bool forward);
bool KeyDown(CPaintManagerUI* pm, WPARAM vk, bool inEdit);
bool SysChar(CPaintManagerUI* pm, WPARAM ch);
void WindowHiding(CPaintManagerUI* pm);

// Screen readers (UIAccessible.cpp). A control's reader attributes, kept
// behind CControlUI::m_pReserved (owned by the control), and beside them
// the layout's length attributes as written (CControlUI::KeepLayoutLength).
struct AccInfo {
    CStdString name;
    CStdString role;
    CStdString labelFor;
    int checked = -1;
    std::vector<std::pair<CStdString, CStdString>> layoutLengths;
};

// Display scaling (UIDpi.cpp). Appends the decimal text of `value` (the
// library keeps the C library's printf engine out: std::to_wstring and
// swprintf would bring it in).
void AppendInt(std::wstring* out, int value);
// `value` with every (optionally signed) integer in it scaled from layout
// units to `dpi`; the rest of the text as it was.
std::wstring ScaledLengths(const std::wstring& value, UINT dpi);
// The window attributes of a layout's root whose numbers are lengths.
bool IsWindowLength(const std::wstring& name);
// Applies one of them, written in layout units, to pm at pm's DPI.
void ApplyWindowLength(CPaintManagerUI* pm, const std::wstring& name, const std::wstring& value);
// Answers WM_GETOBJECT: for OBJID_CLIENT, pm's window's IAccessible (made
// on the first request, one per window) through oleacc's
// LresultFromObject; false for any other object or when oleacc is missing.
bool AccGetObject(CPaintManagerUI* pm, WPARAM wParam, LPARAM lParam, LRESULT& lRes);
// pm's window is going: its object lets go of the manager (calls on it
// return CO_E_OBJNOTCONNECTED from then on) and the manager's reference is
// released.
void AccDisconnect(CPaintManagerUI* pm);
// Tells WinEvent listeners about a change of c (EVENT_OBJECT_*), when c is
// one of its window's reader children. Interface thread.
void AccNotify(CControlUI* c, DWORD event);
// Runs the default action of child id of pm's window (posted by
// accDoDefaultAction).
void AccRunDefaultAction(CPaintManagerUI* pm, int childId);
// Moves the keyboard focus to child id of pm's window when it can take it
// (posted by accSelect).
void AccRunFocus(CPaintManagerUI* pm, int childId);
// The reader object of a field's native edit window (UIAccessibleEdit.cpp).
// EditGetObject answers WM_GETOBJECT for OBJID_CLIENT (false for any other
// object, or when oleacc is missing); *slot holds the window's reference,
// NULL until the first request. EditAccDisconnect, when the native window
// goes: the object forgets the window and the field and *slot is released.
bool EditGetObject(HWND edit, CEditUI* field, void** slot, WPARAM wParam, LPARAM lParam, LRESULT& lRes);
void EditAccDisconnect(void** slot);
// A control lies under a visible page window of its own window (UIKeyboard).
bool Covered(CControlUI* c);

} // namespace duiint

// Friend of CPaintManagerUI: the controls' view of the manager's inside.
struct PaintManagerAccess {
    static std::vector<CControlUI*> OptionGroup(CPaintManagerUI* pm, LPCTSTR group);
    // The focus mark is to be drawn on pm's focused control: the keyboard
    // was used in the tree and pm's window holds the keyboard.
    static bool ShowFocusCues(CPaintManagerUI* pm);
    static void SetFocusCues(CPaintManagerUI* pm, bool show);
    // The plain check buttons of member's group (AddCheckButton), member
    // among them; empty when it has none.
    static std::vector<CControlUI*> CheckGroup(CPaintManagerUI* pm, CControlUI* member);
    // The window's reader object (UIAccessible.cpp), NULL until asked for.
    static void*& Accessible(CPaintManagerUI* pm);
    // The builder keeps the layout's window lengths as written, so that a
    // change of DPI applies them again.
    static void KeepWindowLength(CPaintManagerUI* pm, const std::wstring& name, const std::wstring& value);
};
