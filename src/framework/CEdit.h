#pragma once

#include "CWnd.h"

// A single-line edit field; its text is read and set through CWnd.
class CEdit : public CWnd
{
};
