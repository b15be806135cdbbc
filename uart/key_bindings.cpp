#include "uart/key_bindings.h"

namespace {

bool ValidKey(int key)
{
    return key >= 1 && key <= kFunctionKeyCount;
}

} // namespace

std::string FunctionKeyName(int key)
{
    return "F" + std::to_string(key);
}

void KeyBindings::Bind(int key, size_t message)
{
    if (!ValidKey(key))
        return;
    for (std::optional<size_t> &bound : m_messages)
        if (bound == message)
            bound.reset();
    m_messages[static_cast<size_t>(key - 1)] = message;
}

void KeyBindings::Unbind(int key)
{
    if (ValidKey(key))
        m_messages[static_cast<size_t>(key - 1)].reset();
}

std::optional<size_t> KeyBindings::MessageFor(int key) const
{
    return ValidKey(key) ? m_messages[static_cast<size_t>(key - 1)] : std::nullopt;
}

std::optional<int> KeyBindings::KeyFor(size_t message) const
{
    for (size_t n = 0; n < m_messages.size(); ++n)
        if (m_messages[n] == message)
            return static_cast<int>(n + 1);
    return std::nullopt;
}

void KeyBindings::MessageRemoved(size_t index)
{
    for (std::optional<size_t> &bound : m_messages) {
        if (bound == index)
            bound.reset();
        else if (bound && *bound > index)
            --*bound;
    }
}

SettingEntries KeyBindingEntries(const KeyBindings &bindings)
{
    SettingEntries entries;
    for (int key = 1; key <= kFunctionKeyCount; ++key)
        if (const std::optional<size_t> message = bindings.MessageFor(key))
            entries["UART/Keys/" + FunctionKeyName(key)] = std::to_string(*message + 1);
    return entries;
}

KeyBindingsRead KeyBindingsFromEntries(const std::function<std::optional<std::string>(const std::string &)> &lookup,
                                       size_t messageCount)
{
    KeyBindingsRead read;
    for (int key = 1; key <= kFunctionKeyCount; ++key) {
        const std::string name = "UART/Keys/" + FunctionKeyName(key);
        const std::optional<std::string> text = lookup(name);
        if (!text)
            continue;
        const bool number = !text->empty() && text->size() <= 6 &&
                            text->find_first_not_of("0123456789") == std::string::npos && std::stoul(*text) >= 1 &&
                            std::stoul(*text) <= messageCount;
        if (!number) {
            read.error = name + ": not a message number from 1 to " + std::to_string(messageCount);
        } else if (const std::optional<int> other = read.bindings.KeyFor(std::stoul(*text) - 1)) {
            read.error = name + ": message " + *text + " has the key " + FunctionKeyName(*other) + " already";
        }
        if (!read.error.empty()) {
            read.bindings = KeyBindings();
            return read;
        }
        read.bindings.Bind(key, std::stoul(*text) - 1);
    }
    return read;
}
