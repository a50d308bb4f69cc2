// fault_runner: the fault suite of Setup and Uninstall under Wine (a tool of
// tools/faults.sh, not a unit test). Runs the cases (fault_support.h) one
// after the other, each from a clean machine, prints one line per case and
// a final table in Markdown, and returns 1 when a case failed.
//
//   fault_runner [--quick] [--list] [--verbose] [--small-drive F:] [--readonly-drive G:]
//                [--table FILE] [NAME-PART ...]
//
// --quick runs the quick subset with SetupLargeTest.exe as the large Setup
// (SetupFaultTest.exe otherwise, when it was built). --small-drive names the
// drive letter of a small drive of its own (a tmpfs), --readonly-drive one
// mounted read-only with a folder "parent\\mine" on it; cases that need a
// drive that is not given are skipped. NAME-PART selects the cases whose
// name contains it. --table writes the table to FILE as well (UTF-8).
// --verbose lists every unexpected change of a failed case, not the first 12.
// Exit status: 0 when every selected case passed (skips allowed), 1 when one
// failed, 2 on bad usage or a missing program.
#include "fault_support.h"

#include <cstdio>
#include <iterator>
#include <map>

namespace faults {

// The quick subset: one case of each behaviour the test command must cover
// on every change (tests/README.md).
const wchar_t* const kQuickCases[] = {
    L"cancel.new.after-record", L"cancel.new.entry-middle", L"cancel.existing.entry-middle", L"disk.install.new-folder",
    L"disk.repair", L"locked.marked-files.install-completes", L"locked.calendar-running.install",
    L"locked.file-in-use.install", L"locked.run-key.install", L"quit.install.mid-extraction.frame-close",
    L"quit.install.mid-extraction.alt-f4", L"quit.install.mid-extraction.wm-close",
    L"quit.install.answered-no-completes", L"quit.removal-uninstall.page-cancel", L"quit.repair.alt-f4",
    L"quit.removal-setup.alt-f4", L"quit.rollback.wm-close", L"quit.install.early-extraction.session-end",
    L"quit.removal-setup.session-end", L"record.location-drive-root.uninstall",
    L"record.manifest-other-folder.uninstall", L"skin.setup.missing", L"skin.setup.truncated",
    L"skin.setup.no-frame-layout", L"skin.setup.no-progress-layout.alt-f4", L"skin.uninstall.missing",
    L"skin.uninstall.truncated", L"skin.uninstall.no-frame-layout", L"skin.uninstall.no-done-layout.wm-close",
    L"attack.extract.res-link.install", L"attack.extract.backup-name.install", L"attack.extract.res-link.repair",
    L"attack.removal.res-link.uninstall", L"attack.removal.own-file-links.setup",
    L"attack.trust.user-record.setup", L"attack.trust.user-record.uninstall", L"attack.trust.legacy-user-entry",
    L"attack.trust.open-folder",
    L"attack.paths.short-name.uninstall", L"attack.paths.link.setup-removal", L"attack.paths.page4",
    L"attack.dll.setup", L"attack.dll.uninstall",
};

void Add(Cases* cases, const std::wstring& name, DWORD deadlineMs, const std::vector<Quit>& ways,
         const std::function<void(CaseRun&, Quit)>& run)
{
    for (Quit way : ways.empty() ? std::vector<Quit>{Quit::FrameClose} : ways) {
        const std::wstring full = ways.empty() ? name : name + L"." + QuitName(way);
        cases->push_back({full, deadlineMs, [=](CaseRun& r) { run(r, way); }});
    }
}

} // namespace faults

using namespace faults;

namespace {

std::wstring Family(const std::wstring& name) { return name.substr(0, name.find(L'.')); }

} // namespace

