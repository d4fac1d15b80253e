// QNAiOKenro, the server's root object and its one creatable class: it keeps the settings of the
// database file in its Path, owns the five long-lived children (conflicts, units, reports, routines,
// tests) and hands out every other diagnostics object, new on each read, with itself as the owner. The
// children reach it only through DIQNAiOKenro.
#pragma once

#include "BstrHolder.h"
#include "CComCoClass.h"
#include "CComPtr.h"
#include "KenroObject.h"
#include "resource.h"

namespace diagnostics {

class QNAiOKenro : public KenroObject<QNAiOKenro, &CLSID_QNAiOKenro, DIQNAiOKenro, &IID_DIQNAiOKenro>,
                   public CComCoClass<QNAiOKenro, &CLSID_QNAiOKenro> {
  public:
    DECLARE_REGISTRY_RESOURCEID(IDR_QNAIOKENRO)
    // The children call back while FinalConstruct creates them; the reference held meanwhile keeps a
    // child's QueryInterface and Release from destroying the object under construction.
    DECLARE_PROTECT_FINAL_CONSTRUCT()

    BEGIN_COM_MAP(QNAiOKenro)
    KENRO_OBJECT_INTERFACES(DIQNAiOKenro)
    END_COM_MAP()

    HRESULT FinalConstruct();
    void FinalRelease();

    STDMETHOD(get_Reports)(IDispatch** pVal) override;
    STDMETHOD(get_TroubleShootRtns)(IDispatch** pVal) override;
    STDMETHOD(get_System)(IDispatch** pVal) override;
    STDMETHOD(get_Registry)(IDispatch** pVal) override;
    STDMETHOD(get_DirectoryFile)(BSTR DirectoryFileName, IDispatch** pVal) override;
    STDMETHOD(get_Results)(QNAiO_ResultsEnum ResultsType, IDispatch** pVal) override;
    STDMETHOD(get_DatabaseName)(BSTR* pVal) override;
    STDMETHOD(get_Units)(IDispatch** pVal) override;
    STDMETHOD(get_Test)(LONG TestId, IDispatch** pVal) override;
    STDMETHOD(get_TroubleShootingRoutine)(LONG RoutineId, IDispatch** pVal) override;
    STDMETHOD(get_Tests)(IDispatch** pVal) override;
    STDMETHOD(get_Conflicts)(IDispatch** pVal) override;
    STDMETHOD(get_Report)(QNAiO_ServiceReportEnum ReportID, IDispatch** pVal) override;
    STDMETHOD(get_AddRemovePrograms)(IDispatch** pVal) override;
    STDMETHOD(get_NTServices)(IDispatch** pVal) override;
    STDMETHOD(get_UnitName)(BSTR* pVal) override;
    STDMETHOD(put_UnitName)(BSTR newVal) override;
    STDMETHOD(get_Help)(IDispatch** pVal) override;
    STDMETHOD(get_DisplayMessages)(IDispatch** pVal) override;
    STDMETHOD(get_ProgressBarDlg)(IDispatch** pVal) override;
    STDMETHOD(get_Path)(BSTR* pVal) override;
    STDMETHOD(put_Path)(BSTR newVal) override;
    STDMETHOD(get_DeviceId)(BSTR* pVal) override;
    STDMETHOD(put_DeviceId)(BSTR newVal) override;
    STDMETHOD(get_HelpDirectory)(BSTR* pVal) override;
    STDMETHOD(put_HelpDirectory)(BSTR newVal) override;
    STDMETHOD(get_WasInstalled)(LONG* pVal) override;

  private:
    DIQNAiOKenro* Owner() { return this; }
    // [Kenro] HelpDirectory, DeviceId, Path and WasInstalled, in this order, from the file in Path.
    void LoadSettings();
    // Releases and creates again the five children, in field order; the result of the last creation.
    HRESULT CreateChildren();
    void ReleaseChildren();
    // A child's getter: the child with a reference, E_FAIL when it is missing.
    HRESULT GetChild(IDispatch* child, IDispatch** pVal);

    LONG m_wasInstalled = 0;
    BstrHolder m_deviceId;
    BstrHolder m_path;
    BstrHolder m_helpDirectory;
    BstrHolder m_unitName;
    CComPtr<IDispatch> m_conflicts;
    CComPtr<IDispatch> m_units;
    CComPtr<IDispatch> m_reports;
    CComPtr<IDispatch> m_troubleShootRtns;
    CComPtr<IDispatch> m_tests;
};

}  // namespace diagnostics
