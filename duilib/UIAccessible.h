// What the library's two kinds of reader object share: the window's own
// (UIAccessible.cpp) and the one of a field's native edit window
// (UIAccessibleEdit.cpp).
//
// - oleacc's functions, looked up in oleacc.dll from the system folder on
//   the first call; NULL when it is missing (WM_GETOBJECT then gets the
//   default processing).
// - What a reader reads of a control wherever it meets it: NameOf (its
//   "accname", else the text of the label naming it with "accfor", else its
//   text, else its tooltip) and KeysOf ("Alt+<letter>" of its "shortcut",
//   empty when it has none).
// - AccObject: the COM frame of an object, IUnknown for IAccessible and an
//   IDispatch without type information (readers use the vtable). It is made
//   with one reference, its maker's; it joins a single-threaded apartment
//   on the calling thread (the window's, where it is handed out and where
//   calls arrive) when that thread has none, until LeaveApartment.
#pragma once

#include "UIInternal.h"

#include <oleacc.h>

namespace duiacc {

using LresultFromObjectFn = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);
using CreateStdAccessibleObjectFn = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
LresultFromObjectFn LresultFromObjectProc();
CreateStdAccessibleObjectFn CreateStdProc();

CStdString NameOf(CPaintManagerUI* pm, CControlUI* c);
CStdString KeysOf(CControlUI* c);

// A new BSTR of text (empty for NULL); NULL when out of memory.
BSTR Bstr(LPCTSTR text);

class AccObject : public IAccessible {
public:
    AccObject();
    AccObject(const AccObject&) = delete;
    AccObject& operator=(const AccObject&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDispatch: none.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;

protected:
    virtual ~AccObject();
    // Leaves the apartment the constructor joined; once, on the same thread.
    void LeaveApartment();

private:
    LONG m_refs = 1;
    bool m_com = false;
};

} // namespace duiacc
