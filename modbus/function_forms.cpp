#include "modbus/function_forms.h"

namespace {

std::vector<FormRow> ReadRows(const char *countLabel)
{
    return {{FormField::SlaveId, "Slave ID", "1"},          {FormField::Address, "Address", ""},
            {FormField::Count, countLabel, "1"},             {FormField::OutputFormat, "Output Format", ""},
            {FormField::Result, "Result =>", ""},            {FormField::Data, "Data =>", ""}};
}

const std::vector<FormLayout> &Layouts()
{
    static const std::vector<FormLayout> layouts = {
        {1001, "Function 1: Read Coils", ReadRows("Bits number"), FormGrid::None},
        {1002, "Function 2: Read Discrete Inputs", ReadRows("Bits number"), FormGrid::None},
        {1003, "Function 3: Read Holding Registers", ReadRows("Registers number"), FormGrid::None},
        {1004, "Function 4: Read Input Register", ReadRows("Registers number"), FormGrid::None},
        {1005,
         "Function 5: Write Single Coil",
         {{FormField::SlaveId, "Slave ID", "1"},
          {FormField::Address, "Address", ""},
          {FormField::CoilState, "Value", ""},
          {FormField::Result, "Result =>", ""}},
         FormGrid::None},
        {1006,
         "Function 6: Write Single Register",
         {{FormField::SlaveId, "Slave ID", "1"},
          {FormField::Address, "Address", ""},
          {FormField::Value, "Value", ""},
          {FormField::Result, "Result =>", ""}},
         FormGrid::None},
        {1015,
         "Function 15: Write Multiple Coils",
         {{FormField::SlaveId, "Slave ID", "1"},
          {FormField::Address, "Address", ""},
          {FormField::Result, "Result =>", ""}},
         FormGrid::Coils},
        {1016,
         "Function 16: Write Multiple Registers",
         {{FormField::SlaveId, "Slave ID", "1"},
          {FormField::Address, "Address", ""},
          {FormField::WriteFormat, "Value Format", ""},
          {FormField::Result, "Result =>", ""}},
         FormGrid::Registers},
        {1017,
         "Function 17: Report Slave ID",
         {{FormField::SlaveId, "Slave ID", "1"}, {FormField::Result, "Result =>", ""}},
         FormGrid::None},
        {1023,
         "Function 23: Read/Write Multiple Registers",
         {{FormField::SlaveId, "Slave ID", "1"},
          {FormField::Address, "Write Address", ""},
          {FormField::ReadAddress, "Read Address", ""},
          {FormField::Count, "N. Bit", ""},
          {FormField::Result, "Result =>", ""},
          {FormField::Data, "Data =>", ""}},
         FormGrid::Registers},
    };
    return layouts;
}

} // namespace

const FormLayout *FindFormLayout(int functionId)
{
    for (const FormLayout &layout : Layouts())
        if (layout.functionId == functionId)
            return &layout;
    return nullptr;
}

int SendButtonTop(const FormLayout &layout)
{
    return RowTop(static_cast<int>(layout.rows.size()));
}

bool IsPollable(int functionId)
{
    return (functionId >= 1001 && functionId <= 1004) || functionId == 1023;
}
