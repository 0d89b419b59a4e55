#include "PageRules.h"

#include "TextConvert.h"
#include "Translate.h"

bool AllDriveTypesEnabled(const AutoRunSettings& settings)
{
    for (int i = 1; i < kSwitchCount; ++i)
    {
        if (!GetSwitch(settings, i))
            return false;
    }
    return true;
}

std::string ProtectionStatusText(ProtectionState state)
{
    LanguageStrings& strings = LanguageStrings::Instance();
    switch (state)
    {
    case ProtectionState::NotControlled:
        return strings.Translate("Your PC is currently not safe. AutoRun is not controlled.");
    case ProtectionState::NotCompletelySafe:
        return strings.Translate("Your PC is not completely safe. AutoRun is not completely disabled.");
    case ProtectionState::Safe:
        return strings.Translate("Your PC is safe. AutoRun is disabled.");
    case ProtectionState::Unreadable:
        break;
    }
    return strings.Translate("The AutoRun state could not be read completely.");
}

std::wstring ErrorBoxText(const std::exception& error)
{
    if (dynamic_cast<const PolicyChangedError*>(&error) != nullptr)
        return T("Another program has changed the AutoRun policy since it was shown. Nothing was saved; "
                 "the window now shows the current policy.");
    return morvex::Utf8ToWide(error.what());
}

int LanguageIndex(const std::string& code)
{
    if (code == "de")
        return 1;
    if (code == "fr")
        return 2;
    return 0;
}

const char* LanguageCodeAt(int index)
{
    if (index == 1)
        return "de";
    if (index == 2)
        return "fr";
    return "en";
}

PagePlacement PagePlacementFor(const RECT& client, const RECT& firstItem)
{
    PagePlacement placement;
    placement.x = firstItem.left;
    placement.y = firstItem.bottom + 1;
    placement.width = client.right - firstItem.left - 1;
    placement.height = client.bottom - firstItem.bottom - 2;
    return placement;
}
