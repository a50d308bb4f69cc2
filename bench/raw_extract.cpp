// raw_extract: the bound of an installation, for the benchmark (not a test):
// the fastest way this machine has to produce the files an installation of a
// zip payload produces. It reads the archive into memory, then for every
// entry in the order of its central directory creates the folder, or creates
// the file with the entry's attributes, inflates the entry (raw deflate, zlib;
// stored entries are copied) and writes the bytes, and gives the file the
// entry's time, as Setup does (the DOS time read as local time). Nothing
// else: no look-ups before a file is created, no records, no checks beyond
// zlib's (no CRC-32).
//
//   raw_extract [--write whole|<bytes>] [--ahead] <archive.zip> <target folder>
//
// --write: how the bytes reach the file: "whole" (the default) inflates the
//   whole entry into memory and writes it with one WriteFile; a number of
//   bytes streams it: inflate into a buffer of that size, write it each time
//   it is full.
// --ahead: a second thread inflates ahead into memory (blocks of the --write
//   size, or whole entries, at most kAheadLimit bytes waiting) while this one
//   creates and writes the files.
//
// Prints "<seconds> <entries>": the time from the first entry opened to the
// last file closed, the archive already in memory. Exit status 0, 1 on a read
// or write failure, 2 on bad usage. Names are code page 936 bytes (as in the
// payload) or UTF-8 with the flag set.
#include <windows.h>

#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>
#include <vector>

namespace {

// At most this many inflated bytes wait for the writer (at least one block).
constexpr size_t kAheadLimit = 64u << 20;

unsigned Get16(const unsigned char* p)
{
    return p[0] | (p[1] << 8);
}

unsigned long Get32(const unsigned char* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<unsigned long>(p[3]) << 24);
}

std::wstring Widen(const char* bytes, int size, bool utf8)
{
    const UINT page = utf8 ? CP_UTF8 : 936;
    const int length = MultiByteToWideChar(page, 0, bytes, size, nullptr, 0);
    std::wstring wide(length > 0 ? length : 0, L'\0');
    if (length > 0)
        MultiByteToWideChar(page, 0, bytes, size, &wide[0], length);
    for (wchar_t& c : wide) {
        if (c == L'/')
            c = L'\\';
    }
    return wide;
}

struct Entry {
    std::wstring path;
    bool folder = false;
    bool deflated = false;
    const unsigned char* data = nullptr;
    unsigned long compressed = 0;
    unsigned long size = 0;
    DWORD attributes = FILE_ATTRIBUTE_NORMAL;
    FILETIME time = {};
};

FILETIME DosTime(unsigned long stamp)
{
    SYSTEMTIME st = {};
    st.wYear = static_cast<WORD>((stamp >> 25) + 1980);
    st.wMonth = static_cast<WORD>((stamp >> 21) & 15);
    st.wDay = static_cast<WORD>((stamp >> 16) & 31);
    st.wHour = static_cast<WORD>((stamp >> 11) & 31);
    st.wMinute = static_cast<WORD>((stamp >> 5) & 63);
    st.wSecond = static_cast<WORD>((stamp & 31) * 2);
    FILETIME local = {}, utc = {};
    SystemTimeToFileTime(&st, &local);
    LocalFileTimeToFileTime(&local, &utc);
    return utc;
}

// The central directory of the archive in `zip`, below `base` (ending in "\\").
bool ReadDirectory(const std::vector<unsigned char>& zip, const std::wstring& base, std::vector<Entry>* entries)
{
    size_t eocd = zip.size() - 22;
    while (eocd > 0 && Get32(&zip[eocd]) != 0x06054b50)
        --eocd;
    const unsigned count = Get16(&zip[eocd + 10]);
    size_t at = Get32(&zip[eocd + 16]);
    entries->resize(count);
    for (Entry& entry : *entries) {
        if (at + 46 > zip.size())
            return false;
        const unsigned char* central = &zip[at];
        const unsigned host = central[5];
        const unsigned nameLength = Get16(central + 28);
        const unsigned long local = Get32(central + 42);
        const unsigned long external = Get32(central + 38);
        entry.path = base + Widen(reinterpret_cast<const char*>(central + 46), static_cast<int>(nameLength),
                                  (Get16(central + 8) & 0x800) != 0);
        entry.folder = entry.path.back() == L'\\';
        entry.deflated = Get16(central + 10) == 8;
        entry.compressed = Get32(central + 20);
        entry.size = Get32(central + 24);
        entry.data = &zip[local + 30 + Get16(&zip[local + 26]) + Get16(&zip[local + 28])];
        if (host == 0 || host == 10)
            entry.attributes = external & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                           FILE_ATTRIBUTE_ARCHIVE);
        if (entry.attributes == 0)
            entry.attributes = FILE_ATTRIBUTE_NORMAL;
        entry.time = DosTime(Get32(central + 12));
        at += 46 + nameLength + Get16(central + 30) + Get16(central + 32);
    }
    return true;
}

