#pragma once
// The leftovers of archive handlers: a descriptor folder (an archive shown
// as a folder) may leave its unpacked copies in the temporary folder, and
// the model that showed it removes them when it closes.

/// Removes the leftovers of archive handlers from the temporary folder
/// (TempFolder()): the entries directly in it named "TD_*.dir" or
/// "Temporary*.zip" (case-sensitive), recursively, but only entries owned by
/// this user; a symbolic link is removed itself and never followed. Gives
/// the count of entries removed.
int RemoveDescriptorLeftovers();
