#include "uart/periodic_pacer.h"
#include "uart/periodic_settings.h"

#include <gtest/gtest.h>

namespace {

using Clock = PeriodicPacer::Clock;
using std::chrono::milliseconds;

const Clock::time_point kStart = Clock::now();

TEST(PeriodicPacer, DeadlinesStayOnTheGridWhateverEachSendTakes)
{
    PeriodicPacer pacer(kStart, milliseconds(10));
    EXPECT_EQ(pacer.Next(), kStart + milliseconds(10)) << "the first message one interval after the start";
    // Each send ends somewhat late; the next deadline does not move with it.
    pacer.Sent(kStart + milliseconds(13));
    EXPECT_EQ(pacer.Next(), kStart + milliseconds(20));
    pacer.Sent(kStart + milliseconds(29));
    EXPECT_EQ(pacer.Next(), kStart + milliseconds(30));
}

TEST(PeriodicPacer, ASenderFarBehindCatchesUpByOneMessageOnly)
{
    PeriodicPacer pacer(kStart, milliseconds(10));
    pacer.Sent(kStart + milliseconds(55)); // the message due at 10 went out at 55
    EXPECT_EQ(pacer.Next(), kStart + milliseconds(50)) << "due at once, the turns at 20 to 40 are skipped";
    pacer.Sent(kStart + milliseconds(56));
    EXPECT_EQ(pacer.Next(), kStart + milliseconds(60));
}

TEST(PeriodicSettings, ReadsTheFieldsLikeTheRuntimeLibrary)
{
    EXPECT_EQ(PeriodMilliseconds("500", 0), 500);
    EXPECT_EQ(PeriodMilliseconds("2", 1), 2000);
    EXPECT_EQ(PeriodMilliseconds("999", 1), 999000);
    EXPECT_EQ(PeriodMilliseconds("1.5", 1), 1000);
    EXPECT_EQ(PeriodMilliseconds("e3", 0), 0);
    EXPECT_EQ(PeriodMilliseconds("-5", 1), 0) << "no negative pause";
    EXPECT_EQ(PeriodMilliseconds("86400", 1), kMaxPeriodMs);
    EXPECT_EQ(PeriodMilliseconds("86401", 1), kPeriodTooLong);
    EXPECT_EQ(PeriodMilliseconds("086400001", 0), kPeriodTooLong);
    EXPECT_EQ(PeriodMilliseconds("99999999999999", 1), kPeriodTooLong) << "refused, never cut nor overflowed";
    EXPECT_EQ(TotalSizeFromText(" 7x"), 7);
    EXPECT_LT(TotalSizeFromText("-3"), 1);
    EXPECT_EQ(TotalSizeFromText("65535"), 65535);
    EXPECT_EQ(TotalSizeFromText("99999999999999"), kTotalSizeTooLarge);
}

} // namespace
