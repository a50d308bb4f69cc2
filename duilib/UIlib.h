// DuiLibu.dll: the skinned-window library of Setup and Uninstall.
//
// A window (CWindowWnd) owns a paint manager (CPaintManagerUI) that holds a
// tree of controls (CControlUI and subclasses), built by CDialogBuilder from
// an XML layout read out of the skin archive (a zip file beside the
// executable, see CPaintManagerUI::SetResourceZip). The manager lays the
// controls out, paints them double-buffered with per-pixel alpha, routes
// mouse and keyboard input to them and tells the window's INotifyUI about
// what happened ("windowinit", "click", "setfocus", "killfocus", ...).
//
// Unicode only: every string is UTF-16 (LPCTSTR is LPCWSTR here).
//
// Ownership
//   - A CPaintManagerUI is owned by its window object. AttachDialog gives it
//     the root control; the manager deletes the whole tree when it is
//     destroyed or when another root is attached.
//   - A container owns its children (Add / Remove delete them).
//   - Pointers returned by FindControl, GetRoot, GetItemAt stay valid as long
//     as the tree does.
//   - Image strings, layouts and pictures are read from the skin archive the
//     first time they are needed and cached per manager.
//
// Errors
//   No exception ever leaves the library. A missing or damaged skin archive,
//   a missing layout or picture, malformed XML or an unknown element never
//   crash: CDialogBuilder::Create returns NULL when nothing could be built,
//   unknown elements and attributes are skipped, a missing picture draws
//   nothing.
//
// Threads
//   A window, its manager and its controls belong to the thread that created
//   the window (the interface thread). Other threads (workers) may call these
//   operations of a control at any time, also while the interface thread is
//   busy or blocked waiting for the worker:
//     CControlUI::SetAttribute, SetText, SetVisible, SetEnabled,
//     SetFixedWidth, SetFixedHeight, the CButtonUI image setters,
//     COptionUI::Selected, and CWindowWnd::ShowWindow / PostMessage.
//   Such a call never blocks on the interface thread: it queues the change in
//   the manager (under a short internal lock) and wakes the window with
//   PostMessage; the change takes effect, and the window repaints, the next
//   time the interface thread dispatches messages. CWindowWnd::ShowWindow
//   from another thread uses ShowWindowAsync. Getters (GetText, GetPos,
//   IsVisible, IsEnabled, GetMaxWidth, ...) may be called from any thread and
//   return the state last applied on the interface thread (GetText returns a
//   copy taken under the lock). Nothing in the library ever sends a message
//   from a worker to the interface thread, so a worker can never deadlock
//   against an interface thread that waits for it.
//   CWindowWnd::SendMessage is a plain SendMessageW: from a worker it blocks
//   until the interface thread dispatches messages; workers should avoid it.
#pragma once

#include <windows.h>

#ifdef UILIB_EXPORTS
#define UILIB_API __declspec(dllexport)
#else
#define UILIB_API __declspec(dllimport)
#endif

class CControlUI;
class CContainerUI;
class CPaintManagerUI;

// ---------------------------------------------------------------------------
// CStdString: a wide string with value semantics. Short strings live in an
// inline buffer, longer ones on the heap; the object owns its buffer.
class UILIB_API CStdString {
public:
    enum { MAX_LOCAL_STRING_LEN = 63 };

    CStdString();
    CStdString(const TCHAR ch);
    CStdString(const CStdString& src);
    CStdString(LPCTSTR lpsz, int nLen = -1);  // NULL gives an empty string
    ~CStdString();

    void Empty();
    int GetLength() const;
    bool IsEmpty() const;
    TCHAR GetAt(int nIndex) const;           // 0 when out of range
    void SetAt(int nIndex, TCHAR ch);        // ignored when out of range
    void Append(LPCTSTR pstr);
    void Assign(LPCTSTR pstr, int nLength = -1);
    LPCTSTR GetData() const;                 // never NULL

    operator LPCTSTR() const;
    TCHAR operator[](int nIndex) const;

    const CStdString& operator=(const CStdString& src);
    const CStdString& operator=(LPCTSTR pstr);
    const CStdString& operator=(const TCHAR ch);
    const CStdString& operator+=(const CStdString& src);
    const CStdString& operator+=(LPCTSTR pstr);
    const CStdString& operator+=(const TCHAR ch);
    CStdString operator+(const CStdString& src) const;
    CStdString operator+(LPCTSTR pstr) const;

    bool operator==(LPCTSTR str) const;
    bool operator!=(LPCTSTR str) const;
    bool operator<(LPCTSTR str) const;
    bool operator<=(LPCTSTR str) const;
    bool operator>(LPCTSTR str) const;
    bool operator>=(LPCTSTR str) const;

    int Compare(LPCTSTR pstr) const;         // <0, 0, >0 like wcscmp
    int CompareNoCase(LPCTSTR pstr) const;

    void MakeUpper();
    void MakeLower();

    CStdString Left(int nLength) const;      // lengths are clamped to the string
    CStdString Mid(int iPos, int nLength = -1) const;
    CStdString Right(int nLength) const;

    int Find(TCHAR ch, int iPos = 0) const;  // index or -1
    int Find(LPCTSTR pstr, int iPos = 0) const;
    int ReverseFind(TCHAR ch) const;
    int Replace(LPCTSTR pstrFrom, LPCTSTR pstrTo);  // number of replacements

