#include "CDeviceModel.h"

#include <cctype>
#include <vector>

#include "Trace.h"

namespace {

// Each text value of a model section is read into a buffer of this size.
constexpr DWORD kValueSize = 1024;

CaseInsensitiveString ReadText(const char* section, const char* key, const char* file) {
    std::vector<char> value(kValueSize, '\0');
    GetPrivateProfileStringA(section, key, "", value.data(), kValueSize, file);
    return value.data();
}

DWORD ReadNumber(const char* section, const char* key, const char* file) {
    return GetPrivateProfileIntA(section, key, 0, file);
}

// Device ids are compared in upper case.
CaseInsensitiveString UpperCase(CaseInsensitiveString text) {
    for (char& character : text)
        character = static_cast<char>(std::toupper(static_cast<unsigned char>(character)));
    return text;
}

}  // namespace

CDeviceModel::CDeviceModel()
    : m_dot4Support(EDot4Support(0)),
      m_saveUtility(ESaveUtilityMethod(0)),
      m_usb(0),
      m_ir(0),
      m_1394(0),
      m_mscl(0),
      m_lpt(0),
      m_vip(0),
      m_card(0),
      m_pml(0),
      m_frontPort(0),
      m_supported(0) {}

CDeviceModel::CDeviceModel(const CDeviceModel& other) = default;
CDeviceModel& CDeviceModel::operator=(const CDeviceModel& other) = default;
CDeviceModel::~CDeviceModel() = default;

unsigned int CDeviceModel::Init(const char* pSectionName, const char* pDatFileName) {
    if (!pSectionName || !pDatFileName) {
        TraceFailed("pSectionName or pDatFileName is NULL");
        return 0;
    }
    m_sectionName = pSectionName;
    m_datFileName = pDatFileName;
    m_driverName = ReadText(pSectionName, "drivername", pDatFileName);
    m_usbId = UpperCase(ReadText(pSectionName, "usbid", pDatFileName));
    m_parallelId = UpperCase(ReadText(pSectionName, "parbid", pDatFileName));
    m_helpFileName = ReadText(pSectionName, "helpfile", pDatFileName);
    m_usb = ReadNumber(pSectionName, "usb", pDatFileName);
    m_ir = ReadNumber(pSectionName, "ir", pDatFileName);
    m_1394 = ReadNumber(pSectionName, "1394", pDatFileName);
    m_mscl = ReadNumber(pSectionName, "mscl", pDatFileName);
    m_lpt = ReadNumber(pSectionName, "lpt", pDatFileName);
    m_pml = ReadNumber(pSectionName, "pml", pDatFileName);
    m_vip = ReadNumber(pSectionName, "vip", pDatFileName);
    m_card = ReadNumber(pSectionName, "card", pDatFileName);
    m_frontPort = ReadNumber(pSectionName, "frontport", pDatFileName);
    m_dot4Support = EDot4Support(static_cast<INT>(ReadNumber(pSectionName, "dot4support", pDatFileName)));
    m_saveUtility =
        ESaveUtilityMethod(static_cast<INT>(ReadNumber(pSectionName, "saveutility", pDatFileName)));
    m_supported = 1;
    return 1;
}

void CDeviceModel::Dump() const {}
