#include "ErrorText.h"

#include "AutoRunSettings.h"
#include "TextConvert.h"
#include "Translate.h"

namespace {

// A save that another program overtook: what happened in the window's language, then the
// values by their registry names, which no language changes.
std::wstring ChangedPolicyText(const PolicyChangedError& error)
{
    std::wstring text = error.Written().empty()
                            ? T("Another program has changed the AutoRun policy since it was shown. Nothing was saved; "
                                "the window now shows the current policy.")
                            : T("Another program changed the AutoRun policy while it was being saved. Saving stopped "
                                "at the value below, which that program changed; the window now shows the current "
                                "policy.");
    text += L"\r\n\r\n" + morvex::Utf8ToWide(DescribeValue(error.Changed()));
    if (!error.Written().empty())
    {
        text += L"\r\n\r\n" + T("Saved before it stopped:");
        for (PolicyValue value : error.Written())
            text += L"\r\n" + morvex::Utf8ToWide(DescribeValue(value));
    }
    return text;
}

} // namespace

std::wstring ErrorBoxText(const std::exception& error)
{
    if (const auto* changed = dynamic_cast<const PolicyChangedError*>(&error))
        return ChangedPolicyText(*changed);
    return morvex::Utf8ToWide(error.what());
}

void ShowErrorBox(HWND owner, const std::exception& error)
{
    MessageBoxW(owner, ErrorBoxText(error).c_str(), T("Error").c_str(), MB_ICONERROR);
}
