#include "uart/terminal_panel.h"

#include "app/control_names.h"
#include "app/image_file.h"
#include "app/main_window.h"
#include "app/shared_fonts.h"
#include "uart/entry_limit.h"
#include "uart/rule_engine.h"
#include "uart/rx_window_size.h"
#include "uart/sequence_dialog.h"
#include "uart/tx_codec.h"
#include "uart/worker_events.h"

#include <algorithm>
#include <initializer_list>
#include <wx/fdrepdlg.h>
#include <wx/bitmap.h>
#include <wx/bmpbuttn.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/listbox.h>
#include <wx/radiobox.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/statline.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/valtext.h>

namespace {

constexpr size_t kTxMaxLength = 128;
constexpr int kAsciiEntryWidth = 185;
const wxString kNotationNames[kNotationCount] = {"ASCII", "Hex", "Binary", "Decimal"};
const wxString kRxViewNames[kRxViewCount] = {"ASCII", "Hex", "Binary", "Decimal", "Hex + ASCII"};
const wxString kPeriodUnitNames[] = {"ms", "s"};

std::unique_ptr<wxTextValidator> CharListValidator(const wxString &chars)
{
    auto validator = std::make_unique<wxTextValidator>(wxFILTER_INCLUDE_CHAR_LIST);
    wxArrayString includes;
    for (const wxUniChar c : chars)
        includes.Add(wxString(c));
    validator->SetIncludes(includes);
    return validator;
}

} // namespace

TerminalPanel::TerminalPanel()
    : wxPanel(MainWindow::GetInstance()->m_frame, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL,
              "ORVTerminalPanel"),
      m_link(this), m_statusTimer(this), m_rxFlushTimer(this), m_rxRevealTimer(this), m_rxPagingTimer(this),
      m_rxFindData(std::make_unique<wxFindReplaceData>(wxFR_DOWN)), m_sequenceTimer(this),
      m_ruleEngine(std::make_unique<RuleEngine>())
{
    Connect(GetId(), wxEVT_CLOSE_WINDOW, wxCloseEventHandler(TerminalPanel::OnClose));
    m_layoutX = 30;
    m_layoutY = 70;
    BuildTopRow();
    BuildTypeRow();
    BuildTransmitColumn();
    BuildListColumn();
    BuildMediaGroup();
    BuildReceiveColumn();
    BuildBottomRow();
    FitToToolkit();

    Connect(wxID_ANY, wxEVT_SET_FOCUS, wxFocusEventHandler(TerminalPanel::OnPanelFocus));
    Connect(ID_CONNECT, wxEVT_COMMAND_BUTTON_CLICKED, wxCommandEventHandler(TerminalPanel::OnConnect));
    Connect(ID_MODIFY, wxEVT_COMMAND_BUTTON_CLICKED, wxCommandEventHandler(TerminalPanel::OnModifyParameters));
    // The link's events, which it passes on after its own part.
    Connect(wxID_ANY, EVT_CONNECTED, wxCommandEventHandler(TerminalPanel::OnConnectionEvent));
    Connect(wxID_ANY, EVT_CONNECT_FAILED, wxCommandEventHandler(TerminalPanel::OnConnectionEvent));
    Connect(wxID_ANY, EVT_UART_DATA, wxCommandEventHandler(TerminalPanel::OnWorkerEvent));
    Connect(wxID_ANY, EVT_CONNECTION_LOST, wxCommandEventHandler(TerminalPanel::OnConnectionEvent));
    Connect(wxID_ANY, EVT_CONNECTION_CLOSED, wxCommandEventHandler(TerminalPanel::OnConnectionEvent));
    Connect(wxID_ANY, EVT_LOG_FAILED, wxCommandEventHandler(TerminalPanel::OnConnectionEvent));
    Connect(wxID_ANY, EVT_LINK_CHANGED, wxCommandEventHandler(TerminalPanel::OnConnectionEvent));
    Connect(wxID_ANY, EVT_PERIODIC_DONE, wxCommandEventHandler(TerminalPanel::OnWorkerEvent));
    Connect(wxID_ANY, EVT_PERIODIC_SEND_FAILED, wxCommandEventHandler(TerminalPanel::OnPeriodicSendFailed));
    Connect(wxID_ANY, EVT_FILE_FAILED, wxCommandEventHandler(TerminalPanel::OnFileFailed));
    Connect(m_rxFlushTimer.GetId(), wxEVT_TIMER, wxTimerEventHandler(TerminalPanel::OnRxFlush));
    Connect(m_rxRevealTimer.GetId(), wxEVT_TIMER, wxTimerEventHandler(TerminalPanel::OnRxReveal));
    Connect(m_statusTimer.GetId(), wxEVT_TIMER, wxTimerEventHandler(TerminalPanel::OnStatusTimer));
    StartRxPaging();
    BindRxReading();
    BindMessageKeys();
    // No colour of its own: the panel shows the frame's white, and painting
    // it would cover the logo the frame keeps at the top right.
    ShowLinkStatus();
}

