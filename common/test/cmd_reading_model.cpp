#include "cmd_reading_model.h"

#include <windows.h>

#include <memory>

namespace {

struct Node {
    enum Kind { Sequence, For, If, Simple } kind = Simple;
    std::vector<std::unique_ptr<Node>> children;  // Sequence: its commands; For, If: the body
    std::wstring text;                            // Simple: the command; If: the path
    bool negate = false;                          // If: "if not"
    int start = 0, step = 0, end = 0;             // For
};
using NodePtr = std::unique_ptr<Node>;

bool SameText(const std::wstring& a, const wchar_t* b)
{
    return lstrcmpiW(a.c_str(), b) == 0;
}

std::wstring Trimmed(const std::wstring& text)
{
    const size_t first = text.find_first_not_of(L' ');
    const size_t last = text.find_last_not_of(L' ');
    return first == std::wstring::npos ? std::wstring() : text.substr(first, last - first + 1);
}

std::wstring Unquoted(const std::wstring& word)
{
    if (word.size() >= 2 && word.front() == L'"' && word.back() == L'"')
        return word.substr(1, word.size() - 2);
    return word;
}

class Parser {
public:
    Parser(const std::wstring& line, CmdReading reading) : m_line(line), m_reading(reading) {}

    NodePtr Line(std::wstring* error)
    {
        // The switches, up to and including "/c".
        for (;;) {
            const std::wstring word = Word();
            if (word.empty() || word[0] != L'/')
                return Failed(error, L"no /c");
            if (SameText(word, L"/c"))
                break;
        }
        NodePtr line = SequenceOf(false, false);
        if (m_error.empty() && m_pos < m_line.size())
            m_error = L"unmatched ) at " + std::to_wstring(m_pos);
        return m_error.empty() ? std::move(line) : Failed(error, m_error);
    }

private:
    NodePtr Failed(std::wstring* error, const std::wstring& why)
    {
        *error = why;
        return nullptr;
    }

    void SkipBlanks()
    {
        while (m_pos < m_line.size() && m_line[m_pos] == L' ')
            ++m_pos;
    }

    wchar_t Peek() const { return m_pos < m_line.size() ? m_line[m_pos] : L'\0'; }

    // The next blank-separated word; blanks inside quotes belong to it.
    std::wstring Word()
    {
        SkipBlanks();
        const size_t start = m_pos;
        bool quoted = false;
        while (m_pos < m_line.size() && (quoted || m_line[m_pos] != L' ')) {
            if (m_line[m_pos] == L'"')
                quoted = !quoted;
            ++m_pos;
        }
        return m_line.substr(start, m_pos - start);
    }

    // Commands joined by "&", up to the end of the line or the ")" of the group.
    NodePtr SequenceOf(bool inGroup, bool nested)
    {
        auto sequence = std::make_unique<Node>();
        sequence->kind = Node::Sequence;
        while (m_error.empty()) {
            sequence->children.push_back(Command(inGroup, nested));
            SkipBlanks();
            if (m_pos >= m_line.size() || (inGroup && Peek() == L')'))
                break;
            if (Peek() != L'&' || m_line.compare(m_pos, 2, L"&&") == 0) {
                m_error = L"unexpected text at " + std::to_wstring(m_pos);
                break;
            }
            ++m_pos;
        }
        return sequence;
    }

    // A for or if body under the reading in force.
    NodePtr Body(bool inGroup, bool nested, bool isFor)
    {
        if (m_reading == CmdReading::Windows || (!isFor && !inGroup && !nested))
            return SequenceOf(inGroup, true);
        return Command(inGroup, true);
    }

    NodePtr Command(bool inGroup, bool nested)
    {
        SkipBlanks();
        while (Peek() == L'@')
            ++m_pos;
        if (Peek() == L'(') {
            ++m_pos;
            NodePtr group = SequenceOf(true, nested);
            SkipBlanks();
            if (Peek() != L')')
                m_error = L"group not closed";
            ++m_pos;
            return group;
        }
        const size_t start = m_pos;
        const std::wstring word = Word();
        if (SameText(word, L"for"))
            return For(inGroup, nested);
        if (SameText(word, L"if"))
            return If(inGroup, nested);
        m_pos = start;
        return Simple(inGroup);
    }

