// Error codes of the network services, which FormatMessageA knows beside the system's own.
#pragma once

#define NERR_BASE 2100
// The network connection could not be found.
#define NERR_UseNotFound (NERR_BASE + 150)
