#include "payload_entries.h"

#include "install_manifest.h"
#include "product.h"

const std::vector<std::wstring>& PayloadEntryNames()
{
    static const std::vector<std::wstring> names = [] {
        std::vector<std::wstring> list = {kAppFileName, kWindowLibraryFileName, kUninstallSkinFileName,
                                          kUninstallerFileName, L"res/", L"res/image/", L"res/image/face/",
                                          L"res/image/face/默认/"};
        for (const wchar_t* image : {L"Min.png", L"Minh.png", L"bk.png", L"bk1.png", L"close.png", L"closeh.png",
                                     L"velt.png"})
            list.push_back(std::wstring(L"res/image/face/默认/") + image);
        list.push_back(L"res/image/weather/");
        std::vector<int> numbers;
        for (int n = 0; n <= 31; ++n)
            numbers.push_back(n);
        numbers.push_back(53);
        for (int n : numbers) {
            const std::wstring stem = L"res/image/weather/d" + std::to_wstring(n);
            list.push_back(stem + L".gif");
            list.push_back(stem + L".png");
        }
        list.push_back(L"res/profile.xml");
        return list;
    }();
    return names;
}

InstallManifest PayloadManifest(const std::wstring& installDir)
{
    InstallManifest manifest;
    manifest.directory = installDir;
    manifest.createdDirectory = false;
    for (const std::wstring& name : PayloadEntryNames())
        manifest.AddArchiveEntry(name);
    manifest.AddFile(kInstallManifestFileName);
    return manifest;
}
