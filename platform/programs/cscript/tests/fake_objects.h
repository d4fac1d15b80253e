// Objects for the interpreter's tests, written straight over IDispatch: a device with properties,
// methods, a default member, a child object, a collection and failing members. Every Invoke is logged
// with its member, flags and arguments as Windows hands them over (last to first), so tests can check
// what the interpreter asked.
#pragma once

#include <string>
#include <vector>

#include "oleauto.h"

namespace vbscript::testing {

// "Name get", "Run method 1,"a"" ... one line per Invoke, arguments as they sit in rgvarg.
std::vector<std::string>& CallLog();

// A new device object (one reference, the caller's).
IDispatch* NewFakeDevice();

std::string Describe(const VARIANT& value);

}  // namespace vbscript::testing
