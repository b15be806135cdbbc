#include "app/ip_address.h"
#include "app/ip_ctrl.h"
#include "tests/app/dialog_driving.h"
#include "tests/support/gui_test.h"

#include <gtest/gtest.h>
#include <wx/dialog.h>
#include <wx/regex.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>

#include <memory>
#include <random>

namespace {

using namespace testing_support;

class IpCtrlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_host = new wxDialog(nullptr, wxID_ANY, "host", wxDefaultPosition, wxSize(400, 200));
        m_host->Show();
        m_ctrl = std::make_unique<wxIPCtrl>(m_host, wxPoint(150, 55), "192.168.100.10");
        PumpEvents();
    }
    void TearDown() override
    {
        m_ctrl.reset();
        m_host->Destroy();
        PumpEvents();
    }

    wxDialog *m_host = nullptr;
    std::unique_ptr<wxIPCtrl> m_ctrl;
};

TEST_F(IpCtrlTest, PlacesItsTenPartsOnTheParent)
{
    struct Part {
        int id;
        const char *text;
        wxPoint at;
        wxSize size;
        bool field;
    };
    const Part parts[] = {
        {2000, "", {150, 55}, {170, 25}, false},       {2008, "  ", {152, 57}, {10, 21}, false},
        {2004, "192", {161, 57}, {28, 21}, true},      {2001, " . ", {189, 57}, {12, 21}, false},
        {2005, "168", {201, 57}, {28, 21}, true},      {2002, " . ", {229, 57}, {12, 21}, false},
        {2006, "100", {241, 57}, {28, 21}, true},      {2003, " . ", {269, 57}, {12, 21}, false},
        {2007, "10", {281, 57}, {28, 21}, true},       {2009, "  ", {309, 57}, {9, 21}, false},
    };
    ASSERT_EQ(m_host->GetChildren().size(), 10u);
    for (const Part &part : parts) {
        wxWindow *window = m_host->FindWindow(part.id);
        ASSERT_NE(window, nullptr) << part.id;
        EXPECT_EQ(window->GetParent(), m_host) << part.id;
        EXPECT_EQ(window->GetPosition(), part.at) << part.id;
        EXPECT_EQ(window->GetSize(), part.size) << part.id;
        EXPECT_EQ(window->GetBackgroundColour(), wxColour(255, 255, 255)) << part.id;
        if (part.id == 2000 || part.field) {
            auto *text = dynamic_cast<wxTextCtrl *>(window);
            ASSERT_NE(text, nullptr) << part.id;
            EXPECT_EQ(text->GetValue(), part.text) << part.id;
            EXPECT_EQ(text->IsEnabled(), part.field) << part.id;
            EXPECT_EQ(text->IsEditable(), part.field) << part.id;
        } else {
            EXPECT_EQ(window->GetLabel(), part.text) << part.id;
        }
    }
    for (std::size_t i = 0; i < m_ctrl->m_fields.size(); ++i)
        EXPECT_EQ(m_ctrl->m_fields[i]->GetId(), 2004 + static_cast<int>(i));
}

TEST_F(IpCtrlTest, SetValueTakesTheFirstDottedQuadSilently)
{
    const struct {
        const char *text;
        const char *fields;
    } cases[] = {
        {"10.0.0.1", "10.0.0.1"},
        {"x10.0.0.1y", "10.0.0.1"},
        {"223.255.0.010", "223.255.0.010"},
    };
    ModalRecorder boxes;
    for (const auto &c : cases) {
        m_ctrl->SetValue(c.text);
        EXPECT_EQ(FieldTexts(*m_ctrl), c.fields) << c.text;
    }
    EXPECT_TRUE(boxes.Boxes().empty()) << boxes.Messages();
    EXPECT_TRUE(WaitUntil([this] { return wxWindow::FindFocus() == m_ctrl->m_fields[0]; }));
}

