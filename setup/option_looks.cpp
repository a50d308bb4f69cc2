#include "option_looks.h"

#include "UIlib.h"

const wchar_t g_strOptionOffNormal[] = L"file='button.png' source='3,263,23,283' dest='0,0,20,20'";
const wchar_t g_strOptionOffHot[] = L"file='button.png' source='39,263,59,283' dest='0,0,20,20'";
const wchar_t g_strOptionOffPushed[] = L"file='button.png' source='75,263,95,283' dest='0,0,20,20'";
const wchar_t g_strOptionOnNormal[] = L"file='button.png' source='110,263,130,283' dest='0,0,20,20'";
const wchar_t g_strOptionOnHot[] = L"file='button.png' source='146,263,166,283' dest='0,0,20,20'";
const wchar_t g_strOptionOnPushed[] = L"file='button.png' source='182,263,202,283' dest='0,0,20,20'";
const wchar_t g_strCheckOffNormal[] = L"file='button.png' source='4,303,18,317' dest='0,0,14,14'";
const wchar_t g_strCheckOffHot[] = L"file='button.png' source='41,303,55,317' dest='0,0,14,14'";
const wchar_t g_strCheckOffPushed[] = L"file='button.png' source='77,303,91,317' dest='0,0,14,14'";
const wchar_t g_strCheckOnNormal[] = L"file='button.png' source='112,303,126,317' dest='0,0,14,14'";
const wchar_t g_strCheckOnHot[] = L"file='button.png' source='148,303,162,317' dest='0,0,14,14'";
const wchar_t g_strCheckOnPushed[] = L"file='button.png' source='184,303,198,317' dest='0,0,14,14'";

void SetButtonLook(CControlUI* control, const wchar_t* normal, const wchar_t* hot, const wchar_t* pushed)
{
    CButtonUI* button = control ? static_cast<CButtonUI*>(control->GetInterface(L"Button")) : nullptr;
    if (!button)
        return;
    button->SetNormalImage(normal);
    button->SetHotImage(hot);
    button->SetPushedImage(pushed);
}

void SetCheckLook(CControlUI* button, bool checked)
{
    if (button)
        button->SetChecked(checked);
    if (checked)
        SetButtonLook(button, g_strCheckOnNormal, g_strCheckOnHot, g_strCheckOnPushed);
    else
        SetButtonLook(button, g_strCheckOffNormal, g_strCheckOffHot, g_strCheckOffPushed);
}

void SetOptionLook(CControlUI* button, bool selected)
{
    if (button)
        button->SetChecked(selected);
    if (selected)
        SetButtonLook(button, g_strOptionOnNormal, g_strOptionOnHot, g_strOptionOnPushed);
    else
        SetButtonLook(button, g_strOptionOffNormal, g_strOptionOffHot, g_strOptionOffPushed);
}
