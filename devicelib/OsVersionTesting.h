// For tests only: the version record is read once per process and never refreshed, so a test that
// switches the machine to another Windows version empties it to have the next version test read it again.
#pragma once

void ResetOsVersionRecordForTesting();
