// Stands in for Windows PowerShell under Wine, which has none: checks that it was started as
// the plugin starts PowerShell, and prints what a script that says its arguments would print,
//     Write-Output ("setTitle " + ($args -join "|"))
// each argument as Windows splits the command line.
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <string>

int main()
{
    int count = 0;
    wchar_t **arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    const wchar_t *expected[] = {L"-NoProfile", L"-NonInteractive", L"-ExecutionPolicy", L"Bypass",
                                 L"-File"};
    if (!arguments || count < 7)
        return 2;
    std::wstring title = L"setTitle ";
    for (int i = 0; i < 5; ++i) {
        if (std::wcscmp(arguments[i + 1], expected[i]) != 0)
            title = L"setTitle started otherwise: " + std::wstring(arguments[i + 1]) + L" ";
    }
    for (int i = 7; i < count; ++i)
        title += (i > 7 ? L"|" : L"") + std::wstring(arguments[i]);
    const int size = WideCharToMultiByte(CP_UTF8, 0, title.c_str(), int(title.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string text(size_t(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, title.c_str(), int(title.size()), &text[0], size, nullptr,
                        nullptr);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputs("\n", stdout);
    return 0;
}