    // printf-style formatting with the Windows wide conventions (%s and %d
    // take wide strings and ints); returns the new length, or -1 on a bad
    // format.
    int __cdecl Format(LPCTSTR pstrFormat, ...);
    int __cdecl SmallFormat(LPCTSTR pstrFormat, ...);

private:
    void Reserve(int nLength);
    LPTSTR m_pstr;
    TCHAR m_szBuffer[MAX_LOCAL_STRING_LEN + 1];
};

inline bool operator==(LPCTSTR a, const CStdString& b) { return b == a; }
inline bool operator!=(LPCTSTR a, const CStdString& b) { return b != a; }

// ---------------------------------------------------------------------------
// CDUIRect: a RECT with helpers.
class UILIB_API CDUIRect : public tagRECT {
public:
    CDUIRect();
    CDUIRect(const RECT& src);
    CDUIRect(int iLeft, int iTop, int iRight, int iBottom);

    int GetWidth() const;
    int GetHeight() const;
    void Empty();
    bool IsNull() const;
    void Join(const RECT& rc);
    void ResetOffset();
    void Normalize();
    void Offset(int cx, int cy);
    void Inflate(int cx, int cy);
    void Deflate(int cx, int cy);
    void Union(CDUIRect& rc);
};

// ---------------------------------------------------------------------------
// Notifications. A manager sends one record per event to every notifier
// registered with AddNotifier, on the interface thread.
//   "windowinit"  after the first layout of a freshly attached tree (sender:
//                 the root control)
//   "click"       a button or option was released over itself, or activated
//                 with Enter, Space or its shortcut (sender: that control)
//   "selectchanged" an option's selected state changed
//   "setfocus" / "killfocus" a control gained / lost the keyboard focus
//   "textchanged" the text of an edit changed by user input
//   "return"      Enter pressed in a single-line edit
typedef struct tagTNotifyUI {
    CStdString sType;
    CControlUI* pSender;
    DWORD dwTimestamp;
    POINT ptMouse;
    WPARAM wParam;
    LPARAM lParam;
} TNotifyUI;

class UILIB_API INotifyUI {
public:
    virtual ~INotifyUI() {}
    virtual void Notify(TNotifyUI& msg) = 0;
};

// The builder asks the callback for every element it does not know itself.
// Returning NULL skips the element (and its children).
class UILIB_API IDialogBuilderCallback {
public:
    virtual ~IDialogBuilderCallback() {}
    virtual CControlUI* CreateControl(LPCTSTR pstrClass) = 0;
};

// ---------------------------------------------------------------------------
// Events that the manager hands to controls (DoEvent), on the interface thread.
enum UIEVENT {
    UIEVENT_MOUSEMOVE = 1,
    UIEVENT_MOUSELEAVE,
    UIEVENT_MOUSEENTER,
    UIEVENT_BUTTONDOWN,
    UIEVENT_BUTTONUP,
    UIEVENT_DBLCLICK,
    UIEVENT_KEYDOWN,
    UIEVENT_CHAR,
    UIEVENT_SETFOCUS,
    UIEVENT_KILLFOCUS,
    UIEVENT_SETCURSOR,
    UIEVENT_TIMER,
};

typedef struct tagTEventUI {
    int Type;
    CControlUI* pSender;
    DWORD dwTimestamp;
    POINT ptMouse;
    TCHAR chKey;
    WORD wKeyState;
    WPARAM wParam;
    LPARAM lParam;
} TEventUI;

// Control state bits (CControlUI::GetButtonState and friends).
enum {
    UISTATE_FOCUSED = 0x01,
    UISTATE_SELECTED = 0x02,
    UISTATE_DISABLED = 0x04,
    UISTATE_HOT = 0x08,
    UISTATE_PUSHED = 0x10,
    UISTATE_CAPTURED = 0x40,
};

// Text alignment bits for the "align" attribute (DT_* values).
// "left", "center", "right", "top", "vcenter", "bottom", "wrap".

// ---------------------------------------------------------------------------
// CPaintManagerUI: one per window; binds the control tree to the window,
// lays it out, paints it and dispatches input.
class UILIB_API CPaintManagerUI {
public:
    CPaintManagerUI();
    ~CPaintManagerUI();

    // Process-wide set-up (call on the interface thread before windows exist).
    static void SetInstance(HINSTANCE hInst);
    static HINSTANCE GetInstance();
    static CStdString GetInstancePath();      // directory of the executable, trailing '\'
    static CStdString GetCurrentPath();       // current directory, no trailing '\'
    static void SetResourcePath(LPCTSTR pStrPath);   // a trailing '\' is added when missing
    static const CStdString& GetResourcePath();
    // Names the skin archive inside the resource path (or an absolute path).
    // From then on layouts and pictures are read from that archive; an empty
    // or NULL name reads plain files below the resource path instead.
    // The archive is opened lazily; a missing or damaged archive just makes
    // every lookup fail.
    static void SetResourceZip(LPCTSTR pstrZip);
    static const CStdString& GetResourceZip();
    // Reads one entry of the skin archive (or one file below the resource
    // path) into a new buffer that the caller frees with FreeResourceData.
    // Returns false when it is missing or unreadable.
    static bool LoadResourceData(LPCTSTR pstrName, BYTE** ppData, DWORD* pdwSize);
    static void FreeResourceData(BYTE* pData);
    // Runs the thread's message loop until WM_QUIT; returns its exit code.
    static int MessageLoop();
    // Hook before dispatch, called by MessageLoop; true would mean
    // consumed. Tab, Enter, Space and Alt shortcuts are handled by the
    // windows themselves (MessageHandler), so that they also work under
    // modal loops: this returns false.
    static bool TranslateMessage(const LPMSG pMsg);

