// Text pasted into the UART panel's fields, past their character filters:
// the transmit entries in each notation, the period and the total size. A
// paste never makes an entry longer than its limit; what it holds is checked
// when the message is added: a group may hold only digits of its notation and
// an ASCII text only characters of one byte, so nothing goes out as other
// bytes than those typed.
#include "tests/support/clipboard_paste.h"
#include "tests/uart/uart_panel_driver.h"

#include <wx/bmpbuttn.h>
#include <wx/checkbox.h>
#include <wx/listbox.h>
#include <wx/textctrl.h>

namespace {

using namespace uart_testing;
using namespace testing_support;

class PastedInputTest : public ::testing::Test {
protected:
    void SetUp() override { ResetPanel(); }
    void TearDown() override { ResetPanel(); }
};

wxTextCtrl *Entry(int notation)
{
    return Controls().txEntries[notation];
}

const char *const kNotationNames[kNotationCount] = {"ASCII", "Hex", "Binary", "Decimal"};

TEST_F(PastedInputTest, PastedMessagesAreCheckedAndSentByTheDocumentedRules)
{
    const struct {
        Notation notation;
        std::wstring pasted;
        const wchar_t *refusal; // nullptr: added and sent
        std::string bytes;
    } cases[] = {
        {NotationHex, L"0A FF", nullptr, "\x0a\xff"},
        {NotationHex, L"zz 10", L"Invalid hex group 'zz': use only the digits 0-9, a-f, A-F", ""},
        {NotationHex, L"+5 -1", L"Invalid hex group '+5': use only the digits 0-9, a-f, A-F", ""},
        {NotationHex, L"1\t2", L"Hex can be length max 2 digits", ""},
        {NotationHex, L"01\n02", L"Hex can be length max 2 digits", ""},
        {NotationBinary, L"1 12", L"Invalid binary group '12': use only the digits 0 and 1", ""},
        {NotationBinary, L"101010101", L"Binary can be length max 8 digits", ""},
        {NotationBinary, L"0 11111111", nullptr, std::string("\x00\xff", 2)},
        {NotationDecimal, L"9 \t9", L"Invalid decimal group '\t9': use only the digits 0-9", ""},
        {NotationDecimal, L"99999999999999999999", L"Decimal value max 255", ""},
        {NotationDecimal, L"\u0663", L"Invalid decimal group '\u0663': use only the digits 0-9", ""},
        {NotationDecimal, L"255 007", nullptr, "\xff\x07"},
        {NotationAscii, L"a\tb\u20ac", L"The character '\u20ac' (U+20AC) is not one byte: use Hex for such bytes", ""},
        {NotationAscii, L"a\tb\u00ff", nullptr, "a\tb\xff"},
        {NotationAscii, L"one\ntwo", nullptr, "one\ntwo"},
        {NotationAscii, std::wstring(65, L'\u00e9'), L"Max 128 bytes", ""},
    };
    Connected link;
    for (const auto &typed : cases) {
        const wxString pasted(typed.pasted);
        SelectTransmissionType(typed.notation);
        Entry(typed.notation)->Clear();
        PasteInto(Entry(typed.notation), pasted);
        ASSERT_EQ(Entry(typed.notation)->GetValue(), pasted) << "the paste did not arrive";
        ModalRecorder boxes;
        PressKey(WXK_RETURN);
        if (typed.refusal != nullptr) {
            ASSERT_EQ(boxes.Boxes().size(), 1u) << pasted;
            EXPECT_EQ(boxes.Boxes()[0].message, wxString(typed.refusal)) << pasted;
            EXPECT_EQ(Entry(typed.notation)->GetValue(), pasted) << "a refused message stays in its entry";
            continue;
        }
        EXPECT_EQ(boxes.Messages(), "") << pasted;
        EXPECT_EQ(Controls().messageList->GetString(0), pasted + " (" + kNotationNames[typed.notation] + ")");
        Click(TerminalPanel::ID_SEND);
        EXPECT_EQ(ReadAtLeast(link.Peer(), typed.bytes.size()), typed.bytes) << pasted;
        EXPECT_EQ(boxes.Messages(), "") << pasted;
    }
    EXPECT_EQ(ReadUntilQuiet(link.Peer(), Millis(100)), "") << "nothing more than the messages";
}

// A paste longer than an entry's 128 characters keeps the first 128, in
// every notation; pasted into the middle, it is the pasted text that is cut.
TEST_F(PastedInputTest, PastesAreCutTo128CharactersInEveryEntry)
{
    wxString digits;
    for (int i = 0; i < 150; ++i)
        digits += wxString::Format("%d ", i % 2);
    for (int n = 0; n < kNotationCount; ++n) {
        SelectTransmissionType(n);
        PasteInto(Entry(n), digits);
        EXPECT_EQ(Entry(n)->GetValue(), digits.Left(128)) << n;
        Entry(n)->ChangeValue("ab");
        Entry(n)->SetInsertionPoint(1);
        PasteInto(Entry(n), wxString('1', 200));
        EXPECT_EQ(Entry(n)->GetValue().length(), 128u) << n;
        EXPECT_TRUE(Entry(n)->GetValue().StartsWith("a1") && Entry(n)->GetValue().EndsWith("1b")) << n;
    }
}

// The period and total-size fields take a paste whole, however long (a
// number cut to fit would be taken for another; what sending cannot take is
// refused when it starts); a sign or letters get in and read as documented
// (a period that reads below 1 is refused, a total size below 1 pads
// nothing).
TEST_F(PastedInputTest, PeriodAndTotalSizeTakePastesWhole)
{
    const PanelControls ui = Controls();
    ClickPeriodicCheck();
    ASSERT_TRUE(ui.periodText->IsEnabled());
    for (wxTextCtrl *field : {ui.periodText, ui.totalSizeText}) {
        PasteInto(field, "99999999999999999999");
        EXPECT_EQ(field->GetValue(), "99999999999999999999");
        field->Clear();
        PasteInto(field, "+5");
        EXPECT_EQ(field->GetValue(), "+5");
        field->Clear();
    }

    Connected link;
    AddMessage(NotationAscii, "AB");
    const struct {
        const char *period, *totalSize;
        std::string message; // empty: refused
    } cases[] = {
        {"+1", "+5", "AB\x02\x03\x04"},
        {"2", "-1", "AB"},
        {"1.5", "1e3", "AB"}, // one millisecond; total size 1 is below the message
        {"-1", "", ""},
        {"abc", "e", ""},
        {"", "5", ""},
    };
    for (const auto &typed : cases) {
        ui.periodText->Clear();
        ui.totalSizeText->Clear();
        if (*typed.period != '\0')
            PasteInto(ui.periodText, typed.period);
        if (*typed.totalSize != '\0')
            PasteInto(ui.totalSizeText, typed.totalSize);
        ModalRecorder boxes;
        ClickPeriodicButton();
        if (typed.message.empty()) {
            EXPECT_EQ(boxes.Messages(), "Enter a period of 1 or more (ms or s) to send periodically") << typed.period;
            EXPECT_EQ(PeriodicButton()->GetId(), TerminalPanel::ID_SEND_PERIODICALLY) << typed.period;
            continue;
        }
        ASSERT_EQ(PeriodicButton()->GetId(), TerminalPanel::ID_STOP_PERIODICALLY) << typed.period;
        std::string expected;
        for (int k = 0; k < 20; ++k)
            expected += typed.message;
        const std::string got = ReadAtLeast(link.Peer(), expected.size());
        ClickPeriodicButton();
        EXPECT_EQ(got.substr(0, expected.size()), expected) << typed.period << " / " << typed.totalSize;
        const std::string rest = ReadUntilQuiet(link.Peer());
        EXPECT_EQ((got.size() + rest.size()) % typed.message.size(), 0u) << "only whole messages";
    }
}

} // namespace
