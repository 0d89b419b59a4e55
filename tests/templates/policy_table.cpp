// Prints, as one JSON object, the policy's own table of registry values and what Save would
// write with every switch off and with every switch on, so that the administrative
// templates can be checked against the code that Morvex itself runs.
#include "AutoRunSettings.h"
#include "PolicyEncoding.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

const char* NameOf(PolicyValue value)
{
    switch (value)
    {
    case PolicyValue::IniFileMapping: return "IniFileMapping";
    case PolicyValue::MachineDriveTypes: return "MachineDriveTypes";
    case PolicyValue::UserDriveTypes: return "UserDriveTypes";
    case PolicyValue::CdromAutoRun: return "CdromAutoRun";
    case PolicyValue::MachineDriveLetters: return "MachineDriveLetters";
    case PolicyValue::UserDriveLetters: return "UserDriveLetters";
    }
    return "Unnamed";
}

// The keys and names are ASCII; anything else is escaped so that the output stays JSON.
std::string Json(const std::wstring& text)
{
    std::string out = "\"";
    for (const wchar_t c : text)
    {
        if (c == L'"' || c == L'\\')
        {
            out += '\\';
            out += static_cast<char>(c);
        }
        else if (c >= 0x20 && c < 0x7F)
        {
            out += static_cast<char>(c);
        }
        else
        {
            char escaped[8];
            std::snprintf(escaped, sizeof(escaped), "\\u%04x", static_cast<unsigned>(c) & 0xFFFF);
            out += escaped;
        }
    }
    return out + "\"";
}

std::string Writes(bool everySwitch)
{
    AutoRunSettings settings;
    for (int i = 0; i < kSwitchCount; ++i)
        SetSwitch(settings, i, everySwitch);
    std::string out = "[";
    for (const PlannedWrite& write : settings.PlanSave())
    {
        if (out.size() > 1)
            out += ",";
        out += "{\"value\":\"" + std::string(NameOf(write.value)) + "\",";
        switch (write.kind)
        {
        case PlannedWrite::Kind::Number: out += "\"number\":" + std::to_string(write.number); break;
        case PlannedWrite::Kind::Text: out += "\"text\":" + Json(write.text); break;
        case PlannedWrite::Kind::Delete: out += "\"delete\":true"; break;
        }
        out += "}";
    }
    return out + "]";
}

} // namespace

int main()
{
    std::string out = "{\"values\":{";
    for (int i = 0; i < kPolicyValueCount; ++i)
    {
        const PolicyValue value = static_cast<PolicyValue>(i);
        const PolicyValueInfo& info = InfoOf(value);
        if (i > 0)
            out += ",";
        out += "\"" + std::string(NameOf(value)) + "\":{\"hive\":\"" + (info.machineHive ? "HKLM" : "HKCU") +
               "\",\"key\":" + Json(info.keyPath) + ",\"name\":" + Json(info.valueName) + "}";
    }
    out += "},\"saveEverythingOff\":" + Writes(false);
    out += ",\"saveEverythingOn\":" + Writes(true);
    out += ",\"allLetters\":" + std::to_string(LetterMask(L"ABCDEFGHIJKLMNOPQRSTUVWXYZ"));
    out += "}\n";
    std::fputs(out.c_str(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