    // Display scaling (UIDpi.cpp). Layouts are written for kLayoutDpi; a
    // manager scales every length a layout gives (positions, sizes, padding,
    // borders, fonts, the window's size, caption, size box and round corner)
    // by the DPI of its window as the layout is read, so that at 96 DPI
    // nothing changes. Lengths set later through SetAttribute or the setters
    // are pixels. Newer Windows functions are looked up at run time.
    // When the window's DPI changes (WM_DPICHANGED for a top-level window,
    // which also takes the suggested rectangle; WM_DPICHANGED_AFTERPARENT
    // for a child window, which takes its parent manager's DPI), ChangeDpi
    // applies the layout's lengths, the window's geometry and the fonts
    // again at the new DPI, resizes the pictures anew, passes the change on
    // to child windows with managers of their own, and notifies
    // "dpichanged" (sender: the root) so that the program places again what
    // it placed itself (pages, lengths it set in pixels).
    static constexpr UINT kLayoutDpi = 96;
    // Makes the process aware of the display's scaling: per monitor from
    // Windows 10 1703 (1607) on, system-wide from Vista on. True when it is
    // aware afterwards (a manifest may have made it so already).
    static bool SetProcessAwareness();
    // The window's DPI (GetDpiForWindow), else the screen's; 96 at worst.
    static UINT DpiOfWindow(HWND hWnd);
    // value * dpi / 96, rounded; value itself at 96.
    static int ScaleByDpi(int value, UINT dpi);
    // The DPI this manager's layouts are read at: the one SetDpi fixed
    // before Init, else the window's at Init, else 96.
    UINT GetDpi() const;
    void SetDpi(UINT dpi);
    int Scale(int value) const { return ScaleByDpi(value, GetDpi()); }
    // The window is now drawn at `dpi` (see above); nothing when it is 0 or
    // the manager's DPI already. Interface thread.
    void ChangeDpi(UINT dpi);

    // Binds the manager to a window (call in WM_CREATE).
    void Init(HWND hWnd);
    HWND GetPaintWindow() const;
    // Always NULL: every paint uses its own DC and back buffer.
    HDC GetPaintDC() const;
    POINT GetMousePos() const;                // last mouse position, client coordinates
    SIZE GetClientSize() const;

    // Window geometry declared by the layout's root element. The manager
    // only keeps it: WM_NCHITTEST and the window region (SetWindowRgn) are
    // the window's own business.
    SIZE GetInitSize();                       // "size"
    void SetInitSize(int cx, int cy);
    RECT& GetSizeBox();                       // "sizebox"
    void SetSizeBox(RECT& rcSizeBox);
    RECT& GetCaptionRect();                   // "caption"
    void SetCaptionRect(RECT& rcCaption);
    SIZE GetRoundCorner() const;              // "roundcorner"
    void SetRoundCorner(int cx, int cy);
    SIZE GetMinInfo() const;                  // "mininfo"
    void SetMinInfo(int cx, int cy);

    // Fonts declared by <Font> elements, by index; index -1 (or unknown) is
    // the default font. The manager owns the HFONTs.
    HFONT GetFont(int index);
    HFONT GetDefaultFont();
    void SetDefaultFont(LPCTSTR pStrFontName, int nSize, bool bBold, bool bUnderline, bool bItalic);
    HFONT AddFont(LPCTSTR pStrFontName, int nSize, bool bBold, bool bUnderline, bool bItalic);
    bool AddFontAt(int index, LPCTSTR pStrFontName, int nSize, bool bBold, bool bUnderline, bool bItalic);
    DWORD GetDefaultFontColor() const;
    void SetDefaultFontColor(DWORD dwColor);
    DWORD GetDefaultDisabledColor() const;
    void SetDefaultDisabledColor(DWORD dwColor);

    // Installs a new control tree (deleting the previous one). When the
    // layout declared a size, the window is resized to it (the window's
    // outer size; the programs' windows have no frame, so client = window).
    // The tree is laid out at once (GetPos is valid on return) and
    // "windowinit" is posted, so it arrives once the notifiers are in place.
    // Returns false for a NULL root.
    bool AttachDialog(CControlUI* pControl);
    CControlUI* GetRoot() const;
    // Called by controls while the tree is built; sets the manager of a
    // subtree and registers names and option groups.
    bool InitControls(CControlUI* pControl, CControlUI* pParent = NULL);
    void ReapObjects(CControlUI* pControl);

    bool AddNotifier(INotifyUI* pControl);
    bool RemoveNotifier(INotifyUI* pControl);
    void SendNotify(TNotifyUI& Msg);
    void SendNotify(CControlUI* pControl, LPCTSTR pstrMessage, WPARAM wParam = 0, LPARAM lParam = 0);

