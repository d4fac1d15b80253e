// COM and OLE Automation together, as a program that uses both includes them.
#pragma once

#include "objbase.h"
#include "oleauto.h"
