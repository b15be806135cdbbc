#include "tests/uart/event_pump.h"

#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <wx/app.h>

bool Pump(const std::function<bool()> &done, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return done();
        wxAppConsole::GetInstance()->ProcessPendingEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void OpenLink(UartLink &link, const LinkEndpoint &endpoint)
{
    ASSERT_TRUE(link.StartConnect(endpoint));
    ASSERT_TRUE(Pump([&link] { return link.Result() != UartLink::ConnectResult::Pending; }));
    ASSERT_EQ(link.TakeResult(), UartLink::ConnectResult::Connected) << link.ConnectError();
    std::string error;
    ASSERT_TRUE(link.BeginSession(error)) << error;
}
