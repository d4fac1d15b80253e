// The walk over every Plug and Play device of the computer.
#pragma once

class CDeviceObject;

// Receives each device and the walk's three caller pointers; 0 stops the walk.
typedef unsigned int (*DeviceItemCallback)(CDeviceObject& device, void* u1, void* u2, void* u3);

// Calls `item` for each device of every class until it returns 0 or the devices run out: 1; 0 when the
// devices cannot be read.
unsigned int ForAllDevices(DeviceItemCallback item, void* u1, void* u2, void* u3);