TEST_F(IpCtrlTest, SetValueRefusesMalformedOrOutOfRangeTexts)
{
    for (const char *text : {"0.1.2.3", "224.0.0.1", "1.2.3", "1.2.3.4567", "10.256.0.1", ""}) {
        m_ctrl->SetValue("10.0.0.1");
        ModalRecorder boxes;
        m_ctrl->SetValue(text);
        ASSERT_EQ(boxes.Boxes().size(), 1u) << text;
        EXPECT_EQ(boxes.Boxes()[0].message, wxString("Invalid IP = ") + text);
        EXPECT_EQ(boxes.Boxes()[0].caption, "Error");
        EXPECT_TRUE(boxes.Boxes()[0].style & wxICON_ERROR);
        EXPECT_EQ(FieldTexts(*m_ctrl), "223.255.255.255") << text;
        EXPECT_TRUE(m_ctrl->Validate()) << "the fallback must pass";
    }
}

// The control searches with the wx-free matcher; it must find exactly what the
// toolkit's extended regular expressions find with the same pattern.
TEST(IpCtrlPattern, MatcherAgreesWithTheToolkitRegex)
{
    wxRegEx dottedQuad(ip_address::kDottedQuadPattern, wxRE_EXTENDED);
    ASSERT_TRUE(dottedQuad.IsValid());
    std::mt19937 random(20240611);
    const std::string alphabet = "0123456789..x";
    for (int n = 0; n < 3000; ++n) {
        std::string text;
        const std::size_t length = random() % 20;
        for (std::size_t i = 0; i < length; ++i)
            text += alphabet[random() % alphabet.size()];
        const auto expected = ip_address::FindDottedQuad(text);
        ASSERT_EQ(dottedQuad.Matches(text), expected.has_value()) << text;
        if (!expected)
            continue;
        for (std::size_t group = 0; group < 4; ++group)
            ASSERT_EQ(dottedQuad.GetMatch(text, 1 + 2 * group).utf8_string(), (*expected)[group]) << text;
    }
}

TEST_F(IpCtrlTest, ValidateAndGetValueReadTheFields)
{
    SetFields(*m_ctrl, "223", "0", "010", "255");
    EXPECT_TRUE(m_ctrl->Validate());
    // No leading zero reaches the dotted text: it would be read as octal.
    EXPECT_EQ(m_ctrl->GetValue(), "223.0.10.255");
    SetFields(*m_ctrl, "224", "0", "0", "1");
    EXPECT_FALSE(m_ctrl->Validate());
    SetFields(*m_ctrl, "10", "0", "", "1");
    EXPECT_FALSE(m_ctrl->Validate());
}

TEST_F(IpCtrlTest, TypedFieldsKeepDigitsUpToThreeAndJoin)
{
    wxUIActionSimulator sim;
    const char *typed[] = {"1x0", "0", "0", "1"};
    for (std::size_t i = 0; i < 4; ++i) {
        ASSERT_TRUE(FocusForTyping(m_ctrl->m_fields[i])) << i;
        m_ctrl->m_fields[i]->SelectAll();
        sim.Text(typed[i]);
        PumpEvents();
    }
    EXPECT_EQ(m_ctrl->GetValue(), "10.0.0.1");

    ASSERT_TRUE(FocusForTyping(m_ctrl->m_fields[2]));
    m_ctrl->m_fields[2]->SelectAll();
    sim.Text("12a345");
    PumpEvents();
    EXPECT_EQ(m_ctrl->m_fields[2]->GetValue(), "123");
    EXPECT_EQ(m_ctrl->m_fields[3]->GetValue(), "45") << "the third digit moves on";
}

