#pragma once
// A helper that deletes a file once this process has ended.

namespace finalise {

// Starts the system's command processor, hidden, to delete the file at path as soon
// as this process has ended: it waits for the end of a pipe that only this process
// holds open, then deletes the file, trying twice more a second apart. False when it
// cannot be started (or the path holds a "%", which the command processor would
// expand).
bool StartDeletionHelper(const wchar_t* path);

}  // namespace finalise
