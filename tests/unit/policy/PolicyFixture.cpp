#include "PolicyFixture.h"

#include "TextConvert.h"

namespace policytest {

const std::wstring kMappingKey = testreg::kIniMappingKey;
const std::wstring kPoliciesKey = testreg::kPoliciesKey;
const std::wstring kExplorerKey = testreg::kExplorerPolicyKey;
const std::wstring kCdromKey = testreg::kCdromKey;

Fields Fields::Of(const AutoRunSettings& s)
{
    return {s.runAutorunInf, s.unknownDrives, s.removableDrives, s.fixedDrives,
            s.networkDrives, s.cdromDrives,   s.ramDisks,        s.disabledLetters};
}

void Fields::To(AutoRunSettings& s) const
{
    s.runAutorunInf = runAutorunInf;
    s.unknownDrives = unknownDrives;
    s.removableDrives = removableDrives;
    s.fixedDrives = fixedDrives;
    s.networkDrives = networkDrives;
    s.cdromDrives = cdromDrives;
    s.ramDisks = ramDisks;
    s.disabledLetters = disabledLetters;
}

Fields Fields::Inverted() const
{
    return {!runAutorunInf, !unknownDrives, !removableDrives, !fixedDrives,
            !networkDrives, !cdromDrives,   !ramDisks,        L"stale " + disabledLetters};
}

bool Fields::operator==(const Fields& o) const
{
    return runAutorunInf == o.runAutorunInf && unknownDrives == o.unknownDrives &&
           removableDrives == o.removableDrives && fixedDrives == o.fixedDrives &&
           networkDrives == o.networkDrives && cdromDrives == o.cdromDrives && ramDisks == o.ramDisks &&
           disabledLetters == o.disabledLetters;
}

void PrintTo(const Fields& f, std::ostream* out)
{
    *out << "{inf " << f.runAutorunInf << ", unknown " << f.unknownDrives << ", removable " << f.removableDrives
         << ", fixed " << f.fixedDrives << ", network " << f.networkDrives << ", cdrom " << f.cdromDrives
         << ", ram " << f.ramDisks << ", letters \"" << morvex::WideToUtf8(f.disabledLetters) << "\"}";
}

void PolicyRegistryTest::SetUp()
{
    machinePolicies = testreg::Capture(HKEY_LOCAL_MACHINE, kPoliciesKey);
    userPolicies = testreg::Capture(HKEY_CURRENT_USER, kPoliciesKey);
    mapping64 = testreg::Capture(HKEY_LOCAL_MACHINE, kMappingKey);
    mapping32 = testreg::Capture(HKEY_LOCAL_MACHINE, kMappingKey, testreg::kView32);
    cdrom = testreg::Capture(HKEY_LOCAL_MACHINE, kCdromKey);
    Clear();
}

void PolicyRegistryTest::TearDown()
{
    testreg::Restore(HKEY_LOCAL_MACHINE, kPoliciesKey, machinePolicies);
    testreg::Restore(HKEY_CURRENT_USER, kPoliciesKey, userPolicies);
    testreg::Restore(HKEY_LOCAL_MACHINE, kMappingKey, mapping64);
    testreg::Restore(HKEY_LOCAL_MACHINE, kMappingKey, mapping32, testreg::kView32);
    testreg::Restore(HKEY_LOCAL_MACHINE, kCdromKey, cdrom);
}

void PolicyRegistryTest::Clear()
{
    testreg::DeleteTree(HKEY_LOCAL_MACHINE, kMappingKey);
    testreg::DeleteTree(HKEY_LOCAL_MACHINE, kMappingKey, testreg::kView32);
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
    {
        testreg::DeleteValue(root, kExplorerKey, L"NoDriveTypeAutoRun");
        testreg::DeleteValue(root, kExplorerKey, L"NoDriveAutoRun");
    }
    testreg::DeleteValue(HKEY_LOCAL_MACHINE, kCdromKey, L"AutoRun");
}

void PolicyRegistryTest::Apply(const PolicyState& state)
{
    Clear();
    if (state.mapping)
        testreg::WriteText(HKEY_LOCAL_MACHINE, kMappingKey, L"", *state.mapping);
    const struct
    {
        HKEY root;
        const std::wstring& path;
        const wchar_t* name;
        const std::optional<DWORD>& value;
    } numbers[] = {
        {HKEY_LOCAL_MACHINE, kExplorerKey, L"NoDriveTypeAutoRun", state.machineTypes},
        {HKEY_CURRENT_USER, kExplorerKey, L"NoDriveTypeAutoRun", state.userTypes},
        {HKEY_LOCAL_MACHINE, kCdromKey, L"AutoRun", state.cdrom},
        {HKEY_LOCAL_MACHINE, kExplorerKey, L"NoDriveAutoRun", state.machineLetters},
        {HKEY_CURRENT_USER, kExplorerKey, L"NoDriveAutoRun", state.userLetters},
    };
    for (const auto& n : numbers)
    {
        if (n.value)
            testreg::WriteDword(n.root, n.path, n.name, *n.value);
    }
}

std::optional<DWORD> PolicyRegistryTest::ReadDword(HKEY root, const std::wstring& path, const wchar_t* name)
{
    const auto value = testreg::Read(root, path, name);
    if (!value)
        return std::nullopt;
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), value->type) << testreg::Utf8(name);
    EXPECT_EQ(4u, value->data.size()) << testreg::Utf8(name);
    return testreg::DwordOf(*value);
}

} // namespace policytest
