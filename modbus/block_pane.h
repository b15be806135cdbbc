// One block of the monitor: its read as a periodic job of the session, its
// table, its counts and round trips, the outcome of writes from the table,
// and its own pause. The pane removes its jobs when it goes (or is
// detached from the session first, when the session goes before it).
#ifndef ORV_MODBUS_BLOCK_PANE_H
#define ORV_MODBUS_BLOCK_PANE_H

#include "modbus/block_definition.h"
#include "modbus/session_event.h"

#include <chrono>
#include <functional>
#include <string>
#include <vector>
#include <wx/panel.h>

class BlockTable;
class ModbusSession;
class wxButton;
class wxCommandEvent;
class wxStaticText;
struct BlockCell;

class BlockPane : public wxPanel {
public:
    // Each answer's values, for the log.
    using Answered = std::function<void(const BlockDefinition &block, std::chrono::system_clock::time_point time,
                                        const std::vector<BlockValue> &values)>;

    // `block` is to be valid (ValidateBlock); without a session the pane
    // stays idle.
    BlockPane(wxWindow *parent, ModbusSession *session, const BlockDefinition &block, Answered answered);
    ~BlockPane() override;

    const BlockDefinition &Block() const { return m_block; }
    void Pause(bool paused);
    bool Paused() const { return m_paused; }
    // Removes the pane's jobs; the pane stays, idle.
    void Detach();

    // What the pane shows, for its window and tests.
    BlockTable *Table() const { return m_table; }
    wxString Status() const;
    wxString CountsLine() const;
    wxString RoundTripLine() const;
    wxButton *PauseButton() const { return m_pauseButton; }
    JobId Job() const { return m_job; }

private:
    void OnResult(ModbusSessionEvent &event);
    void OnPauseClicked(wxCommandEvent &event);
    void ShowAnswer(const JobResult &result);
    void ShowWritten(const JobResult &result);
    void RenameRow(const BlockCell &cell, const std::string &name);
    void ChangeFormat(const BlockCell &cell, const std::string &choice);
    void Write(const BlockCell &cell, const std::string &text);
    void ReadAgain();
    void SetStatus(const std::string &text);

    ModbusSession *m_session;
    BlockDefinition m_block;
    Answered m_answered;
    JobId m_job = 0;
    JobId m_writeJob = 0;
    std::string m_writeDone;
    bool m_paused = false;
    BlockTable *m_table = nullptr;
    wxStaticText *m_status = nullptr;
    wxStaticText *m_counts = nullptr;
    wxStaticText *m_roundTrip = nullptr;
    wxButton *m_pauseButton = nullptr;
};

#endif
