#include "app/dadi_razaravo.h"

#include "app/gtk_style.h"
#include "app/main_window.h"

bool DadiRazaravo::OnInit()
{
    gtk_style::Install();
    // A failure to start the socket library leaves here as an exception: the
    // toolkit then gives up start-up before any window exists.
    MainWindow::GetInstance();
    return true;
}

int DadiRazaravo::OnExit()
{
    MainWindow::GetInstance()->CloseSocketLibrary();
    return 0;
}
