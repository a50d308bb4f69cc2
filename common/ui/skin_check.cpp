#include "skin_check.h"

#include "UIlib.h"
#include "product.h"

bool SkinHasLayout(LPCTSTR layoutName)
{
    CDialogBuilder builder;
    // No manager: the tree is only built, never attached, and deleted here.
    CControlUI* root = builder.Create(layoutName, nullptr, nullptr, nullptr, nullptr);
    if (!root)
        return false;
    delete root;
    return true;
}

bool CheckSkinOrReport(LPCTSTR frameLayout)
{
    if (SkinHasLayout(frameLayout))
        return true;
    MessageBoxW(nullptr, kMsgSetupDamaged, kCaptionError, MB_ICONERROR);
    return false;
}
