// Reading and writing "res\profile.xml" with pugixml (see profile.h).
#include "profile.h"

#include <pugixml.hpp>

#include <cstdlib>

namespace {

// Reads an integer attribute; false when it is absent or not a whole number.
bool ReadInt(const pugi::xml_node& node, const char* name, int* value) {
    const pugi::xml_attribute attr = node.attribute(name);
    if (!attr) return false;
    const char* text = attr.value();
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || v < -1000000 || v > 1000000) return false;
    *value = static_cast<int>(v);
    return true;
}

} // namespace

std::wstring ProfilePathFor(const std::wstring& exeDir) {
    std::wstring path = exeDir;
    if (!path.empty() && path.back() != L'\\' && path.back() != L'/') path += L'\\';
    return path + L"res\\profile.xml";
}

Profile LoadProfile(const std::wstring& path) {
    Profile profile;
    pugi::xml_document doc;
    if (!doc.load_file(path.c_str())) return profile;
    const pugi::xml_node root = doc.child("profile");
    if (!root) return profile;

    int x = 0, y = 0;
    const pugi::xml_node window = root.child("window");
    if (ReadInt(window, "x", &x) && ReadInt(window, "y", &y)) {
        profile.hasPosition = true;
        profile.x = x;
        profile.y = y;
    }
    int first = 0;
    if (ReadInt(root.child("calendar"), "firstdayofweek", &first) && (first == 0 || first == 1))
        profile.firstDayOfWeek = first;
    return profile;
}

bool SaveProfile(const std::wstring& path, const Profile& profile) {
    pugi::xml_document doc;
    if (!doc.load_file(path.c_str(), pugi::parse_default | pugi::parse_comments) ||
        !doc.child("profile")) {
        doc.reset();
        pugi::xml_node decl = doc.append_child(pugi::node_declaration);
        decl.append_attribute("version") = "1.0";
        decl.append_attribute("encoding") = "utf-8";
        doc.append_child("profile");
    }
    pugi::xml_node root = doc.child("profile");
    pugi::xml_node window = root.child("window");
    if (!window) window = root.append_child("window");
    window.remove_attribute("x");
    window.remove_attribute("y");
    if (profile.hasPosition) {
        window.append_attribute("x") = profile.x;
        window.append_attribute("y") = profile.y;
    }
    pugi::xml_node cal = root.child("calendar");
    if (!cal) cal = root.append_child("calendar");
    cal.remove_attribute("firstdayofweek");
    cal.append_attribute("firstdayofweek") = profile.firstDayOfWeek;
    return doc.save_file(path.c_str(), "  ", pugi::format_default, pugi::encoding_utf8);
}
