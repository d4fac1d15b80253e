// A Windows Installer product registered in a machine as msiexec finds it (msiexec.cpp describes the
// keys), for the set-up of test and demonstration machines.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {
class Machine;
}

namespace platform::programs {

// Registers the product: its entry in the list of installed programs, its Installer keys, and one
// component for each of its files and keys (under HKEY_LOCAL_MACHINE). A file that is not in the machine
// yet is made with a line of text, one that is there is kept; the keys are made when missing. Throws
// std::runtime_error for a product code that is not {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX} or a path
// that is not a Windows file path of the machine.
void RegisterInstallerProduct(Machine& machine, std::string_view productCode, std::string_view name,
                              const std::vector<std::string>& files, const std::vector<std::string>& keys);

}  // namespace platform::programs
