// Removes the printer queues of the maker's supported models, cancelling their jobs first, or hands a
// model to the maker's removal program. Its data-file section is [Scrubber.PrinterUninstaller].
#pragma once

#include "CUninstaller.h"
#include "windows.h"

class CPrinter;

class CPrinterUninstaller : public CUninstaller {
  public:
    explicit CPrinterUninstaller(CUninstallerProgress* pProgress);
    unsigned int IsEnabled() override;
    unsigned int Delete() override;

  private:
    // One supported printer: its jobs, then the removal program or the deletion of its queue.
    void HandlePrinter(CPrinter& printer, unsigned int number, unsigned int count);
    // Cancels the printer's queued jobs when it has any, asking first unless silent or unattended: 1 to
    // go on with the printer, 0 to leave it.
    unsigned int CancelJobs(CPrinter& printer);
    // Runs the removal program for the printer's model: 1 when it ran, 0 when it could not be started.
    unsigned int RunRemovalProgram(const char* pDriverName);
    void DeleteQueue(CPrinter& printer);
    // Looks for the removal program and its companion once per run; 1 when both were found.
    unsigned int FindRemovalPrograms(const char* pDriverName);
    unsigned int FindRemovalProgram(const char* pDriverName);
    unsigned int FindCompanionProgram(const char* pDriverName);
    // Appends every entry named `pName` in the folder and below it, depth first.
    void SearchTree(const char* pName, const char* pFolder, CaseInsensitiveStringList& found);

    // Both in short form; empty until found.
    char m_removalProgram[MAX_PATH];
    char m_companionProgram[MAX_PATH];
    bool m_programsSearched;
};
