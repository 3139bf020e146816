#pragma once

// Resource numbers of the artwork, shared by the resource script and the code.
#define WINDOW_ICON_RESOURCE 1
#define TITLE_PICTURE_RESOURCE 100
#define LOGO_PICTURE_RESOURCE 101
