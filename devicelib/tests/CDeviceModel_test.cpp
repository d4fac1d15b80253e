#include "CDeviceModel.h"

#include <gtest/gtest.h>

#include "platform/testing/test_machine.h"

namespace {

TEST(DeviceModelTest, InitNeedsBothNames) {
    platform::TestMachine test;
    test.File("C:\\WINDOWS\\m.dat", "[M]\r\ndrivername=Corvanta M\r\n");
    CDeviceModel model;
    platform::StdoutCapture output;
    EXPECT_EQ(model.Init(nullptr, "C:\\WINDOWS\\m.dat"), 0u);
    EXPECT_EQ(model.Init("M", nullptr), 0u);
    EXPECT_EQ(output.Take(),
              "pSectionName or pDatFileName is NULL failed\n"
              "pSectionName or pDatFileName is NULL failed\n");
    EXPECT_EQ(model.IsSupported(), 0u);
    EXPECT_STREQ(model.GetDriverName(), "");
    EXPECT_STREQ(model.GetSectionName(), "");

    // A missing section is no failure: the model is supported with its defaults.
    CDeviceModel empty;
    EXPECT_EQ(empty.Init("None", "C:\\WINDOWS\\m.dat"), 1u);
    EXPECT_EQ(empty.IsSupported(), 1u);
    EXPECT_STREQ(empty.GetDriverName(), "");

    EXPECT_EQ(model.Init("M", "C:\\WINDOWS\\m.dat"), 1u);
    CDeviceModel copy(model);
    CDeviceModel assigned;
    assigned = model;
    for (const CDeviceModel* each : {&model, &copy, &assigned}) {
        EXPECT_STREQ(each->GetModelName(), "Corvanta M");
        EXPECT_STREQ(each->GetDatFileName(), "C:\\WINDOWS\\m.dat");
        EXPECT_EQ(each->IsSupported(), 1u);
    }
}

}  // namespace
