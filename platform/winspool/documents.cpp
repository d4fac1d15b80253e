// Documents sent to a printer. Each document becomes a job recorded below the printer's key
// (Jobs\<nnnn>: "Document", "Output File", "Datatype", "Pages", "Status"), so that a test or a person can
// see what was sent. Completed jobs stay recorded with JOB_STATUS_PRINTED; only the others count as the
// printer's queued jobs.
//
// The spooler keeps its queue in its own rights, not the caller's: the jobs are written to the registry
// store directly, so that a user who may not change the printer's key can still print.
#include <algorithm>
#include <cstdio>

#include "platform/machine/registry/registry_store.h"
#include "platform/winspool/spooler.h"

namespace platform::spooler {

namespace {

std::string JobsKey(const PrinterHandle& printer) {
    return "HKEY_LOCAL_MACHINE\\" + PrinterKeyPath(printer.name) + "\\Jobs";
}

std::string JobName(DWORD job) {
    char name[16];
    std::snprintf(name, sizeof name, "%04u", job);
    return name;
}

std::string Text(const char* text) {
    return std::string(text ? text : "") + '\0';
}

std::string Number(DWORD value) {
    return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

// The job's key, created with the printer's Jobs key when `create` is set; nothing when the printer is gone.
std::optional<std::int64_t> JobKey(RegistryStore& store, const PrinterHandle& printer, DWORD job,
                                   bool create) {
    std::string path = JobsKey(printer) + "\\" + JobName(job);
    if (std::optional<std::int64_t> id = store.FindKey(path)) return id;
    if (!create) return std::nullopt;
    std::optional<std::int64_t> printerKey =
        store.FindKey("HKEY_LOCAL_MACHINE\\" + PrinterKeyPath(printer.name));
    if (!printerKey) return std::nullopt;
    std::string jobName = JobName(job);
    return store.CreateKey(*printerKey, {"Jobs", jobName}, "").id;
}

DWORD NextJob(const PrinterHandle& printer) {
    RegistryKey jobs;
    DWORD last = 0;
    if (jobs.Open(HKEY_LOCAL_MACHINE, PrinterKeyPath(printer.name) + "\\Jobs") == ERROR_SUCCESS) {
        for (const std::string& name : jobs.Subkeys())
            last = std::max<DWORD>(last, std::strtoul(name.c_str(), nullptr, 10));
    }
    return last + 1;
}

BOOL SetJobNumber(const PrinterHandle& printer, const char* name, DWORD value) {
    RegistryStore& store = RegistryStore::For(Machine::Current());
    std::optional<std::int64_t> key = JobKey(store, printer, printer.job, false);
    if (!key) return Fail(ERROR_INVALID_PRINTER_NAME);
    store.SetValue(*key, name, REG_DWORD, Number(value));
    return TRUE;
}

// A job's DWORD value, 0 when it is missing.
DWORD JobNumber(RegistryStore& store, std::int64_t key, const char* name) {
    std::optional<RegistryValue> number = store.Value(key, name);
    DWORD value = 0;
    if (number && number->data.size() == sizeof value) std::memcpy(&value, number->data.data(), sizeof value);
    return value;
}

DWORD JobPages(const PrinterHandle& printer) {
    RegistryStore& store = RegistryStore::For(Machine::Current());
    std::optional<std::int64_t> key = JobKey(store, printer, printer.job, false);
    if (!key) return 0;
    return JobNumber(store, *key, "Pages");
}

}  // namespace

DWORD PurgeJobs(const std::string& printerName) {
    try {
        RegistryStore& store = RegistryStore::For(Machine::Current());
        RegistryStore::Batch batch(store);
        std::optional<std::int64_t> jobs =
            store.FindKey("HKEY_LOCAL_MACHINE\\" + PrinterKeyPath(printerName) + "\\Jobs");
        if (!jobs) return ERROR_SUCCESS;
        for (const RegistrySubkey& job : store.Subkeys(*jobs)) {
            // What was printed is the printer's history, not its queue.
            if (!(JobNumber(store, job.id, "Status") & JOB_STATUS_PRINTED)) store.DeleteKeyTree(job.id);
        }
        batch.Commit();
    } catch (const std::exception&) {
        return ERROR_REGISTRY_IO_FAILED;
    }
    return ERROR_SUCCESS;
}

std::string SpoolFolder() {
    const MachineSettings& settings = Machine::Current().settings();
    return IsNT() ? settings.systemFolder + "\\spool\\PRINTERS" : settings.windowsFolder + "\\SPOOL\\PRINTERS";
}

DWORD RecordJobPage(HANDLE printer, std::string_view windowsPath) {
    std::shared_ptr<PrinterHandle> handle = FindPrinterHandle(printer);
    if (!handle) return ERROR_INVALID_HANDLE;
    if (!handle->job) return ERROR_SPL_NO_STARTDOC;
    try {
        RegistryStore& store = RegistryStore::For(Machine::Current());
        std::optional<std::int64_t> key = JobKey(store, *handle, handle->job, false);
        if (!key) return ERROR_INVALID_PRINTER_NAME;
        std::string name = "Page " + std::to_string(JobNumber(store, *key, "Pages") + 1);
        store.SetValue(*key, name, REG_SZ, Text(std::string(windowsPath).c_str()));
    } catch (const std::exception&) {
        return ERROR_REGISTRY_IO_FAILED;
    }
    return ERROR_SUCCESS;
}

std::vector<JobRecord> JobsOf(std::string_view printerName) {
    std::vector<JobRecord> jobs;
    RegistryStore& store = RegistryStore::For(Machine::Current());
    std::optional<std::int64_t> jobsKey = store.FindKey("HKEY_LOCAL_MACHINE\\" + PrinterKeyPath(printerName) + "\\Jobs");
    if (!jobsKey) return jobs;
    for (const RegistrySubkey& job : store.Subkeys(*jobsKey)) {
        JobRecord record;
        record.id = static_cast<DWORD>(std::strtoul(job.name.c_str(), nullptr, 10));
        if (std::optional<RegistryValue> document = store.Value(job.id, "Document"))
            record.document = std::string(document->data.c_str());
        record.pages = JobNumber(store, job.id, "Pages");
        record.status = JobNumber(store, job.id, "Status");
        for (DWORD page = 1; page <= record.pages; ++page) {
            std::optional<RegistryValue> file = store.Value(job.id, "Page " + std::to_string(page));
            if (file) record.pageFiles.push_back(std::string(file->data.c_str()));
        }
        jobs.push_back(std::move(record));
    }
    std::sort(jobs.begin(), jobs.end(), [](const JobRecord& a, const JobRecord& b) { return a.id < b.id; });
    return jobs;
}

}  // namespace platform::spooler

using namespace platform::spooler;

extern "C" DWORD WINAPI StartDocPrinterA(HANDLE hPrinter, DWORD Level, LPBYTE pDocInfo) {
    std::shared_ptr<PrinterHandle> handle = FindPrinterHandle(hPrinter);
    if (!handle) return Fail(ERROR_INVALID_HANDLE);
    if (DWORD error = CallFault("StartDocPrinterA")) return Fail(error);
    if (Level != 1) return Fail(ERROR_INVALID_LEVEL);
    if (!pDocInfo) return Fail(ERROR_INVALID_PARAMETER);
    if (IsNT() && !(handle->access & PRINTER_ACCESS_USE)) return Fail(ERROR_ACCESS_DENIED);
    if (handle->job) return Fail(ERROR_INVALID_PRINTER_STATE);
    PrinterRecord printer;
    if (DWORD error = ReadPrinter(handle->name, printer)) return Fail(error);
    const auto& document = *reinterpret_cast<const DOC_INFO_1A*>(pDocInfo);
    try {
        platform::RegistryStore& store = platform::RegistryStore::For(platform::Machine::Current());
        platform::RegistryStore::Batch batch(store);
        DWORD job = NextJob(*handle);
        std::optional<std::int64_t> key = JobKey(store, *handle, job, true);
        if (!key) return Fail(ERROR_INVALID_PRINTER_NAME);
        store.SetValue(*key, "Document", REG_SZ, Text(document.pDocName));
        if (document.pOutputFile) store.SetValue(*key, "Output File", REG_SZ, Text(document.pOutputFile));
        store.SetValue(*key, "Datatype", REG_SZ,
                       Text(document.pDatatype ? document.pDatatype : printer.datatype.c_str()));
        store.SetValue(*key, "Pages", REG_DWORD, Number(0));
        store.SetValue(*key, "Status", REG_DWORD, Number(JOB_STATUS_PRINTING));
        batch.Commit();
        handle->job = job;
    } catch (const std::exception&) {
        return Fail(ERROR_REGISTRY_IO_FAILED);
    }
    return handle->job;
}

extern "C" BOOL WINAPI StartPagePrinter(HANDLE hPrinter) {
    std::shared_ptr<PrinterHandle> handle = FindPrinterHandle(hPrinter);
    if (!handle) return Fail(ERROR_INVALID_HANDLE);
    if (DWORD error = CallFault("StartPagePrinter")) return Fail(error);
    if (!handle->job) return Fail(ERROR_SPL_NO_STARTDOC);
    handle->pageOpen = true;
    return TRUE;
}

extern "C" BOOL WINAPI EndPagePrinter(HANDLE hPrinter) {
    std::shared_ptr<PrinterHandle> handle = FindPrinterHandle(hPrinter);
    if (!handle) return Fail(ERROR_INVALID_HANDLE);
    if (DWORD error = CallFault("EndPagePrinter")) return Fail(error);
    if (!handle->job) return Fail(ERROR_SPL_NO_STARTDOC);
    if (!handle->pageOpen) return TRUE;
    handle->pageOpen = false;
    try {
        return SetJobNumber(*handle, "Pages", JobPages(*handle) + 1);
    } catch (const std::exception&) {
        return Fail(ERROR_REGISTRY_IO_FAILED);
    }
}

extern "C" BOOL WINAPI EndDocPrinter(HANDLE hPrinter) {
    std::shared_ptr<PrinterHandle> handle = FindPrinterHandle(hPrinter);
    if (!handle) return Fail(ERROR_INVALID_HANDLE);
    if (DWORD error = CallFault("EndDocPrinter")) return Fail(error);
    if (!handle->job) return Fail(ERROR_SPL_NO_STARTDOC);
    BOOL result = FALSE;
    try {
        result = SetJobNumber(*handle, "Status", JOB_STATUS_PRINTED);
    } catch (const std::exception&) {
        result = Fail(ERROR_REGISTRY_IO_FAILED);
    }
    handle->job = 0;
    handle->pageOpen = false;
    return result;
}

// Deletes the document being sent, as if it had never been started.
extern "C" BOOL WINAPI AbortPrinter(HANDLE hPrinter) {
    std::shared_ptr<PrinterHandle> handle = FindPrinterHandle(hPrinter);
    if (!handle) return Fail(ERROR_INVALID_HANDLE);
    if (!handle->job) return Fail(ERROR_SPL_NO_STARTDOC);
    try {
        platform::RegistryStore& store = platform::RegistryStore::For(platform::Machine::Current());
        if (std::optional<std::int64_t> key = JobKey(store, *handle, handle->job, false)) store.DeleteKeyTree(*key);
    } catch (const std::exception&) {
        return Fail(ERROR_REGISTRY_IO_FAILED);
    }
    handle->job = 0;
    handle->pageOpen = false;
    return TRUE;
}
