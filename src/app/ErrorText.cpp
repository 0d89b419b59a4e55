#include "ErrorText.h"

#include "AutoRunSettings.h"
#include "TextConvert.h"
#include "Translate.h"

std::wstring ErrorBoxText(const std::exception& error)
{
    if (dynamic_cast<const PolicyChangedError*>(&error) != nullptr)
        return T("Another program has changed the AutoRun policy since it was shown. Nothing was saved; "
                 "the window now shows the current policy.");
    return morvex::Utf8ToWide(error.what());
}

void ShowErrorBox(HWND owner, const std::exception& error)
{
    MessageBoxW(owner, ErrorBoxText(error).c_str(), T("Error").c_str(), MB_ICONERROR);
}
