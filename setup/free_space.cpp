#include "free_space.h"

#include "decimal_text.h"

#include <windows.h>

#include <string>

std::wstring FormatFreeMegabytes(unsigned long long freeBytes)
{
    // The count as a double (exact below 2^53 bytes; above, rounded as the
    // conversion rounds it, up to 2^64), divided by 2^20 and printed with two
    // decimals the way "%4.2f" prints: the exact quotient rounded to the
    // nearest hundredth, a tie to the even one. Always at least four
    // characters wide.
    unsigned long long whole = 0, part = 0;  // the rounded count: whole * 2^20 + part
    const double count = static_cast<double>(freeBytes);
    if (count >= 18446744073709551616.0) {
        whole = 1ull << 44;
    } else {
        const unsigned long long rounded = static_cast<unsigned long long>(count);
        whole = rounded >> 20;
        part = rounded & 0xFFFFFull;
    }
    const unsigned long long scaled = part * 100;  // below 100 * 2^20
    unsigned long long hundredths = whole * 100 + (scaled >> 20);
    const unsigned long long rest = scaled & 0xFFFFFull;
    if (rest > 0x80000ull || (rest == 0x80000ull && (hundredths & 1)))
        ++hundredths;
    const unsigned cents = static_cast<unsigned>(hundredths % 100);
    std::wstring text = DecimalText(static_cast<long long>(hundredths / 100)) + L'.';
    text += static_cast<wchar_t>(L'0' + cents / 10);
    text += static_cast<wchar_t>(L'0' + cents % 10);
    return text + L"MB\n";
}

std::wstring FreeSpaceFigure(const std::wstring& path)
{
    if (path.size() < 2 || path[1] != L':')
        return std::wstring();
    // The drive letter, its colon and two backslashes, as the page always
    // asked; the system reads it as the volume's root.
    const std::wstring root = path.substr(0, 2) + L"\\\\";
    ULARGE_INTEGER available = {}, total = {}, totalFree = {};
    if (!GetDiskFreeSpaceExW(root.c_str(), &available, &total, &totalFree))
        return std::wstring();
    return FormatFreeMegabytes(totalFree.QuadPart);
}
