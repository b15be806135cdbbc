// The application's look on GTK: the controls are placed at fixed sizes drawn
// for slimmer widgets than GTK's defaults, so a style for the whole screen
// trims their paddings and minimum heights until those sizes hold the text.
#ifndef ORV_APP_GTK_STYLE_H
#define ORV_APP_GTK_STYLE_H

namespace gtk_style {

// Installs the style for the default screen. Call it once the toolkit is up
// and before the first window exists: GTK measures a widget when it is
// created, and a window made earlier keeps the old metrics.
void Install();

} // namespace gtk_style

#endif
