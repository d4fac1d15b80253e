// winmachine's print jobs, over the spooler's records of them.
#include "print_jobs.h"

#include <cstdio>
#include <cstdlib>

#include "platform/machine/files/host_path.h"
#include "platform/winspool/spooler.h"
#include "winspool.h"

namespace winmachine {

namespace {

namespace fs = std::filesystem;
using platform::spooler::JobRecord;

const char* StatusText(DWORD status) {
    if (status & JOB_STATUS_PRINTED) return "printed";
    if (status & JOB_STATUS_PRINTING) return "printing";
    return "queued";
}

}  // namespace

int ListJobs(const std::string& printer) {
    std::vector<std::string> printers = printer.empty() ? platform::spooler::LocalPrinterNames()
                                                        : std::vector<std::string>{printer};
    for (const std::string& name : printers) {
        for (const JobRecord& job : platform::spooler::JobsOf(name)) {
            std::printf("%s: job %u \"%s\", %u page%s, %s\n", name.c_str(), job.id, job.document.c_str(), job.pages,
                        job.pages == 1 ? "" : "s", StatusText(job.status));
        }
    }
    return 0;
}

int WriteJobPages(const std::string& printer, const std::string& job, const fs::path& folder) {
    DWORD id = static_cast<DWORD>(std::strtoul(job.c_str(), nullptr, 10));
    for (const JobRecord& record : platform::spooler::JobsOf(printer)) {
        if (record.id != id) continue;
        if (record.pageFiles.empty()) {
            std::fprintf(stderr, "winmachine: job %u of %s has no page pictures\n", id, printer.c_str());
            return 1;
        }
        fs::create_directories(folder);
        for (std::size_t page = 0; page < record.pageFiles.size(); ++page) {
            std::optional<platform::HostPath> source = platform::ResolveHostPath(record.pageFiles[page]);
            if (!source || !source->exists) {
                std::fprintf(stderr, "winmachine: the picture %s is gone\n", record.pageFiles[page].c_str());
                return 1;
            }
            fs::path target = folder / ("page" + std::to_string(page + 1) + ".png");
            fs::copy_file(source->host, target, fs::copy_options::overwrite_existing);
            std::printf("%s\n", target.string().c_str());
        }
        return 0;
    }
    std::fprintf(stderr, "winmachine: %s has no job %s\n", printer.c_str(), job.c_str());
    return 1;
}

}  // namespace winmachine
