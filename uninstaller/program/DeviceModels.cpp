// The one model database of devpurge, built before start-up and destroyed at exit; the device library
// finds it through SetDeviceFactory.
#include "CFactory.h"
#include "CPrinter.h"
#include "DeviceModels.h"

namespace {

// Hands the factory to the library once it is built, and takes it back before it is destroyed.
class CFactoryRegistration {
  public:
    explicit CFactoryRegistration(const CFactory* factory) { SetDeviceFactory(factory); }
    ~CFactoryRegistration() { SetDeviceFactory(NULL); }
    CFactoryRegistration(const CFactoryRegistration&) = delete;
    CFactoryRegistration& operator=(const CFactoryRegistration&) = delete;
};

}  // namespace

CFactory gFactory(INSTALLER_DATA_FILE);

namespace {
CFactoryRegistration registration(&gFactory);
}  // namespace