// Inflates one entry at a time, in pieces of any size.
class Inflater {
public:
    Inflater() { inflateInit2(&m_stream, -MAX_WBITS); }
    ~Inflater() { inflateEnd(&m_stream); }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    void Begin(const Entry& entry)
    {
        m_entry = &entry;
        m_done = 0;
        inflateReset(&m_stream);
        m_stream.next_in = const_cast<unsigned char*>(entry.data);
        m_stream.avail_in = entry.compressed;
    }
    unsigned long Left() const { return m_entry->size - m_done; }

    // Fills `out` with the next min(room, Left()) bytes; false on damage.
    bool Next(unsigned char* out, unsigned long room, unsigned long* got)
    {
        *got = room < Left() ? room : Left();
        if (!m_entry->deflated) {
            CopyMemory(out, m_entry->data + m_done, *got);
        } else if (*got) {
            m_stream.next_out = out;
            m_stream.avail_out = *got;
            const int result = inflate(&m_stream, Z_SYNC_FLUSH);
            if ((result != Z_OK && result != Z_STREAM_END) || m_stream.avail_out != 0)
                return false;
        }
        m_done += *got;
        return true;
    }

private:
    z_stream m_stream = {};
    const Entry* m_entry = nullptr;
    unsigned long m_done = 0;
};

// A file of the entry with the entry's attributes, created without looking
// first; its folder is made only when it is missing.
HANDLE CreateEntryFile(const Entry& entry)
{
    HANDLE file = CreateFileW(entry.path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, entry.attributes, nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_PATH_NOT_FOUND) {
        const std::wstring folder = entry.path.substr(0, entry.path.rfind(L'\\'));
        CreateDirectoryW(folder.c_str(), nullptr);
        file = CreateFileW(entry.path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, entry.attributes, nullptr);
    }
    return file;
}

bool WriteAll(HANDLE file, const unsigned char* bytes, unsigned long size)
{
    DWORD written = 0;
    return !size || (WriteFile(file, bytes, size, &written, nullptr) && written == size);
}

bool CloseEntryFile(HANDLE file, const Entry& entry, bool ok)
{
    ok = ok && SetFileTime(file, &entry.time, &entry.time, &entry.time);
    CloseHandle(file);
    return ok;
}

// One thread: each entry inflated and written in turn, `block` bytes at a
// time (0: the whole entry at once).
bool ExtractInTurn(const std::vector<Entry>& entries, unsigned long block)
{
    Inflater inflater;
    std::vector<unsigned char> buffer(block);
    for (const Entry& entry : entries) {
        if (entry.folder) {
            CreateDirectoryW(entry.path.c_str(), nullptr);
            continue;
        }
        HANDLE file = CreateEntryFile(entry);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        inflater.Begin(entry);
        const unsigned long piece = block ? block : entry.size;
        if (buffer.size() < piece)
            buffer.resize(piece);
        bool ok = true;
        do {
            unsigned long got = 0;
            ok = inflater.Next(buffer.data(), piece, &got) && WriteAll(file, buffer.data(), got);
        } while (ok && inflater.Left());
        if (!CloseEntryFile(file, entry, ok))
            return false;
    }
    return true;
}

// The inflated bytes on their way from the inflating thread to the writer.
struct Piece {
    std::vector<unsigned char> bytes;
    unsigned long size = 0;
    bool last = false;  // the entry's last piece (a file of 0 bytes has one)
    bool damaged = false;
};

// One inflating thread puts, one writer takes (the programs target Windows
// XP: a critical section and two auto-reset events, no condition variables).
class AheadQueue {
public:
    AheadQueue()
    {
        InitializeCriticalSection(&m_lock);
        m_ready = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        m_room = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    }
    ~AheadQueue()
    {
        CloseHandle(m_ready);
        CloseHandle(m_room);
        DeleteCriticalSection(&m_lock);
    }
    AheadQueue(const AheadQueue&) = delete;
    AheadQueue& operator=(const AheadQueue&) = delete;