TerminalPanel::~TerminalPanel()
{
    // The find box uses the panel's find data, which goes before the
    // panel's children do.
    delete m_rxFindDialog;
    delete m_sequenceDialog;
    GetParent()->Disconnect(wxEVT_CHAR_HOOK, wxKeyEventHandler(TerminalPanel::OnFrameKey), nullptr, this);
    Shutdown();
}

wxBitmapButton *TerminalPanel::AddBitmapButton(int id, const wxString &image, const wxPoint &position,
                                               const wxSize &size)
{
    auto *button = new wxBitmapButton(this, id, LoadImageFile(image), position, size, wxBU_AUTODRAW);
    NameControl(button, ButtonName(id));
    return button;
}

wxString TerminalPanel::ButtonName(int id)
{
    switch (id) {
    case ID_MODIFY:
        return "Change connection parameters";
    case ID_CONNECT:
        return "Connect";
    case ID_ADD_MESSAGE:
        return "Add message to the list";
    case ID_SEND:
        return "Send selected message";
    case ID_SEND_PERIODICALLY:
        return "Send selected message periodically";
    case ID_STOP_PERIODICALLY:
        return "Stop sending periodically";
    case ID_CLEAR_LIST:
        return "Clear message list";
    case ID_EXPORT:
        return "Export received text";
    case ID_CLEAR_RX:
        return "Clear received text";
    case ID_LOG_START:
        return "Start log";
    case ID_LOG_STOP:
        return "Stop log";
    case ID_LOG_FOLDER:
        return "Choose the log folder";
    case ID_MEDIA_BACKWARD:
        return "Back to the start of the media file";
    case ID_MEDIA_PLAY:
        return "Play";
    case ID_MEDIA_PAUSE:
        return "Pause";
    case ID_MEDIA_LOOP:
        return "Play in a loop";
    default:
        return wxString();
    }
}

void TerminalPanel::BuildTopRow()
{
    auto *column = new wxBoxSizer(wxVERTICAL);
    auto *row = new wxBoxSizer(wxHORIZONTAL);
    m_statusIcon =
        new wxStaticBitmap(this, ID_STATUS_ICON, LoadImageFile("icons/ko.jpg"), wxDefaultPosition, wxSize(25, 25));
    auto *ipCaption = new wxStaticText(this, wxID_ANY, "IP:");
    m_ipLabel = new wxStaticText(this, ID_IP_LABEL, "not set");
    auto *portCaption = new wxStaticText(this, wxID_ANY, "Port:");
    m_portLabel = new wxStaticText(this, ID_PORT_LABEL, "not set");
    wxBitmapButton *modifyButton = AddBitmapButton(ID_MODIFY, "icons/modifybtn.jpg", wxDefaultPosition, wxSize(88, 25));
    m_connectBitmap = std::make_unique<wxBitmap>(LoadImageFile("icons/connectbtn.jpg"));
    m_disconnectBitmap = std::make_unique<wxBitmap>(LoadImageFile("icons/disconnectbtn.jpg"));
    m_connectButton = new wxBitmapButton(this, ID_CONNECT, *m_connectBitmap, wxDefaultPosition, wxSize(88, 25),
                                         wxBU_AUTODRAW);
    NameControl(m_connectButton, ButtonName(ID_CONNECT));

    row->Add(m_statusIcon, 0, wxTOP, -5);
    row->Add(5, 5, 0);
    row->Add(ipCaption, 0);
    row->Add(m_ipLabel, 0, wxLEFT, 5);
    row->Add(5, 5, 0);
    row->Add(portCaption, 0);
    row->Add(m_portLabel, 0, wxLEFT, 5);
    row->Add(5, 5, 0);
    row->Add(modifyButton, 0, wxTOP, -5);
    row->Add(10, 10, 0);
    row->Add(m_connectButton, 0, wxTOP, -5);
    m_reconnectCheck = new wxCheckBox(this, ID_RECONNECT, "Reconnect when the link drops");
    Connect(ID_RECONNECT, wxEVT_COMMAND_CHECKBOX_CLICKED, wxCommandEventHandler(TerminalPanel::OnReconnectOption));
    row->Add(m_reconnectCheck, 0, wxLEFT, 10);
    column->Add(row, 0, wxTOP | wxLEFT, 10);
    column->Add(new wxStaticLine(this, wxID_ANY, wxDefaultPosition, wxSize(800, -1), wxLI_HORIZONTAL), 0, wxTOP, 5);
    SetSizer(column);
}