    // Option groups: options with the same "group" are mutually exclusive.
    bool AddOptionGroup(LPCTSTR pStrGroupName, CControlUI* pControl);
    void RemoveOptionGroup(LPCTSTR pStrGroupName, CControlUI* pControl);
    void RemoveAllOptionGroups();

    // The control with that "name", or NULL.
    CControlUI* FindControl(LPCTSTR pstrName) const;
    // The topmost visible control under the point (client coordinates), or
    // NULL. Mouse-transparent containers are looked through.
    CControlUI* FindControl(POINT pt) const;

    // Keyboard focus among the controls.
    //
    // A top-level window and its visible child windows that have a manager
    // (a wizard's frame and the page on top of it) share one focus order:
    // the children's stops first, then the top-level window's own; a control
    // lying under a visible child window of its own window is no stop, and
    // neither it nor its shortcut answers the keyboard. Stops are visible,
    // enabled controls with UIFLAG_TABSTOP in layout order, sorted by
    // "taborder". Keys, handled by the window holding the keyboard focus (and
    // by the edit fields for theirs):
    //   Tab / Shift+Tab  the next / previous stop of the shared order, wrapping;
    //   Enter            the focused button, else the default button;
    //   Escape           the cancel button;
    //   Space            the focused button or option;
    //   arrows           the previous / next option of the focused option's
    //                    group, selected (or check button's, pressed);
    //   Alt+letter       the control whose "shortcut" is that letter (a
    //                    push button is pressed and the focus stays where it
    //                    is; another control takes the focus too).
    // The default and cancel buttons that answer are those of the first window
    // in the shared order that has a visible, enabled, uncovered one. The
    // focus mark (a dotted rectangle in the focus colour) shows on the focused
    // control only after the keyboard was used in the tree and while its
    // window holds the keyboard focus. When a window holding the focus hides,
    // the focus goes to the stop of the same name in what stays visible (a
    // page's "nextbtn" to the next page's), else to the default button.
    CControlUI* GetFocus() const;               // this window's focused control
    void SetFocus(CControlUI* pControl);         // clears the other windows' of the tree
    bool SetNextTabControl(bool bForward = true);
    // The shared focus order of this window's tree, copied into items (up to
    // count); returns its length.
    int GetFocusOrder(CControlUI** items, int count) const;
    // The control that has the keyboard now in the tree of hwnd (any window
    // of it), or NULL.
    static CControlUI* GetKeyboardFocus(HWND hwnd);
    // Enter and Escape press these when they are visible and enabled.
    void SetDefaultButton(CControlUI* pControl);
    CControlUI* GetDefaultButton() const;
    void SetCancelButton(CControlUI* pControl);
    CControlUI* GetCancelButton() const;
    // A plain button that the program uses as a check box or option: while
    // it has the focus, Enter presses the default button (as with the
    // system's check boxes) and Space presses it. Options are such anyway.
    // Plain buttons given the same group are one group for the arrows,
    // which move the focus to the previous or next one and press it.
    void AddCheckButton(CControlUI* pControl, LPCTSTR pstrGroup = NULL);
    bool IsCheckButton(CControlUI* pControl) const;
    // Colour of the focus mark (the <Window>'s "focuscolor"); 0xFF000000 when
    // the layout gives none.
    void SetFocusColor(DWORD dwColor);
    DWORD GetFocusColor() const;
    // The focus mark shows: the keyboard was used in this window's tree.
    bool IsFocusMarkShown() const;

    // Invalidation and layout.
    void Invalidate(RECT& rcItem);
    void NeedUpdate();                        // relayout before the next paint
    bool IsUpdateNeeded() const;
    // Lays the tree out now if needed (interface thread only).
    void UpdateLayout();
    // Paints the whole tree into hDC (client coordinates), laying it out
    // first if needed. Interface thread only. Used by WM_PRINTCLIENT and by
    // tests and screenshot tools.
    void RenderTo(HDC hDC);

    // Pictures: decodes (and caches) an image of the skin archive. Returns
    // a 32-bit premultiplied top-down DIB section owned by the manager, or
    // NULL when missing or undecodable; *pSize receives its size.
    HBITMAP GetImage(LPCTSTR bitmap, SIZE* pSize = NULL);
    // Draws an image string ("file='a.png' source='l,t,r,b' dest='l,t,r,b'
    // corner='l,t,r,b' fade='255'", or a bare file name) into rcItem.
    // Returns false when the picture is missing.
    bool DrawImageString(HDC hDC, const RECT& rcItem, const RECT& rcPaint, LPCTSTR pStrImage);

    // Runs a change on the interface thread: directly when called there,
    // else queued (with copies of name and value) and the window woken with
    // PostMessage, so it never blocks. fn runs once, on the interface thread,
    // the next time the window dispatches messages; changes queued for a
    // control that is deleted meanwhile are dropped.
    typedef void (*PFNUITASK)(CControlUI* pControl, LPCTSTR pstrName, LPCTSTR pstrValue);
    void RunOnUIThread(PFNUITASK fn, CControlUI* pControl, LPCTSTR pstrName, LPCTSTR pstrValue);
    bool IsUIThread() const;

