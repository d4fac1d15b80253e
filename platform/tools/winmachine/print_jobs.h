// winmachine's print jobs: the jobs the machine's spooler keeps, and the pictures of their pages.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace winmachine {

// Lists the jobs of the printer (every local printer's when empty), one line each; the exit code.
int ListJobs(const std::string& printer);
// Writes the job's pages into the host folder as page1.png, page2.png, ...; one line per file written;
// the exit code.
int WriteJobPages(const std::string& printer, const std::string& job, const std::filesystem::path& folder);

}  // namespace winmachine