void TerminalPanel::BuildTypeRow()
{
    auto *title = new wxStaticText(this, wxID_ANY, "ORV-Terminal", wxPoint(m_layoutX, m_layoutY), wxSize(800, -1),
                                   wxALIGN_CENTRE);
    title->SetFont(shared_fonts::Bold11());
    m_layoutY += 20;
    new wxStaticLine(this, wxID_ANY, wxPoint(0, m_layoutY), wxSize(800, -1), wxLI_HORIZONTAL);
    m_layoutY += 20;
    m_txTypeRadio = new wxRadioBox(this, ID_TRANSMISSION_TYPE, "Transmission type", wxPoint(m_layoutX, m_layoutY),
                                   wxSize(320, -1), kNotationCount, kNotationNames, 8, wxRA_SPECIFY_COLS);
    m_rxTypeRadio = new wxRadioBox(this, ID_READ_TYPE, "Read type", wxPoint(m_layoutX + 420, m_layoutY),
                                   wxSize(320, -1), kRxViewCount, kRxViewNames, 8, wxRA_SPECIFY_COLS);
    Connect(ID_READ_TYPE, wxEVT_COMMAND_RADIOBOX_SELECTED, wxCommandEventHandler(TerminalPanel::OnReadTypeChanged));
    Connect(ID_TRANSMISSION_TYPE, wxEVT_COMMAND_RADIOBOX_SELECTED,
            wxCommandEventHandler(TerminalPanel::OnTransmissionTypeChanged));
    m_layoutY += 50;
}

