// The function keys F1 to F12, each of which may send one message of the
// list; a message has at most one key.
#ifndef ORV_UART_KEY_BINDINGS_H
#define ORV_UART_KEY_BINDINGS_H

#include "uart/saved_settings.h"

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>

constexpr int kFunctionKeyCount = 12;

// "F1" to "F12" for keys 1 to 12.
std::string FunctionKeyName(int key);

class KeyBindings {
public:
    // Gives key F`key` (1 to 12) to the list's entry `message` (from 0);
    // the key's former message and the message's former key lose theirs.
    // A key outside 1 to 12 changes nothing.
    void Bind(int key, size_t message);
    void Unbind(int key);
    std::optional<size_t> MessageFor(int key) const;
    std::optional<int> KeyFor(size_t message) const;
    // After the message list lost its entry `index`: its key is free, and
    // the keys of later entries follow them to their new place.
    void MessageRemoved(size_t index);

    bool operator==(const KeyBindings &other) const { return m_messages == other.m_messages; }

private:
    std::array<std::optional<size_t>, kFunctionKeyCount> m_messages;
};

// As the settings file keeps them: "UART/Keys/F1" = the entry's number from
// 1, for each bound key.
SettingEntries KeyBindingEntries(const KeyBindings &bindings);

struct KeyBindingsRead {
    KeyBindings bindings;
    // Empty when read; otherwise what is wrong, naming the entry, and no
    // key is bound.
    std::string error;
};
KeyBindingsRead KeyBindingsFromEntries(const std::function<std::optional<std::string>(const std::string &)> &lookup,
                                       size_t messageCount);

#endif
