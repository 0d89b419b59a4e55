#pragma once
// Puts the machine's AutoRun policy into a known state for one test and gives back what
// was there before afterwards.

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

#include "AutoRunSettings.h"
#include "RegistryTestSupport.h"

namespace policytest {

extern const std::wstring kMappingKey;
extern const std::wstring kPoliciesKey;
extern const std::wstring kExplorerKey;
extern const std::wstring kCdromKey;

// The registry side of the policy. An empty optional is a value that is not there.
struct PolicyState
{
    std::optional<std::wstring> mapping;
    std::optional<DWORD> machineTypes;
    std::optional<DWORD> userTypes;
    std::optional<DWORD> cdrom;
    std::optional<DWORD> machineLetters;
    std::optional<DWORD> userLetters;

    // Chained setters, so that a table row names what it sets.
    PolicyState Mapping(const std::wstring& text) const { PolicyState s = *this; s.mapping = text; return s; }
    PolicyState MachineTypes(DWORD v) const { PolicyState s = *this; s.machineTypes = v; return s; }
    PolicyState UserTypes(DWORD v) const { PolicyState s = *this; s.userTypes = v; return s; }
    PolicyState Cdrom(DWORD v) const { PolicyState s = *this; s.cdrom = v; return s; }
    PolicyState MachineLetters(DWORD v) const { PolicyState s = *this; s.machineLetters = v; return s; }
    PolicyState UserLetters(DWORD v) const { PolicyState s = *this; s.userLetters = v; return s; }
};
const PolicyState kNothing{};

// The fields of AutoRunSettings, comparable and printable.
struct Fields
{
    bool runAutorunInf, unknownDrives, removableDrives, fixedDrives, networkDrives, cdromDrives, ramDisks;
    std::wstring disabledLetters;

    static Fields Of(const AutoRunSettings& settings);
    void To(AutoRunSettings& settings) const;
    Fields Inverted() const;
    bool operator==(const Fields& other) const;
};
void PrintTo(const Fields& fields, std::ostream* out);

class PolicyRegistryTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Removes every policy value (and the keys that hold only policy values).
    static void Clear();
    static void Apply(const PolicyState& state);
    // A REG_DWORD value read from the 64-bit view; fails the test for any other type.
    static std::optional<DWORD> ReadDword(HKEY root, const std::wstring& path, const wchar_t* name);

private:
    testreg::Tree machinePolicies, userPolicies, mapping64, mapping32, cdrom;
};

} // namespace policytest