void TerminalPanel::BuildTransmitColumn()
{
    const wxString hints[kNotationCount] = {"Insert ASCII characters",
                                            "Insert group of hex (max 2 digits) separated by blank",
                                            "Insert group of binary (max 8 digits) separated by blank",
                                            "Insert group of decimal (max 255) separated by blank"};
    for (int n = 0; n < kNotationCount; ++n) {
        m_txHints[n] = new wxStaticText(this, ID_TX_HINT + n, hints[n], wxPoint(m_layoutX, m_layoutY),
                                        wxSize(320, -1), wxALIGN_CENTRE);
        if (n != NotationAscii)
            m_txHints[n]->Hide();
    }
    m_layoutY += 20;

    m_rxBackdrop = new wxStaticText(this, ID_RX_BACKDROP, "", wxPoint(m_layoutX + 420, m_layoutY), wxSize(320, 300));
    m_rxBackdrop->Disable();
    m_rxBackdrop->SetBackgroundColour(*wxBLACK);
    m_layout.Add(m_rxBackdrop, GrowingLayout::Rule::Grow);

    m_binaryValidator = CharListValidator("01 ");
    m_hexValidator = CharListValidator("0123456789abcdefABCDEF ");
    m_decimalValidator = CharListValidator("0123456789 ");
    const wxValidator *validators[kNotationCount] = {&wxDefaultValidator, m_hexValidator.get(),
                                                     m_binaryValidator.get(), m_decimalValidator.get()};
    // The ASCII entry gives up room to the choice of its line ending.
    for (int n = 0; n < kNotationCount; ++n)
        m_txEntries[n] = new wxTextCtrl(this, ID_TX_ENTRY, "", wxPoint(m_layoutX, m_layoutY),
                                        wxSize(n == NotationAscii ? kAsciiEntryWidth : 270, 40),
                                        wxTE_MULTILINE | wxTE_NO_VSCROLL | wxTE_PROCESS_ENTER | wxHSCROLL,
                                        *validators[n]);
    wxString endings[kLineEndingCount];
    for (int n = 0; n < kLineEndingCount; ++n)
        endings[n] = LineEndingName(n);
    m_lineEndingCombo = new wxComboBox(this, ID_LINE_ENDING, endings[LineEndingNone],
                                       wxPoint(m_layoutX + kAsciiEntryWidth + 5, m_layoutY), wxSize(80, -1),
                                       kLineEndingCount, endings, wxCB_READONLY);
    m_lineEndingCombo->SetToolTip("Line ending added to ASCII messages");
    AddBitmapButton(ID_ADD_MESSAGE, "icons/addbtn.jpg", wxPoint(m_layoutX + 275, m_layoutY), wxSize(88, 25));
    Connect(ID_ADD_MESSAGE, wxEVT_COMMAND_BUTTON_CLICKED, wxCommandEventHandler(TerminalPanel::OnAddMessage));

    for (int n = 0; n < kNotationCount; ++n) {
        m_txEntries[n]->Connect(ID_TX_ENTRY, wxEVT_CHAR, wxKeyEventHandler(TerminalPanel::ForwardTxKey), nullptr,
                                this);
        m_txEntries[n]->Hide();
        m_txEntries[n]->Connect(ID_TX_ENTRY, wxEVT_COMMAND_TEXT_UPDATED,
                                wxCommandEventHandler(TerminalPanel::LimitTxEntry), nullptr, this);
        m_txHints[n]->SetFont(shared_fonts::Bold8());
    }
    m_txEntries[NotationAscii]->Show();
    m_txEntries[NotationAscii]->SetFocus();
}

void TerminalPanel::BuildListColumn()
{
    m_layoutY += 40;
    const int x = m_layoutX + 275;
    m_messageList = new wxListBox(this, ID_MESSAGE_LIST, wxPoint(m_layoutX, m_layoutY), wxSize(270, 260));
    m_layout.Add(m_messageList, GrowingLayout::Rule::GrowDown);
    AddBitmapButton(ID_SEND, "icons/sendbtn.jpg", wxPoint(x, m_layoutY), wxSize(88, 25));
    Connect(ID_SEND, wxEVT_COMMAND_BUTTON_CLICKED, wxCommandEventHandler(TerminalPanel::OnSend));
    m_messageList->Connect(wxEVT_COMMAND_LISTBOX_DOUBLECLICKED,
                           wxCommandEventHandler(TerminalPanel::OnListDoubleClick), nullptr, this);
    m_messageList->Connect(wxEVT_KEY_DOWN, wxKeyEventHandler(TerminalPanel::OnListKey), nullptr, this);
    m_periodicButtonY = m_layoutY + 30;
    m_periodicBitmap = std::make_unique<wxBitmap>(LoadImageFile("icons/sendperiodbtn.jpg"));
    m_stopPeriodicBitmap = std::make_unique<wxBitmap>(LoadImageFile("icons/stopsendperiodbtn.jpg"));
    m_periodicButton = new wxBitmapButton(this, ID_SEND_PERIODICALLY, *m_periodicBitmap, wxPoint(x, m_periodicButtonY),
                                          wxSize(88, 25), wxBU_AUTODRAW);
    NameControl(m_periodicButton, ButtonName(ID_SEND_PERIODICALLY));
    m_periodicButton->Disable();
    Connect(ID_SEND_PERIODICALLY, wxEVT_COMMAND_BUTTON_CLICKED, wxCommandEventHandler(TerminalPanel::OnPeriodic));
    AddBitmapButton(ID_CLEAR_LIST, "icons/clearbtn.jpg", wxPoint(x, m_layoutY + 60), wxSize(88, 25));
    Connect(ID_CLEAR_LIST, wxEVT_COMMAND_BUTTON_CLICKED, wxCommandEventHandler(TerminalPanel::OnClear));
}