    // The window procedure hands each message here first. Returns true when
    // the manager consumed it, with the result in lRes. WM_GETOBJECT for
    // OBJID_CLIENT is answered with the window's IAccessible (screen
    // readers: see the "accname" comment of CControlUI).
    bool MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes);

private:
    friend struct PaintManagerAccess;  // the library's own controls
    CPaintManagerUI(const CPaintManagerUI&);
    CPaintManagerUI& operator=(const CPaintManagerUI&);
    struct Impl;
    Impl* m_p;
};

// ---------------------------------------------------------------------------
// CWindowWnd: a Win32 window whose messages go to the virtual HandleMessage.
class UILIB_API CWindowWnd {
public:
    CWindowWnd();
    virtual ~CWindowWnd();

    HWND GetHWND() const;
    operator HWND() const;

    bool RegisterWindowClass();
    bool RegisterSuperclass();

    // Registers the class named by GetWindowClassName (once per process),
    // creates the window and returns its handle (NULL on failure).
    // WM_CREATE reaches HandleMessage before this returns.
    HWND Create(HWND hwndParent, LPCTSTR pstrName, DWORD dwStyle, DWORD dwExStyle,
                int x = CW_USEDEFAULT, int y = CW_USEDEFAULT, int cx = CW_USEDEFAULT,
                int cy = CW_USEDEFAULT, HMENU hMenu = NULL);
    HWND Create(HWND hwndParent, LPCTSTR pstrName, DWORD dwStyle, DWORD dwExStyle,
                const RECT rc, HMENU hMenu = NULL);
    HWND Subclass(HWND hWnd);
    void Unsubclass();

    // From another thread than the window's, uses ShowWindowAsync and never
    // blocks.
    void ShowWindow(bool bShow = true, bool bTakeFocus = true);
    // Modal loop over this window (disables the owner); returns the code
    // given to Close.
    UINT ShowModal();
    // Posts WM_CLOSE with the code as wParam.
    void Close(UINT nRet = IDOK);
    // Centres a top-level window on its owner, else on the work area; a
    // child window on its parent's client area.
    void CenterWindow();
    void SetIcon(UINT nRes);

    LRESULT SendMessage(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0L);
    LRESULT PostMessage(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0L);
    // Sets the client area size.
    void ResizeClient(int cx = -1, int cy = -1);

protected:
    virtual LPCTSTR GetWindowClassName() const = 0;
    virtual LPCTSTR GetSuperClassName() const;
    virtual UINT GetClassStyle() const;

    // Default processing (DefWindowProc, or the superclass procedure).
    virtual LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam);
    // After WM_NCDESTROY; the object may delete itself here.
    virtual void OnFinalMessage(HWND hWnd);

    static LRESULT CALLBACK __WndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK __ControlProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd;
    WNDPROC m_OldWndProc;
    bool m_bSubclassed;
};

// ---------------------------------------------------------------------------
// CControlUI: the base of every control. Positions are client coordinates of
// the manager's window, valid after layout (GetPos).
class UILIB_API CControlUI {
public:
    CControlUI();
    virtual ~CControlUI();

    virtual CStdString GetName() const;
    virtual void SetName(LPCTSTR pstrName);
    virtual LPCTSTR GetClass() const;                  // "ControlUI", ...
    // Returns this control when it is (or derives from) the named interface
    // ("Control", "Label", "Text", "Button", "Option", "Edit", "Container",
    // "VerticalLayout", "HorizontalLayout", "RichEdit"), else NULL.
    virtual LPVOID GetInterface(LPCTSTR pstrName);
    virtual UINT GetControlFlags() const;              // UIFLAG_* below

