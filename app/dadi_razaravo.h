// The application object the toolkit starts.
#ifndef ORV_APP_DADI_RAZARAVO_H
#define ORV_APP_DADI_RAZARAVO_H

#include <wx/app.h>

class DadiRazaravo : public wxApp {
public:
    bool OnInit() override;
    int OnExit() override;
};

#endif
