// The dialogs: the progress dialog driving the engine on its worker in each mode, the warning and the
// restart dialog.
#include <string>
#include <vector>

#include "CRestartDialog.h"
#include "CUninstallerProgress.h"
#include "CWarningMessage.h"
#include "UninstallerTesting.h"
#include "platform/testing/test_machine.h"
#include "resource.h"

namespace {

using DialogsTest = UninstallerTest;
constexpr char kProgram[] = "C:\\Programmi\\Vecchio\\devpurge.exe";

// The uninstallers the test worker runs in place of the fourteen.
CUninstallerList gTestUninstallers;

DWORD WINAPI TestWorker(LPVOID pParameter) {
    RunUninstallerList(static_cast<CUninstallerProgress*>(pParameter), gTestUninstallers);
    return 42;
}

TEST_F(DialogsTest, ProgressDialogInEachMode) {
    platform::TestMachine machine;
    std::vector<std::string> calls;
    struct Row {
        unsigned int unattended, silent;
        std::string transcript;
    } rows[] = {
        {0, 0,
         "Dialog 102 \"Avanzamento rimozione\" shown\n"
         "  1002 static: \"\"\n"
         "  1001 progress: 0 (range 0..100)\n"
         "Dialog 102 \"Avanzamento rimozione\" changed\n"
         "  1002 static: \"C:\\Vecchio\\a.dll\"\n"
         "Dialog 102 \"Avanzamento rimozione\" changed\n"
         "  1002 static: \"C:\\Vecchio\\b.dll\"\n"
         "Dialog 102 \"Avanzamento rimozione\" closed\n"},
        {1, 0,
         "Dialog 102 \"Attendere...\" shown\n"
         "  1003 static: \"Ricerca dei precedenti driver di periferica. Questa operazione potrebbe "
         "richiedere "
         "alcuni minuti.\"\n"
         "Dialog 102 \"Attendere...\" closed\n"},
        // Silent: the dialog is never shown, and the worker's WM_DESTROY still ends the loop.
        {0, 1, ""},
        {1, 1, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.unattended * 10 + row.silent);
        gUnattended = row.unattended;
        gSilent = row.silent;
        gLogList.clear();
        machine.ClearTranscript();
        machine.File("C:\\Vecchio\\a.dll", "a").File("C:\\Vecchio\\b.dll", "b");
        CUninstallerProgress progress;
        TestUninstaller uninstaller("files", 1, {{"C:\\Vecchio\\a.dll", "C:\\Vecchio\\b.dll"}, {}, {}}, calls,
                                    &progress);
        gTestUninstallers = {&uninstaller};
        EXPECT_EQ(progress.Execute(TestWorker), 42u);
        EXPECT_FALSE(IsWindow(progress.GetDialogWindow()));
        EXPECT_EQ(Strings(gLogList), (std::vector<std::string>{"Deleted=C:\\Vecchio\\a.dll\r\n",
                                                               "Deleted=C:\\Vecchio\\b.dll\r\n"}));
        EXPECT_EQ(machine.Transcript(), row.transcript);
    }
}

// Run on the dialog's own thread, the engine leaves the bar at 100, the cursor as it was, and WM_DESTROY in
// the queue.
TEST_F(DialogsTest, EngineEndsTheProgressAndClosesTheDialog) {
    platform::TestMachine machine;
    gSilent = 1;
    CUninstallerProgress progress;
    ASSERT_TRUE(progress.Create(IDD_PROGRESS));
    HCURSOR arrow = LoadCursorA(NULL, IDC_ARROW);
    SetCursor(arrow);
    RunUninstallerList(&progress, {});
    EXPECT_EQ(GetCursor(), arrow);
    EXPECT_EQ(SendMessageA(GetDlgItem(progress.GetDialogWindow(), IDC_PROGRESS), PBM_GETPOS, 0, 0), 100);
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, progress.GetDialogWindow(), 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_DESTROY));
    progress.DestroyWindow();
}

