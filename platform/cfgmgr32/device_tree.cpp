// The machine's devices, read from and removed in its registry (device_tree.h says where each thing is).
#include "platform/cfgmgr32/device_tree.h"

#include <cstdio>
#include <mutex>
#include <unordered_map>

#include "devguid.h"
#include "setupapi.h"
#include "platform/machine/machine.h"
#include "platform/machine/state.h"
#include "platform/machine/text.h"

namespace platform::devices {

namespace {

RegistryStore& Store() { return RegistryStore::For(Machine::Current()); }

bool IsNT() { return Machine::Current().IsNT(); }

std::optional<std::int64_t> Key(std::string_view path) { return Store().FindKey(path); }

std::string Join(std::string_view left, std::string_view right) {
    std::string path(left);
    path += '\\';
    path += right;
    return path;
}

bool IsRoot(std::string_view instanceId) { return EqualsNoCase(instanceId, kRootDevice); }

// The text of string data, without its terminator.
std::string TextOf(std::string_view data) { return std::string(data.substr(0, data.find('\0'))); }

std::string TextOf(const RegistryValue& value) { return TextOf(value.data); }

std::optional<std::int64_t> InstanceKey(std::string_view instanceId) {
    if (SplitKeyPath(instanceId).size() != 3) return std::nullopt;
    return Key(Join(EnumPath(), instanceId));
}

// Windows 9x: the configuration manager's devnodes, by the device instance id each names.
std::vector<std::pair<std::int64_t, std::string>> ConfigManagerNodes() {
    std::vector<std::pair<std::int64_t, std::string>> nodes;
    std::optional<std::int64_t> enumKey = Key("HKEY_DYN_DATA\\Config Manager\\Enum");
    if (!enumKey) return nodes;
    for (const RegistryKeyBelow& node : Store().KeysBelow(*enumKey, 1, {"HardWareKey"}, {}, RegistryKeyNames::Skip)) {
        if (node.values[0]) nodes.emplace_back(node.id, TextOf(*node.values[0]));
    }
    return nodes;
}

struct StandardClass {
    const char* name;
    const GUID* guid;
};

constexpr StandardClass kStandardClasses[] = {
    {"CDROM", &GUID_DEVCLASS_CDROM},       {"Computer", &GUID_DEVCLASS_COMPUTER},
    {"DiskDrive", &GUID_DEVCLASS_DISKDRIVE}, {"Display", &GUID_DEVCLASS_DISPLAY},
    {"fdc", &GUID_DEVCLASS_FDC},           {"hdc", &GUID_DEVCLASS_HDC},
    {"Keyboard", &GUID_DEVCLASS_KEYBOARD}, {"MEDIA", &GUID_DEVCLASS_MEDIA},
    {"Modem", &GUID_DEVCLASS_MODEM},       {"Monitor", &GUID_DEVCLASS_MONITOR},
    {"Mouse", &GUID_DEVCLASS_MOUSE},       {"MultiFunction", &GUID_DEVCLASS_MULTIFUNCTION},
    {"Net", &GUID_DEVCLASS_NET},           {"PCMCIA", &GUID_DEVCLASS_PCMCIA},
    {"Ports", &GUID_DEVCLASS_PORTS},       {"Printer", &GUID_DEVCLASS_PRINTER},
    {"SCSIAdapter", &GUID_DEVCLASS_SCSIADAPTER}, {"System", &GUID_DEVCLASS_SYSTEM},
    {"Unknown", &GUID_DEVCLASS_UNKNOWN},   {"FloppyDisk", &GUID_DEVCLASS_FLOPPYDISK},
    {"USB", &GUID_DEVCLASS_USB},           {"Volume", &GUID_DEVCLASS_VOLUME},
    {"Image", &GUID_DEVCLASS_IMAGE},       {"HIDClass", &GUID_DEVCLASS_HIDCLASS},
    {"Dot4", &GUID_DEVCLASS_DOT4},         {"Dot4Print", &GUID_DEVCLASS_DOT4PRINT},
};

const char* StandardClassName(const GUID& guid) {
    for (const StandardClass& standard : kStandardClasses) {
        if (*standard.guid == guid) return standard.name;
    }
    return nullptr;
}

// The device path of an interface from its link key's name: "##?#USB#...#{guid}" is "\\?\USB#...#{guid}",
// followed by "\<reference string>" when the interface has one.
std::string DevicePathOf(std::string_view linkName, std::string_view referenceName) {
    std::string path = "\\\\?\\";
    path += linkName.size() > 4 ? linkName.substr(4) : std::string_view();
    if (referenceName.size() > 1) {
        path += '\\';
        path += referenceName.substr(1);
    }
    return path;
}

}  // namespace

std::string EnumPath() {
    return IsNT() ? "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum" : "HKEY_LOCAL_MACHINE\\Enum";
}

std::string ClassRootPath() {
    return IsNT() ? "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class"
                  : "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class";
}

std::string InterfaceClassesPath() { return "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\DeviceClasses"; }

namespace {

// "PCI\VEN_1\3&0" from the names of an instance key and the two keys above it.
std::string InstanceIdOf(const std::vector<std::string>& names) { return names[0] + "\\" + names[1] + "\\" + names[2]; }

// The key of every device instance (three levels below Enum, the root among them) in the registry's
// order, with the values named: the instance key's, else its Control key's (as InstanceValue reads them).
std::vector<RegistryKeyBelow> InstanceKeys(const std::vector<std::string_view>& valueNames, RegistryKeyNames names) {
    std::optional<std::int64_t> enumKey = Key(EnumPath());
    if (!enumKey) return {};
    return Store().KeysBelow(*enumKey, 3, valueNames, valueNames.empty() ? std::string_view() : "Control", names);
}

// A value of the device's instance key, else of its Control key.
std::optional<RegistryValue> InstanceValue(std::int64_t instance, std::string_view valueName) {
    RegistryStore& store = Store();
    if (std::optional<RegistryValue> value = store.Value(instance, valueName)) return value;
    std::optional<std::int64_t> control = store.FindSubkey(instance, "Control");
    if (!control) return std::nullopt;
    return store.Value(*control, valueName);
}

// The class of a device from the data of its ClassGUID value when that reads as a GUID, else from the
// standard class its Class value names (asked for only then).
template <typename ClassName>
std::optional<GUID> ClassGuidFrom(const std::optional<std::string>& classGuid, ClassName&& className) {
    if (classGuid) {
        if (std::optional<GUID> guid = ParseGuid(TextOf(*classGuid))) return guid;
    }
    const std::optional<std::string>& name = className();
    if (name) return StandardClassGuid(TextOf(*name));
    return std::nullopt;
}

std::optional<std::string> InstanceData(std::int64_t instance, std::string_view valueName) {
    std::optional<RegistryValue> value = InstanceValue(instance, valueName);
    if (!value) return std::nullopt;
    return std::move(value->data);
}

std::optional<GUID> InstanceClassGuid(std::int64_t instance) {
    return ClassGuidFrom(InstanceData(instance, "ClassGUID"), [&] { return InstanceData(instance, "Class"); });
}

}  // namespace

std::vector<std::string> ListDevices() {
    std::vector<std::string> devices;
    for (const RegistryKeyBelow& instance : InstanceKeys({}, RegistryKeyNames::Read)) {
        std::string id = InstanceIdOf(instance.names);
        if (!IsRoot(id)) devices.push_back(std::move(id));
    }
    return devices;
}

std::vector<std::string> ListDevicesOfClass(const GUID& classGuid) {
    std::vector<std::string> devices;
    // Each instance's ClassGUID comes with the listing; its Class is read only where that is no GUID, and
    // the names only of the devices of the class.
    for (const RegistryKeyBelow& instance : InstanceKeys({"ClassGUID"}, RegistryKeyNames::Skip)) {
        std::optional<GUID> guid = ClassGuidFrom(instance.values[0], [&] { return InstanceData(instance.id, "Class"); });
        if (!guid || *guid != classGuid) continue;
        std::optional<std::vector<std::string>> names = Store().KeyNames(instance.id, 3);
        if (!names) continue;
        std::string id = InstanceIdOf(*names);
        if (!IsRoot(id)) devices.push_back(std::move(id));
    }
    return devices;
}

std::optional<std::string> FindDevice(std::string_view instanceId) {
    if (IsRoot(instanceId)) return std::string(kRootDevice);
    if (SplitKeyPath(instanceId).size() != 3) return std::nullopt;
    std::vector<std::string> spelling;
    if (!Store().FindKey(Join(EnumPath(), instanceId), &spelling) || spelling.size() < 3) return std::nullopt;
    size_t count = spelling.size();
    return spelling[count - 3] + "\\" + spelling[count - 2] + "\\" + spelling[count - 1];
}

bool IsPresent(std::string_view instanceId) {
    if (IsRoot(instanceId)) return true;
    if (IsNT()) return Key(Join(Join(EnumPath(), instanceId), "Control")).has_value() && InstanceKey(instanceId);
    if (!InstanceKey(instanceId)) return false;
    for (const auto& node : ConfigManagerNodes()) {
        if (EqualsNoCase(node.second, instanceId)) return true;
    }
    return false;
}

std::optional<RegistryValue> DeviceValue(std::string_view instanceId, std::string_view valueName) {
    std::optional<std::int64_t> instance = InstanceKey(instanceId);
    if (!instance) return std::nullopt;
    return InstanceValue(*instance, valueName);
}

std::optional<GUID> ClassGuidOf(std::string_view instanceId) {
    std::optional<std::int64_t> instance = InstanceKey(instanceId);
    if (!instance) return std::nullopt;
    return InstanceClassGuid(*instance);
}

std::optional<std::string> ParentOf(std::string_view instanceId) {
    if (IsRoot(instanceId) || !IsPresent(instanceId)) return std::nullopt;
    std::optional<RegistryValue> parent = DeviceValue(instanceId, "Parent");
    if (!parent || TextOf(*parent).empty()) return std::string(kRootDevice);
    return FindDevice(TextOf(*parent));
}

std::vector<std::string> ChildrenOf(std::string_view instanceId) {
    std::vector<std::string> children;
    for (const std::string& device : ListDevices()) {
        std::optional<std::string> parent = ParentOf(device);
        if (parent && EqualsNoCase(*parent, instanceId)) children.push_back(device);
    }
    return children;
}

DWORD RemoveDevice(std::string_view instanceId) {
    if (DWORD fault = InjectedFault(fault_target::kDevice, instanceId, "remove")) return fault;
    Machine& machine = Machine::Current();
    if (machine.IsNT() && !machine.settings().administrator) return ERROR_ACCESS_DENIED;
    std::optional<std::int64_t> instance = InstanceKey(instanceId);
    if (!instance) return ERROR_NO_SUCH_DEVINST;
    RegistryStore& store = Store();
    RegistryStore::Batch batch(store);
    if (std::optional<RegistryValue> driver = store.Value(*instance, "Driver"); driver && !TextOf(*driver).empty()) {
        if (std::optional<std::int64_t> driverKey = Key(Join(ClassRootPath(), TextOf(*driver)))) {
            store.DeleteKeyTree(*driverKey);
        }
    }
    if (std::optional<std::int64_t> classes = Key(InterfaceClassesPath())) {
        // Every interface link of every class, each with the device it belongs to.
        for (const RegistryKeyBelow& link : store.KeysBelow(*classes, 2, {"DeviceInstance"}, {}, RegistryKeyNames::Skip)) {
            const std::optional<std::string>& owner = link.values[0];
            if (owner && EqualsNoCase(TextOf(*owner), instanceId)) store.DeleteKeyTree(link.id);
        }
    }
    if (!machine.IsNT()) {
        for (const auto& node : ConfigManagerNodes()) {
            if (EqualsNoCase(node.second, instanceId)) store.DeleteKeyTree(node.first);
        }
    }
    store.DeleteKeyTree(*instance);
    // The device's key goes too when this was its last instance.
    std::vector<std::string_view> parts = SplitKeyPath(instanceId);
    std::string deviceKeyPath = Join(Join(EnumPath(), parts[0]), parts[1]);
    if (std::optional<std::int64_t> deviceKey = Key(deviceKeyPath); deviceKey && !store.HasSubkeys(*deviceKey)) {
        store.DeleteKeyTree(*deviceKey);
    }
    batch.Commit();
    return ERROR_SUCCESS;
}

std::optional<std::string> ClassKeyPath(const GUID& classGuid) {
    std::string path;
    if (IsNT()) {
        path = Join(ClassRootPath(), GuidText(classGuid));
    } else {
        const char* name = StandardClassName(classGuid);
        if (!name) return std::nullopt;
        path = Join(ClassRootPath(), name);
    }
    if (!Key(path)) return std::nullopt;
    return path;
}

std::optional<std::string> ClassName(const GUID& classGuid) {
    if (!IsNT()) {
        const char* name = StandardClassName(classGuid);
        if (!name) return std::nullopt;
        // The class key's own spelling when the machine has it.
        std::optional<std::int64_t> root = Key(ClassRootPath());
        if (root) {
            for (const RegistrySubkey& classKey : Store().Subkeys(*root)) {
                if (EqualsNoCase(classKey.name, name)) return classKey.name;
            }
        }
        return std::string(name);
    }
    std::optional<std::int64_t> classKey = Key(Join(ClassRootPath(), GuidText(classGuid)));
    if (!classKey) return std::nullopt;
    std::optional<RegistryValue> name = Store().Value(*classKey, "Class");
    if (!name) return std::nullopt;
    return TextOf(*name);
}

std::vector<GUID> ListClasses() {
    std::vector<GUID> classes;
    std::optional<std::int64_t> root = Key(ClassRootPath());
    if (!root) return classes;
    for (const RegistrySubkey& classKey : Store().Subkeys(*root)) {
        std::optional<GUID> guid = IsNT() ? ParseGuid(classKey.name) : StandardClassGuid(classKey.name);
        if (guid) classes.push_back(*guid);
    }
    return classes;
}

std::optional<GUID> StandardClassGuid(std::string_view className) {
    for (const StandardClass& standard : kStandardClasses) {
        if (EqualsNoCase(standard.name, className)) return *standard.guid;
    }
    return std::nullopt;
}

std::vector<DeviceInterface> ListInterfaces(const GUID& interfaceClass) {
    std::vector<DeviceInterface> interfaces;
    std::string classPath = Join(InterfaceClassesPath(), GuidText(interfaceClass));
    std::optional<std::int64_t> classKey = Key(classPath);
    if (!classKey) return interfaces;
    RegistryStore& store = Store();
    for (const RegistryKeyBelow& link : store.KeysBelow(*classKey, 1, {"DeviceInstance"})) {
        const std::optional<std::string>& owner = link.values[0];
        if (!owner) continue;
        std::optional<std::string> device = FindDevice(TextOf(*owner));
        if (!device) continue;
        const std::string& linkName = link.names[0];
        for (const RegistrySubkey& reference : store.Subkeys(link.id)) {
            if (reference.name.empty() || reference.name[0] != '#') continue;
            DeviceInterface deviceInterface;
            deviceInterface.classGuid = interfaceClass;
            deviceInterface.linkKey = Join(classPath, linkName);
            deviceInterface.referenceKey = Join(deviceInterface.linkKey, reference.name);
            deviceInterface.devicePath = DevicePathOf(linkName, reference.name);
            deviceInterface.instanceId = *device;
            interfaces.push_back(std::move(deviceInterface));
        }
    }
    return interfaces;
}

namespace {

struct NodeTable {
    std::mutex mutex;
    std::unordered_map<std::string, DEVINST> byId;
    std::vector<std::string> ids;
};

NodeTable& Nodes() {
    static NodeTable* table = new NodeTable;
    return *table;
}

}  // namespace

DEVINST NodeOf(std::string_view instanceId) {
    NodeTable& table = Nodes();
    std::lock_guard<std::mutex> lock(table.mutex);
    std::string key = UpperCopy(instanceId);
    auto found = table.byId.find(key);
    if (found != table.byId.end()) return found->second;
    table.ids.emplace_back(instanceId);
    DEVINST node = static_cast<DEVINST>(table.ids.size());
    table.byId.emplace(std::move(key), node);
    return node;
}

std::optional<std::string> IdOfNode(DEVINST node) {
    NodeTable& table = Nodes();
    std::lock_guard<std::mutex> lock(table.mutex);
    if (node == 0 || node > table.ids.size()) return std::nullopt;
    return table.ids[node - 1];
}

}  // namespace platform::devices