void TerminalPanel::BuildMediaGroup()
{
    const int x = m_layoutX + 275;
    // A long file name is shortened in the middle rather than spreading over
    // the receive view and the media buttons.
    m_mediaLabel = new wxStaticText(this, ID_MEDIA_LABEL, "Selected media stream:", wxPoint(x, m_layoutY + 110),
                                    wxSize(120, 45), wxST_NO_AUTORESIZE | wxST_ELLIPSIZE_MIDDLE);
    m_mediaLabel->Hide();
    const wxSize size(24, 24);
    const int y = m_layoutY + 140;
    m_mediaBackwardButton = AddBitmapButton(ID_MEDIA_BACKWARD, "icons/backward-icon.jpg", wxPoint(x, y), size);
    Connect(ID_MEDIA_BACKWARD, wxEVT_COMMAND_BUTTON_CLICKED, wxCommandEventHandler(TerminalPanel::OnMediaButton));
    m_mediaPlayButton = AddBitmapButton(ID_MEDIA_PLAY, "icons/play-icon.jpg", wxPoint(x + 29, y), size);
    Connect(ID_MEDIA_PLAY, wxEVT_COMMAND_BUTTON_CLICKED, wxCommandEventHandler(TerminalPanel::OnMediaButton));
    m_mediaPauseButton = AddBitmapButton(ID_MEDIA_PAUSE, "icons/pause-icon.jpg", wxPoint(x + 58, y), size);
    Connect(ID_MEDIA_PAUSE, wxEVT_COMMAND_BUTTON_CLICKED, wxCommandEventHandler(TerminalPanel::OnMediaButton));
    m_mediaLoopButton = AddBitmapButton(ID_MEDIA_LOOP, "icons/loop-icon.jpg", wxPoint(x + 87, y), size);
    Connect(ID_MEDIA_LOOP, wxEVT_COMMAND_BUTTON_CLICKED, wxCommandEventHandler(TerminalPanel::OnMediaButton));
    for (wxWindow *button : {m_mediaBackwardButton, m_mediaPlayButton, m_mediaPauseButton, m_mediaLoopButton})
        button->Hide();
}

void TerminalPanel::BuildReceiveColumn()
{
    m_layoutY -= 40;
    const int x = m_layoutX + 420;
    m_timestampCheck =
        new wxCheckBox(this, ID_TIMESTAMP, "Write Timestamp", wxPoint(x, m_layoutY - 15), wxSize(100, 15));
    m_wrapCheck = new wxCheckBox(this, ID_WRAP, "Wrap packets", wxPoint(x + 110, m_layoutY - 15), wxSize(100, 15));
    // Under their partners; FitReceiveHeader gives them their row.
    m_millisecondsCheck = new wxCheckBox(this, ID_MILLISECONDS, "Milliseconds", wxPoint(x, m_layoutY), wxSize(100, 15));
    m_millisecondsCheck->SetToolTip("Timestamps with milliseconds");
    m_lineSplitCheck =
        new wxCheckBox(this, ID_LINE_SPLIT, "New line at line end", wxPoint(x + 110, m_layoutY), wxSize(100, 15));
    m_lineSplitCheck->SetToolTip("A new line, with its own timestamp, at each CR, LF or CR LF received, "
                                 "however the lines come in pieces");
    Connect(ID_TX_ENTRY, wxEVT_CHAR, wxKeyEventHandler(TerminalPanel::OnTxKey));
    // Above the check boxes, so Tab reaches it first.
    AddBitmapButton(ID_EXPORT, "icons/exportbtn.jpg", wxPoint(x + 232, m_layoutY - 25), wxSize(88, 25))
        ->MoveBeforeInTabOrder(m_timestampCheck);
    Connect(ID_EXPORT, wxEVT_COMMAND_BUTTON_CLICKED, wxCommandEventHandler(TerminalPanel::OnExport));

    for (int n = 0; n < kRxViewCount; ++n) {
        m_rxViews[n] = new wxTextCtrl(this, n, "", wxPoint(x, m_layoutY), wxSize(320, 300),
                                      wxTE_MULTILINE | wxTE_READONLY | wxTE_RICH2 | wxVSCROLL | wxBORDER_NONE);
        m_rxViews[n]->SetBackgroundColour(*wxBLACK);
        m_rxViews[n]->SetForegroundColour(*wxWHITE);
        m_layout.Add(m_rxViews[n], GrowingLayout::Rule::Grow);
        // A view keeps the focus it is given, so that its selection can be
        // copied with the keyboard (Ctrl+C) as well as with its menu.
    }
    // A font smaller than the usual shows more than the usual window.
    const wxSize design = m_rxViews[0]->GetSize();
    m_rxWindowBaseChars = std::max(kRxWindowChars, RxScreenChars(design.x, design.y, m_rxViews[0]->GetCharWidth(),
                                                                 m_rxViews[0]->GetCharHeight()));
    m_rxWindowChars = m_rxWindowBaseChars;
    ShowSelectedRxView();
}

