#include "GroupPolicyFiles.h"

#include "AutoplayBaseline.h"
#include "PreferenceXml.h"
#include "RegistryPol.h"

std::vector<std::uint8_t> RegistryPolFile(const std::vector<PlannedWrite>& writes, bool machineHive,
                                          ValueTable table, bool withAutoplayBaseline)
{
    std::vector<regpol::PolRecord> records;
    for (const PlannedWrite& write : writes)
    {
        const PolicyValueInfo& info = table(write.value);
        if (info.machineHive != machineHive)
            continue;
        switch (write.kind)
        {
        case PlannedWrite::Kind::Number:
            records.push_back(regpol::SetDwordRecord(info.keyPath, info.valueName, write.number));
            break;
        case PlannedWrite::Kind::Text:
            records.push_back(regpol::SetStringRecord(info.keyPath, info.valueName, write.text));
            break;
        case PlannedWrite::Kind::Delete:
            records.push_back(regpol::DeleteValueRecord(info.keyPath, info.valueName));
            break;
        }
    }
    if (withAutoplayBaseline && machineHive)
    {
        for (const AutoplayBaselineValue& value : kAutoplayBaseline)
            records.push_back(regpol::SetDwordRecord(value.keyPath, value.valueName, kAutoplayBaselineWanted));
    }
    return regpol::WriteRegistryPol(records);
}

std::string PreferenceXmlFile(const std::vector<PlannedWrite>& writes, bool machineHive, std::int64_t changedUtc,
                              ValueTable table, bool withAutoplayBaseline)
{
    std::vector<regpol::PreferenceValue> values;
    for (const PlannedWrite& write : writes)
    {
        const PolicyValueInfo& info = table(write.value);
        if (info.machineHive != machineHive)
            continue;
        regpol::PreferenceValue value;
        value.hive = machineHive ? regpol::Hive::LocalMachine : regpol::Hive::CurrentUser;
        value.key = info.keyPath;
        value.name = info.valueName;
        switch (write.kind)
        {
        case PlannedWrite::Kind::Number:
            value.type = regpol::kRegDword;
            value.number = write.number;
            break;
        case PlannedWrite::Kind::Text:
            value.type = regpol::kRegSz;
            value.text = write.text;
            break;
        case PlannedWrite::Kind::Delete:
            // Save deletes only the autorun.inf mapping, a text; for a deletion the type only
            // chooses the console's picture.
            value.type = regpol::kRegSz;
            value.action = 'D';
            break;
        }
        values.push_back(value);
    }
    if (withAutoplayBaseline && machineHive)
    {
        for (const AutoplayBaselineValue& baseline : kAutoplayBaseline)
        {
            regpol::PreferenceValue value;
            value.hive = regpol::Hive::LocalMachine;
            value.key = baseline.keyPath;
            value.name = baseline.valueName;
            value.type = regpol::kRegDword;
            value.number = kAutoplayBaselineWanted;
            values.push_back(value);
        }
    }
    return regpol::WritePreferenceXml(values, changedUtc);
}
