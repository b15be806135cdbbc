// Media streaming of the UART panel: the chosen file, and the four media
// buttons steering the link's stream.
#include "uart/terminal_panel.h"

#include "app/error_box.h"

#include <initializer_list>
#include <wx/bmpbuttn.h>
#include <wx/stattext.h>

void TerminalPanel::SelectMediaFile(const wxString &path, const wxString &fileName)
{
    // A stream already running keeps its own copy of the old path.
    m_mediaFilePath = path;
    // Literal text: an "&" in a file name is no mnemonic.
    m_mediaLabel->SetLabelText(path.empty() ? wxString("Selected media stream:")
                                            : "Selected media stream:\n" + fileName);
    for (wxWindow *control : std::initializer_list<wxWindow *>{m_mediaLabel, m_mediaBackwardButton,
                                                               m_mediaPlayButton, m_mediaPauseButton,
                                                               m_mediaLoopButton})
        control->Show(!path.empty());
}

void TerminalPanel::OnMediaButton(wxCommandEvent &event)
{
    if (!m_link.Connected()) {
        ShowErrorBox("You have to connect first.");
        return;
    }
    switch (event.GetId()) {
    case ID_MEDIA_PLAY:
        PlayMedia();
        break;
    case ID_MEDIA_PAUSE:
        m_link.PauseMedia();
        break;
    case ID_MEDIA_BACKWARD:
        // The next play starts from the beginning of the file.
        m_link.StopMedia();
        break;
    default: // loop: nothing to do
        break;
    }
}

void TerminalPanel::PlayMedia()
{
    std::string error;
    if (!m_link.PlayMedia(m_mediaFilePath, error))
        ShowErrorBox(wxString::FromUTF8(error));
}

// The stream has ended on a failure (the link has stopped it): it is idle
// again, and the user learns why.
void TerminalPanel::OnFileFailed(wxCommandEvent &event)
{
    if (!m_shutDown)
        ShowErrorBox(event.GetString());
}