int wmain(int argc, wchar_t** argv)
{
    Context context;
    context.bin = testing_support::ModuleDir();
    context.scratch = L"C:\\velt-faults";
    std::wstring table;
    bool list = false;
    std::vector<std::wstring> parts;
    std::map<std::wstring, bool*> flags = {
        {L"--quick", &context.quick}, {L"--verbose", &context.verbose}, {L"--list", &list}};
    std::map<std::wstring, std::wstring*> values = {
        {L"--small-drive", &context.smallDrive}, {L"--readonly-drive", &context.readOnlyDrive}, {L"--table", &table}};
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (flags.count(arg)) {
            *flags[arg] = true;
        } else if (values.count(arg) && i + 1 < argc) {
            *values[arg] = argv[++i];
        } else if (arg[0] == L'-') {
            std::fprintf(stderr, "usage: fault_runner [--quick] [--list] [--verbose] [--small-drive X:] "
                                 "[--readonly-drive X:] [--table FILE] [NAME-PART ...]\n");
            return 2;
        } else {
            parts.push_back(arg);
        }
    }
    testing_support::MakeDirs(context.scratch);
    const std::wstring fault = context.Bin(L"SetupFaultTest.exe");
    const std::wstring big = !context.quick && Exists(fault) ? fault : context.Bin(L"SetupLargeTest.exe");
    const std::wstring bigName = big.substr(big.rfind(L'\\') + 1);
    context.big.reference = context.scratch + L"\\reference-" + bigName;
    context.real.reference = context.scratch + L"\\reference-Setup.exe";
    if (!LoadPayload(big, &context.big) || !LoadPayload(context.Bin(L"Setup.exe"), &context.real)) {
        Say(L"fault_runner: cannot read and extract the payloads of " + big + L" and Setup.exe");
        return 2;
    }
    g_context = context;

    Cases cases;
    AddInstallCases(&cases);
    AddWorkerCases(&cases);
    AddAttackExtractCases(&cases);
    AddAttackRemovalCases(&cases);
    AddAttackTrustCases(&cases);
    AddAttackPathsCases(&cases);
    AddAttackDllCases(&cases);
    std::stable_sort(cases.begin(), cases.end(), [](auto& a, auto& b) { return Family(a.name) < Family(b.name); });
    std::vector<std::pair<const FaultCase*, bool>> chosen;
    for (const FaultCase& c : cases) {
        const bool quick = std::count(std::begin(kQuickCases), std::end(kQuickCases), c.name) != 0;
        bool wanted = parts.empty() && (!context.quick || quick);
        for (const std::wstring& part : parts)
            wanted = wanted || c.name.find(part) != std::wstring::npos;
        if (wanted)
            chosen.push_back({&c, quick});
    }
    for (const std::wstring name : kQuickCases) {
        if (std::none_of(cases.begin(), cases.end(), [&](const FaultCase& c) { return c.name == name; })) {
            Say(L"fault_runner: the quick subset names " + name + L", which is no case");
            return 2;
        }
    }
    if (list) {
        for (const auto& [c, quick] : chosen)
            Say(c->name + (quick ? L"  (quick)" : L""));
        return 0;
    }
    RestoreLockedKey();
    Say(L"fault suite: " + std::to_wstring(chosen.size()) + L" cases, large Setup " + bigName + L" (" +
        std::to_wstring(context.big.Count()) + L" entries), small drive " +
        (context.smallDrive.empty() ? L"none" : context.smallDrive) + L", read-only drive " +
        (context.readOnlyDrive.empty() ? L"none" : context.readOnlyDrive));

    std::wstring markdown = L"| Case | Result | Time (s) | Evidence |\n| --- | --- | ---: | --- |\n";
    std::map<std::wstring, std::map<std::wstring, int>> counts;
    int failed = 0;
    for (const auto& [c, quick] : chosen) {
        CleanMachine();
        CaseRun run(c->deadlineMs);
        c->run(run);
        run.Finish();
        const std::wstring verdict = run.skipped ? L"SKIP" : run.failures.empty() ? L"PASS" : L"FAIL";
        failed += verdict == L"FAIL";
        ++counts[Family(c->name)][verdict];
        WCHAR seconds[32];
        swprintf(seconds, 32, L"%.1f", (GetTickCount() - run.start) / 1000.0);
        Say(verdict + L"  " + seconds + L" s  " + c->name + L"  " + run.evidence);
        for (const std::wstring& failure : run.failures)
            Say(L"        " + failure);
        // The evidence cut to 240 characters, its '|' escaped for the table.
        std::wstring evidence = run.evidence.size() <= 240 ? run.evidence : run.evidence.substr(0, 237) + L"...";
        for (size_t at = 0; (at = evidence.find(L'|', at)) != std::wstring::npos; at += 2)
            evidence.replace(at, 1, L"\\|");
        markdown += L"| " + c->name + L" | " + verdict + L" | " + seconds + L" | " + evidence + L" |\n";
    }
    CleanMachine();
    markdown += L"\n| Family | Passed | Failed | Skipped |\n| --- | ---: | ---: | ---: |\n";
    for (auto& [family, verdicts] : counts) {
        markdown += L"| " + family + L" | " + std::to_wstring(verdicts[L"PASS"]) + L" | " +
                    std::to_wstring(verdicts[L"FAIL"]) + L" | " + std::to_wstring(verdicts[L"SKIP"]) + L" |\n";
    }
    Say(L"\n" + markdown);
    if (!table.empty())
        testing_support::WriteBytes(table, ToUtf8(markdown));
    Say(failed ? L"fault suite: " + std::to_wstring(failed) + L" case(s) failed" : L"fault suite: every case passed");
    return failed ? 1 : 0;
}
