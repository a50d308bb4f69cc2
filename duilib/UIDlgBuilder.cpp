// CDialogBuilder: parses a UTF-8 layout with pugixml and builds the control
// tree. The root <Window> element's attributes go to the manager (size,
// caption, sizebox, roundcorner, mininfo), <Font> elements become the
// manager's fonts; every other element is a control. Elements the library
// does not know go to the callback; when it returns NULL they are skipped
// with their children. A layout nested deeper than kMaxDepth controls builds
// nothing (the tree would later be laid out, painted and deleted by
// recursion, and a hostile skin could exhaust the stack). Nothing here
// throws; failures return NULL with a message in GetLastErrorMessage.
// Lengths are read here and only here in layout units: the window's and the
// controls' length attributes are scaled by the manager's DPI (GetDpi) before
// they are applied, and kept as written for a later change of DPI; without a
// manager they stay as written.
#include "UIInternal.h"
#include "UIRender.h"
#include "UIResource.h"

#include "pugixml.hpp"

#include <string.h>
#include <string>
#include <vector>

struct CDialogBuilder::Impl {
    CStdString error;
};

namespace {

// Controls inside controls, the root counting as 1; real layouts use fewer
// than ten.
constexpr int kMaxDepth = 64;

std::wstring W(const char* s) { return duires::FromUtf8(s); }

CControlUI* CreateBuiltin(const std::wstring& name)
{
    if (name == L"Control") return new CControlUI;
    if (name == L"Container") return new CContainerUI;
    if (name == L"VerticalLayout") return new CVerticalLayoutUI;
    if (name == L"HorizontalLayout") return new CHorizontalLayoutUI;
    if (name == L"Label") return new CLabelUI;
    if (name == L"Text") return new CTextUI;
    if (name == L"Button") return new CButtonUI;
    if (name == L"Option") return new COptionUI;
    if (name == L"Edit") return new CEditUI;
    if (name == L"RichEdit") return new CRichEditUI;
    return NULL;
}

// The control attributes whose every number is a length.
bool IsLength(const std::wstring& name)
{
    static const wchar_t* const kLengths[] = {L"pos",      L"padding",   L"inset",      L"width",
                                              L"height",   L"minwidth",  L"maxwidth",   L"minheight",
                                              L"maxheight", L"bordersize", L"borderround", L"childpadding",
                                              L"textpadding"};
    for (const wchar_t* length : kLengths)
        if (name == length) return true;
    return false;
}

void ApplyWindowAttributes(const pugi::xml_node& node, CPaintManagerUI* pm)
{
    for (pugi::xml_attribute a : node.attributes()) {
        std::wstring name = W(a.name()), value = W(a.value());
        if (duiint::IsWindowLength(name)) {
            PaintManagerAccess::KeepWindowLength(pm, name, value);
            duiint::ApplyWindowLength(pm, name, value);
        } else if (name == L"defaultfontcolor") {
            pm->SetDefaultFontColor(duirender::ParseColor(value.c_str()));
        } else if (name == L"focuscolor") {
            pm->SetFocusColor(duirender::ParseColor(value.c_str()));
        } else if (name == L"disabledfontcolor") {
            pm->SetDefaultDisabledColor(duirender::ParseColor(value.c_str()));
        }
    }
}

void AddFont(const pugi::xml_node& node, CPaintManagerUI* pm)
{
    std::wstring face = W(node.attribute("name").value());
    int size = node.attribute("size").as_int(12);
    bool bold = node.attribute("bold").as_bool();
    bool underline = node.attribute("underline").as_bool();
    bool italic = node.attribute("italic").as_bool();
    pugi::xml_attribute id = node.attribute("id");
    if (id) pm->AddFontAt(id.as_int(), face.c_str(), size, bold, underline, italic);
    else pm->AddFont(face.c_str(), size, bold, underline, italic);
    if (node.attribute("default").as_bool()) pm->SetDefaultFont(face.c_str(), size, bold, underline, italic);
}

class Builder {
public:
    Builder(IDialogBuilderCallback* cb, CPaintManagerUI* pm) : m_cb(cb), m_pm(pm) {}

