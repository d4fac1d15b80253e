// The dispatch ids of the web browser control's events, as its sinks' Invoke receives them.
#pragma once

#define DISPID_BEFORENAVIGATE2 250
#define DISPID_NAVIGATECOMPLETE2 252
#define DISPID_DOCUMENTCOMPLETE 259
