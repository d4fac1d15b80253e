// The disk device behind a drive letter, found through the tree of Plug and Play devices.
#pragma once

#include <functional>

#include "CaseInsensitiveString.h"

class CDevInfoSet;
class CDeviceObject;

// The disk (or volume) device of drive `letter`, a device of `infoSet`; ERROR_NOT_FOUND when the drive
// has none.
long GetDiskDevice(char letter, CDevInfoSet& infoSet, CDeviceObject& disk);
// The device instance id of that device.
long GetDiskDeviceInstanceID(char letter, CaseInsensitiveString& id);
// Two device ids name the same device; an empty id names none.
bool SameDeviceID(const CaseInsensitiveString& left, const CaseInsensitiveString& right);
// The first removable drive, from A:, for whose letter `matches` holds; '\0' when there is none.
char FindRemovableDrive(const std::function<bool(char letter)>& matches);
