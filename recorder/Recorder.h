// Recorder: the program's one input recorder and player on the Win32 hooks (journal hooks
// where the system serves them, low-level hooks and SendInput where it does not).
//
// WinMain calls InitRecorderModule before it makes any window and DoneRecorderModule once
// the windows are gone; between them GlobalRecorder is the recorder:
//
//   InitRecorderModule();
//   ... Application->Run(); ...
//   DoneRecorderModule();
//
// Callers then use GlobalRecorder->Stream(), Stop(), Record(false) and Play(); failures
// raise Exception with the recorder's texts. While a journal hook is installed, a
// WH_GETMESSAGE hook on the thread that installed it watches for WM_CANCELJOURNAL.
#pragma once

#include <windows.h>

#include "RecorderCore.h"

// Null before InitRecorderModule and after DoneRecorderModule.
extern TRecorder* GlobalRecorder;

// Makes the recorder. While one lives no second one is made: a repeated call leaves
// GlobalRecorder as it is.
void InitRecorderModule();
// Stops the recorder (removing any hook) and frees it.
void DoneRecorderModule();

// Field by field: a 64-bit EVENTMSG is 24 bytes. Window handles keep their 32 significant
// bits and are sign-extended on the way back, as the system does.
TEventMsg EventFromEventMsg(const EVENTMSG& event);
void EventToEventMsg(const TEventMsg& event, EVENTMSG& out);

// The SendInput form of a record, mouse positions scaled over `screen` (the virtual screen);
// false for messages that are not replayed.
bool InputFromEvent(const TEventMsg& event, const RECT& screen, INPUT& input);
