// The looks of Setup's option buttons (20x20, a pair of exclusive choices)
// and check buttons (14x14), cut out of the skin's "button.png", and the
// functions that give a button one of them. The code keeps each choice in
// the wizard; the button only shows it.
#pragma once

class CControlUI;

// Looks cut out of the skin's "button.png": option buttons (20x20) and check
// buttons (14x14), unselected ("Off") and selected ("On"), each as normal,
// hot and pushed image.
extern const wchar_t g_strOptionOffNormal[];
extern const wchar_t g_strOptionOffHot[];
extern const wchar_t g_strOptionOffPushed[];
extern const wchar_t g_strOptionOnNormal[];
extern const wchar_t g_strOptionOnHot[];
extern const wchar_t g_strOptionOnPushed[];
extern const wchar_t g_strCheckOffNormal[];
extern const wchar_t g_strCheckOffHot[];
extern const wchar_t g_strCheckOffPushed[];
extern const wchar_t g_strCheckOnNormal[];
extern const wchar_t g_strCheckOnHot[];
extern const wchar_t g_strCheckOnPushed[];

// Gives a button its normal, hot and pushed image, in that order. Does
// nothing for a null control or one that is not a button.
void SetButtonLook(CControlUI* button, const wchar_t* normal, const wchar_t* hot, const wchar_t* pushed);
// The checked or unchecked look of a check button, the selected or
// unselected look of an option button; the button's state for screen
// readers ("checked") follows.
void SetCheckLook(CControlUI* button, bool checked);
void SetOptionLook(CControlUI* button, bool selected);
