// The monitor's blocks: their panes, and the buttons that add, duplicate,
// remove and pause them.
#include "modbus/monitor_window.h"

#include "modbus/block_dialog.h"
#include "modbus/block_pane.h"
#include "modbus/block_table.h"

#include <wx/aui/auibook.h>
#include <wx/button.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

namespace {

// A name not yet taken by a block: "meter 2", "meter 3", ...
std::string FreeName(const std::string &base, const std::vector<BlockDefinition> &blocks)
{
    for (int number = 2;; ++number) {
        const std::string name = base + " " + std::to_string(number);
        bool taken = false;
        for (const BlockDefinition &block : blocks)
            taken = taken || block.name == name;
        if (!taken)
            return name;
    }
}

} // namespace

MonitorWindow::MonitorWindow(wxWindow *parent, ModbusSession &session,
                             std::function<void(const std::vector<BlockDefinition> &)> closing)
    : wxFrame(parent, wxID_ANY, "Modbus monitor", wxDefaultPosition, wxSize(760, 560)), m_session(&session),
      m_closing(std::move(closing)), m_chart(this)
{
    auto *page = new wxPanel(this);
    auto *sizer = new wxBoxSizer(wxVERTICAL);
    BuildButtons(page, sizer);
    // Tabs can be dragged beside each other; a block goes with Remove.
    m_blocks = new wxAuiNotebook(page, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                 wxAUI_NB_DEFAULT_STYLE & ~wxAUI_NB_CLOSE_ON_ACTIVE_TAB);
    sizer->Add(m_blocks, 1, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 5);
    page->SetSizer(sizer);
    Bind(wxEVT_CLOSE_WINDOW, &MonitorWindow::OnClose, this);
}

MonitorWindow::~MonitorWindow()
{
    Detach();
}

void MonitorWindow::BuildButtons(wxWindow *parent, wxSizer *sizer)
{
    auto *row = new wxBoxSizer(wxHORIZONTAL);
    const auto add = [parent, row](const wxString &label) {
        auto *button = new wxButton(parent, wxID_ANY, label);
        row->Add(button, 0, wxRIGHT, 5);
        return button;
    };
    add("Add block...")->Bind(wxEVT_BUTTON, &MonitorWindow::OnAdd, this);
    add("Duplicate")->Bind(wxEVT_BUTTON, &MonitorWindow::OnDuplicate, this);
    add("Remove")->Bind(wxEVT_BUTTON, &MonitorWindow::OnRemove, this);
    add("Pause all")->Bind(wxEVT_BUTTON, [this](wxCommandEvent &) { PauseAll(true); });
    add("Resume all")->Bind(wxEVT_BUTTON, [this](wxCommandEvent &) { PauseAll(false); });
    m_startLogButton = add("Start log...");
    m_startLogButton->Bind(wxEVT_BUTTON, &MonitorWindow::OnStartLog, this);
    m_stopLogButton = add("Stop log");
    m_stopLogButton->Bind(wxEVT_BUTTON, &MonitorWindow::OnStopLog, this);
    add("Chart")->Bind(wxEVT_BUTTON, [this](wxCommandEvent &) { m_chart.Show(); });
    sizer->Add(row, 0, wxALL, 5);
    m_logLine = new wxStaticText(parent, wxID_ANY, wxEmptyString);
    sizer->Add(m_logLine, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 5);
    ShowLogState();
}

BlockPane *MonitorWindow::NewPane(const BlockDefinition &block)
{
    auto *pane = new BlockPane(m_blocks, m_session, block,
                               [this](const BlockDefinition &answered, std::chrono::system_clock::time_point time,
                                      const std::vector<BlockValue> &values) { OnAnswer(answered, time, values); });
    pane->Table()->Bind(wxEVT_GRID_CELL_RIGHT_CLICK,
                        [this, pane](wxGridEvent &event) { OnRowMenu(pane, event.GetRow()); });
    m_blocks->AddPage(pane, wxString::FromUTF8(block.name), true);
    return pane;
}

std::vector<BlockDefinition> MonitorWindow::Blocks() const
{
    std::vector<BlockDefinition> blocks;
    for (size_t index = 0; index < BlockCount(); ++index)
        blocks.push_back(Pane(index)->Block());
    return blocks;
}

std::string MonitorWindow::SetBlocks(const std::vector<BlockDefinition> &blocks)
{
    m_blocks->DeleteAllPages();
    m_chart.ForgetAll();
    std::string first;
    for (const BlockDefinition &block : blocks) {
        const std::string why = AddBlock(block);
        if (first.empty() && !why.empty())
            first = "block \"" + block.name + "\": " + why;
    }
    return first;
}

std::string MonitorWindow::AddBlock(const BlockDefinition &block)
{
    const std::string why = ValidateBlock(block);
    if (why.empty())
        NewPane(block);
    return why;
}

void MonitorWindow::RemoveBlock(size_t index)
{
    if (index >= BlockCount())
        return;
    const std::string name = Pane(index)->Block().name;
    m_blocks->DeletePage(index);
    for (const BlockDefinition &block : Blocks())
        if (block.name == name)
            return;
    m_chart.Forget(name);
}

void MonitorWindow::DuplicateBlock(size_t index)
{
    if (index >= BlockCount())
        return;
    BlockDefinition copy = Pane(index)->Block();
    copy.name = FreeName(copy.name, Blocks());
    NewPane(copy);
}

size_t MonitorWindow::BlockCount() const
{
    return m_blocks->GetPageCount();
}

BlockPane *MonitorWindow::Pane(size_t index) const
{
    return index < BlockCount() ? static_cast<BlockPane *>(m_blocks->GetPage(index)) : nullptr;
}

int MonitorWindow::CurrentBlock() const
{
    return m_blocks->GetSelection();
}

void MonitorWindow::Pause(size_t index, bool paused)
{
    if (index < BlockCount())
        Pane(index)->Pause(paused);
}

void MonitorWindow::PauseAll(bool paused)
{
    for (size_t index = 0; index < BlockCount(); ++index)
        Pane(index)->Pause(paused);
}

void MonitorWindow::Detach()
{
    for (size_t index = 0; index < BlockCount(); ++index)
        Pane(index)->Detach();
    m_session = nullptr;
}

void MonitorWindow::OnAdd(wxCommandEvent &)
{
    BlockDefinition initial;
    initial.name = BlockCount() == 0 ? "Block 1" : FreeName("Block", Blocks());
    BlockDialog dialog(this, initial);
    if (dialog.ShowModal() != wxID_OK)
        return;
    std::string why;
    const BlockDefinition block = dialog.Block(why);
    if (why.empty())
        NewPane(block);
}

void MonitorWindow::OnDuplicate(wxCommandEvent &)
{
    if (CurrentBlock() >= 0)
        DuplicateBlock(static_cast<size_t>(CurrentBlock()));
}

void MonitorWindow::OnRemove(wxCommandEvent &)
{
    if (CurrentBlock() >= 0)
        RemoveBlock(static_cast<size_t>(CurrentBlock()));
}

void MonitorWindow::OnClose(wxCloseEvent &)
{
    if (m_closing)
        m_closing(Blocks());
    Detach();
    StopLog();
    Destroy();
}
