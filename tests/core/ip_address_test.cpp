#include "app/ip_address.h"
#include "app/startup_target.h"
#include "library/modbus_lib/modbus.h"

#include <climits>
#include <gtest/gtest.h>

namespace {

using ip_address::FieldTexts;

TEST(FindDottedQuad, TakesTheFirstMatchAnywhereInTheText)
{
    struct Case {
        const char *text;
        FieldTexts fields;
    };
    const Case cases[] = {
        {"192.168.100.10", {"192", "168", "100", "10"}},
        {"x10.0.0.1y", {"10", "0", "0", "1"}},
        {"1.2.3.4567", {"1", "2", "3", "456"}},  // the last group stops at three digits
        {"1234.5.6.7", {"234", "5", "6", "7"}},  // a match may start inside a run of digits
        {"010.000.7.08", {"010", "000", "7", "08"}},
        {"1..2.3.4.5", {"2", "3", "4", "5"}},
        {"a 1.2.3.4 and 5.6.7.8", {"1", "2", "3", "4"}},
    };
    for (const Case &c : cases) {
        const auto found = ip_address::FindDottedQuad(c.text);
        ASSERT_TRUE(found.has_value()) << c.text;
        EXPECT_EQ(*found, c.fields) << c.text;
    }
}

TEST(FindDottedQuad, FindsNothingWithoutFourGroups)
{
    for (const char *text : {"", "1.2.3", "1.2.3.", "1.2..3.4", "a.b.c.d", "1,2,3,4", "1.2.3.-4", "not set"})
        EXPECT_FALSE(ip_address::FindDottedQuad(text).has_value()) << text;
}

TEST(AddressRule, BoundsTheFirstByteTo1To223AndTheOthersTo255)
{
    EXPECT_TRUE(ip_address::FollowsAddressRule({1, 0, 0, 0}));
    EXPECT_TRUE(ip_address::FollowsAddressRule({223, 255, 255, 255}));
    EXPECT_FALSE(ip_address::FollowsAddressRule({0, 1, 2, 3}));
    EXPECT_FALSE(ip_address::FollowsAddressRule({224, 0, 0, 1}));
    EXPECT_FALSE(ip_address::FollowsAddressRule({10, 256, 0, 1}));
    EXPECT_FALSE(ip_address::FollowsAddressRule({10, 0, 256, 1}));
    EXPECT_FALSE(ip_address::FollowsAddressRule({10, 0, 0, 256}));
    EXPECT_FALSE(ip_address::FollowsAddressRule({10, 0, 0, ULONG_MAX}));
}

TEST(ReadField, ReadsLeadingDecimalDigitsWithoutOverflow)
{
    EXPECT_EQ(ip_address::ReadFieldUnsigned("010"), 10UL); // decimal, not octal
    EXPECT_EQ(ip_address::ReadFieldUnsigned("12e"), 12UL);
    EXPECT_EQ(ip_address::ReadFieldUnsigned(""), 0UL);
    EXPECT_GT(ip_address::ReadFieldUnsigned("-1"), 255UL);
    EXPECT_EQ(ip_address::ReadFieldSigned("256"), 256L);
    EXPECT_EQ(ip_address::ReadFieldSigned("+.e"), 0L);
    EXPECT_EQ(ip_address::ReadFieldSigned("99999999999999999999999"), LONG_MAX);
    EXPECT_EQ(ip_address::ReadFieldSigned("-99999999999999999999999"), LONG_MIN);
}

TEST(FieldsFormAddress, AcceptsOnlyDigitFieldsWithinTheRule)
{
    EXPECT_TRUE(ip_address::FieldsFormAddress({"192", "168", "100", "10"}));
    EXPECT_TRUE(ip_address::FieldsFormAddress({"223", "0", "0", "0"}));
    EXPECT_TRUE(ip_address::FieldsFormAddress({"010", "0", "00", "255"}));
    EXPECT_FALSE(ip_address::FieldsFormAddress({"224", "0", "0", "0"}));
    EXPECT_FALSE(ip_address::FieldsFormAddress({"0", "1", "2", "3"}));
    EXPECT_FALSE(ip_address::FieldsFormAddress({"10", "0", "0", "256"}));
    // Empty fields would leave two dots in a row in the dotted text.
    EXPECT_FALSE(ip_address::FieldsFormAddress({"", "1", "2", "3"}));
    EXPECT_FALSE(ip_address::FieldsFormAddress({"10", "", "0", "1"}));
    EXPECT_FALSE(ip_address::FieldsFormAddress({"10", "0", "", "1"}));
    EXPECT_FALSE(ip_address::FieldsFormAddress({"10", "0", "0", ""}));
    // Characters the numeric filter lets through change the dotted text.
    EXPECT_FALSE(ip_address::FieldsFormAddress({"10", "-1", "0", "1"}));
    EXPECT_FALSE(ip_address::FieldsFormAddress({"10", "+1", "0", "1"}));
    EXPECT_FALSE(ip_address::FieldsFormAddress({"10", "1.2", "0", "1"}));
    EXPECT_FALSE(ip_address::FieldsFormAddress({"10", "1e", "0", "1"}));
    EXPECT_FALSE(ip_address::FieldsFormAddress({"10", "1,2", "0", "1"}));
    EXPECT_FALSE(ip_address::FieldsFormAddress({"10", "1234", "0", "1"}));
}

TEST(CanonicalField, DropsLeadingZerosOnly)
{
    EXPECT_EQ(ip_address::CanonicalField("010"), "10");
    EXPECT_EQ(ip_address::CanonicalField("008"), "8");
    EXPECT_EQ(ip_address::CanonicalField("000"), "0");
    EXPECT_EQ(ip_address::CanonicalField("0"), "0");
    EXPECT_EQ(ip_address::CanonicalField("100"), "100");
}

TEST(IsPortText, TakesOneToFiveDigitsUpTo65535)
{
    for (const char *port : {"0", "1", "502", "65100", "65535", "00080"})
        EXPECT_TRUE(ip_address::IsPortText(port)) << port;
    for (const char *port : {"", "65536", "99999", "123456", "-1", "+80", "6e4", "80.5", "1,2"})
        EXPECT_FALSE(ip_address::IsPortText(port)) << port;
}

} // namespace

