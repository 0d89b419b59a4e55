#pragma once
// The whole dialog layer in one include.

#include "Accessible.h"
#include "CBitmap.h"
#include "CBrush.h"
#include "CButton.h"
#include "CComboBox.h"
#include "CDialog.h"
#include "CEdit.h"
#include "CStatic.h"
#include "CTabCtrl.h"
#include "CWinApp.h"
#include "CWnd.h"
#include "MessageMap.h"