    virtual bool Activate();                           // false when disabled/hidden
    virtual CPaintManagerUI* GetManager() const;
    virtual void SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit = true);
    virtual CControlUI* GetParent() const;

    // Text (thread-safe, see the header comment).
    virtual CStdString GetText() const;
    virtual void SetText(LPCTSTR pstrText);

    // Background and border.
    DWORD GetBkColor() const;
    void SetBkColor(DWORD dwBackColor);               // 0xAARRGGBB; 0 = none
    LPCTSTR GetBkImage();
    void SetBkImage(LPCTSTR pStrImage);
    DWORD GetBorderColor() const;
    void SetBorderColor(DWORD dwBorderColor);
    int GetBorderSize() const;
    void SetBorderSize(int nSize);
    SIZE GetBorderRound() const;
    void SetBorderRound(SIZE cxyRound);

    // Position.
    virtual const RECT& GetPos() const;
    virtual void SetPos(RECT rc);                      // interface thread
    virtual int GetWidth() const;
    virtual int GetHeight() const;
    virtual int GetX() const;
    virtual int GetY() const;
    virtual RECT GetPadding() const;
    virtual void SetPadding(RECT rcPadding);
    virtual SIZE GetFixedXY() const;                   // of a float control
    virtual void SetFixedXY(SIZE szXY);
    virtual int GetFixedWidth() const;                 // 0 = stretch
    virtual void SetFixedWidth(int cx);
    virtual int GetFixedHeight() const;
    virtual void SetFixedHeight(int cy);
    virtual int GetMinWidth() const;
    virtual void SetMinWidth(int cx);
    virtual int GetMaxWidth() const;                   // 9999 when unbounded
    virtual void SetMaxWidth(int cx);
    virtual int GetMinHeight() const;
    virtual void SetMinHeight(int cy);
    virtual int GetMaxHeight() const;
    virtual void SetMaxHeight(int cy);
    virtual bool IsFloat() const;
    virtual void SetFloat(bool bFloat = true);
    // The float rectangle from "pos" (relative to the parent's top-left).
    virtual RECT GetFloatPos() const;

    // Tooltip and shortcut (Alt+letter activates the control).
    virtual CStdString GetToolTip() const;
    virtual void SetToolTip(LPCTSTR pstrText);
    virtual TCHAR GetShortcut() const;
    virtual void SetShortcut(TCHAR ch);
    // Place in the focus order ("taborder"): stops are taken in layout order,
    // then sorted by this number (stable), so 0, the default, keeps the
    // layout's order and a higher number moves a control behind the rest.
    int GetTabOrder() const;
    void SetTabOrder(int iOrder);

    // What screen readers are told (UIAccessible.cpp), from the layout:
    //   "accname"  the name, for a control that shows no text (a picture,
    //              a button drawn with its caption); else the text, then
    //              the tooltip, names it;
    //   "accrole"  the role where the class does not tell it: "graphic",
    //              "progressbar" (value: the fixed width against
    //              "maxwidth", in percent), "statictext", "pushbutton",
    //              "none" (left out of the reader's tree);
    //   "accfor"   on a label: the name of the control it names (a check
    //              box's caption beside it); the label itself is then left
    //              out, so that a reader says the text once;
    //   "checked"  on a button used as a check box or option: its state
    //              ("true" / "false"), which the program keeps in step with
    //              its look (SetChecked is thread-safe).
    // Empty / -1 (no state) when not given.
    CStdString GetAccName() const;
    CStdString GetAccRole() const;
    CStdString GetAccFor() const;
    int GetChecked() const;
    void SetChecked(bool bChecked);

    // State (setters thread-safe).
    virtual bool IsVisible() const;                    // own flag and every parent's
    virtual void SetVisible(bool bVisible = true);
    virtual void SetInternVisible(bool bVisible = true);
    virtual bool IsEnabled() const;
    virtual void SetEnabled(bool bEnable = true);
    virtual bool IsMouseEnabled() const;
    virtual void SetMouseEnabled(bool bEnable = true);
    virtual bool IsFocused() const;
    virtual void SetFocus();

    // Finds a control in this subtree: pfnFind(control, data) returns the
    // control to stop at, or NULL to go on. Flags: UIFIND_*.
    typedef CControlUI* (CALLBACK* FINDCONTROLPROC)(CControlUI*, LPVOID);
    virtual CControlUI* FindControl(FINDCONTROLPROC Proc, LPVOID pData, UINT uFlags);

    void Invalidate();
    bool IsUpdateNeeded() const;
    void NeedUpdate();
    void NeedParentUpdate();

    virtual void Init();
    virtual void DoInit();
    virtual void Event(TEventUI& event);
    virtual void DoEvent(TEventUI& event);

    // Applies one layout attribute (thread-safe). Unknown names are ignored.
    virtual void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue);
    // Applies a list like "name=\"a\" width=\"3\"".
    CControlUI* ApplyAttributeList(LPCTSTR pstrList);
    // Display scaling: the builder keeps each length attribute of the layout
    // as written (layout units); ApplyLayoutLengths applies them again,
    // scaled by the manager's DPI, after it changed (not the children's).
    void KeepLayoutLength(LPCTSTR pstrName, LPCTSTR pstrValue);
    void ApplyLayoutLengths();

    // Layout: the size wanted within szAvailable (0 = no wish).
    virtual SIZE EstimateSize(SIZE szAvailable);

    // Painting (interface thread).
    virtual void DoPaint(HDC hDC, const RECT& rcPaint);
    virtual void PaintBkColor(HDC hDC);
    virtual void PaintBkImage(HDC hDC);
    virtual void PaintStatusImage(HDC hDC);
    virtual void PaintText(HDC hDC);
    virtual void PaintBorder(HDC hDC);

    // Draws an image string into this control's rectangle; false when the
    // picture is missing.
    bool DrawImage(HDC hDC, LPCTSTR pStrImage);

protected:
    CPaintManagerUI* m_pManager;
    CControlUI* m_pParent;
    CStdString m_sName;
    bool m_bUpdateNeeded;
    RECT m_rcItem;
    RECT m_rcPadding;
    SIZE m_cXY;
    SIZE m_cxyFixed;
    SIZE m_cxyMin;
    SIZE m_cxyMax;
    RECT m_rcFloat;     // "pos" as written
    bool m_bVisible;
    bool m_bInternVisible;
    bool m_bEnabled;
    bool m_bMouseEnabled;
    bool m_bFocused;
    bool m_bFloat;
    bool m_bSetPos;     // re-entrancy guard of SetPos
    TCHAR m_chShortcut;
    CStdString m_sText;
    CStdString m_sToolTip;
    CStdString m_sBkImage;
    DWORD m_dwBackColor;
    DWORD m_dwBorderColor;
    int m_nBorderSize;
    SIZE m_cxyBorderRound;
    RECT m_rcPaint;
    void* m_pReserved;  // the screen reader's attributes (owned; NULL until one is given)
    int m_iTabOrder;
};

