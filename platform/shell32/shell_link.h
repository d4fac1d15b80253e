// The shell link object (CLSID_ShellLink): IShellLinkA over a link's data and IPersistFile over its .lnk
// file, and the class object shell32 hands to CoGetClassObject.
#pragma once

#include "objbase.h"

namespace platform::shell {

// What shell32's DllGetClassObject answers: the class object of the shell link, nothing else.
HRESULT GetShellClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv);

}  // namespace platform::shell
