#include "StatusReport.h"

#include <windows.h>

#include <exception>

#include "AutoplayBaseline.h"
#include "OptionsStore.h"
#include "Switches.h"
#include "TextConvert.h"
#include "LanguageStrings.h"

namespace {

// The names of the six values in the "registry" object, under their hive.
const char* JsonName(PolicyValue value)
{
    switch (value)
    {
    case PolicyValue::IniFileMapping:
        return "IniFileMapping";
    case PolicyValue::MachineDriveTypes:
    case PolicyValue::UserDriveTypes:
        return "NoDriveTypeAutoRun";
    case PolicyValue::CdromAutoRun:
        return "CdromAutoRun";
    case PolicyValue::MachineDriveLetters:
    case PolicyValue::UserDriveLetters:
        return "NoDriveAutoRun";
    }
    return "";
}

std::string JsonValue(const StoredValue& stored)
{
    switch (stored.state)
    {
    case StoredValue::State::Number:
        return std::to_string(stored.number);
    case StoredValue::State::Text:
        return JsonString(morvex::WideToUtf8(stored.text));
    case StoredValue::State::Absent:
    case StoredValue::State::Unreadable:
        break;
    }
    return "null";
}

// A label as a line of text: the access-key marks of a window label mean nothing here.
std::string WithoutAccessKey(const std::string& label)
{
    std::string text;
    for (size_t i = 0; i < label.size(); ++i)
    {
        if (label[i] == '&' && i + 1 < label.size())
            ++i;
        text += label[i];
    }
    return text;
}

// Where a switch's line comes from: the drive-type page's own labels.
std::string SwitchLabel(int index)
{
    return WithoutAccessKey(LanguageStrings::Instance().Translate(kSwitches[index].labelKey));
}

const char* StatusName(ProtectionState state)
{
    switch (state)
    {
    case ProtectionState::Safe:
        return "safe";
    case ProtectionState::NotCompletelySafe:
        return "partial";
    case ProtectionState::NotControlled:
        return "unsafe";
    case ProtectionState::Unreadable:
        break;
    }
    return "unreadable";
}

StoredValue ReadDword(const wchar_t* keyPath, const wchar_t* valueName)
{
    StoredValue stored;
    try
    {
        OptionsStore store;
        DWORD number = 0;
        if (store.GetDword(HKEY_LOCAL_MACHINE, keyPath, valueName, number, 0))
        {
            stored.state = StoredValue::State::Number;
            stored.number = number;
        }
    }
    catch (const std::exception&)
    {
        stored.state = StoredValue::State::Unreadable;
    }
    return stored;
}

bool IsNumber(const StoredValue& stored, std::uint32_t number)
{
    return stored.state == StoredValue::State::Number && stored.number == number;
}

const char* PassOrFail(bool pass)
{
    return pass ? "\"pass\"" : "\"fail\"";
}

std::string NameJson(const PolicySource& source)
{
    return source.name.empty() ? std::string("null") : JsonString(morvex::WideToUtf8(source.name));
}

// What a source does to a value: a number, a text, "delete", or null for data of another type.
std::string DataJson(const regpol::ValueEffect& effect)
{
    if (effect.kind == regpol::ValueEffect::Kind::Deletes)
        return "\"delete\"";
    if (const std::optional<std::uint32_t> number = effect.Dword())
        return std::to_string(*number);
    if (const std::optional<std::wstring> text = effect.String())
        return JsonString(morvex::WideToUtf8(*text));
    return "null";
}

std::string ManagedJson(const PolicySources& sources)
{
    std::string json;
    for (const ManagedSetting& setting : sources.managed)
    {
        json += std::string(json.empty() ? "" : ",") + "{\"value\":" + JsonString(WatchedName(setting.value)) +
                ",\"source\":" + JsonString(SourceJsonName(setting.source.kind)) +
                ",\"name\":" + NameJson(setting.source) + ",\"data\":" + DataJson(setting.effect) + "}";
    }
    return json;
}

std::string UnknownJson(const PolicySources& sources)
{
    std::string json;
    for (const PolicySource& source : sources.unknown)
    {
        json += std::string(json.empty() ? "" : ",") + "{\"source\":" + JsonString(SourceJsonName(source.kind)) +
                ",\"name\":" + NameJson(source) + ",\"path\":" + JsonString(morvex::WideToUtf8(source.where)) + "}";
    }
    return json;
}

} // namespace

