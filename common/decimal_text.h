// Decimal text of an integer, as std::to_wstring writes it ("-12", "0"),
// without the C library's formatted output: std::to_wstring goes through
// vswprintf, which links the whole printf engine into a program.
#pragma once

#include <string>

inline std::wstring DecimalText(long long value)
{
    // The magnitude as unsigned, so that the most negative value has one too.
    unsigned long long magnitude = value < 0 ? 0ull - static_cast<unsigned long long>(value)
                                             : static_cast<unsigned long long>(value);
    wchar_t digits[20];
    int count = 0;
    do {
        digits[count++] = static_cast<wchar_t>(L'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    std::wstring text;
    if (value < 0)
        text += L'-';
    while (count > 0)
        text += digits[--count];
    return text;
}
