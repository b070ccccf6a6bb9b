#pragma once

#include <xcb/xcb.h>

namespace platform {

// Qt's own X connection; nullptr off X11 or before the application exists.
xcb_connection_t* QtX11Connection();

// A connection of our own to the server Qt talks to, so that its replies and
// events wake nobody but its reader. nullptr without X11 or where the new
// connection would reach another server; the caller disconnects it.
xcb_connection_t* ConnectBesideQt();

// Whether the server of c has the extension.
bool ExtensionPresent(xcb_connection_t* c, xcb_extension_t* ext);

} // namespace platform
