// CStdString and CDUIRect: the value types of the library's interface.
// CStdString keeps short strings in its inline buffer and longer ones in a
// heap block it owns (malloc/free, so copies never depend on which module
// allocated). No operation throws; an allocation failure leaves the string
// empty.
#include "UIlib.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

CStdString::CStdString() : m_pstr(m_szBuffer) { m_szBuffer[0] = L'\0'; }

CStdString::CStdString(const TCHAR ch) : m_pstr(m_szBuffer)
{
    m_szBuffer[0] = ch;
    m_szBuffer[1] = L'\0';
}

CStdString::CStdString(LPCTSTR lpsz, int nLen) : m_pstr(m_szBuffer)
{
    m_szBuffer[0] = L'\0';
    Assign(lpsz, nLen);
}

CStdString::CStdString(const CStdString& src) : m_pstr(m_szBuffer)
{
    m_szBuffer[0] = L'\0';
    Assign(src.m_pstr);
}

CStdString::~CStdString()
{
    if (m_pstr != m_szBuffer) free(m_pstr);
}

void CStdString::Reserve(int nLength)
{
    if (nLength <= MAX_LOCAL_STRING_LEN) return;
    if (m_pstr != m_szBuffer && static_cast<int>(_msize(m_pstr) / sizeof(TCHAR)) > nLength) return;
    LPTSTR p = static_cast<LPTSTR>(malloc((nLength + 1) * sizeof(TCHAR)));
    if (p == NULL) return;
    wcscpy(p, m_pstr);
    if (m_pstr != m_szBuffer) free(m_pstr);
    m_pstr = p;
}

int CStdString::GetLength() const { return static_cast<int>(wcslen(m_pstr)); }
bool CStdString::IsEmpty() const { return m_pstr[0] == L'\0'; }
LPCTSTR CStdString::GetData() const { return m_pstr; }
CStdString::operator LPCTSTR() const { return m_pstr; }

void CStdString::Empty()
{
    if (m_pstr != m_szBuffer) free(m_pstr);
    m_pstr = m_szBuffer;
    m_szBuffer[0] = L'\0';
}

TCHAR CStdString::GetAt(int nIndex) const
{
    if (nIndex < 0 || nIndex >= GetLength()) return 0;
    return m_pstr[nIndex];
}

TCHAR CStdString::operator[](int nIndex) const { return GetAt(nIndex); }

void CStdString::SetAt(int nIndex, TCHAR ch)
{
    if (nIndex < 0 || nIndex >= GetLength()) return;
    m_pstr[nIndex] = ch;
}

void CStdString::Assign(LPCTSTR pstr, int cchMax)
{
    if (pstr == NULL) pstr = L"";
    int len = static_cast<int>(wcslen(pstr));
    if (cchMax >= 0 && cchMax < len) len = cchMax;
    if (pstr == m_pstr) {  // assigning (part of) ourselves
        m_pstr[len] = L'\0';
        return;
    }
    // The source may point into our own heap block: copy before freeing.
    if (len <= MAX_LOCAL_STRING_LEN) {
        TCHAR tmp[MAX_LOCAL_STRING_LEN + 1];
        wmemcpy(tmp, pstr, len);
        tmp[len] = L'\0';
        if (m_pstr != m_szBuffer) free(m_pstr);
        m_pstr = m_szBuffer;
        wmemcpy(m_szBuffer, tmp, len + 1);
        return;
    }
    LPTSTR p = static_cast<LPTSTR>(malloc((len + 1) * sizeof(TCHAR)));
    if (p == NULL) {
        Empty();
        return;
    }
    wmemcpy(p, pstr, len);
    p[len] = L'\0';
    if (m_pstr != m_szBuffer) free(m_pstr);
    m_pstr = p;
}

