#include "tests/support/clipboard_paste.h"

#include "tests/support/gui_test.h"

#include <wx/clipbrd.h>
#include <wx/dataobj.h>
#include <wx/textctrl.h>

namespace testing_support {

void PasteInto(wxTextCtrl *field, const wxString &text)
{
    if (wxTheClipboard->Open()) {
        wxTheClipboard->SetData(new wxTextDataObject(text));
        wxTheClipboard->Close();
    }
    // Taking the focus may select the field's text, which a paste would replace.
    const long point = field->GetInsertionPoint();
    field->SetFocus();
    field->SetInsertionPoint(point);
    const wxString before = field->GetValue();
    field->Paste();
    // The toolkit fetches the clipboard's text on its way through the event
    // loop; a refused paste leaves the field as it was.
    WaitUntil([&] { return field->GetValue() != before; }, Millis(1000));
    PumpEvents(Millis(20));
}

} // namespace testing_support
