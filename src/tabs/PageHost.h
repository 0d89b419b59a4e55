#pragma once

#include <windows.h>

#include <exception>
#include <vector>

#include "AutoRunSettings.h"
#include "PolicySources.h"

// What the pages need of the window that holds them. The main dialog provides it; pages find
// it as the application's main window, so that they need no pointer at construction and
// know nothing of the dialog's class.
class PageHost
{
public:
    // The policy as the window last read it.
    virtual const AutoRunSettings& Settings() const = 0;
    // The window's background brush, having set the text colours on dc when the colour
    // scheme asks for them (dc may be null).
    virtual HBRUSH ControlColours(HDC dc) const = 0;
    // Reads the policy and shows it on every page; false when it could not be read whole.
    virtual bool LoadSettings() = 0;
    // Sets every text of the window and its pages in the current language.
    virtual void UpdateTexts() = 0;
    // The window's error box for a failed load or save, owned by the given window.
    virtual void ShowErrorBox(HWND owner, const std::exception& error) = 0;
    // Who else sets the policy, as read with it.
    virtual const PolicySources& Sources() const = 0;
    // After a save: names each written value that a policy source will write back, if any.
    virtual void ReportOverridden(HWND owner, const std::vector<PlannedWrite>& writes) = 0;

protected:
    ~PageHost() = default;
};