void TerminalPanel::BuildBottomRow()
{
    const int y = m_layoutY + 305;
    auto *periodicCheck = new wxCheckBox(this, ID_PERIODIC_CHECK, "Send periodically every", wxPoint(m_layoutX, y + 5));
    Connect(ID_PERIODIC_CHECK, wxEVT_COMMAND_CHECKBOX_CLICKED, wxCommandEventHandler(TerminalPanel::OnPeriodic));
    // Neither number field has a length limit: the toolkit would refuse the
    // digit beyond it and leave a smaller number than the one typed. What
    // sending cannot take is refused with a reason when it starts. They show
    // seven and five digits (the largest total size); the controls after
    // them make room.
    m_periodText = new wxTextCtrl(this, ID_PERIOD, "", wxPoint(m_layoutX + 145, y), wxSize(64, 20), 0,
                                  wxTextValidator(wxFILTER_NUMERIC));
    m_periodUnitCombo = new wxComboBox(this, ID_PERIOD_UNIT, "ms", wxPoint(m_layoutX + 194, y), wxSize(44, 20), 2,
                                       kPeriodUnitNames, wxCB_READONLY);
    m_totalSizeLabel = new wxStaticText(this, ID_TOTAL_SIZE_LABEL, "Total size (byte)",
                                        wxPoint(m_layoutX + 145, y + 30), wxSize(84, -1));
    m_totalSizeText = new wxTextCtrl(this, ID_TOTAL_SIZE, "", wxPoint(m_layoutX + 229, y + 25), wxSize(52, -1), 0,
                                     wxTextValidator(wxFILTER_NUMERIC));
    m_paddingLabel = new wxStaticText(this, ID_PADDING_LABEL, "(use padding)", wxPoint(m_layoutX + 283, y + 30),
                                      wxSize(120, -1));
    m_msgCounterCheck = new wxCheckBox(this, ID_MSG_COUNTER, "Use msg counter", wxPoint(m_layoutX + 248, y + 5));
    // Tab goes along the periodic row before the total size under it.
    m_msgCounterCheck->MoveAfterInTabOrder(m_periodUnitCombo);
    const int x = m_layoutX + 420;
    // Created left to right, the order Tab takes.
    wxWindow *logStart = AddBitmapButton(ID_LOG_START, "icons/runbtn.jpg", wxPoint(x + 26, y), wxSize(88, 25));
    wxWindow *logStop = AddBitmapButton(ID_LOG_STOP, "icons/stopbtn.jpg", wxPoint(x + 119, y), wxSize(88, 25));
    wxWindow *clearAll = AddBitmapButton(ID_CLEAR_RX, "icons/clearallbtn88.jpg", wxPoint(x + 212, y), wxSize(88, 25));
    Connect(ID_CLEAR_RX, wxEVT_COMMAND_BUTTON_CLICKED, wxCommandEventHandler(TerminalPanel::OnClear));
    // The form of the log and where the next one goes, under the log's
    // buttons and right of the padding caption.
    m_logLineBreaksCheck =
        new wxCheckBox(this, ID_LOG_LINE_BREAKS, "Line break per packet", wxPoint(x + 50, y + 30));
    m_logLineBreaksCheck->SetToolTip("A line break after each received packet in the log, as older versions wrote");
    Connect(ID_LOG_LINE_BREAKS, wxEVT_COMMAND_CHECKBOX_CLICKED,
            wxCommandEventHandler(TerminalPanel::OnLogLineBreaks));
    wxWindow *logFolder =
        AddBitmapButton(ID_LOG_FOLDER, "icons/logfolderbtn.jpg", wxPoint(x + 232, y + 25), wxSize(88, 25));
    Connect(ID_LOG_FOLDER, wxEVT_COMMAND_BUTTON_CLICKED, wxCommandEventHandler(TerminalPanel::OnLogFolder));
    // The whole row lies under the list and the views, which take the
    // height a taller panel gives.
    for (wxWindow *control : std::initializer_list<wxWindow *>{
             periodicCheck, m_periodText, m_periodUnitCombo, m_totalSizeLabel, m_totalSizeText, m_paddingLabel,
             m_msgCounterCheck, logStart, logStop, clearAll, m_logLineBreaksCheck, logFolder})
        m_layout.Add(control, GrowingLayout::Rule::FollowBottom);

    for (wxWindow *control : std::initializer_list<wxWindow *>{m_periodText, m_periodUnitCombo, m_msgCounterCheck,
                                                               m_totalSizeLabel, m_totalSizeText, m_paddingLabel})
        control->Disable();

    Connect(ID_LOG_STOP, wxEVT_COMMAND_BUTTON_CLICKED, wxCommandEventHandler(TerminalPanel::OnLogButton));
    Connect(ID_LOG_START, wxEVT_COMMAND_BUTTON_CLICKED, wxCommandEventHandler(TerminalPanel::OnLogButton));
}

