#include "QNAiOKenro.h"

#include <memory>
#include <string>

#include "AnsiText.h"
#include "AnsiToBstr.h"
#include "ComStubs.h"
#include "HeaderConstants.h"
#include "KenroChildren.h"
#include "KenroDatabase.h"

namespace diagnostics {

namespace {

// The root object's settings in the database file.
constexpr const char* kKenroSection = "Kenro";
constexpr const char* kHelpDirectoryKey = "HelpDirectory";
constexpr const char* kDeviceIdKey = "DeviceId";
constexpr const char* kPathKey = "Path";
constexpr const char* kWasInstalledKey = "WasInstalled";

// The help folder of a database folder that names none: the folder lower-cased, with every "bin"
// replaced by "help" (a product's bin folder sits beside its help folder).
std::string DefaultHelpDirectory(std::string folder) {
    if (!folder.empty()) CharLowerA(folder.data());
    const std::string bin = "bin", help = "help";
    for (size_t position = folder.find(bin); position != std::string::npos;
         position = folder.find(bin, position + help.size()))
        folder.replace(position, bin.size(), help);
    return folder;
}

std::string Ansi(BSTR text) {
    return framework::AnsiFromWide(text);
}

}  // namespace

HRESULT QNAiOKenro::FinalConstruct() {
    char folder[MAX_PATH] = "";
    DWORD length = GetCurrentDirectoryA(MAX_PATH, folder);
    if (length >= MAX_PATH) length = 0;
    m_path.Attach(AnsiToBstr(folder, static_cast<int>(length)));
    LoadSettings();
    CreateChildren();
    return S_OK;
}

void QNAiOKenro::FinalRelease() {
    ReleaseChildren();
}

void QNAiOKenro::LoadSettings() {
    KenroDatabase database(Owner());
    std::optional<std::string> helpDirectory = database.ReadString(kKenroSection, kHelpDirectoryKey);
    std::string help = helpDirectory ? *helpDirectory : DefaultHelpDirectory(Ansi(m_path));
    m_helpDirectory.Attach(AnsiToBstr(help.c_str()));
    if (std::optional<std::string> deviceId = database.ReadString(kKenroSection, kDeviceIdKey))
        m_deviceId.Attach(AnsiToBstr(deviceId->c_str()));
    // Read after the others: the file read so far is the one named from the current directory.
    if (std::optional<std::string> path = database.ReadString(kKenroSection, kPathKey))
        m_path.Attach(AnsiToBstr(path->c_str()));
    m_wasInstalled = database.ReadInteger(kKenroSection, kWasInstalledKey, 0) == 1 ? 1 : 0;
}

HRESULT QNAiOKenro::CreateChildren() {
    using Maker = HRESULT (*)(DIQNAiOKenro*, IDispatch**);
    const struct {
        CComPtr<IDispatch>* field;
        Maker create;
    } children[] = {
        {std::addressof(m_conflicts), CreateConflicts},
        {std::addressof(m_units), CreateUnits},
        {std::addressof(m_reports), CreateKenroReports},
        {std::addressof(m_troubleShootRtns), CreateKenroTroubleShootRtns},
        {std::addressof(m_tests), CreateKenroTests},
    };
    HRESULT hr = S_OK;
    for (const auto& child : children) {
        child.field->Release();
        hr = child.create(Owner(), &child.field->p);
    }
    return hr;
}

void QNAiOKenro::ReleaseChildren() {
    m_conflicts.Release();
    m_units.Release();
    m_reports.Release();
    m_troubleShootRtns.Release();
    m_tests.Release();
}

HRESULT QNAiOKenro::GetChild(IDispatch* child, IDispatch** pVal) {
    *pVal = nullptr;
    if (!child) return E_FAIL;
    child->AddRef();
    *pVal = child;
    return S_OK;
}

STDMETHODIMP QNAiOKenro::get_Reports(IDispatch** pVal) {
    KENRO_REQUIRE_POINTER(pVal);
    return GetChild(m_reports, pVal);
}

STDMETHODIMP QNAiOKenro::get_TroubleShootRtns(IDispatch**) {
    return NotImplementedStub();
}

STDMETHODIMP QNAiOKenro::get_System(IDispatch** pVal) {
    KENRO_REQUIRE_POINTER(pVal);
    return CreateSystem(Owner(), pVal);
}

STDMETHODIMP QNAiOKenro::get_Registry(IDispatch** pVal) {
    KENRO_REQUIRE_POINTER(pVal);
    return CreateRegistry(Owner(), pVal);
}

STDMETHODIMP QNAiOKenro::get_DirectoryFile(BSTR DirectoryFileName, IDispatch** pVal) {
    KENRO_REQUIRE_POINTER(pVal);
    return CreateDirectoryFile(DirectoryFileName, Owner(), pVal);
}

// *pVal is read as well: a results collection passed in is confirmed and kept, a null one is created.
STDMETHODIMP QNAiOKenro::get_Results(QNAiO_ResultsEnum ResultsType, IDispatch** pVal) {
    KENRO_REQUIRE_POINTER(pVal);
    if (*pVal) {
        CComPtr<DIQNAiOResults> results;
        HRESULT hr = (*pVal)->QueryInterface(IID_DIQNAiOResults, reinterpret_cast<void**>(&results));
        return SUCCEEDED(hr) && results ? S_OK : E_FAIL;
    }
    return CreateResults(ResultsType, pVal);
}

// Path, one backslash whatever Path ends with, and kenrdb07.sdb.
STDMETHODIMP QNAiOKenro::get_DatabaseName(BSTR* pVal) {
    KENRO_REQUIRE_POINTER(pVal);
    std::string name = Ansi(m_path) + "\\" + kDatabaseName + kDatabaseVersion + kDatabaseExtension;
    *pVal = AnsiToBstr(name.c_str());
    return *pVal ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP QNAiOKenro::get_Units(IDispatch** pVal) {
    KENRO_REQUIRE_POINTER(pVal);
    return GetChild(m_units, pVal);
}

STDMETHODIMP QNAiOKenro::get_Test(LONG TestId, IDispatch** pVal) {
    KENRO_REQUIRE_POINTER(pVal);
    if (!m_tests) return E_FAIL;
    CComPtr<DIQNAiOKenroTests> tests;
    HRESULT hr = m_tests->QueryInterface(IID_DIQNAiOKenroTests, reinterpret_cast<void**>(&tests));
    if (FAILED(hr)) return hr;
    return tests->get_Test(TestId, pVal);
}

STDMETHODIMP QNAiOKenro::get_TroubleShootingRoutine(LONG RoutineId, IDispatch** pVal) {
    KENRO_REQUIRE_POINTER(pVal);
    RoutineLookup* routines =
        m_troubleShootRtns ? dynamic_cast<RoutineLookup*>(m_troubleShootRtns.p) : nullptr;
    if (!routines) return E_FAIL;
    return routines->FindRoutine(RoutineId, pVal);
}

STDMETHODIMP QNAiOKenro::get_Tests(IDispatch** pVal) {
    KENRO_REQUIRE_POINTER(pVal);
    return GetChild(m_tests, pVal);
}

STDMETHODIMP QNAiOKenro::get_Conflicts(IDispatch** pVal) {
    KENRO_REQUIRE_POINTER(pVal);
    return GetChild(m_conflicts, pVal);
}

STDMETHODIMP QNAiOKenro::get_Report(QNAiO_ServiceReportEnum ReportID, IDispatch** pVal) {
    KENRO_REQUIRE_POINTER(pVal);
    ReportLookup* reports = m_reports ? dynamic_cast<ReportLookup*>(m_reports.p) : nullptr;
    if (!reports) return E_FAIL;
    return reports->FindReport(ReportID, pVal);
}

STDMETHODIMP QNAiOKenro::get_AddRemovePrograms(IDispatch** pVal) {
    KENRO_REQUIRE_POINTER(pVal);
    return CreateAddRemovePrograms(Owner(), pVal);
}

STDMETHODIMP QNAiOKenro::get_NTServices(IDispatch** pVal) {
    KENRO_REQUIRE_POINTER(pVal);
    return CreateNTServices(Owner(), pVal);
}

STDMETHODIMP QNAiOKenro::get_UnitName(BSTR* pVal) {
    KENRO_REQUIRE_POINTER(pVal);
    return m_unitName.CopyTo(pVal);
}

STDMETHODIMP QNAiOKenro::put_UnitName(BSTR newVal) {
    m_unitName = newVal;
    return S_OK;
}

STDMETHODIMP QNAiOKenro::get_Help(IDispatch** pVal) {
    KENRO_REQUIRE_POINTER(pVal);
    return CreateHelpFiles(Owner(), pVal);
}

STDMETHODIMP QNAiOKenro::get_DisplayMessages(IDispatch** pVal) {
    KENRO_REQUIRE_POINTER(pVal);
    return CreateDisplayMessages(pVal);
}

STDMETHODIMP QNAiOKenro::get_ProgressBarDlg(IDispatch** pVal) {
    KENRO_REQUIRE_POINTER(pVal);
    return CreateProgressBarDlg(pVal);
}

STDMETHODIMP QNAiOKenro::get_Path(BSTR* pVal) {
    KENRO_REQUIRE_POINTER(pVal);
    return m_path.CopyTo(pVal);
}

// The new Path names the file the value is written to and the children load from; the other settings
// stay as they were.
STDMETHODIMP QNAiOKenro::put_Path(BSTR newVal) {
    m_path = newVal;
    KenroDatabase(Owner()).WriteString(kKenroSection, kPathKey, Ansi(m_path).c_str());
    return CreateChildren();
}

STDMETHODIMP QNAiOKenro::get_DeviceId(BSTR* pVal) {
    KENRO_REQUIRE_POINTER(pVal);
    return m_deviceId.CopyTo(pVal);
}

// Any device id, even an empty one, marks the product installed.
STDMETHODIMP QNAiOKenro::put_DeviceId(BSTR newVal) {
    m_deviceId = newVal;
    KenroDatabase database(Owner());
    database.WriteString(kKenroSection, kDeviceIdKey, Ansi(m_deviceId).c_str());
    m_wasInstalled = 1;
    database.WriteInteger(kKenroSection, kWasInstalledKey, 1);
    return S_OK;
}

STDMETHODIMP QNAiOKenro::get_HelpDirectory(BSTR* pVal) {
    KENRO_REQUIRE_POINTER(pVal);
    return m_helpDirectory.CopyTo(pVal);
}

STDMETHODIMP QNAiOKenro::put_HelpDirectory(BSTR newVal) {
    m_helpDirectory = newVal;
    KenroDatabase(Owner()).WriteString(kKenroSection, kHelpDirectoryKey, Ansi(m_helpDirectory).c_str());
    return S_OK;
}

STDMETHODIMP QNAiOKenro::get_WasInstalled(LONG* pVal) {
    KENRO_REQUIRE_POINTER(pVal);
    *pVal = m_wasInstalled;
    return S_OK;
}

}  // namespace diagnostics
