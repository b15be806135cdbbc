#include "uart/saved_settings.h"

#include "uart/notation.h"
#include "uart/tx_codec.h"

#include <cstdint>


namespace {

// Longer than any number sending takes; what sending refuses is kept, so
// that the user sees it again, but a damaged file's run of digits is not.
constexpr size_t kNumberFieldChars = 32;

std::string Utf8(const std::wstring &text)
{
    std::string bytes;
    for (const wchar_t character : text) {
        const auto code = static_cast<uint32_t>(character);
        if (code < 0x80) {
            bytes += static_cast<char>(code);
        } else if (code < 0x800) {
            bytes += static_cast<char>(0xC0 | (code >> 6));
            bytes += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            bytes += static_cast<char>(0xE0 | (code >> 12));
            bytes += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            bytes += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            bytes += static_cast<char>(0xF0 | ((code >> 18) & 0x07));
            bytes += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            bytes += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            bytes += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return bytes;
}

// Nothing for text that is not well-formed UTF-8.
std::optional<std::wstring> Wide(const std::string &bytes)
{
    std::wstring text;
    for (size_t at = 0; at < bytes.size();) {
        const auto lead = static_cast<uint8_t>(bytes[at]);
        const size_t extra = lead < 0x80 ? 0 : lead >= 0xF0 && lead < 0xF5 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 ? 1 : 4;
        if (extra > 3 || bytes.size() - at <= extra)
            return std::nullopt;
        uint32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
        for (size_t n = 1; n <= extra; ++n) {
            const auto next = static_cast<uint8_t>(bytes[at + n]);
            if ((next & 0xC0) != 0x80)
                return std::nullopt;
            code = (code << 6) | (next & 0x3F);
        }
        text += static_cast<wchar_t>(code);
        at += extra + 1;
    }
    return text;
}

constexpr char kMessagesPrefix[] = "UART/Messages/";

std::string MessageKey(size_t index, const char *field)
{
    return kMessagesPrefix + std::to_string(index + 1) + "/" + field;
}

class Reader {
public:
    explicit Reader(const std::function<std::optional<std::string>(const std::string &)> &lookup)
        : m_lookup(lookup)
    {
    }

    void Flag(const std::string &key, bool &value) const
    {
        const std::optional<std::string> text = m_lookup(key);
        if (text == std::string("1") || text == std::string("0"))
            value = *text == "1";
    }

    // A whole decimal number in [0, limit).
    bool Index(const std::string &key, int limit, int &value) const
    {
        const std::optional<std::string> text = m_lookup(key);
        if (!text || text->empty() || text->size() > 4 || text->find_first_not_of("0123456789") != std::string::npos)
            return false;
        const int number = std::stoi(*text);
        if (number >= limit)
            return false;
        value = number;
        return true;
    }

    // Digits only, as the numeric fields take them.
    void Digits(const std::string &key, std::string &value) const
    {
        const std::optional<std::string> text = m_lookup(key);
        if (text && text->size() <= kNumberFieldChars && text->find_first_not_of("0123456789") == std::string::npos)
            value = *text;
    }

    std::optional<std::string> Text(const std::string &key) const { return m_lookup(key); }

    // An absolute path in well-formed UTF-8.
    void Folder(const std::string &key, std::string &value) const
    {
        const std::optional<std::string> text = m_lookup(key);
        if (text && !text->empty() && (*text)[0] == '/' && Wide(*text))
            value = *text;
    }

private:
    const std::function<std::optional<std::string>(const std::string &)> &m_lookup;
};

} // namespace

SettingEntries SettingsEntries(const UartSettings &settings)
{
    SettingEntries entries{
        {"UART/TransmissionType", std::to_string(settings.txNotation)},
        {"UART/ReadType", std::to_string(settings.rxNotation)},
        {"UART/Timestamp", settings.timestamp ? "1" : "0"},
        {"UART/Wrap", settings.wrap ? "1" : "0"},
        {"UART/Milliseconds", settings.milliseconds ? "1" : "0"},
        {"UART/NewLineAtLineEnd", settings.lineSplit ? "1" : "0"},
        {"UART/Periodic", settings.periodic ? "1" : "0"},
        {"UART/Period", settings.period},
        {"UART/PeriodUnit", std::to_string(settings.periodUnit)},
        {"UART/Counter", settings.counter ? "1" : "0"},
        {"UART/TotalSize", settings.totalSize},
        {"UART/LineEnding", std::to_string(settings.lineEnding)},
        {"UART/Reconnect", settings.reconnect ? "1" : "0"},
        {"UART/LogFolder", settings.logFolder},
        {"UART/LogLineBreaks", settings.logLineBreaks ? "1" : "0"},
        {kMessageCountKey, std::to_string(settings.messages.size())},
    };
    for (size_t n = 0; n < settings.messages.size(); ++n) {
        const SavedMessage &message = settings.messages[n];
        entries[MessageKey(n, "Text")] = Utf8(message.text);
        entries[MessageKey(n, "Type")] = std::to_string(message.notation);
        entries[MessageKey(n, "Ending")] = std::to_string(message.ending);
    }
    return entries;
}

bool IsMessageListKey(const std::string &key)
{
    return key.rfind(kMessagesPrefix, 0) == 0;
}

bool IsRuleListKey(const std::string &key)
{
    return key.rfind("UART/Rules/", 0) == 0;
}

SettingEntries ChangedEntries(const SettingEntries &before, const SettingEntries &now)
{
    SettingEntries changed;
    bool messagesChanged = false;
    bool rulesChanged = false;
    for (const auto &entry : now) {
        const auto old = before.find(entry.first);
        if (old != before.end() && old->second == entry.second)
            continue;
        changed.insert(entry);
        // A list that lost entries has another count.
        messagesChanged = messagesChanged || IsMessageListKey(entry.first);
        rulesChanged = rulesChanged || IsRuleListKey(entry.first);
    }
    for (const auto &entry : now)
        if ((messagesChanged && IsMessageListKey(entry.first)) || (rulesChanged && IsRuleListKey(entry.first)))
            changed.insert(entry);
    return changed;
}

UartSettings SettingsFromEntries(const std::function<std::optional<std::string>(const std::string &)> &lookup,
                                 size_t maxMessages)
{
    const Reader read(lookup);
    UartSettings settings;
    read.Index("UART/TransmissionType", kNotationCount, settings.txNotation);
    read.Index("UART/ReadType", kRxViewCount, settings.rxNotation);
    read.Flag("UART/Timestamp", settings.timestamp);
    read.Flag("UART/Wrap", settings.wrap);
    read.Flag("UART/Milliseconds", settings.milliseconds);
    read.Flag("UART/NewLineAtLineEnd", settings.lineSplit);
    read.Flag("UART/Periodic", settings.periodic);
    read.Digits("UART/Period", settings.period);
    read.Index("UART/PeriodUnit", 2, settings.periodUnit);
    read.Flag("UART/Counter", settings.counter);
    read.Digits("UART/TotalSize", settings.totalSize);
    read.Index("UART/LineEnding", kLineEndingCount, settings.lineEnding);
    read.Flag("UART/Reconnect", settings.reconnect);
    read.Folder("UART/LogFolder", settings.logFolder);
    read.Flag("UART/LogLineBreaks", settings.logLineBreaks);
    int count = 0;
    if (!read.Index(kMessageCountKey, 10000, count))
        return settings;
    for (size_t n = 0; n < static_cast<size_t>(count) && settings.messages.size() < maxMessages; ++n) {
        SavedMessage message;
        const std::optional<std::string> utf8 = read.Text(MessageKey(n, "Text"));
        const std::optional<std::wstring> text = utf8 ? Wide(*utf8) : std::nullopt;
        if (!text || !read.Index(MessageKey(n, "Type"), kNotationCount, message.notation))
            continue;
        read.Index(MessageKey(n, "Ending"), kLineEndingCount, message.ending);
        if (message.notation != NotationAscii)
            message.ending = LineEndingNone;
        message.text = *text;
        if (CheckTypedMessage(message.text, static_cast<Notation>(message.notation)).empty())
            settings.messages.push_back(std::move(message));
    }
    return settings;
}
