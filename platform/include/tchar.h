// Generic-text mappings for the ANSI build.
#pragma once

#include <cstring>
#include <cstdio>
#include <cctype>
#include <cstdlib>
#include <ctime>

// time() reads the machine's clock, like GetLocalTime and GetTickCount, so that virtual time reaches
// the C runtime's calls too. As in Windows' own C runtime, time is _time64 under another name.
extern "C" std::time_t _time64(std::time_t* timer);
#define time(timer) _time64(timer)

typedef char _TCHAR;
#ifndef _T
#define _T(x) x
#endif
#define _TEXT(x) x
#ifndef TEXT
#define TEXT(x) x
#endif
#define _tcslen strlen
#define _tcscpy strcpy
#define _tcsncpy strncpy
#define _tcscat strcat
#define _tcsncat strncat
#define _tcscmp strcmp
#define _tcsncmp strncmp
#define _tcsicmp strcasecmp
#define _tcsnicmp strncasecmp
#define _tcschr strchr
#define _tcsrchr strrchr
#define _tcsstr strstr
#define _tcstok strtok
#define _tcstol strtol
#define _tcstoul strtoul
#define _ttoi atoi
#define _ttol atol
#define _stprintf sprintf
#define _sntprintf snprintf
#define _tprintf printf
#define _ftprintf fprintf
#define _totupper toupper
#define _totlower tolower
#define _istspace isspace
#define _istdigit isdigit
#define _istalpha isalpha
