#include "app/user_config.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <wx/filename.h>
#include <wx/fileconf.h>
#include <wx/log.h>
#include <wx/mstream.h>
#include <wx/stdpaths.h>
#include <wx/wfstream.h>

namespace {

bool WriteAll(int fd, const std::string &bytes)
{
    for (size_t done = 0; done < bytes.size();) {
        const ssize_t count = write(fd, bytes.data() + done, bytes.size() - done);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        done += static_cast<size_t>(count);
    }
    return true;
}

// A temporary file in the same folder (the user's alone, as mkstemp makes
// it: the settings name folders), renamed over `path` once it is whole and
// on the disk.
bool ReplaceFile(const std::string &path, const std::string &contents)
{
    std::string temporary = path + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0)
        return false;
    const bool written = WriteAll(fd, contents) && fsync(fd) == 0;
    if (close(fd) == 0 && written && std::rename(temporary.c_str(), path.c_str()) == 0)
        return true;
    unlink(temporary.c_str());
    return false;
}

} // namespace

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

bool Write(const SettingEntries &all, const SettingEntries &changed)
{
    const wxString path = FilePath();
    if (!wxFileName::Mkdir(wxFileName(path).GetPath(), wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL))
        return false;
    // Read from a stream, the configuration has no file of its own to write
    // when it goes; what the file holds now is read quietly, as this runs
    // again with every change.
    const wxLogNull quiet;
    std::unique_ptr<wxFileConfig> config;
    if (wxFileName::FileExists(path)) {
        wxFileInputStream file(path);
        if (!file.IsOk())
            return false;
        config = std::make_unique<wxFileConfig>(file);
    } else {
        wxMemoryInputStream empty("", 0);
        config = std::make_unique<wxFileConfig>(empty);
    }
    config->SetExpandEnvVars(false);
    SettingEntries written = changed;
    // A message list in the file is one whole, kept or replaced whole.
    const bool fileHasList = config->HasEntry("/" + wxString(kMessageCountKey));
    const bool fileHasRules = config->HasEntry("/" + wxString(kRuleCountKey));
    for (const auto &entry : all)
        if (!config->HasEntry("/" + wxString::FromUTF8(entry.first)) &&
            !(fileHasList && IsMessageListKey(entry.first)) && !(fileHasRules && IsRuleListKey(entry.first)))
            written.insert(entry);
    if (written.count(kMessageCountKey) != 0)
        config->DeleteGroup("/UART/Messages");
    if (written.count(kRuleCountKey) != 0)
        config->DeleteGroup("/UART/Rules");
    for (const auto &entry : written)
        config->Write("/" + wxString::FromUTF8(entry.first), wxString::FromUTF8(entry.second));
    wxMemoryOutputStream bytes;
    if (!config->Save(bytes))
        return false;
    std::string contents(bytes.GetLength(), '\0');
    bytes.CopyTo(contents.data(), contents.size());
    return ReplaceFile(path.utf8_string(), contents);
}

bool Update(const SettingEntries &entries)
{
    return Write({}, entries);
}

} // namespace user_config
