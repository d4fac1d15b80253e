// Registry scripts: the text of a REGISTRY resource, applied through the registry calls to register a
// server (create its keys and values) or unregister it (delete what the script created).
//
//   HKCR
//   {
//       NoRemove CLSID
//       {
//           ForceRemove {...} = s 'Thing Class'
//           {
//               InprocServer32 = s '%MODULE%'
//               {
//                   val ThreadingModel = s 'Apartment'
//               }
//           }
//       }
//   }
//
// A script is a list of roots (HKCR, HKCU, HKLM, HKU, HKCC, HKDD, HKPD or their full HKEY_ names), each
// with a block of keys. A key is a name, optionally with a default value (= s 'text', = d 'number',
// = b 'hex bytes') and a block of its own keys and values (val Name = s|d|b '...'). Tokens are separated
// by blanks; a name with blanks is quoted ('My Key'); two quotes inside quotes stand for one. %NAME% is
// replaced by the text given for NAME (%% is a '%'); an unknown name is an error.
//
// Registering creates every key and value; a ForceRemove key is first deleted whole, a Delete key is
// deleted and not created. Unregistering walks the same keys: a ForceRemove key is deleted whole; a
// NoRemove key stays (its listed values and subkeys are removed); any other key is deleted once the
// script's subkeys are gone, unless other subkeys remain under it. A Delete key is left alone.
//
// The whole script is read before the registry is touched, so bad text writes nothing; a registration
// that fails part-way is undone by unregistering the same script.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "windows.h"
#include "wtypes.h"

class CComRegistrar {
  public:
    HRESULT AddReplacement(LPCOLESTR key, LPCOLESTR item);
    HRESULT AddReplacement(LPCSTR key, LPCSTR item);
    HRESULT ClearReplacements();

    HRESULT StringRegister(LPCOLESTR data);
    HRESULT StringUnregister(LPCOLESTR data);
    // The script in a module's resource (type REGISTRY unless given).
    HRESULT ResourceRegister(HINSTANCE hInstance, UINT nID, LPCSTR szType = "REGISTRY");
    HRESULT ResourceUnregister(HINSTANCE hInstance, UINT nID, LPCSTR szType = "REGISTRY");

    // The same on ANSI text.
    HRESULT ApplyScript(std::string_view script, bool bRegister);

  private:
    HRESULT ApplyResource(HINSTANCE hInstance, UINT nID, LPCSTR szType, bool bRegister);

    struct NoCaseLess {
        bool operator()(const std::string& left, const std::string& right) const;
    };
    std::map<std::string, std::string, NoCaseLess> m_replacements;
};
