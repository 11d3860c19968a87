#pragma once

// The system headers of the socket layer; only platform/win32/ includes this file. Winsock 1.1
// is declared here but not linked: its functions are looked up at run time.

#include <winsock.h>
