#pragma once
// The writes a Save would make, as the files Group Policy consumes: Registry.pol for the
// Machine and User folders of a Group Policy object (or of the local Group Policy), and
// preference registry items (Registry.xml) for its computer and user configuration. Each
// hive's file holds that hive's writes only, in the order Save makes them.

#include <cstdint>
#include <string>
#include <vector>

#include "AutoRunSettings.h"

// Where a planned write's value lives: key, value name and hive. withAutoplayBaseline: the two
// AutoPlay values of the baseline follow the machine hive's writes, as in the registry file.
using ValueTable = const PolicyValueInfo& (*)(PolicyValue value);

// A Registry.pol of the writes to one hive: a number or text as set, a deletion as "**del.".
// No write to that hive gives the header alone, a file that sets nothing.
std::vector<std::uint8_t> RegistryPolFile(const std::vector<PlannedWrite>& writes, bool machineHive,
                                          ValueTable table = InfoOf, bool withAutoplayBaseline = false);

// A Registry.xml of the writes to one hive: each an update item of one value, a deletion a
// delete item. changedUtc (seconds since 1970) is the items' "changed" time. No write to that
// hive gives an empty RegistrySettings.
std::string PreferenceXmlFile(const std::vector<PlannedWrite>& writes, bool machineHive, std::int64_t changedUtc,
                              ValueTable table = InfoOf, bool withAutoplayBaseline = false);
