// The clock and the user's time format.

#include <windows.h>

#include <iterator>

#include "win32/win32_system.h"

LocalTime Win32System::Now() const {
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    LocalTime t;
    t.year = st.wYear;
    t.month = st.wMonth;
    t.day = st.wDay;
    t.hour = st.wHour;
    t.minute = st.wMinute;
    t.second = st.wSecond;
    t.weekday = st.wDayOfWeek;
    return t;
}

std::wstring Win32System::FormatTimeOfDay(const LocalTime& t) const {
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(t.year);
    st.wMonth = static_cast<WORD>(t.month);
    st.wDay = static_cast<WORD>(t.day);
    st.wHour = static_cast<WORD>(t.hour);
    st.wMinute = static_cast<WORD>(t.minute);
    st.wSecond = static_cast<WORD>(t.second);
    wchar_t buf[128];
    if (::GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &st, nullptr, buf, static_cast<int>(std::size(buf))) > 0)
        return buf;
    wchar_t fallback[16];
    wsprintfW(fallback, L"%02d:%02d:%02d", t.hour, t.minute, t.second);
    return fallback;
}
