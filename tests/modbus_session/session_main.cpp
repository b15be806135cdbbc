// The session's tests run in a console application: its event queue is all
// the session needs, and no display is opened.
#include <gtest/gtest.h>
#include <wx/init.h>

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    const wxInitializer toolkit(argc, argv);
    if (!toolkit.IsOk())
        return 2;
    return RUN_ALL_TESTS();
}