Baseline ReadBaseline()
{
    Baseline baseline;
    baseline.noAutoplayForNonVolume.stored = ReadDword(kAutoplayBaseline[0].keyPath, kAutoplayBaseline[0].valueName);
    baseline.noAutorun.stored = ReadDword(kAutoplayBaseline[1].keyPath, kAutoplayBaseline[1].valueName);
    return baseline;
}

std::string StatusLines(const AutoRunSettings& settings, const PolicySources& sources)
{
    LanguageStrings& catalogue = LanguageStrings::Instance();
    const std::string yes = catalogue.Translate("yes");
    const std::string no = catalogue.Translate("no");
    // The status line first: monitoring agents show the first line of a check's output as
    // its summary and the rest as details.
    std::string text = ProtectionStatusText(EvaluateProtection(settings)) + "\n";
    for (int i = 0; i < kSwitchCount; ++i)
        text += SwitchLabel(i) + ": " + (GetSwitch(settings, i) ? yes : no) + "\n";
    text += WithoutAccessKey(catalogue.Translate("Additionally auto-run is disabled on the following drive letters:")) + " " +
            (settings.disabledLetters.empty() ? catalogue.Translate("none")
                                              : morvex::WideToUtf8(settings.disabledLetters)) +
            "\n";
    for (const ManagedSetting& setting : sources.managed)
        text += ManagedLine(setting) + "\n";
    for (const PolicySource& source : sources.unknown)
        text += UnknownLine(source) + "\n";
    return text;
}

std::string PerfData(const AutoRunSettings& settings)
{
    const auto unreadable = [&settings](PolicyValue value) {
        return settings.Stored(value).state == StoredValue::State::Unreadable;
    };
    // A guess must not be graphed as a figure: U is the convention's "could not be determined".
    bool typesKnown = true;
    int enabledTypes = 0;
    for (int i = 0; i < kSwitchCount; ++i)
    {
        if (!IsDriveType(i))
            continue;
        typesKnown = typesKnown && settings.Decided(i);
        enabledTypes += GetSwitch(settings, i) ? 1 : 0;
    }
    const bool lettersKnown =
        !unreadable(PolicyValue::MachineDriveLetters) && !unreadable(PolicyValue::UserDriveLetters);
    int letters = 0;
    for (const wchar_t c : settings.disabledLetters)
        letters += (c >= L'A' && c <= L'Z') ? 1 : 0;
    return "enabled_drive_types=" + (typesKnown ? std::to_string(enabledTypes) : std::string("U")) +
           ";;;0;6 autorun_inf=" +
           (settings.Decided(kAutorunInfSwitch) ? std::string(settings.runAutorunInf ? "1" : "0") : std::string("U")) +
           " disabled_letters=" + (lettersKnown ? std::to_string(letters) : std::string("U")) + ";;;0;26";
}

std::string StatusJson(const AutoRunSettings& settings, const Baseline& baseline, const PolicySources& sources)
{
    const ProtectionState state = EvaluateProtection(settings);
    std::string json = "{";
    for (int i = 0; i < kSwitchCount; ++i)
        json += JsonString(kSwitches[i].jsonName) + ":" + (GetSwitch(settings, i) ? "true," : "false,");
    json += "\"disabledLetters\":" + JsonString(morvex::WideToUtf8(settings.disabledLetters));
    json += ",\"status\":" + JsonString(StatusName(state));
    json += ",\"statusText\":" + JsonString(ProtectionStatusText(state));

    std::string unreadable;
    auto noteUnreadable = [&unreadable](const char* hive, const char* name) {
        unreadable += (unreadable.empty() ? "" : ",") + JsonString(std::string(hive) + "\\" + name);
    };
    json += ",\"registry\":{";
    for (const bool machine : {true, false})
    {
        const char* hive = machine ? "HKLM" : "HKCU";
        json += std::string(machine ? "" : ",") + "\"" + hive + "\":{";
        bool first = true;
        for (int i = 0; i < kPolicyValueCount; ++i)
        {
            const PolicyValue value = static_cast<PolicyValue>(i);
            if (InfoOf(value).machineHive != machine)
                continue;
            const StoredValue& stored = settings.Stored(value);
            json += (first ? "" : ",") + JsonString(JsonName(value)) + ":" + JsonValue(stored);
            first = false;
            if (stored.state == StoredValue::State::Unreadable)
                noteUnreadable(hive, JsonName(value));
        }
        json += "}";
    }
    json += "}";

    const BaselineValue* const baselineValues[] = {&baseline.noAutoplayForNonVolume, &baseline.noAutorun};
    std::string baselineJson;
    for (const BaselineValue* value : baselineValues)
    {
        baselineJson += JsonString(value->name) + ":" + JsonValue(value->stored) + ",";
        if (value->stored.state == StoredValue::State::Unreadable)
            noteUnreadable("HKLM", value->name);
    }
    // The three AutoPlay checks of the DISA STIG for Windows 10 and 11 (WN10-/WN11-CC-000180,
    // -000185, -000190): each wants one REG_DWORD in HKLM with exactly this value.
    baselineJson += "\"CC-000180\":";
    baselineJson += PassOrFail(IsNumber(baseline.noAutoplayForNonVolume.stored, kAutoplayBaselineWanted));
    baselineJson += ",\"CC-000185\":";
    baselineJson += PassOrFail(IsNumber(baseline.noAutorun.stored, kAutoplayBaselineWanted));
    baselineJson += ",\"CC-000190\":";
    baselineJson += PassOrFail(IsNumber(settings.Stored(PolicyValue::MachineDriveTypes), 0xFF));

    json += ",\"unreadable\":[" + unreadable + "]";
    json += ",\"baseline\":{" + baselineJson + "}";
    json += ",\"managedBy\":[" + ManagedJson(sources) + "]";
    json += ",\"managedUnknown\":[" + UnknownJson(sources) + "]}\n";
    return json;
}

