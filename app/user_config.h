// The settings file kept between runs: orv-terminal/orv-terminal.conf in the
// user's configuration folder ($XDG_CONFIG_HOME, or ~/.config without it),
// read and written with the toolkit's file configuration. It is written
// atomically: into a file beside it, renamed to its name.
#ifndef ORV_APP_USER_CONFIG_H
#define ORV_APP_USER_CONFIG_H

#include "uart/saved_settings.h"

#include <memory>
#include <optional>
#include <string>
#include <wx/string.h>

class wxFileConfig;

namespace user_config {

wxString FilePath();
// The file as it is now (empty when there is none yet).
std::unique_ptr<wxFileConfig> Open();
// The value of a UTF-8 key ("UART/Wrap"), or nothing.
std::optional<std::string> Read(wxFileConfig &config, const std::string &key);
// Writes the entries and saves the file, creating its folder; false when the
// file could not be written.
bool Write(wxFileConfig &config, const SettingEntries &entries);
// Writes the entries into the file as it is now, the others left as they
// are; false when the file could not be written.
bool Update(const SettingEntries &entries);

} // namespace user_config

#endif
