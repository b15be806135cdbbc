#include "app/user_config.h"

#include <wx/filename.h>
#include <wx/fileconf.h>
#include <wx/stdpaths.h>

namespace user_config {

wxString FilePath()
{
    // The XDG layout makes the configuration folder follow $XDG_CONFIG_HOME;
    // the file configuration alone would write ~/.orv-terminal whatever it says.
    wxStandardPaths &paths = wxStandardPaths::Get();
    paths.SetFileLayout(wxStandardPaths::FileLayout_XDG);
    return wxFileName(paths.GetUserConfigDir() + "/orv-terminal", "orv-terminal.conf").GetFullPath();
}

std::unique_ptr<wxFileConfig> Open()
{
    auto config = std::make_unique<wxFileConfig>("orv-terminal", wxEmptyString, FilePath(), wxEmptyString,
                                                 wxCONFIG_USE_LOCAL_FILE);
    // Values are kept exactly as given: no environment variables expanded.
    config->SetExpandEnvVars(false);
    return config;
}

std::optional<std::string> Read(wxFileConfig &config, const std::string &key)
{
    wxString value;
    if (!config.Read("/" + wxString::FromUTF8(key), &value))
        return std::nullopt;
    return value.utf8_string();
}

bool Write(wxFileConfig &config, const SettingEntries &entries)
{
    if (!wxFileName::Mkdir(wxFileName(FilePath()).GetPath(), wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL))
        return false;
    // A list shorter than last time leaves no older messages behind.
    config.DeleteGroup("/UART/Messages");
    for (const auto &entry : entries)
        config.Write("/" + wxString::FromUTF8(entry.first), wxString::FromUTF8(entry.second));
    return config.Flush();
}

} // namespace user_config