// Control flags and FindControl flags.
enum {
    UIFLAG_TABSTOP = 0x01,
    UIFLAG_SETCURSOR = 0x02,
    UIFLAG_WANTRETURN = 0x04,
};
enum {
    UIFIND_ALL = 0x0,
    UIFIND_VISIBLE = 0x1,
    UIFIND_ENABLED = 0x2,
    UIFIND_HITTEST = 0x4,
    UIFIND_TOP_FIRST = 0x8,
    UIFIND_ME_FIRST = 0x8000,
};

// ---------------------------------------------------------------------------
// Containers: own their children. "inset" pads the inside, "childpadding"
// separates children.
class UILIB_API CContainerUI : public CControlUI {
public:
    CContainerUI();
    virtual ~CContainerUI();

    LPCTSTR GetClass() const override;                 // "ContainerUI"
    LPVOID GetInterface(LPCTSTR pstrName) override;

    virtual CControlUI* GetItemAt(int iIndex) const;   // NULL out of range
    virtual int GetItemIndex(CControlUI* pControl) const;
    virtual int GetCount() const;
    virtual bool Add(CControlUI* pControl);
    virtual bool AddAt(CControlUI* pControl, int iIndex);
    virtual bool Remove(CControlUI* pControl);         // deletes it
    virtual bool RemoveAt(int iIndex);
    virtual void RemoveAll();

    virtual RECT GetInset() const;
    virtual void SetInset(RECT rcInset);
    virtual int GetChildPadding() const;
    virtual void SetChildPadding(int iPadding);
    virtual bool IsMouseChildEnabled() const;
    virtual void SetMouseChildEnabled(bool bEnable = true);

    void SetVisible(bool bVisible = true) override;
    void SetInternVisible(bool bVisible = true) override;
    void SetEnabled(bool bEnable = true) override;
    void SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit = true) override;
    CControlUI* FindControl(FINDCONTROLPROC Proc, LPVOID pData, UINT uFlags) override;
    void SetPos(RECT rc) override;
    void DoPaint(HDC hDC, const RECT& rcPaint) override;
    void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;

protected:
    // Places a float child by its "pos" relative to this container.
    virtual void SetFloatPos(int iIndex);

    void* m_pItems;     // the child list (owned)
    RECT m_rcInset;
    int m_iChildPadding;
    bool m_bMouseChildEnabled;
};

// Children top to bottom; fixed heights first, the rest share what is left.
class UILIB_API CVerticalLayoutUI : public CContainerUI {
public:
    CVerticalLayoutUI();
    LPCTSTR GetClass() const override;                 // "VerticalLayoutUI"
    LPVOID GetInterface(LPCTSTR pstrName) override;
    void SetPos(RECT rc) override;
};

// Children left to right; fixed widths first (bounded by min/max width),
// the rest share what is left.
class UILIB_API CHorizontalLayoutUI : public CContainerUI {
public:
    CHorizontalLayoutUI();
    LPCTSTR GetClass() const override;                 // "HorizontalLayoutUI"
    LPVOID GetInterface(LPCTSTR pstrName) override;
    void SetPos(RECT rc) override;
};

// ---------------------------------------------------------------------------
// A single line of text ("font", "textcolor", "disabledtextcolor", "align",
// "textpadding").
class UILIB_API CLabelUI : public CControlUI {
public:
    CLabelUI();
    LPCTSTR GetClass() const override;                 // "LabelUI"
    LPVOID GetInterface(LPCTSTR pstrName) override;

    void SetTextStyle(UINT uStyle);                    // DT_* flags
    UINT GetTextStyle() const;
    void SetTextColor(DWORD dwTextColor);
    DWORD GetTextColor() const;
    void SetDisabledTextColor(DWORD dwTextColor);
    DWORD GetDisabledTextColor() const;
    void SetFont(int index);
    int GetFont() const;
    RECT GetTextPadding() const;
    void SetTextPadding(RECT rc);

    SIZE EstimateSize(SIZE szAvailable) override;
    void DoEvent(TEventUI& event) override;
    void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;
    void PaintText(HDC hDC) override;

protected:
    DWORD m_dwTextColor;
    DWORD m_dwDisabledTextColor;
    int m_iFont;
    UINT m_uTextStyle;
    RECT m_rcTextPadding;
};

// Wrapped, multi-line text (a label whose "align" includes "wrap").
class UILIB_API CTextUI : public CLabelUI {
public:
    CTextUI();
    LPCTSTR GetClass() const override;                 // "TextUI"
    LPVOID GetInterface(LPCTSTR pstrName) override;
    void PaintText(HDC hDC) override;
};

// A push button with sprite looks: "normalimage", "hotimage",
// "pushedimage", "focusedimage", "disabledimage" (image strings).
// Sends "click" on release over itself, and on Enter/Space when focused.
class UILIB_API CButtonUI : public CLabelUI {
public:
    CButtonUI();
    LPCTSTR GetClass() const override;                 // "ButtonUI"
    LPVOID GetInterface(LPCTSTR pstrName) override;
    UINT GetControlFlags() const override;

    bool Activate() override;
    void SetEnabled(bool bEnable = true) override;
    void DoEvent(TEventUI& event) override;