std::string OverriddenWarnings(const std::vector<OverriddenWrite>& overridden)
{
    std::string text;
    for (const OverriddenWrite& item : overridden)
        text += LanguageStrings::Instance().Translate("Warning:") + " " + OverriddenLine(item) + "\n";
    return text;
}

int ExitCodeFor(ProtectionState state)
{
    switch (state)
    {
    case ProtectionState::Safe:
        return 0;
    case ProtectionState::NotCompletelySafe:
        return 1;
    case ProtectionState::NotControlled:
        return 2;
    case ProtectionState::Unreadable:
        break;
    }
    return 3;
}

std::string ErrorText(const std::exception& error)
{
    const auto* changed = dynamic_cast<const PolicyChangedError*>(&error);
    // A save stopped between its writes: the policy's own text says what was written.
    if (changed == nullptr || !changed->Written().empty())
        return error.what();
    // The window reads the policy again after such a failure; a command does not.
    return LanguageStrings::Instance().Translate(
               "Nothing was saved: the AutoRun policy changed since it was read (Group Policy, a script or another "
               "window). Run the command again.") +
           "\n" + DescribeValue(changed->Changed());
}

namespace {

// The length of the valid UTF-8 sequence at text[i] (1 to 4), or 0 when it is not one; then
// *invalidLength says how many bytes one replacement character stands for (the lead byte
// with the continuation bytes that fit it, as decoders commonly replace them).
size_t Utf8SequenceLength(const std::string& text, size_t i, size_t* invalidLength)
{
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
    {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0; // shorter forms are overlong
        else if (lead == 0xED)
            high = 0x9F; // UTF-16 surrogates are no characters
    }
    else if (lead >= 0xF0 && lead <= 0xF4)
    {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F; // beyond U+10FFFF
    }
    *invalidLength = 1;
    if (length == 0)
        return 0;
    for (size_t k = 1; k < length; ++k)
    {
        if (i + k >= text.size())
            return 0;
        const unsigned char next = static_cast<unsigned char>(text[i + k]);
        if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF))
            return 0;
        *invalidLength = k + 1;
    }
    return length;
}

} // namespace

std::string JsonString(const std::string& utf8)
{
    static const char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (size_t i = 0; i < utf8.size(); ++i)
    {
        const char c = utf8[i];
        const unsigned char u = static_cast<unsigned char>(c);
        if (u >= 0x80)
        {
            size_t invalid = 1;
            const size_t length = Utf8SequenceLength(utf8, i, &invalid);
            if (length == 0)
            {
                out += "\xEF\xBF\xBD"; // U+FFFD REPLACEMENT CHARACTER
                i += invalid - 1;
            }
            else
            {
                out.append(utf8, i, length);
                i += length - 1;
            }
            continue;
        }
        switch (c)
        {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (u < 0x20)
            {
                out += "\\u00";
                out += kHex[u >> 4];
                out += kHex[u & 0xF];
            }
            else
            {
                out += c;
            }
        }
    }
    return out + "\"";
}