void CStdString::Append(LPCTSTR pstr)
{
    if (pstr == NULL || *pstr == L'\0') return;
    int nAdd = static_cast<int>(wcslen(pstr));
    int nOld = GetLength();
    int nNew = nOld + nAdd;
    if (nNew <= MAX_LOCAL_STRING_LEN) {
        wmemmove(m_szBuffer + nOld, pstr, nAdd);
        m_szBuffer[nNew] = L'\0';
        return;
    }
    LPTSTR p = static_cast<LPTSTR>(malloc((nNew + 1) * sizeof(TCHAR)));
    if (p == NULL) return;
    wmemcpy(p, m_pstr, nOld);
    wmemcpy(p + nOld, pstr, nAdd);
    p[nNew] = L'\0';
    if (m_pstr != m_szBuffer) free(m_pstr);
    m_pstr = p;
}

const CStdString& CStdString::operator=(const CStdString& src)
{
    if (this != &src) Assign(src.m_pstr);
    return *this;
}

const CStdString& CStdString::operator=(LPCTSTR pstr)
{
    Assign(pstr);
    return *this;
}

const CStdString& CStdString::operator=(const TCHAR ch)
{
    Empty();
    m_szBuffer[0] = ch;
    m_szBuffer[1] = L'\0';
    return *this;
}

const CStdString& CStdString::operator+=(const CStdString& src)
{
    CStdString copy(src);
    Append(copy.m_pstr);
    return *this;
}

const CStdString& CStdString::operator+=(LPCTSTR pstr)
{
    CStdString copy(pstr);
    Append(copy.m_pstr);
    return *this;
}

const CStdString& CStdString::operator+=(const TCHAR ch)
{
    TCHAR str[] = {ch, L'\0'};
    Append(str);
    return *this;
}

CStdString CStdString::operator+(const CStdString& src) const
{
    CStdString s(*this);
    s.Append(src.m_pstr);
    return s;
}

CStdString CStdString::operator+(LPCTSTR pstr) const
{
    CStdString s(*this);
    s.Append(pstr);
    return s;
}

int CStdString::Compare(LPCTSTR pstr) const { return wcscmp(m_pstr, pstr ? pstr : L""); }
int CStdString::CompareNoCase(LPCTSTR pstr) const { return _wcsicmp(m_pstr, pstr ? pstr : L""); }
bool CStdString::operator==(LPCTSTR str) const { return Compare(str) == 0; }
bool CStdString::operator!=(LPCTSTR str) const { return Compare(str) != 0; }
bool CStdString::operator<(LPCTSTR str) const { return Compare(str) < 0; }
bool CStdString::operator<=(LPCTSTR str) const { return Compare(str) <= 0; }
bool CStdString::operator>(LPCTSTR str) const { return Compare(str) > 0; }
bool CStdString::operator>=(LPCTSTR str) const { return Compare(str) >= 0; }

void CStdString::MakeUpper() { CharUpperW(m_pstr); }
void CStdString::MakeLower() { CharLowerW(m_pstr); }

CStdString CStdString::Left(int iLength) const
{
    if (iLength < 0) iLength = 0;
    if (iLength > GetLength()) iLength = GetLength();
    return CStdString(m_pstr, iLength);
}

CStdString CStdString::Mid(int iPos, int iLength) const
{
    int len = GetLength();
    if (iPos < 0) iPos = 0;
    if (iPos > len) iPos = len;
    if (iLength < 0 || iPos + iLength > len) iLength = len - iPos;
    return CStdString(m_pstr + iPos, iLength);
}

CStdString CStdString::Right(int iLength) const
{
    int len = GetLength();
    if (iLength < 0) iLength = 0;
    if (iLength > len) iLength = len;
    return CStdString(m_pstr + len - iLength, iLength);
}

int CStdString::Find(TCHAR ch, int iPos) const
{
    if (iPos < 0 || iPos > GetLength()) return -1;
    LPCTSTR p = wcschr(m_pstr + iPos, ch);
    return p ? static_cast<int>(p - m_pstr) : -1;
}

int CStdString::Find(LPCTSTR pstrSub, int iPos) const
{
    if (pstrSub == NULL || iPos < 0 || iPos > GetLength()) return -1;
    LPCTSTR p = wcsstr(m_pstr + iPos, pstrSub);
    return p ? static_cast<int>(p - m_pstr) : -1;
}

