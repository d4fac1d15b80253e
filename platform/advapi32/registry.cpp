// Registry calls over the machine's registry store.
#include "windows.h"