void TerminalPanel::OnClose(wxCloseEvent &)
{
    Destroy();
}

void TerminalPanel::OnPanelFocus(wxFocusEvent &)
{
    m_txEntries[m_txTypeRadio->GetSelection()]->SetFocus();
}

void TerminalPanel::ForwardTxKey(wxKeyEvent &event)
{
    const int key = event.GetKeyCode();
    if (key != WXK_RETURN && key != WXK_UP && key != WXK_DOWN) {
        event.Skip();
        return;
    }
    GetEventHandler()->ProcessEvent(event);
    // Whatever the panel's handler did, the entry never gets these keys.
    event.Skip(false);
}

void TerminalPanel::LimitTxEntry(wxCommandEvent &event)
{
    event.Skip();
    auto *entry = dynamic_cast<wxTextCtrl *>(event.GetEventObject());
    if (entry == nullptr || entry->GetValue().length() <= kTxMaxLength)
        return;
    // The toolkit is still inside the insertion that sent this event; the
    // text may change only after it.
    CallAfter([entry] {
        if (entry->GetValue().length() <= kTxMaxLength)
            return;
        const FittedEntry fitted = FitEntryText(entry->GetValue().ToStdWstring(),
                                                static_cast<size_t>(entry->GetInsertionPoint()), kTxMaxLength);
        entry->ChangeValue(fitted.text);
        entry->SetInsertionPoint(static_cast<long>(fitted.caret));
    });
}

void TerminalPanel::OnReadTypeChanged(wxCommandEvent &)
{
    ShowSelectedRxView();
    m_txEntries[m_txTypeRadio->GetSelection()]->SetFocus();
}

void TerminalPanel::OnTransmissionTypeChanged(wxCommandEvent &)
{
    ShowSelectedTxEntry();
    m_txEntries[m_txTypeRadio->GetSelection()]->SetFocus();
}

void TerminalPanel::ShowSelectedTxEntry()
{
    const int selected = m_txTypeRadio->GetSelection();
    for (int n = 0; n < kNotationCount; ++n) {
        m_txEntries[n]->Show(n == selected);
        m_txHints[n]->Show(n == selected);
    }
    m_lineEndingCombo->Show(selected == NotationAscii);
}
