// The dialog that defines a new block of the monitor: name, unit, function
// (1 to 4), start, count, period and format. OK keeps it open with the
// reason while the block is not valid.
#ifndef ORV_MODBUS_BLOCK_DIALOG_H
#define ORV_MODBUS_BLOCK_DIALOG_H

#include "modbus/block_definition.h"

#include <string>
#include <wx/dialog.h>

class wxChoice;
class wxCommandEvent;
class wxStaticText;
class wxTextCtrl;

class BlockDialog : public wxDialog {
public:
    BlockDialog(wxWindow *parent, const BlockDefinition &initial);

    // The fields as a block, with "" or why it is not one ("start is no
    // number", or ValidateBlock's reason).
    BlockDefinition Block(std::string &why) const;
    void SetBlock(const BlockDefinition &block);

private:
    void OnOk(wxCommandEvent &event);

    wxTextCtrl *m_name = nullptr;
    wxTextCtrl *m_unit = nullptr;
    wxChoice *m_function = nullptr;
    wxTextCtrl *m_start = nullptr;
    wxTextCtrl *m_count = nullptr;
    wxTextCtrl *m_period = nullptr;
    wxChoice *m_format = nullptr;
    wxStaticText *m_reason = nullptr;
    // The rows' own names and formats of the block given, kept as they were.
    BlockDefinition m_initial;
};

#endif
