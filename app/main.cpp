#include "app/dadi_razaravo.h"

wxIMPLEMENT_APP(DadiRazaravo);