    // Builds the children of `node` into `parent` (a container, or NULL for
    // the top level) at `depth`; returns the first control built at this
    // level. Past kMaxDepth nothing more is built and TooDeep() is true.
    CControlUI* Parse(const pugi::xml_node& node, CContainerUI* parent, int depth = 1)
    {
        CControlUI* first = NULL;
        for (pugi::xml_node child : node.children()) {
            if (child.type() != pugi::node_element) continue;
            std::wstring name = W(child.name());
            if (name == L"Font") {
                if (m_pm) AddFont(child, m_pm);
                continue;
            }
            if (name == L"Window" || name == L"Image" || name == L"Default") continue;
            if (depth > kMaxDepth) {
                m_tooDeep = true;
                return first;
            }
            CControlUI* c = CreateBuiltin(name);
            if (c == NULL && m_cb) c = m_cb->CreateControl(name.c_str());
            if (c == NULL) continue;  // unknown: skipped with its children
            for (pugi::xml_attribute a : child.attributes()) {
                const std::wstring attribute = W(a.name()), value = W(a.value());
                if (m_pm && IsLength(attribute)) {
                    c->KeepLayoutLength(attribute.c_str(), value.c_str());
                    c->SetAttribute(attribute.c_str(), duiint::ScaledLengths(value, m_pm->GetDpi()).c_str());
                } else {
                    c->SetAttribute(attribute.c_str(), value.c_str());
                }
            }
            CContainerUI* box = static_cast<CContainerUI*>(c->GetInterface(L"Container"));
            if (box) Parse(child, box, depth + 1);
            if (parent) {
                parent->Add(c);
            } else if (first != NULL) {
                // Only one root: further top-level controls are dropped.
                delete c;
                continue;
            }
            if (first == NULL) first = c;
            if (m_tooDeep) return first;
        }
        return first;
    }

    bool TooDeep() const { return m_tooDeep; }

private:
    IDialogBuilderCallback* m_cb;
    CPaintManagerUI* m_pm;
    bool m_tooDeep = false;
};

} // namespace

CDialogBuilder::CDialogBuilder() : m_p(new Impl) {}
CDialogBuilder::~CDialogBuilder() { delete m_p; }

CStdString CDialogBuilder::GetLastErrorMessage() const { return m_p->error; }

CControlUI* CDialogBuilder::Create(LPCTSTR xml, LPCTSTR type, IDialogBuilderCallback* pCallback,
                                   CPaintManagerUI* pManager, CControlUI* pParent)
{
    (void)type;
    m_p->error.Empty();
    if (xml == NULL || *xml == L'\0') {
        m_p->error = L"no layout named";
        return NULL;
    }
    std::vector<BYTE> data;
    if (xml[0] == L'<') {
        std::string utf8 = duires::ToUtf8(xml);
        data.assign(utf8.begin(), utf8.end());
    } else if (!duires::ReadResource(xml, &data)) {
        m_p->error.Format(L"layout %s not found", xml);
        return NULL;
    }
    pugi::xml_document doc;
    pugi::xml_parse_result res = doc.load_buffer(data.data(), data.size(), pugi::parse_default, pugi::encoding_auto);
    if (!res) {
        m_p->error.Format(L"layout %s is malformed: %s at offset %d", xml[0] == L'<' ? L"(text)" : xml,
                          W(res.description()).c_str(), static_cast<int>(res.offset));
        return NULL;
    }
    pugi::xml_node top = doc.document_element();
    Builder builder(pCallback, pManager);
    CContainerUI* parentBox = pParent ? static_cast<CContainerUI*>(pParent->GetInterface(L"Container")) : NULL;
    const int kept = parentBox ? parentBox->GetCount() : 0;  // the parent's own controls
    CControlUI* root = NULL;
    if (strcmp(top.name(), "Window") == 0) {
        if (pManager) ApplyWindowAttributes(top, pManager);
        root = builder.Parse(top, parentBox);
    } else {
        root = builder.Parse(doc, parentBox);
    }
    if (builder.TooDeep()) {
        // Built below a parent, the controls are the parent's now: the ones
        // added go again; built alone, the root owns them.
        if (parentBox) {
            while (parentBox->GetCount() > kept) parentBox->RemoveAt(kept);
        } else {
            delete root;
        }
        m_p->error.Format(L"layout %s is nested deeper than %d controls", xml[0] == L'<' ? L"(text)" : xml, kMaxDepth);
        return NULL;
    }
    if (root == NULL) m_p->error = L"layout has no controls";
    return root;
}
