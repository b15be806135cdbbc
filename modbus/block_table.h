// A block's table: one row per value (address, name, format, value), a
// value that changed highlighted for a second. Names and formats are edited
// in their cells; so are values of blocks that can be written. The table
// only reports the edits; its pane decides what they do.
#ifndef ORV_MODBUS_BLOCK_TABLE_H
#define ORV_MODBUS_BLOCK_TABLE_H

#include "modbus/block_definition.h"

#include <chrono>
#include <functional>
#include <string>
#include <vector>
#include <wx/grid.h>
#include <wx/timer.h>

class BlockTable : public wxGrid {
public:
    enum Column { COLUMN_ADDRESS, COLUMN_NAME, COLUMN_FORMAT, COLUMN_VALUE, COLUMN_COUNT };
    // The edit of a cell: the row's cell of the layout and the text typed.
    using Edited = std::function<void(const BlockCell &cell, const std::string &text)>;

    BlockTable(wxWindow *parent, Edited nameEdited, Edited formatEdited, Edited valueEdited);

    // Lists the block's cells, their values empty until the next answer.
    void ShowLayout(const BlockDefinition &block);
    // The values of an answer; those that changed since the last one light up.
    void ShowValues(const std::vector<BlockValue> &values);
    const std::vector<BlockCell> &Cells() const { return m_cells; }
    // The row showing the value of the register (or bit) at `offset`; -1.
    int RowOf(int offset) const;
    bool Highlighted(int row) const;

    static wxColour HighlightColour();

private:
    void OnCellChanged(wxGridEvent &event);
    void OnFade(wxTimerEvent &event);

    Edited m_nameEdited;
    Edited m_formatEdited;
    Edited m_valueEdited;
    std::vector<BlockCell> m_cells;
    // When each row last lit up; a default time point for a row that is not.
    std::vector<std::chrono::steady_clock::time_point> m_litAt;
    wxTimer m_fade;
};

#endif
