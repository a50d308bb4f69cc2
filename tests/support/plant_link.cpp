// PlantLink: see plant_link.h.
#include "plant_link.h"

#include "test_support.h"
#include "wait_until.h"

#include <cwchar>
#include <string>
#include <vector>

namespace testing_support {

namespace {

const wchar_t kRequests[] = L"C:\\velt-links";

std::vector<std::wstring> g_planted;  // this process's links, as given (tests plant from one thread)

// One request to the planter (an empty target: take the link back); its answer.
std::string Ask(const std::wstring& link, const std::wstring& target, DWORD deadlineMs)
{
    static LONG counter = 0;
    const std::wstring name = std::wstring(kRequests) + L"\\" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(InterlockedIncrement(&counter));
    const std::wstring done = name + L".done";
    std::string answer = "no link planter answered (run the tests in a session of tools/wine-session.sh)";
    CreateDirectoryW(kRequests, nullptr);
    if (WriteBytes(name + L".tmp", ToUtf8(link + L"\n" + target + L"\n")) &&
        MoveFileExW((name + L".tmp").c_str(), (name + L".req").c_str(), MOVEFILE_REPLACE_EXISTING) &&
        WaitUntil([&] { return GetFileAttributesW(done.c_str()) != INVALID_FILE_ATTRIBUTES; }, deadlineMs)) {
        WaitUntil([&] { return ReadBytes(done, &answer) && !answer.empty(); }, 1000);
        DeleteFileW(done.c_str());
    } else {
        DeleteFileW((name + L".req").c_str());
    }
    while (!answer.empty() && (answer.back() == '\n' || answer.back() == '\r'))
        answer.pop_back();
    return answer;
}

} // namespace

bool PlantLink(const std::wstring& link, const std::wstring& target, std::wstring* why, DWORD deadlineMs)
{
    const std::string answer = Ask(link, target, deadlineMs);
    if (why)
        *why = std::wstring(answer.begin(), answer.end());
    if (answer != "ok")
        return false;
    g_planted.push_back(link);
    return true;
}

void RemovePlantedLinks(const std::wstring& folder)
{
    std::vector<std::wstring> below;
    for (auto it = g_planted.begin(); it != g_planted.end();) {
        const bool inside = it->size() >= folder.size() && _wcsnicmp(it->c_str(), folder.c_str(), folder.size()) == 0 &&
                            (it->size() == folder.size() || (*it)[folder.size()] == L'\\');
        if (inside) {
            below.push_back(*it);
            it = g_planted.erase(it);
        } else {
            ++it;
        }
    }
    for (const std::wstring& link : below)
        Ask(link, L"", 10000);
}

} // namespace testing_support