    // A buffer of at least `size` bytes, from those the writer gave back.
    std::vector<unsigned char> Buffer(unsigned long size)
    {
        std::vector<unsigned char> buffer;
        EnterCriticalSection(&m_lock);
        if (!m_spare.empty()) {
            buffer.swap(m_spare.back());
            m_spare.pop_back();
        }
        LeaveCriticalSection(&m_lock);
        if (buffer.size() < size)
            buffer.resize(size);
        return buffer;
    }
    // Waits for room; false when the writer has stopped taking.
    bool Put(Piece&& piece)
    {
        EnterCriticalSection(&m_lock);
        while (m_waiting >= kAheadLimit && !m_full.empty() && !m_stopped) {
            m_putWaits = true;
            LeaveCriticalSection(&m_lock);
            WaitForSingleObject(m_room, INFINITE);
            EnterCriticalSection(&m_lock);
        }
        m_putWaits = false;
        const bool taken = !m_stopped;
        if (taken) {
            m_waiting += piece.size;
            m_full.push_back(std::move(piece));
        }
        const bool wake = m_takeWaits;
        LeaveCriticalSection(&m_lock);
        if (wake)
            SetEvent(m_ready);
        return taken;
    }
    Piece Take()
    {
        EnterCriticalSection(&m_lock);
        while (m_full.empty()) {
            m_takeWaits = true;
            LeaveCriticalSection(&m_lock);
            WaitForSingleObject(m_ready, INFINITE);
            EnterCriticalSection(&m_lock);
        }
        m_takeWaits = false;
        Piece piece = std::move(m_full.front());
        m_full.pop_front();
        m_waiting -= piece.size;
        const bool wake = m_putWaits;
        LeaveCriticalSection(&m_lock);
        if (wake)
            SetEvent(m_room);
        return piece;
    }
    void GiveBack(std::vector<unsigned char>&& buffer)
    {
        EnterCriticalSection(&m_lock);
        m_spare.push_back(std::move(buffer));
        LeaveCriticalSection(&m_lock);
    }
    void Stop()
    {
        EnterCriticalSection(&m_lock);
        m_stopped = true;
        LeaveCriticalSection(&m_lock);
        SetEvent(m_room);
    }

private:
    CRITICAL_SECTION m_lock;
    HANDLE m_ready;
    HANDLE m_room;
    std::deque<Piece> m_full;
    std::vector<std::vector<unsigned char>> m_spare;
    size_t m_waiting = 0;
    bool m_stopped = false;
    // A side that waits for its event: the other side sets it (events are
    // calls to the Wine server, so only then).
    bool m_putWaits = false;
    bool m_takeWaits = false;
};

struct AheadJob {
    const std::vector<Entry>* entries;
    unsigned long block;
    AheadQueue queue;
};

DWORD WINAPI InflateAhead(void* parameter)
{
    AheadJob& job = *static_cast<AheadJob*>(parameter);
    Inflater inflater;
    for (const Entry& entry : *job.entries) {
        if (entry.folder)
            continue;
        inflater.Begin(entry);
        const unsigned long piece = job.block ? job.block : entry.size;
        do {
            Piece next;
            next.bytes = job.queue.Buffer(piece);
            next.damaged = !inflater.Next(next.bytes.data(), piece, &next.size);
            next.last = next.damaged || !inflater.Left();
            const bool damaged = next.damaged;
            if (!job.queue.Put(std::move(next)) || damaged)
                return 1;
        } while (inflater.Left());
    }
    return 0;
}

// Two threads: the second inflates ahead while this one creates and writes.
bool ExtractAhead(const std::vector<Entry>& entries, unsigned long block)
{
    AheadJob job{&entries, block, {}};
    HANDLE thread = CreateThread(nullptr, 0, InflateAhead, &job, 0, nullptr);
    if (!thread)
        return false;
    bool ok = true;
    for (const Entry& entry : entries) {
        if (entry.folder) {
            CreateDirectoryW(entry.path.c_str(), nullptr);
            continue;
        }
        HANDLE file = CreateEntryFile(entry);
        if (file == INVALID_HANDLE_VALUE) {
            ok = false;
            break;
        }
        for (;;) {
            Piece piece = job.queue.Take();
            ok = !piece.damaged && WriteAll(file, piece.bytes.data(), piece.size);
            job.queue.GiveBack(std::move(piece.bytes));
            if (!ok || piece.last)
                break;
        }
        if (!CloseEntryFile(file, entry, ok)) {
            ok = false;
            break;
        }
    }
    if (!ok)
        job.queue.Stop();
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    return ok;
}

int Usage()
{
    std::fprintf(stderr, "usage: raw_extract [--write whole|<bytes>] [--ahead] <archive.zip> <target folder>\n");
    return 2;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    unsigned long block = 0;
    bool ahead = false;
    int arg = 1;
    for (; arg < argc && argv[arg][0] == L'-'; ++arg) {
        const std::wstring option = argv[arg];
        if (option == L"--ahead") {
            ahead = true;
        } else if (option == L"--write" && arg + 1 < argc) {
            const std::wstring value = argv[++arg];
            block = value == L"whole" ? 0 : std::wcstoul(value.c_str(), nullptr, 10);
            if (value != L"whole" && block == 0)
                return Usage();
        } else {
            return Usage();
        }
    }
    if (argc - arg != 2)
        return Usage();
    HANDLE in = CreateFileW(argv[arg], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (in == INVALID_HANDLE_VALUE)
        return 1;
    LARGE_INTEGER size = {};
    GetFileSizeEx(in, &size);
    std::vector<unsigned char> zip(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    const bool loaded = ReadFile(in, zip.data(), static_cast<DWORD>(zip.size()), &read, nullptr) && read == zip.size();
    CloseHandle(in);
    if (!loaded || zip.size() < 22)
        return 1;

    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    std::vector<Entry> entries;
    CreateDirectoryW(argv[arg + 1], nullptr);
    bool ok = ReadDirectory(zip, std::wstring(argv[arg + 1]) + L"\\", &entries);
    ok = ok && (ahead ? ExtractAhead(entries, block) : ExtractInTurn(entries, block));
    QueryPerformanceCounter(&end);
    if (!ok)
        return 1;
    std::printf("%.3f %u\n", static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart),
                static_cast<unsigned>(entries.size()));
    return 0;
}