    NodePtr For(bool inGroup, bool nested)
    {
        auto node = std::make_unique<Node>();
        node->kind = Node::For;
        const std::wstring l = Word();
        const std::wstring variable = Word();
        const std::wstring in = Word();
        SkipBlanks();
        const size_t close = m_line.find(L')', m_pos);
        if (!SameText(l, L"/l") || variable.size() != 2 || variable[0] != L'%' || !SameText(in, L"in") ||
            Peek() != L'(' || close == std::wstring::npos ||
            swscanf(m_line.substr(m_pos + 1, close - m_pos - 1).c_str(), L"%d,%d,%d", &node->start, &node->step,
                    &node->end) != 3 ||
            node->step == 0) {
            m_error = L"unreadable for";
            return node;
        }
        m_pos = close + 1;
        if (!SameText(Word(), L"do")) {
            m_error = L"for without do";
            return node;
        }
        node->children.push_back(Body(inGroup, nested, true));
        return node;
    }

    NodePtr If(bool inGroup, bool nested)
    {
        auto node = std::make_unique<Node>();
        node->kind = Node::If;
        std::wstring word = Word();
        if (SameText(word, L"not")) {
            node->negate = true;
            word = Word();
        }
        node->text = Unquoted(Word());
        if (!SameText(word, L"exist") || node->text.empty()) {
            m_error = L"unreadable if";
            return node;
        }
        node->children.push_back(Body(inGroup, nested, false));
        return node;
    }

    // Up to "&", the end of the line or, in a group, ")"; quotes hide them.
    NodePtr Simple(bool inGroup)
    {
        auto node = std::make_unique<Node>();
        const size_t start = m_pos;
        bool quoted = false;
        for (; m_pos < m_line.size(); ++m_pos) {
            const wchar_t c = m_line[m_pos];
            if (c == L'"')
                quoted = !quoted;
            else if (!quoted && (c == L'&' || (inGroup && c == L')')))
                break;
        }
        node->text = Trimmed(m_line.substr(start, m_pos - start));
        if (node->text.empty() || (m_pos > 0 && m_pos < m_line.size() && m_line[m_pos - 1] == L'>'))
            m_error = L"empty command or >& at " + std::to_wstring(m_pos);
        return node;
    }

    const std::wstring& m_line;
    const CmdReading m_reading;
    size_t m_pos = 0;
    std::wstring m_error;
};

class Machine {
public:
    Machine(const std::wstring& lockPath, int goneAfter) : m_lock(lockPath), m_goneAfter(goneAfter) {}

    void Run(const Node& node)
    {
        if (!result.error.empty())
            return;
        switch (node.kind) {
        case Node::Sequence:
            for (const NodePtr& child : node.children)
                Run(*child);
            break;
        case Node::For:
            for (int i = node.start; node.step > 0 ? i <= node.end : i >= node.end; i += node.step)
                Run(*node.children[0]);
            break;
        case Node::If:
            if (lstrcmpiW(node.text.c_str(), m_lock.c_str()) != 0) {
                result.error = L"if exist on another path: " + node.text;
                return;
            }
            if (LockExists() != node.negate)
                Run(*node.children[0]);
            break;
        case Node::Simple:
            if (node.text.compare(0, 5, L"ping ") == 0) {
                if (node.text.compare(5, 10, L"127.0.0.1 ") != 0)
                    result.error = L"ping of another address: " + node.text;
                ++result.pauses;
            } else {
                result.commands.push_back({node.text, result.pauses});
            }
            break;
        }
    }

    CmdModelRun result;

private:
    bool LockExists() const { return m_goneAfter < 0 || result.pauses < m_goneAfter; }

    const std::wstring& m_lock;
    const int m_goneAfter;
};

} // namespace

CmdModelRun RunCmdModel(const std::wstring& parameters, CmdReading reading, const std::wstring& lockPath,
                        int lockGoneAfterPauses)
{
    Machine machine(lockPath, lockGoneAfterPauses);
    Parser parser(parameters, reading);
    const NodePtr line = parser.Line(&machine.result.error);
    if (line)
        machine.Run(*line);
    if (!machine.result.error.empty())
        machine.result.commands.clear();
    return machine.result;
}