// A typed dot, or a field's third digit, moves on to the next field with its
// text selected, so that an address is typed in one go; a dot right after
// such a move, or in the last field, is dropped.
TEST_F(IpCtrlTest, TypingMovesOnAtADotOrAThirdDigit)
{
    wxUIActionSimulator sim;
    ASSERT_TRUE(FocusForTyping(m_ctrl->m_fields[0]));
    m_ctrl->m_fields[0]->SelectAll();
    sim.Text("127.0.0.1");
    EXPECT_TRUE(WaitUntil([this] { return m_ctrl->GetValue() == "127.0.0.1"; })) << FieldTexts(*m_ctrl);
    EXPECT_EQ(wxWindow::FindFocus(), m_ctrl->m_fields[3]);

    SetFields(*m_ctrl, "1", "234", "5", "6");
    ASSERT_TRUE(FocusForTyping(m_ctrl->m_fields[0]));
    m_ctrl->m_fields[0]->SelectAll();
    sim.Text("10.");
    ASSERT_TRUE(WaitUntil([this] { return wxWindow::FindFocus() == m_ctrl->m_fields[1]; }));
    long from = -1, to = -1;
    m_ctrl->m_fields[1]->GetSelection(&from, &to);
    EXPECT_EQ(from, 0);
    EXPECT_EQ(to, 3) << "the next field's text is selected";
    sim.Text("7.22.3..");
    EXPECT_TRUE(WaitUntil([this] { return FieldTexts(*m_ctrl) == "10.7.22.3"; })) << FieldTexts(*m_ctrl);
}

TEST_F(IpCtrlTest, LeavingAFieldAbove255ComplainsAndTakesTheFocusBack)
{
    wxTextCtrl *field = m_ctrl->m_fields[1];
    field->ChangeValue("256");
    ModalRecorder boxes;
    LeaveField(field);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].message, "Ip field can be 255 maximum");
    EXPECT_EQ(boxes.Boxes()[0].caption, "Error");
    EXPECT_TRUE(boxes.Boxes()[0].style & wxICON_ERROR);
    long from = -1, to = -1;
    field->GetSelection(&from, &to);
    EXPECT_EQ(from, 0);
    EXPECT_EQ(to, 3);
    EXPECT_TRUE(WaitUntil([field] { return wxWindow::FindFocus() == field; }));
    EXPECT_EQ(field->GetValue(), "256") << "nothing is corrected";

    boxes.Clear();
    for (const char *fine : {"255", "", "-99", "e"}) {
        field->ChangeValue(fine);
        LeaveField(field);
    }
    EXPECT_TRUE(boxes.Boxes().empty()) << boxes.Messages();
}

TEST_F(IpCtrlTest, RealFocusLossIsCaught)
{
    ASSERT_TRUE(FocusForTyping(m_ctrl->m_fields[3]));
    m_ctrl->m_fields[3]->SelectAll();
    wxUIActionSimulator sim;
    sim.Text("300");
    ModalRecorder boxes;
    sim.Char(WXK_TAB);
    EXPECT_TRUE(WaitUntil([&boxes] { return !boxes.Boxes().empty(); }));
    EXPECT_EQ(boxes.Messages(), "Ip field can be 255 maximum");

    // A third digit above 255, or a dot after it, does not move on: leaving
    // the field says so.
    m_ctrl->m_fields[3]->ChangeValue("3");
    boxes.Clear();
    ASSERT_TRUE(FocusForTyping(m_ctrl->m_fields[1]));
    m_ctrl->m_fields[1]->SelectAll();
    sim.Text("999.");
    PumpEvents();
    EXPECT_EQ(m_ctrl->m_fields[1]->GetValue(), "999");
    EXPECT_TRUE(boxes.Boxes().empty()) << boxes.Messages();
    sim.Char(WXK_TAB);
    EXPECT_TRUE(WaitUntil([&boxes] { return !boxes.Boxes().empty(); }));
    EXPECT_EQ(boxes.Messages(), "Ip field can be 255 maximum");
    EXPECT_TRUE(WaitUntil([this] { return wxWindow::FindFocus() == m_ctrl->m_fields[1]; }));
}

} // namespace
