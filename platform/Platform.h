#pragma once
// What the folders above use of platform/: the system, network, simulator-client and window services that
// stand in for the Windows API. Headers not listed here are platform/'s own.
#include "platform/net/Socket.h"            // TCP and UDP sockets over IPv4
#include "platform/simconnect/SimConnect.h" // the simulator client library (SimConnect calls and messages)
#include "platform/system/Encoding.h"       // text encodings at the edge of the system
#include "platform/system/KnownFolders.h"   // per-user folders of the desktop
#include "platform/system/Shell.h"          // opening a folder or document through the desktop
#include "platform/system/Timer.h"          // system timer resolution
#include "platform/ui/ControlModel.h"       // the state of the main window's child controls
#include "platform/ui/SingleInstance.h"     // one copy of the program per user
#include "platform/ui/Window.h"             // the main window and its two backends
#include "platform/ui/WindowMessages.h"     // messages and repaint requests posted to the main window
