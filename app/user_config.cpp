#include "app/user_config.h"

#include <cstdio>
#include <wx/filename.h>
#include <wx/fileconf.h>
#include <wx/log.h>
#include <wx/stdpaths.h>
#include <wx/wfstream.h>

namespace user_config {

namespace {

// The toolkit's own flush removes the file before it renames the new one
// to its name: a crash between the two would lose every setting.
bool SaveAtomically(wxFileConfig &config)
{
    const wxString path = FilePath();
    if (!wxFileName::Mkdir(wxFileName(path).GetPath(), wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL))
        return false;
    // Failures are told by the result, not by the toolkit's message boxes;
    // nor does the toolkit write the file behind our back when it goes.
    const wxLogNull quiet;
    config.DisableAutoSave();
    const wxString temporary = wxFileName::CreateTempFileName(path);
    if (temporary.empty())
        return false;
    bool written;
    {
        wxFileOutputStream out(temporary);
        written = out.IsOk() && config.Save(out) && out.Close();
    }
    if (written && std::rename(temporary.utf8_str(), path.utf8_str()) == 0)
        return true;
    wxRemoveFile(temporary);
    return false;
}

} // namespace

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
    // A list shorter than last time leaves no older messages behind.
    config.DeleteGroup("/UART/Messages");
    for (const auto &entry : entries)
        config.Write("/" + wxString::FromUTF8(entry.first), wxString::FromUTF8(entry.second));
    return SaveAtomically(config);
}

bool Update(const SettingEntries &entries)
{
    const std::unique_ptr<wxFileConfig> config = Open();
    for (const auto &entry : entries)
        config->Write("/" + wxString::FromUTF8(entry.first), wxString::FromUTF8(entry.second));
    return SaveAtomically(*config);
}

} // namespace user_config
