// The settings file kept between runs: orv-terminal/orv-terminal.conf in the
// user's configuration folder ($XDG_CONFIG_HOME, or ~/.config without it),
// in the toolkit's file configuration format. It is written atomically: into
// a file beside it, renamed to its name.
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
// Writes the `changed` entries over the file as it is on disk now, and
// those of `all` that it lacks (a file removed meanwhile gets them all
// back), creating its folder: the file's other entries stay, also those
// another running instance wrote. Entries that hold the message list (its
// count) replace the file's list, and the rules theirs. The new file is
// written beside the old one and renamed over it, so that no reader, and no
// program killed meanwhile, ever finds it half-written. False when it could not be written.
bool Write(const SettingEntries &all, const SettingEntries &changed);
// Writes the entries into the file as it is now, the others left as they
// are; false when the file could not be written.
bool Update(const SettingEntries &entries);

} // namespace user_config

#endif
