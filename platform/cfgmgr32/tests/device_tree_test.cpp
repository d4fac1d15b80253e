// The configuration manager's tree: locating device nodes, parents, children and siblings, device ids by
// the buffer rule, and status.
#include <gtest/gtest.h>

#include <string>

#include "cfgmgr32.h"
#include "platform/testing/test_machine.h"

namespace {

using platform::TestMachine;

// A hub with two present functions and one that is gone.
constexpr const char* kDevices = R"(REGEDIT4
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\USB\ROOT_HUB\4&1]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\USB\ROOT_HUB\4&1\Control]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\USB\VID_1&PID_2\A]
"Parent"="USB\\ROOT_HUB\\4&1"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\USB\VID_1&PID_2\A\Control]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\USB\VID_1&PID_3\B]
"Parent"="USB\\ROOT_HUB\\4&1"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\USB\VID_1&PID_3\B\Control]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\USB\VID_1&PID_4\C]
"Parent"="USB\\ROOT_HUB\\4&1"
)";

std::string IdOf(DEVINST node) {
    char id[MAX_DEVICE_ID_LEN];
    if (CM_Get_Device_IDA(node, id, sizeof id, 0) != CR_SUCCESS) return "?";
    return id;
}

DEVINST Locate(const char* id, ULONG flags = CM_LOCATE_DEVNODE_NORMAL) {
    DEVINST node = 0;
    EXPECT_EQ(CM_Locate_DevNodeA(&node, const_cast<char*>(id), flags), static_cast<CONFIGRET>(CR_SUCCESS)) << id;
    return node;
}

TEST(DeviceTree, LocateWalksAndIds) {
    TestMachine machine;
    machine.Registry(kDevices);
    struct Row {
        const char* id;
        ULONG flags;
        CONFIGRET result;
    };
    const Row rows[] = {
        {"usb\\root_hub\\4&1", CM_LOCATE_DEVNODE_NORMAL, CR_SUCCESS},
        {"USB\\VID_1&PID_4\\C", CM_LOCATE_DEVNODE_NORMAL, CR_NO_SUCH_DEVNODE},
        {"USB\\VID_1&PID_4\\C", CM_LOCATE_DEVNODE_PHANTOM, CR_SUCCESS},
        {"USB\\NONE\\0", CM_LOCATE_DEVNODE_PHANTOM, CR_NO_SUCH_DEVNODE},
        {"USB\\NONE", CM_LOCATE_DEVNODE_NORMAL, CR_INVALID_DEVICE_ID},
        {"USB\\VID_1&PID_2\\A", 0x100, CR_INVALID_FLAG},
    };
    for (const Row& row : rows) {
        DEVINST node = 0;
        EXPECT_EQ(CM_Locate_DevNodeA(&node, const_cast<char*>(row.id), row.flags), row.result) << row.id;
    }
    DEVINST root = Locate(nullptr);
    EXPECT_EQ(IdOf(root), "HTREE\\ROOT\\0");
    DEVINST hub = Locate("USB\\ROOT_HUB\\4&1");
    DEVINST related = 0;
    ASSERT_EQ(CM_Get_Parent(&related, hub, 0), static_cast<CONFIGRET>(CR_SUCCESS));
    EXPECT_EQ(related, root);
    EXPECT_EQ(CM_Get_Parent(&related, root, 0), static_cast<CONFIGRET>(CR_NO_SUCH_DEVNODE));
    // Only present children are in the tree.
    ASSERT_EQ(CM_Get_Child(&related, hub, 0), static_cast<CONFIGRET>(CR_SUCCESS));
    EXPECT_EQ(IdOf(related), "USB\\VID_1&PID_2\\A");
    ASSERT_EQ(CM_Get_Sibling(&related, related, 0), static_cast<CONFIGRET>(CR_SUCCESS));
    EXPECT_EQ(IdOf(related), "USB\\VID_1&PID_3\\B");
    EXPECT_EQ(CM_Get_Sibling(&related, related, 0), static_cast<CONFIGRET>(CR_NO_SUCH_DEVNODE));
    EXPECT_EQ(CM_Get_Child(&related, Locate("USB\\VID_1&PID_3\\B"), 0), static_cast<CONFIGRET>(CR_NO_SUCH_DEVNODE));
    EXPECT_EQ(CM_Get_Parent(&related, Locate("USB\\VID_1&PID_4\\C", CM_LOCATE_DEVNODE_PHANTOM), 0),
              static_cast<CONFIGRET>(CR_NO_SUCH_DEVNODE));
    EXPECT_EQ(CM_Get_Parent(&related, 0xFFFFFF, 0), static_cast<CONFIGRET>(CR_INVALID_DEVNODE));

    // The size leaves out the terminator; a buffer of exactly that size takes the id without one.
    ULONG length = 0;
    ASSERT_EQ(CM_Get_Device_ID_Size(&length, hub, 0), static_cast<CONFIGRET>(CR_SUCCESS));
    EXPECT_EQ(length, std::string("USB\\ROOT_HUB\\4&1").size());
    char id[32];
    std::fill(std::begin(id), std::end(id), 'x');
    EXPECT_EQ(CM_Get_Device_IDA(hub, id, length, 0), static_cast<CONFIGRET>(CR_SUCCESS));
    EXPECT_EQ(id[length], 'x');
    EXPECT_EQ(CM_Get_Device_IDA(hub, id, length - 1, 0), static_cast<CONFIGRET>(CR_BUFFER_SMALL));

    ULONG status = 0, problem = 0;
    ASSERT_EQ(CM_Get_DevNode_Status(&status, &problem, hub, 0), static_cast<CONFIGRET>(CR_SUCCESS));
    EXPECT_EQ(status & DN_STARTED, static_cast<ULONG>(DN_STARTED));
    EXPECT_EQ(CM_Get_DevNode_Status(&status, &problem, Locate("USB\\VID_1&PID_4\\C", CM_LOCATE_DEVNODE_PHANTOM), 0),
              static_cast<CONFIGRET>(CR_NO_SUCH_DEVNODE));
}

}  // namespace
