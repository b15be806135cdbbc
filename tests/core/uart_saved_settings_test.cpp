#include "uart/saved_settings.h"
#include "uart/tx_codec.h"

#include <gtest/gtest.h>

namespace {

std::function<std::optional<std::string>(const std::string &)> From(const SettingEntries &entries)
{
    return [&entries](const std::string &key) -> std::optional<std::string> {
        const auto found = entries.find(key);
        if (found == entries.end())
            return std::nullopt;
        return found->second;
    };
}

TEST(SavedSettings, EverySettingSurvivesTheRoundTrip)
{
    UartSettings settings;
    settings.txNotation = NotationHex;
    settings.rxNotation = NotationDecimal;
    settings.timestamp = settings.wrap = settings.periodic = settings.counter = settings.reconnect = true;
    settings.logLineBreaks = true;
    settings.logFolder = "/home/ada/logs \u00e9";
    settings.period = "86400000";
    settings.periodUnit = 1;
    settings.totalSize = "16";
    settings.lineEnding = LineEndingCrLf;
    settings.messages = {{L"AT+VERSION?", NotationAscii, LineEndingCrLf},
                         {L" \u00e9\\#;=x ", NotationAscii, LineEndingNone},
                         {L"0a ff", NotationHex, LineEndingNone}};
    const SettingEntries entries = SettingsEntries(settings);
    const UartSettings back = SettingsFromEntries(From(entries), 1000);
    EXPECT_EQ(SettingsEntries(back), entries);
    ASSERT_EQ(back.messages.size(), 3u);
    EXPECT_EQ(back.messages[1].text, L" \u00e9\\#;=x ");
    EXPECT_EQ(entries.at("UART/Messages/2/Text"), " \xc3\xa9\\#;=x ");

    const UartSettings none = SettingsFromEntries(From(SettingEntries{}), 1000);
    EXPECT_EQ(SettingsEntries(none), SettingsEntries(UartSettings{})) << "the first start has the defaults";
}

// A damaged or hand-edited file: each bad value keeps its default, each bad
// message is left out, and the list never outgrows the panel's.
TEST(SavedSettings, UnusableValuesGiveTheDefaults)
{
    const SettingEntries entries{
        {"UART/TransmissionType", "4"},  {"UART/ReadType", "-1"},          {"UART/Timestamp", "yes"},
        {"UART/Period", "12a"},          {"UART/TotalSize", "1e3"},        {"UART/LineEnding", "2"},
        {"UART/LogFolder", "logs"},      {"UART/LogLineBreaks", "2"},
        {"UART/PeriodUnit", "1"},        {"UART/Messages/Count", "6"},     {"UART/Messages/1/Text", "ok"},
        {"UART/Messages/1/Type", "0"},   {"UART/Messages/2/Text", "1 333"}, {"UART/Messages/2/Type", "1"},
        {"UART/Messages/3/Text", "\xff"}, {"UART/Messages/3/Type", "0"},   {"UART/Messages/4/Text", "12"},
        {"UART/Messages/4/Type", "3"},   {"UART/Messages/4/Ending", "1"},  {"UART/Messages/5/Text", "x"},
        {"UART/Messages/6/Text", "y"},   {"UART/Messages/6/Type", "0"},
    };
    const UartSettings read = SettingsFromEntries(From(entries), 2);
    EXPECT_EQ(read.txNotation, NotationAscii);
    EXPECT_EQ(read.rxNotation, NotationAscii);
    EXPECT_FALSE(read.timestamp);
    EXPECT_EQ(read.period, "");
    EXPECT_EQ(read.totalSize, "");
    EXPECT_EQ(read.logFolder, "") << "a relative folder would follow the current directory";
    EXPECT_FALSE(read.logLineBreaks);
    EXPECT_EQ(read.lineEnding, LineEndingLf);
    EXPECT_EQ(read.periodUnit, 1);
    ASSERT_EQ(read.messages.size(), 2u) << "a hex group too long, bad UTF-8 and a missing type are left out";
    EXPECT_EQ(read.messages[0].text, L"ok");
    EXPECT_EQ(read.messages[1].text, L"12");
    EXPECT_EQ(read.messages[1].ending, LineEndingNone) << "numbers take no ending";
}

// Only what changed is written, so that what another instance wrote stays;
// a list that changed is written whole, to replace the file's.
TEST(SavedSettings, OnlyChangedEntriesAreWrittenAndAChangedListWhole)
{
    UartSettings before;
    before.messages = {{L"a", NotationAscii, LineEndingNone}, {L"b", NotationAscii, LineEndingNone}};
    UartSettings now = before;
    EXPECT_TRUE(ChangedEntries(SettingsEntries(before), SettingsEntries(now)).empty());
    now.timestamp = true;
    EXPECT_EQ(ChangedEntries(SettingsEntries(before), SettingsEntries(now)), (SettingEntries{{"UART/Timestamp", "1"}}));
    now.messages.pop_back();
    const SettingEntries changed = ChangedEntries(SettingsEntries(before), SettingsEntries(now));
    EXPECT_EQ(changed.size(), 5u);
    EXPECT_EQ(changed.at("UART/Messages/Count"), "1");
    EXPECT_EQ(changed.at("UART/Messages/1/Text"), "a");
}

} // namespace
