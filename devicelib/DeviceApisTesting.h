// For tests only: the entry points are bound once per process, so a test that changes which libraries
// the machine has unbinds them to have the next call bind them again.
#pragma once

void ResetDeviceApisForTesting();
