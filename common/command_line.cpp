#include "command_line.h"

#include <cwctype>

namespace {

bool Blank(wchar_t c)
{
    return c == L' ' || c == L'\t';
}

std::wstring Upper(std::wstring text)
{
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(std::towupper(c));
    return text;
}

// Drops one pair of quotes around the whole text.
std::wstring Unquoted(const std::wstring& text)
{
    if (text.size() >= 2 && text.front() == L'"' && text.back() == L'"')
        return text.substr(1, text.size() - 2);
    return text;
}

// The position after the program's path: a quoted one ends at its closing
// quote, an unquoted one at the first blank.
size_t AfterProgram(const std::wstring& text)
{
    size_t i = 0;
    while (i < text.size() && Blank(text[i]))
        ++i;
    if (i < text.size() && text[i] == L'"') {
        const size_t close = text.find(L'"', i + 1);
        return close == std::wstring::npos ? text.size() : close + 1;
    }
    while (i < text.size() && !Blank(text[i]))
        ++i;
    return i;
}

// The word starting at i (quotes keep blanks inside it and are dropped),
// and the position after it.
std::wstring Word(const std::wstring& text, size_t* i)
{
    std::wstring word;
    bool quoted = false;
    for (; *i < text.size() && (quoted || !Blank(text[*i])); ++*i) {
        if (text[*i] == L'"')
            quoted = !quoted;
        else
            word += text[*i];
    }
    return word;
}

} // namespace

CommandOptions ParseCommandLine(const std::wstring& text, CommandProgram program)
{
    CommandOptions options;
    const bool setup = program == CommandProgram::Setup;
    auto refuse = [&](const std::wstring& word, const wchar_t* why) {
        if (options.ok)
            options.error = word + L": " + why;
        options.ok = false;
    };
    size_t i = AfterProgram(text);
    while (true) {
        while (i < text.size() && Blank(text[i]))
            ++i;
        if (i >= text.size())
            break;
        // /D= takes the rest of the line as it stands.
        if (setup && Upper(text.substr(i, 3)) == L"/D=") {
            std::wstring rest = text.substr(i + 3);
            while (!rest.empty() && Blank(rest.back()))
                rest.pop_back();
            options.installDir = Unquoted(rest);
            if (options.installDir.empty())
                refuse(L"/D=", L"no folder");
            break;
        }
        const std::wstring word = Word(text, &i);
        const std::wstring upper = Upper(word);
        if (setup && upper.compare(0, 3, L"/D=") == 0) {  // a quoted "/D=..."
            options.installDir = word.substr(3);
            if (options.installDir.empty())
                refuse(word, L"no folder");
            continue;
        }
        if (upper.compare(0, 5, L"/LOG=") == 0) {
            options.logFile = word.substr(5);
            if (options.logFile.empty())
                refuse(word, L"no file");
            continue;
        }
        bool* flag = nullptr;
        if (upper == L"/S")
            flag = &options.silent;
        else if (upper == L"/?")
            flag = &options.help;
        else if (setup && upper == L"/CURRENTUSER")
            flag = &options.currentUser;
        else if (setup && upper == L"/NODESKTOP")
            flag = &options.noDesktop;
        else if (setup && upper == L"/NOQUICKLAUNCH")
            flag = &options.noQuickLaunch;
        else if (setup && upper == L"/RUN")
            flag = &options.run;
        else if (setup && upper == L"/REPAIR")
            flag = &options.repair;
        else if (setup && upper == L"/UNINSTALL")
            flag = &options.uninstall;
        if (flag)
            *flag = true;
        else
            refuse(word, L"unknown option");
    }
    if (options.repair && options.uninstall)
        refuse(L"/REPAIR /UNINSTALL", L"only one of them");
    return options;
}

std::wstring UsageText(CommandProgram program)
{
    if (program == CommandProgram::Uninstall)
        return L"Uninstall.exe [/S] [/LOG=<文件>]\n\n"
               L"/S\t不显示窗口，卸载VELT电子日历\n"
               L"/LOG=<文件>\t把每一步写入日志文件（UTF-8）\n"
               L"/?\t显示本说明";
    return L"Setup.exe [/S] [/CURRENTUSER] [/NODESKTOP] [/NOQUICKLAUNCH] [/RUN] [/LOG=<文件>] [/D=<文件夹>]\n"
           L"Setup.exe /REPAIR /S | /UNINSTALL /S\n\n"
           L"/S\t不显示窗口，按默认选项安装\n"
           L"/D=<文件夹>\t安装位置（放在最后，可含空格，不加引号）\n"
           L"/CURRENTUSER\t只为当前用户安装\n"
           L"/NODESKTOP\t不创建桌面快捷方式\n"
           L"/NOQUICKLAUNCH\t不创建快速启动快捷方式\n"
           L"/RUN\t安装完成后启动VELT电子日历\n"
           L"/LOG=<文件>\t把每一步写入日志文件（UTF-8）\n"
           L"/REPAIR /S\t不显示窗口，修复已安装的VELT电子日历\n"
           L"/UNINSTALL /S\t不显示窗口，卸载VELT电子日历\n"
           L"/?\t显示本说明";
}