namespace {

TEST(StartupTarget, TakesADottedAddressWithAnOptionalPort)
{
    std::string ip = "unchanged";
    std::string port = "unchanged";
    ASSERT_TRUE(startup_target::SplitHostPort("127.0.0.1:4000", "65100", ip, port));
    EXPECT_EQ(ip + " " + port, "127.0.0.1 4000");
    ASSERT_TRUE(startup_target::SplitHostPort("127.0.0.2", "65100", ip, port));
    EXPECT_EQ(ip + " " + port, "127.0.0.2 65100");
    for (const char *bad : {"", ":4000", "127.0.0.1:", "127.0.0.1:65536", "127.0.0.1:4x", "127.0.0", "127.0.0.1.5",
                            "localhost", "0.1.2.3", "127.0.0.256", "127.0.0.1:4000:5", " 127.0.0.1", "127..0.1"}) {
        EXPECT_FALSE(startup_target::SplitHostPort(bad, "65100", ip, port)) << bad;
        EXPECT_EQ(ip + " " + port, "127.0.0.2 65100") << bad;
    }
    EXPECT_TRUE(startup_target::IsHost("10.0.0.1"));
    EXPECT_FALSE(startup_target::IsHost("10.0.0.1:502"));

    int framing = -1;
    EXPECT_TRUE(startup_target::ParseFraming("tcp", framing));
    EXPECT_EQ(framing, MB_FRAMING_TCP);
    EXPECT_TRUE(startup_target::ParseFraming("rtu", framing));
    EXPECT_EQ(framing, MB_FRAMING_RTU);
    for (const char *bad : {"", "TCP", "mbap", "rtu "})
        EXPECT_FALSE(startup_target::ParseFraming(bad, framing)) << bad;
    EXPECT_EQ(framing, MB_FRAMING_RTU);
}

TEST(StartupTarget, ReadsTheLinkOptionsAndSaysWhatIsWrong)
{
    LinkEndpoint link;
    EXPECT_EQ(startup_target::ReadLink({}, link), "");
    EXPECT_EQ(link.mode, LinkMode::TcpClient);
    EXPECT_EQ(startup_target::ReadLink({"server", "127.0.0.1", std::nullopt}, link), "");
    EXPECT_EQ(link.mode, LinkMode::TcpServer);
    EXPECT_EQ(link.listenAddress, "127.0.0.1");
    EXPECT_EQ(startup_target::ReadLink({"server", "0.0.0.0", std::nullopt}, link), "");
    EXPECT_EQ(link.listenAddress, "") << "every local address";
    EXPECT_EQ(startup_target::ReadLink({"udp", std::nullopt, "5001"}, link), "");
    EXPECT_EQ(link.mode, LinkMode::Udp);
    EXPECT_EQ(link.localPort, 5001);

    const struct {
        startup_target::LinkOptions options;
        const char *problem;
    } bad[] = {
        {{"tcp", std::nullopt, std::nullopt}, "--link takes client, server or udp, not tcp"},
        {{"client", "127.0.0.1", std::nullopt}, "--listen-address goes with --link server or udp"},
        {{std::nullopt, std::nullopt, "5001"}, "--local-port goes with --link udp"},
        {{"server", "localhost", std::nullopt},
         "--listen-address takes an IPv4 address of this computer, as 127.0.0.1, not localhost"},
        {{"udp", std::nullopt, "0"}, "--local-port takes a port from 1 to 65535, not 0"},
        {{"udp", std::nullopt, "65536"}, "--local-port takes a port from 1 to 65535, not 65536"},
    };
    for (const auto &entry : bad)
        EXPECT_EQ(startup_target::ReadLink(entry.options, link), entry.problem);

    std::string ip;
    std::string port;
    EXPECT_FALSE(startup_target::SplitHostPort("0.0.0.0:5000", "65100", ip, port));
    ASSERT_TRUE(startup_target::SplitHostPort("0.0.0.0:5000", "65100", ip, port, true));
    EXPECT_EQ(ip + " " + port, "0.0.0.0 5000");

    link = startup_target::KeptLink({"udp", "127.0.0.1", "5001"});
    EXPECT_EQ(link.mode, LinkMode::Udp);
    EXPECT_EQ(link.listenAddress + ":" + std::to_string(link.localPort), "127.0.0.1:5001");
    link = startup_target::KeptLink({"bridge", "here", "70000"});
    EXPECT_EQ(link.mode, LinkMode::TcpClient);
    EXPECT_EQ(link.listenAddress + ":" + std::to_string(link.localPort), ":0");
}

} // namespace
