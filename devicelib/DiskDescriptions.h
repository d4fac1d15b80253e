// Whether a drive is the memory-card reader of one of the maker's supported devices, told by the device
// its disk hangs from.
#pragma once

#include <cstddef>

class CDeviceObject;

// The name of the supported printer (or, when no printer uses it, of the supported port) whose device the
// disk of drive `letter` hangs from, into `description` of `size` characters. ERROR_NOT_FOUND when the
// drive has no Plug and Play disk or is no supported device's card reader; ERR_BUFFEROVERFLOW when the
// name does not fit.
long GetDiskDescription(char letter, char* description, size_t size);
// The same for a disk device a caller already holds.
long GetDiskDescription2(CDeviceObject& disk, char* description, size_t size);