    // Image setters are thread-safe.
    LPCTSTR GetNormalImage();
    void SetNormalImage(LPCTSTR pStrImage);
    LPCTSTR GetHotImage();
    void SetHotImage(LPCTSTR pStrImage);
    LPCTSTR GetPushedImage();
    void SetPushedImage(LPCTSTR pStrImage);
    LPCTSTR GetFocusedImage();
    void SetFocusedImage(LPCTSTR pStrImage);
    LPCTSTR GetDisabledImage();
    void SetDisabledImage(LPCTSTR pStrImage);
    void SetHotTextColor(DWORD dwColor);
    DWORD GetHotTextColor() const;
    void SetPushedTextColor(DWORD dwColor);
    DWORD GetPushedTextColor() const;
    UINT GetButtonState() const;                       // UISTATE_* bits

    SIZE EstimateSize(SIZE szAvailable) override;
    void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;
    void PaintText(HDC hDC) override;
    void PaintStatusImage(HDC hDC) override;

protected:
    UINT m_uButtonState;
    DWORD m_dwHotTextColor;
    DWORD m_dwPushedTextColor;
    CStdString m_sNormalImage;
    CStdString m_sHotImage;
    CStdString m_sPushedImage;
    CStdString m_sFocusedImage;
    CStdString m_sDisabledImage;
};

// A button with a selected state; options of one "group" are exclusive.
// "selected", "selectedimage", "group".
class UILIB_API COptionUI : public CButtonUI {
public:
    COptionUI();
    ~COptionUI() override;
    LPCTSTR GetClass() const override;                 // "OptionUI"
    LPVOID GetInterface(LPCTSTR pstrName) override;

    void SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit = true) override;
    bool Activate() override;

    LPCTSTR GetSelectedImage();
    void SetSelectedImage(LPCTSTR pStrImage);
    LPCTSTR GetGroup() const;
    void SetGroup(LPCTSTR pStrGroupName = NULL);
    bool IsSelected() const;
    virtual void Selected(bool bSelected);             // thread-safe

    void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;
    void PaintStatusImage(HDC hDC) override;

protected:
    bool m_bSelected;
    CStdString m_sGroupName;
    CStdString m_sSelectedImage;
};

// An editable text field with caret, selection, clipboard and IME input,
// backed by a native EDIT child window of the manager's window.
// "readonly", "password", "maxchar", "multiline", "vscrollbar",
// "nativebkcolor". Sends "setfocus", "killfocus", "textchanged", "return".
// GetText is thread-safe (a copy kept in step with the native field).
class UILIB_API CEditUI : public CLabelUI {
public:
    CEditUI();
    ~CEditUI() override;
    LPCTSTR GetClass() const override;                 // "EditUI"
    LPVOID GetInterface(LPCTSTR pstrName) override;
    UINT GetControlFlags() const override;

    void SetEnabled(bool bEnable = true) override;
    void SetText(LPCTSTR pstrText) override;
    void SetMaxChar(UINT uMax);
    UINT GetMaxChar() const;
    void SetReadOnly(bool bReadOnly);
    bool IsReadOnly() const;
    void SetPasswordMode(bool bPasswordMode);
    bool IsPasswordMode() const;
    void SetMultiLine(bool bMultiLine);
    bool IsMultiLine() const;
    void SetSel(long nStartChar, long nEndChar);
    // The native field (NULL before the control is laid out).
    HWND GetNativeWindow() const;

    void SetPos(RECT rc) override;
    void SetVisible(bool bVisible = true) override;
    void SetInternVisible(bool bVisible = true) override;
    SIZE EstimateSize(SIZE szAvailable) override;
    void DoEvent(TEventUI& event) override;
    void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;
    void PaintText(HDC hDC) override;

protected:
    void* m_pWindow;    // the native field (owned)
    UINT m_uMaxChar;
    bool m_bReadOnly;
    bool m_bPasswordMode;
    bool m_bMultiLine;
    bool m_bVScroll;
};

// A read-only, multi-line, scrolling text (for a licence): an edit with
// "readonly" and "multiline" set by default.
class UILIB_API CRichEditUI : public CEditUI {
public:
    CRichEditUI();
    LPCTSTR GetClass() const override;                 // "RichEditUI"
    LPVOID GetInterface(LPCTSTR pstrName) override;
};

// ---------------------------------------------------------------------------
// CDialogBuilder: builds a control tree from a layout.
class UILIB_API CDialogBuilder {
public:
    CDialogBuilder();
    ~CDialogBuilder();

    // xml is a layout name in the skin archive (or, when it starts with '<',
    // the XML text itself). type is unused (NULL). Applies the root
    // <Window>'s attributes (size, caption, sizebox, roundcorner, mininfo)
    // and <Font>s to the manager, creates the controls (asking the callback
    // for unknown elements), attaches them under pParent when given, and
    // returns the root control; NULL when the layout is missing, malformed
    // or has no controls.
    CControlUI* Create(LPCTSTR xml, LPCTSTR type = NULL, IDialogBuilderCallback* pCallback = NULL,
                       CPaintManagerUI* pManager = NULL, CControlUI* pParent = NULL);

    // A description of the last failure ("" after a success).
    CStdString GetLastErrorMessage() const;

private:
    CDialogBuilder(const CDialogBuilder&);
    CDialogBuilder& operator=(const CDialogBuilder&);
    struct Impl;
    Impl* m_p;
};
