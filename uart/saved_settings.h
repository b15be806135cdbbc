// The UART terminal's settings as they are kept between runs: the options of
// the panel and its message list, written as flat key/value entries and read
// back with every value checked, so that a damaged or hand-edited file gives
// the defaults for what it got wrong instead of a broken panel.
#ifndef ORV_UART_SAVED_SETTINGS_H
#define ORV_UART_SAVED_SETTINGS_H

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

struct SavedMessage {
    std::wstring text;
    int notation = 0;
    int ending = 0;
};

// Every member starts at the panel's own start state.
struct UartSettings {
    int txNotation = 0;
    int rxNotation = 0;
    bool timestamp = false;
    bool wrap = false;
    // Timestamps with milliseconds; a new line at each received line ending.
    bool milliseconds = false;
    bool lineSplit = false;
    bool periodic = false;
    std::string period;
    int periodUnit = 0;
    bool counter = false;
    std::string totalSize;
    int lineEnding = 0;
    bool reconnect = false;
    // The folder of new logs (absolute; empty: the current directory), and
    // a line break after each packet in them.
    std::string logFolder;
    bool logLineBreaks = false;
    // Oldest first, as the history holds them.
    std::vector<SavedMessage> messages;
};

// Entries as UTF-8 keys and values ("UART/Timestamp" = "1", message texts in
// UTF-8).
using SettingEntries = std::map<std::string, std::string>;
// The entry that holds the message list's length; the list's entries.
constexpr char kMessageCountKey[] = "UART/Messages/Count";
bool IsMessageListKey(const std::string &key);
// The rules' entries (uart/rule_entries.h) are one whole in the same way.
constexpr char kRuleCountKey[] = "UART/Rules/Count";
bool IsRuleListKey(const std::string &key);
SettingEntries SettingsEntries(const UartSettings &settings);

// The entries of `now` that differ from `before` (what was last read or
// written). When any entry of the message list does, all of them: the list
// is written whole, the list in the file replaced; the rules likewise.
SettingEntries ChangedEntries(const SettingEntries &before, const SettingEntries &now);

// The settings from stored entries; `lookup` gives the value of a key or
// nothing. Missing and unusable values keep their defaults; a message the
// entry would refuse is left out, and at most `maxMessages` are read.
UartSettings SettingsFromEntries(const std::function<std::optional<std::string>(const std::string &)> &lookup,
                                 size_t maxMessages);

#endif
