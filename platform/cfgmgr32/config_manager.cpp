// The configuration manager's calls over the tree of present devices (device_tree.h).
#include <algorithm>
#include <cstring>

#include "cfgmgr32.h"
#include "platform/cfgmgr32/device_tree.h"
#include "platform/machine/state.h"
#include "platform/machine/text.h"

namespace {

namespace devices = platform::devices;

// The device a node names, as long as it still exists.
std::optional<std::string> ExistingDevice(DEVINST node) {
    std::optional<std::string> id = devices::IdOfNode(node);
    if (!id) return std::nullopt;
    return devices::FindDevice(*id);
}

CONFIGRET Related(PDEVINST result, DEVINST node, ULONG flags, std::optional<std::string> (*relation)(DEVINST)) {
    if (!result) return CR_INVALID_POINTER;
    *result = 0;
    if (flags != 0) return CR_INVALID_FLAG;
    if (!devices::IdOfNode(node)) return CR_INVALID_DEVNODE;
    std::optional<std::string> related = relation(node);
    if (!related) return CR_NO_SUCH_DEVNODE;
    *result = devices::NodeOf(*related);
    return CR_SUCCESS;
}

std::optional<std::string> ParentOfNode(DEVINST node) {
    std::optional<std::string> id = ExistingDevice(node);
    return id ? devices::ParentOf(*id) : std::nullopt;
}

std::optional<std::string> FirstChildOfNode(DEVINST node) {
    std::optional<std::string> id = ExistingDevice(node);
    if (!id || !devices::IsPresent(*id)) return std::nullopt;
    std::vector<std::string> children = devices::ChildrenOf(*id);
    if (children.empty()) return std::nullopt;
    return children.front();
}

std::optional<std::string> NextSiblingOfNode(DEVINST node) {
    std::optional<std::string> id = ExistingDevice(node);
    if (!id) return std::nullopt;
    std::optional<std::string> parent = devices::ParentOf(*id);
    if (!parent) return std::nullopt;
    std::vector<std::string> siblings = devices::ChildrenOf(*parent);
    for (size_t index = 0; index + 1 < siblings.size(); ++index) {
        if (platform::EqualsNoCase(siblings[index], *id)) return siblings[index + 1];
    }
    return std::nullopt;
}

}  // namespace

extern "C" CONFIGRET WINAPI CM_Locate_DevNodeA(PDEVINST pdnDevInst, DEVINSTID_A pDeviceID, ULONG ulFlags) {
    if (!pdnDevInst) return CR_INVALID_POINTER;
    *pdnDevInst = 0;
    if (ulFlags & ~static_cast<ULONG>(CM_LOCATE_DEVNODE_BITS)) return CR_INVALID_FLAG;
    // No id names the root of the tree.
    std::string_view wanted = pDeviceID && *pDeviceID ? std::string_view(pDeviceID) : devices::kRootDevice;
    if (platform::SplitKeyPath(wanted).size() != 3) return CR_INVALID_DEVICE_ID;
    std::optional<std::string> id = devices::FindDevice(wanted);
    if (!id) return CR_NO_SUCH_DEVNODE;
    // A device that is not present has a node only for a caller that asks for phantoms.
    if (!(ulFlags & CM_LOCATE_DEVNODE_PHANTOM) && !devices::IsPresent(*id)) return CR_NO_SUCH_DEVNODE;
    *pdnDevInst = devices::NodeOf(*id);
    return CR_SUCCESS;
}

extern "C" CONFIGRET WINAPI CM_Get_Parent(PDEVINST pdnDevInst, DEVINST dnDevInst, ULONG ulFlags) {
    return Related(pdnDevInst, dnDevInst, ulFlags, ParentOfNode);
}

extern "C" CONFIGRET WINAPI CM_Get_Child(PDEVINST pdnDevInst, DEVINST dnDevInst, ULONG ulFlags) {
    return Related(pdnDevInst, dnDevInst, ulFlags, FirstChildOfNode);
}

extern "C" CONFIGRET WINAPI CM_Get_Sibling(PDEVINST pdnDevInst, DEVINST dnDevInst, ULONG ulFlags) {
    return Related(pdnDevInst, dnDevInst, ulFlags, NextSiblingOfNode);
}

// Copies the id without a terminator when it fills the buffer exactly, as Windows does: the size call
// gives the length without it.
extern "C" CONFIGRET WINAPI CM_Get_Device_IDA(DEVINST dnDevInst, PCHAR Buffer, ULONG BufferLen, ULONG ulFlags) {
    if (!Buffer) return CR_INVALID_POINTER;
    if (ulFlags != 0) return CR_INVALID_FLAG;
    if (!devices::IdOfNode(dnDevInst)) return CR_INVALID_DEVNODE;
    std::optional<std::string> id = ExistingDevice(dnDevInst);
    if (!id) return CR_NO_SUCH_DEVNODE;
    size_t copied = std::min<size_t>(id->size(), BufferLen);
    std::memcpy(Buffer, id->data(), copied);
    if (copied < BufferLen) Buffer[copied] = '\0';
    return id->size() > BufferLen ? CR_BUFFER_SMALL : CR_SUCCESS;
}

extern "C" CONFIGRET WINAPI CM_Get_Device_ID_Size(PULONG pulLen, DEVINST dnDevInst, ULONG ulFlags) {
    if (!pulLen) return CR_INVALID_POINTER;
    *pulLen = 0;
    if (ulFlags != 0) return CR_INVALID_FLAG;
    if (!devices::IdOfNode(dnDevInst)) return CR_INVALID_DEVNODE;
    std::optional<std::string> id = ExistingDevice(dnDevInst);
    if (!id) return CR_NO_SUCH_DEVNODE;
    *pulLen = static_cast<ULONG>(id->size());
    return CR_SUCCESS;
}

// A present device is started with its driver loaded; the machine records no problems.
extern "C" CONFIGRET WINAPI CM_Get_DevNode_Status(PULONG pulStatus, PULONG pulProblemNumber, DEVINST dnDevInst,
                                                  ULONG ulFlags) {
    if (!pulStatus || !pulProblemNumber) return CR_INVALID_POINTER;
    *pulStatus = 0;
    *pulProblemNumber = 0;
    if (ulFlags != 0) return CR_INVALID_FLAG;
    if (!devices::IdOfNode(dnDevInst)) return CR_INVALID_DEVNODE;
    std::optional<std::string> id = ExistingDevice(dnDevInst);
    if (!id || !devices::IsPresent(*id)) return CR_NO_SUCH_DEVNODE;
    *pulStatus = DN_DRIVER_LOADED | DN_STARTED;
    if (platform::EqualsNoCase(id->substr(0, 5), "ROOT\\")) *pulStatus |= DN_ROOT_ENUMERATED;
    return CR_SUCCESS;
}

// Nothing installs devices in the background of a machine: an installation is pending only when a test
// says so, and then the wait ends as timed out.
extern "C" DWORD WINAPI CMP_WaitNoPendingInstallEvents(DWORD) {
    if (platform::InjectedFault(platform::fault_target::kDevice, "pending installation", "wait")) return WAIT_TIMEOUT;
    return WAIT_OBJECT_0;
}
