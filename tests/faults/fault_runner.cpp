// fault_runner: the fault suite of Setup and Uninstall under Wine (a tool of
// tools/faults.sh, not a unit test). Runs the cases of fault_cases.h one
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
#include "fault_cases.h"

#include "product.h"
#include "test_support.h"

#include <cstdio>
#include <map>

using namespace faults;

namespace {

std::wstring Trimmed(const std::wstring& text, size_t size)
{
    return text.size() <= size ? text : text.substr(0, size - 3) + L"...";
}

std::wstring Escaped(std::wstring text)
{
    for (size_t at = 0; (at = text.find(L'|', at)) != std::wstring::npos; at += 2)
        text.replace(at, 1, L"\\|");
    return text;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    Context context;
    context.bin = testing_support::ModuleDir();
    context.scratch = L"C:\\velt-faults";
    std::wstring table;
    bool list = false;
    std::vector<std::wstring> parts;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--quick") {
            context.quick = true;
        } else if (arg == L"--verbose") {
            context.verbose = true;
        } else if (arg == L"--list") {
            list = true;
        } else if ((arg == L"--small-drive" || arg == L"--readonly-drive" || arg == L"--table") && i + 1 < argc) {
            const std::wstring value = argv[++i];
            if (arg == L"--small-drive")
                context.smallDrive = value;
            else if (arg == L"--readonly-drive")
                context.readOnlyDrive = value;
            else
                table = value;
        } else if (!arg.empty() && arg[0] == L'-') {
            std::fprintf(stderr, "usage: fault_runner [--quick] [--list] [--small-drive X:] [--readonly-drive X:] "
                                 "[--table FILE] [NAME-PART ...]\n");
            return 2;
        } else {
            parts.push_back(arg);
        }
    }
    testing_support::MakeDirs(context.scratch);
    const std::wstring fault = context.bin + L"\\SetupFaultTest.exe";
    context.bigSetup = !context.quick && testing_support::Exists(fault) ? fault : context.bin + L"\\SetupLargeTest.exe";
    if (!LoadPayload(context.bigSetup, &context.bigPayload) ||
        !LoadPayload(context.bin + L"\\Setup.exe", &context.realPayload)) {
        Say(L"fault_runner: cannot read the payloads of " + context.bigSetup + L" and Setup.exe");
        return 2;
    }
    const std::wstring bigName = context.bigSetup.substr(context.bigSetup.find_last_of(L'\\') + 1);
    context.reference = context.scratch + L"\\reference-" + bigName;
    context.realReference = context.scratch + L"\\reference-Setup.exe";
    InitContext(context);

    std::vector<FaultCase> cases;
    AddCancelCases(&cases);
    AddDiskAndLockedCases(&cases);
    AddQuitCases(&cases);
    AddRecordCases(&cases);
    AddSkinCases(&cases);
    std::vector<const FaultCase*> chosen;
    for (const FaultCase& c : cases) {
        bool wanted = parts.empty() ? (!context.quick || c.quick) : false;
        for (const std::wstring& part : parts)
            wanted = wanted || c.name.find(part) != std::wstring::npos;
        if (wanted)
            chosen.push_back(&c);
    }
    if (list) {
        for (const FaultCase* c : chosen)
            Say(c->name + (c->quick ? L"  (quick)" : L""));
        return 0;
    }
    if (!ExtractReference(context.bigSetup, context.reference) ||
        !ExtractReference(context.bin + L"\\Setup.exe", context.realReference)) {
        Say(L"fault_runner: cannot extract the reference payloads");
        return 2;
    }
    RestoreLockedKeys();
    Say(L"fault suite: " + std::to_wstring(chosen.size()) + L" cases, large Setup " + bigName + L" (" +
        std::to_wstring(context.bigPayload.Count()) + L" entries), small drive " +
        (context.smallDrive.empty() ? L"none" : context.smallDrive) + L", read-only drive " +
        (context.readOnlyDrive.empty() ? L"none" : context.readOnlyDrive));

    struct Row {
        const FaultCase* c;
        std::wstring verdict;
        double seconds;
        std::wstring evidence;
    };
    std::vector<Row> rows;
    int failed = 0;
    for (const FaultCase* c : chosen) {
        CleanMachine();
        CaseRun run(c->deadlineMs);
        c->run(run);
        run.Finish();
        const std::wstring verdict = run.Skipped() ? L"SKIP" : run.Passed() ? L"PASS" : L"FAIL";
        failed += verdict == L"FAIL";
        WCHAR seconds[32];
        swprintf(seconds, 32, L"%6.1f s", run.Seconds());
        Say(verdict + L"  " + seconds + L"  " + c->name + L"  " + run.Evidence());
        for (const std::wstring& failure : run.Failures())
            Say(L"        " + failure);
        rows.push_back({c, verdict, run.Seconds(), run.Evidence()});
    }
    CleanMachine();

    std::map<std::wstring, std::map<std::wstring, int>> counts;
    for (const Row& row : rows)
        ++counts[row.c->family][row.verdict];
    std::wstring markdown = L"| Case | Result | Time (s) | Evidence |\n| --- | --- | ---: | --- |\n";
    for (const Row& row : rows) {
        WCHAR seconds[32];
        swprintf(seconds, 32, L"%.1f", row.seconds);
        markdown += L"| " + row.c->name + L" | " + row.verdict + L" | " + seconds + L" | " +
                    Escaped(Trimmed(row.evidence, 240)) + L" |\n";
    }
    markdown += L"\n| Family | Passed | Failed | Skipped |\n| --- | ---: | ---: | ---: |\n";
    for (const auto& family : counts) {
        auto count = [&](const wchar_t* verdict) {
            auto it = family.second.find(verdict);
            return std::to_wstring(it == family.second.end() ? 0 : it->second);
        };
        markdown += L"| " + family.first + L" | " + count(L"PASS") + L" | " + count(L"FAIL") + L" | " +
                    count(L"SKIP") + L" |\n";
    }
    Say(L"");
    Say(markdown);
    if (!table.empty()) {
        testing_support::WriteBytes(table, WideToUtf8(markdown));
    }
    Say(failed ? L"fault suite: " + std::to_wstring(failed) + L" case(s) failed" : L"fault suite: every case passed");
    return failed ? 1 : 0;
}
