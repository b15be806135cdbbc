// What each Modbus function form holds: its title, its rows from top to
// bottom, and its grid. The form builds its controls from this table.
#ifndef ORV_MODBUS_FUNCTION_FORMS_H
#define ORV_MODBUS_FUNCTION_FORMS_H

#include <vector>

// The function id of a form and of its Send button: 1000 + function code.
constexpr int FUNCTION_ID_BASE = 1000;

enum class FormField {
    SlaveId,      // numeric text field
    Address,      // numeric text field (start or write address)
    ReadAddress,  // numeric text field
    Count,        // numeric text field (quantity)
    Value,        // numeric text field
    CoilState,    // "Off" / "On" combo
    OutputFormat, // output format combo
    WriteFormat,  // function 16's value format combo
    Result,       // static text
    Data          // borderless text field without filter
};

enum class FormGrid { None, Coils, Registers };

struct FormRow {
    FormField field;
    const char *label;
    const char *initial;
};

struct FormLayout {
    int functionId;
    const char *title;
    std::vector<FormRow> rows;
    FormGrid grid;
};

// Row geometry inside a form: labels at x 10, fields at x 130, rows 35 apart
// from y 40; the Send button takes the place of the row after the last one.
constexpr int FORM_FIRST_ROW_Y = 40;
constexpr int FORM_ROW_STEP = 35;
constexpr int RowTop(int row)
{
    return FORM_FIRST_ROW_Y + FORM_ROW_STEP * row;
}

// The grid of functions 15, 16 and 23 holds this many values; it sends those
// the user set.
constexpr int FORM_GRID_ROWS = 10;

// The layout of a function id, or nullptr when no form exists for it.
const FormLayout *FindFormLayout(int functionId);
int SendButtonTop(const FormLayout &layout);
// The read forms, which can poll and show a table: functions 1, 2, 3, 4, 23.
bool IsPollable(int functionId);

#endif