// The user closes the dialog while the worker runs: the run goes on and Execute waits for it.
TEST_F(DialogsTest, ClosingTheProgressDialogEarly) {
    platform::TestMachine machine;
    machine.File("C:\\Vecchio\\a.dll", "a");
    std::vector<std::string> calls;
    CUninstallerProgress progress;
    TestUninstaller closer("closer", 1, {}, calls, &progress, [&] {
        // The click on the close box, as the main thread's queue receives it.
        PostMessageA(progress.GetDialogWindow(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        while (IsWindow(progress.GetDialogWindow())) Sleep(1);
        calls.push_back("closed");
    });
    TestUninstaller files("files", 1, {{"C:\\Vecchio\\a.dll"}, {}, {}}, calls, &progress);
    gTestUninstallers = {&closer, &files};
    EXPECT_EQ(progress.Execute(TestWorker), 42u);
    EXPECT_EQ(calls, (std::vector<std::string>{"closer.IsEnabled", "closer.Delete", "closed",
                                               "files.IsEnabled", "files.Delete"}));
    EXPECT_EQ(Strings(gLogList), (std::vector<std::string>{"Deleted=C:\\Vecchio\\a.dll\r\n"}));
    EXPECT_EQ(machine.Transcript(),
              "Dialog 102 \"Avanzamento rimozione\" shown\n"
              "  1002 static: \"\"\n"
              "  1001 progress: 0 (range 0..100)\n"
              "Dialog 102 \"Avanzamento rimozione\" closed\n");
}

// Without a worker the dialog closes itself at once and Execute reports the thread's error.
TEST_F(DialogsTest, ProgressDialogWhenTheWorkerCannotStart) {
    platform::TestMachine machine;
    machine.Module(kProgram).Fault("thread", kProgram, "create", ERROR_NOT_ENOUGH_MEMORY);
    std::vector<std::string> calls;
    TestUninstaller uninstaller("files", 1, {}, calls);
    gTestUninstallers = {&uninstaller};
    CUninstallerProgress progress;
    platform::StdoutCapture output;
    EXPECT_EQ(progress.Execute(TestWorker), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_EQ(output.Take(), "m_thread.Init failed with " + ErrorText(ERROR_NOT_ENOUGH_MEMORY) + "\n");
    EXPECT_TRUE(calls.empty());
    EXPECT_FALSE(IsWindow(progress.GetDialogWindow()));
    EXPECT_EQ(machine.Transcript(),
              "Dialog 102 \"Avanzamento rimozione\" shown\n"
              "  1002 static: \"\"\n"
              "  1001 progress: 0 (range 0..100)\n"
              "Dialog 102 \"Avanzamento rimozione\" closed\n");
}

// The real worker with no data file: the fourteen uninstallers stay disabled and the dialog closes.
TEST_F(DialogsTest, ProgressDialogRunsTheEngine) {
    platform::TestMachine machine;
    gSilent = 1;
    CUninstallerProgress progress;
    platform::StdoutCapture output;
    EXPECT_EQ(progress.Execute(), 0u);
    EXPECT_NE(output.Take().find("Section:FileUninstaller failed\n"), std::string::npos);
    EXPECT_EQ(machine.Transcript(), "");
}

TEST_F(DialogsTest, WarningAnsweredOkOrCancel) {
    platform::TestMachine machine;
    machine.File("C:\\Dati\\devpurge.dat", "[Version.0x10]\r\nManufacturer=Corvanta Italia\r\n");
    gDATFileName = "C:\\Dati\\devpurge.dat";
    for (const char* answer : {"IDOK", "IDCANCEL"}) {
        machine.ClearTranscript();
        machine.Answer(answer);
        CWarningMessage warning;
        EXPECT_EQ(warning.DoModal(), std::string(answer) == "IDOK" ? IDOK : IDCANCEL);
        std::string transcript = machine.Transcript();
        const std::string title = "Dialog 103 \"Corvanta Italia: Rimuovi software precedente\"";
        EXPECT_EQ(transcript.rfind(title + " shown\n  1003 edit: \"Durante l'installazione del software,", 0),
                  0u)
            << transcript;
        for (const char* part : {"compresi i seguenti prodotti:\n", "\tCorvanta QN AiO serie 300\n",
                                 "Se non si desidera rimuovere le versioni precedenti",
                                 "\n  1 button: \"&Avanti >\" (default)\n"
                                 "  2 button: \"Annulla\"\n"}) {
            EXPECT_NE(transcript.find(part), std::string::npos) << part;
        }
        EXPECT_NE(transcript.find(title + " answer: " + answer), std::string::npos) << transcript;
    }
}

TEST_F(DialogsTest, RestartDialog) {
    const std::string shown =
        "Dialog 104 \"Rimozione\" shown\n"
        "  1003 edit: \"Perch\xE9 le modifiche siano effettive, \xE8 necessario riavviare Windows.\n"
        "\n"
        "              Prima di riavviare il sistema, verificare che il CD di installazione si trovi "
        "nell'unit\xE0.\n"
        "\n"
        "              Quando si \xE8 pronti per l'operazione, fare clic su Riavvia.\"\n"
        "  1 button: \"Riavvia\" (default)\n";
    struct Row {
        const char* name;
        platform::OsKind os;
        const char* operation;  // token fault
        DWORD error;
        const char* failedStep;  // the line printed, with the text of `failure`
        DWORD failure;
    } rows[] = {
        {"NT", platform::OsKind::WindowsXP, nullptr, 0, nullptr, 0},
        {"9x without token", platform::OsKind::Windows98, "open", ERROR_CALL_NOT_IMPLEMENTED, nullptr, 0},
        {"token", platform::OsKind::WindowsXP, "open", ERROR_ACCESS_DENIED, "OpenProcessToken",
         ERROR_ACCESS_DENIED},
        {"lookup", platform::OsKind::Windows2000, "lookup", ERROR_NO_SUCH_PRIVILEGE, "LookupPrivilegeValue",
         ERROR_NO_SUCH_PRIVILEGE},
        {"adjust", platform::OsKind::WindowsXP, "adjust", ERROR_ACCESS_DENIED, "LookupPrivilegeValue",
         ERROR_ACCESS_DENIED},
        {"privilege not held", platform::OsKind::WindowsXP, "adjust", ERROR_NOT_ALL_ASSIGNED, "ExitWindowsEx",
         ERROR_PRIVILEGE_NOT_HELD},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        platform::TestMachine machine(row.os);
        ResetOsVersionRecordForTesting();
        machine.Module(kProgram);
        if (row.operation) machine.Fault("token", kProgram, row.operation, row.error);
        // Esc and the close box leave the dialog open; only Riavvia ends it.
        machine.Answer("IDCANCEL").Answer("IDOK");
        CRestartDialog dialog;
        platform::StdoutCapture output;
        EXPECT_EQ(dialog.DoModal(), IDOK);
        bool restart = row.failedStep == nullptr;
        EXPECT_EQ(
            output.Take(),
            restart ? "" : std::string(row.failedStep) + " failed with " + ErrorText(row.failure) + "\n");
        std::string answers =
            "Dialog 104 \"Rimozione\" answer: IDCANCEL\nDialog 104 \"Rimozione\" answer: IDOK \"Riavvia\"\n";
        std::string transcript = machine.Transcript();
        EXPECT_EQ(transcript.substr(0, shown.size() + answers.size()), shown + answers);
        EXPECT_EQ(transcript.find("ExitWindowsEx EWX_REBOOT: restart requested") != std::string::npos,
                  restart);
        EXPECT_EQ(machine.PendingRestart().has_value(), restart);
    }
}

}  // namespace
