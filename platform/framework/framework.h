// The application framework: an application object, window and dialog objects over window handles, the
// standard controls, and command-line parsing, all written over the Windows API. Each class has its own
// header; this one brings them all.
#pragma once

#include "CBitmap.h"
#include "CBrush.h"
#include "CButton.h"
#include "CCommandLineInfo.h"
#include "CDC.h"
#include "CDataExchange.h"
#include "CDialog.h"
#include "CEdit.h"
#include "CFileDialog.h"
#include "CFont.h"
#include "CGdiObject.h"
#include "CPen.h"
#include "CProgressCtrl.h"
#include "CStatic.h"
#include "CString.h"
#include "CStringArray.h"
#include "CWaitCursor.h"
#include "CWinApp.h"
#include "CWindowDC.h"
#include "CWnd.h"
#include "commctrl.h"
#include "shellapi.h"
#include "windows.h"
