// Test support for the window library's tests (see dui_test_support.h).
#include "dui_test_support.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace duitest {
namespace {

void AppendBytes(void* context, void* data, int size)
{
    static_cast<std::string*>(context)->append(static_cast<const char*>(data), size);
}

template <typename Draw>
Bitmap DrawInto(int w, int h, Draw draw)
{
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = w;
    bmi.bmiHeader.biHeight = -h;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* bits = NULL;
    HBITMAP dib = CreateDIBSection(NULL, &bmi, DIB_RGB_COLORS, &bits, NULL, 0);
    HDC mem = CreateCompatibleDC(NULL);
    HGDIOBJ old = SelectObject(mem, dib);
    draw(mem);
    GdiFlush();
    Bitmap b;
    b.width = w;
    b.height = h;
    const DWORD* p = static_cast<const DWORD*>(bits);
    b.px.assign(p, p + w * h);
    SelectObject(mem, old);
    DeleteDC(mem);
    DeleteObject(dib);
    return b;
}

} // namespace

std::string EncodePicture(int width, int height, const std::vector<Rgba>& pixels, bool jpeg)
{
    std::string out;
    if (jpeg) {
        std::vector<unsigned char> rgb;
        for (const Rgba& p : pixels) rgb.insert(rgb.end(), {p.r, p.g, p.b});
        stbi_write_jpg_to_func(AppendBytes, &out, width, height, 3, rgb.data(), 95);
    } else {
        stbi_write_png_to_func(AppendBytes, &out, width, height, 4, pixels.data(), width * 4);
    }
    return out;
}

std::string StripesPng(int stripeWidth, int height, const std::vector<Rgba>& colours)
{
    int width = stripeWidth * static_cast<int>(colours.size());
    std::vector<Rgba> px(width * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) px[y * width + x] = colours[x / stripeWidth];
    return EncodePicture(width, height, px);
}

SkinArchive::SkinArchive(testing_support::ZipEntries entries) : m_entries(std::move(entries)) { Install(); }

SkinArchive::~SkinArchive()
{
    CPaintManagerUI::SetResourceZip(L"");
    CPaintManagerUI::SetResourcePath(L"");
}

bool SkinArchive::Install(const std::wstring& fileName)
{
    m_installed = testing_support::WriteZip(m_dir / fileName, m_entries);
    CPaintManagerUI::SetResourcePath(m_dir.Path().c_str());
    CPaintManagerUI::SetResourceZip(fileName.c_str());
    return m_installed;
}

TestWindow::TestWindow(const std::wstring& layout, IDialogBuilderCallback* callback)
    : m_layout(layout), m_callback(callback)
{
}

TestWindow::~TestWindow()
{
    if (m_hWnd && IsWindow(m_hWnd)) DestroyWindow(m_hWnd);
}

HWND TestWindow::Open(HWND parent, int x, int y, int cx, int cy, bool visible)
{
    DWORD style = (parent ? WS_CHILD : WS_POPUP) | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | (visible ? WS_VISIBLE : 0);
    HWND h = Create(parent, L"dui test", style, 0, x, y, cx, cy);
    if (h && visible && parent == NULL) {
        SetForegroundWindow(h);
        UpdateWindow(h);
    }
    Pump();
    return h;
}

void TestWindow::Notify(TNotifyUI& msg) { m_notes.emplace_back(msg.sType.GetData(), msg.pSender); }

int TestWindow::Count(const std::wstring& type, CControlUI* sender) const
{
    int n = 0;
    for (const auto& note : m_notes)
        if (note.first == type && (sender == NULL || note.second == sender)) ++n;
    return n;
}

LRESULT TestWindow::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_CREATE) {
        m_pm.Init(m_hWnd);
        CDialogBuilder builder;
        m_root = builder.Create(m_layout.c_str(), NULL, m_callback, &m_pm);
        if (m_root) m_pm.AttachDialog(m_root);
        m_pm.AddNotifier(this);
        return 0;
    }
    LRESULT lRes = 0;
    if (m_pm.MessageHandler(uMsg, wParam, lParam, lRes)) return lRes;
    return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
}

std::vector<DWORD> Bitmap::Cut(const RECT& rc) const
{
    std::vector<DWORD> out;
    for (int y = rc.top; y < rc.bottom; ++y)
        for (int x = rc.left; x < rc.right; ++x) out.push_back(At(x, y));
    return out;
}

Bitmap Render(CPaintManagerUI& pm)
{
    RECT rc;
    GetClientRect(pm.GetPaintWindow(), &rc);
    return DrawInto(rc.right, rc.bottom, [&](HDC mem) {
        FillRect(mem, &rc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        pm.RenderTo(mem);
    });
}

Bitmap Capture(HWND hwnd)
{
    RedrawWindow(hwnd, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Pump();
    RECT rc;
    GetClientRect(hwnd, &rc);
    return DrawInto(rc.right, rc.bottom, [&](HDC mem) {
        HDC dc = GetDC(hwnd);
        BitBlt(mem, 0, 0, rc.right, rc.bottom, dc, 0, 0, SRCCOPY);
        ReleaseDC(hwnd, dc);
    });
}

POINT CentrePoint(CControlUI* c)
{
    const RECT& r = c->GetPos();
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

} // namespace duitest
