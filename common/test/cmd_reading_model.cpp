// The model of the interpreter's reading of a command line: see cmd_reading_model.h.
#include "cmd_reading_model.h"

#include <windows.h>

namespace {

// Reads the line and runs it in the same pass. A for body is read again for
// each round; what is read while `live` is false (the body of an if that does
// not hold, of a for without rounds) is only read, and runs nothing.
struct Interpreter {
    const std::wstring& line;
    const CmdReading reading;
    const std::wstring& lock;
    const int goneAfter;  // pauses until the lock has gone; negative: never
    size_t pos = 0;
    CmdModelRun result;

    CmdModelRun Run()
    {
        // The switches, up to and including "/c"; then the commands.
        std::wstring word = Word();
        while (word.size() > 1 && word[0] == L'/' && word != L"/c")
            word = Word();
        if (word == L"/c")
            Sequence(false, false, true);
        else
            Fail(L"no /c");
        if (pos < line.size())
            Fail(L"unmatched )");
        if (!result.error.empty())
            result.commands.clear();
        return result;
    }

    void Fail(const std::wstring& why)
    {
        if (result.error.empty())
            result.error = why + L" at " + std::to_wstring(pos);
    }

    // The next character that is not a blank (moving past the blanks).
    wchar_t Peek()
    {
        while (pos < line.size() && line[pos] == L' ')
            ++pos;
        return pos < line.size() ? line[pos] : L'\0';
    }

    // Moves to the first of `stops` outside double quotes, or to the end;
    // returns the text passed.
    std::wstring Scan(const wchar_t* stops)
    {
        const size_t start = pos;
        for (bool quoted = false; pos < line.size() && (quoted || !wcschr(stops, line[pos])); ++pos)
            quoted ^= line[pos] == L'"';
        return line.substr(start, pos - start);
    }

    // The next blank-separated word; blanks inside quotes belong to it.
    std::wstring Word()
    {
        Peek();
        return Scan(L" ");
    }

    // Commands joined by "&", up to the end of the line or the ")" of the group.
    void Sequence(bool inGroup, bool nested, bool live)
    {
        for (;;) {
            Command(inGroup, nested, live);
            const wchar_t next = Peek();
            if (!result.error.empty() || next == L'\0' || (inGroup && next == L')'))
                return;
            if (next != L'&' || line.compare(pos, 2, L"&&") == 0)
                return Fail(L"unexpected text");
            ++pos;
        }
    }

    // A for or if body under the reading in force.
    void Body(bool inGroup, bool nested, bool isFor, bool live)
    {
        if (reading == CmdReading::Windows || (!isFor && !inGroup && !nested))
            Sequence(inGroup, true, live);
        else
            Command(inGroup, true, live);
    }

    void Command(bool inGroup, bool nested, bool live)
    {
        while (Peek() == L'@')
            ++pos;
        if (Peek() == L'(') {
            ++pos;
            Sequence(true, nested, live);
            if (Peek() != L')')
                return Fail(L"group not closed");
            ++pos;
            return;
        }
        const size_t start = pos;
        const std::wstring word = Word();
        if (word == L"for")
            return For(inGroup, nested, live);
        if (word == L"if")
            return If(inGroup, nested, live);
        pos = start;
        Simple(inGroup, live);
    }

    // "for /l %v in (start,step,end) do body", the body read once a round.
    void For(bool inGroup, bool nested, bool live)
    {
        wchar_t variable = 0;
        int from = 0, step = 0, to = 0, length = 0;
        if (swscanf(line.c_str() + pos, L" /l %%%lc in (%d,%d,%d) do%n", &variable, &from, &step, &to, &length) != 4 ||
            length == 0 || step <= 0)
            return Fail(L"unreadable for");
        const size_t body = pos + length;
        const int rounds = to < from ? 0 : (to - from) / step + 1;
        for (int round = 0; (round == 0 || round < rounds) && result.error.empty(); ++round) {
            pos = body;
            Body(inGroup, nested, true, live && rounds > 0);
        }
    }

    void If(bool inGroup, bool nested, bool live)
    {
        std::wstring word = Word();
        const bool negate = word == L"not";
        if (negate)
            word = Word();
        std::wstring path = Word();
        if (path.size() >= 2 && path.front() == L'"' && path.back() == L'"')
            path = path.substr(1, path.size() - 2);
        if (word != L"exist" || path.empty())
            return Fail(L"unreadable if");
        if (lstrcmpiW(path.c_str(), lock.c_str()) != 0)
            return Fail(L"if exist on another path: " + path);
        const bool lockExists = goneAfter < 0 || result.pauses < goneAfter;
        Body(inGroup, nested, false, live && lockExists != negate);
    }

    // Up to "&", the end of the line or, in a group, ")"; quotes hide them.
    void Simple(bool inGroup, bool live)
    {
        std::wstring text = Scan(inGroup ? L"&)" : L"&");
        text.erase(text.find_last_not_of(L' ') + 1);
        if (text.empty() || (pos < line.size() && line[pos - 1] == L'>'))
            return Fail(L"empty command or >&");
        if (!live)
            return;
        if (text.compare(0, 5, L"ping ") != 0)
            result.commands.push_back(std::to_wstring(result.pauses) + L": " + text);
        else if (text.compare(5, 10, L"127.0.0.1 ") != 0)
            Fail(L"ping of another address: " + text);
        else
            ++result.pauses;
    }
};

} // namespace

CmdModelRun RunCmdModel(const std::wstring& parameters, CmdReading reading, const std::wstring& lockPath,
                        int lockGoneAfterPauses)
{
    return Interpreter{parameters, reading, lockPath, lockGoneAfterPauses, 0, {}}.Run();
}
