#pragma once
// What a screen reader is told about a control beyond what the system derives from it.
// The system names a picture after its resource (an ordinal that reads as garbage) and a
// drop-down list after its selected item; these calls give such controls a name of ours.
//
// Windows takes the name as an annotation (Dynamic Annotation). Where that is not
// available (Wine answers E_NOTIMPL), the control answers the accessibility request itself
// with the system's own object for it, whose name is replaced. Both are set up with the
// first request that arrives: a window that nobody asks about loads nothing, so the
// accessibility DLLs cost the program's start nothing.

#include <windows.h>

#include <string>

// Sets the name a screen reader reads for the control, and tells a reader that shows the
// control that it changed. An empty name gives the system's own name back. May be called
// at any time, as often as the name changes (a new state, another language).
void SetAccessibleName(HWND control, const std::wstring& name);

// Marks the control as a polite live region: a screen reader reads its new text when it
// changes, after what it is reading, without the user moving to it.
void MarkLiveRegion(HWND control);

// Tells screen readers that the text of a live region has changed.
void AnnounceLiveRegion(HWND control);

// A control's text as a screen reader should read it: without the access-key marks
// ("Select &language:" reads "Select language:"; "&&" is a literal ampersand).
std::wstring WithoutAccessKeys(const std::wstring& text);
