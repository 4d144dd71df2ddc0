// Messages of the book registry about loading and saving (a merge, a conflict copy, a file
// that could not be written, restored or held): queued while files are locked and shown
// afterwards, so that no message box keeps another process's save waiting. LoadBooks and
// SaveBooks show what they queued when they are done with the files.
#pragma once
#include <windows.h>
#include <string>

// Queues a message box without owner (MB_OK with icon, MB_ICONWARNING and the like).
void QueueNotice(const std::string& text, UINT icon);
// Shows the queued messages in order, and forgets them.
void ShowQueuedNotices();

// Tells the user that path, left missing by a save that was cut off, was restored from the
// side file from.
void QueueRestoredNotice(const std::string& path, const std::string& from);