int CStdString::ReverseFind(TCHAR ch) const
{
    LPCTSTR p = wcsrchr(m_pstr, ch);
    return p ? static_cast<int>(p - m_pstr) : -1;
}

int CStdString::Replace(LPCTSTR pstrFrom, LPCTSTR pstrTo)
{
    if (pstrFrom == NULL || *pstrFrom == L'\0') return 0;
    if (pstrTo == NULL) pstrTo = L"";
    CStdString result;
    int count = 0;
    int fromLen = static_cast<int>(wcslen(pstrFrom));
    int pos = 0;
    for (;;) {
        int hit = Find(pstrFrom, pos);
        if (hit < 0) break;
        result.Append(Mid(pos, hit - pos));
        result.Append(pstrTo);
        pos = hit + fromLen;
        ++count;
    }
    if (count > 0) {
        result.Append(m_pstr + pos);
        Assign(result.m_pstr);
    }
    return count;
}

// The msvcrt wide formatter keeps the Windows meaning of %s (a wide string).
static int FormatV(CStdString* out, LPCTSTR pstrFormat, va_list args)
{
    if (pstrFormat == NULL) return -1;
    int cap = 512;
    for (int attempt = 0; attempt < 12; ++attempt) {
        LPTSTR buf = static_cast<LPTSTR>(malloc((cap + 1) * sizeof(TCHAR)));
        if (buf == NULL) return -1;
        va_list copy;
        va_copy(copy, args);
        int n = _vsnwprintf(buf, cap, pstrFormat, copy);
        va_end(copy);
        if (n >= 0 && n < cap) {
            buf[n] = L'\0';
            out->Assign(buf, n);
            free(buf);
            return n;
        }
        free(buf);
        cap *= 2;
    }
    return -1;
}

int CStdString::Format(LPCTSTR pstrFormat, ...)
{
    va_list args;
    va_start(args, pstrFormat);
    int n = FormatV(this, pstrFormat, args);
    va_end(args);
    return n;
}

int CStdString::SmallFormat(LPCTSTR pstrFormat, ...)
{
    va_list args;
    va_start(args, pstrFormat);
    int n = FormatV(this, pstrFormat, args);
    va_end(args);
    return n;
}

// ---------------------------------------------------------------------------

CDUIRect::CDUIRect() { left = top = right = bottom = 0; }

CDUIRect::CDUIRect(const RECT& src)
{
    left = src.left;
    top = src.top;
    right = src.right;
    bottom = src.bottom;
}

CDUIRect::CDUIRect(int iLeft, int iTop, int iRight, int iBottom)
{
    left = iLeft;
    top = iTop;
    right = iRight;
    bottom = iBottom;
}

int CDUIRect::GetWidth() const { return right - left; }
int CDUIRect::GetHeight() const { return bottom - top; }
void CDUIRect::Empty() { left = top = right = bottom = 0; }
bool CDUIRect::IsNull() const { return left == 0 && right == 0 && top == 0 && bottom == 0; }

void CDUIRect::Join(const RECT& rc)
{
    if (rc.left < left) left = rc.left;
    if (rc.top < top) top = rc.top;
    if (rc.right > right) right = rc.right;
    if (rc.bottom > bottom) bottom = rc.bottom;
}

void CDUIRect::ResetOffset() { Offset(-left, -top); }

void CDUIRect::Normalize()
{
    if (left > right) {
        LONG t = left;
        left = right;
        right = t;
    }
    if (top > bottom) {
        LONG t = top;
        top = bottom;
        bottom = t;
    }
}

void CDUIRect::Offset(int cx, int cy) { ::OffsetRect(this, cx, cy); }
void CDUIRect::Inflate(int cx, int cy) { ::InflateRect(this, cx, cy); }
void CDUIRect::Deflate(int cx, int cy) { ::InflateRect(this, -cx, -cy); }
void CDUIRect::Union(CDUIRect& rc) { ::UnionRect(this, this, &rc); }
