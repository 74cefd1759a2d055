#pragma once
// Deleting this program's own file while it runs.

namespace finalise {

// Deletes the running executable's file, or arranges for it to go as soon as this
// process has ended. Windows keeps a running program's file from being deleted, so
// after a plain delete (which some systems allow):
//  1. on a volume with named streams, the file's data stream is renamed away and the
//     file is marked for deletion through its handle (the file goes at once);
//  2. else a hidden command processor is started that deletes the file once this
//     process has ended;
//  3. as a last resort the file is deleted at the next restart.
// True when one of these took effect.
bool RemoveOwnFile();

}  // namespace finalise
