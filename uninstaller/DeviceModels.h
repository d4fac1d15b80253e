// The model database of devpurge: one factory for the whole program, built before start-up on the
// installer data file. The relaunched copy of the program finds the uninstaller's data file under this
// name in its current folder, so the models come from the same file as the rest of the run.
#pragma once

inline constexpr char INSTALLER_DATA_FILE[] = "qnvins08.dat";
