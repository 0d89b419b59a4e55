#pragma once
// The decisions the pages make, kept apart from the windows so that they can be checked
// on their own.

#include <windows.h>

#include <exception>
#include <string>

#include "AutoRunSettings.h"
#include "Protection.h"

// The drive-type page shows switch i (GetSwitch) in check box 1000 + i and ball 1013 + i.

// "Select all" is ticked when every drive type is enabled; autorun.inf does not count.
bool AllDriveTypesEnabled(const AutoRunSettings& settings);

// The status line for a state, translated (UTF-8): the window and the command line say
// the same.
std::string ProtectionStatusText(ProtectionState state);
// The text of an error box for a failed load or save, translated where it is ours.
std::wstring ErrorBoxText(const std::exception& error);

// The language selector's items are English, Deutsch, Francais, in this order.
int LanguageIndex(const std::string& code);
const char* LanguageCodeAt(int index);

// Where a page stands inside the tab control: just below the first tab button, one pixel
// inside the right and bottom edges of the client area. Both rectangles in the tab
// control's client coordinates.
struct PagePlacement
{
    int x;
    int y;
    int width;
    int height;
};
PagePlacement PagePlacementFor(const RECT& client, const RECT& firstItem);
