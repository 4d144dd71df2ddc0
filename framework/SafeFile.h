// Writes a file so that a failure part way never destroys the file it replaces: the
// contents go to a temporary file in the same folder, are flushed to disk and then take
// the old file's place (ReplaceFileA, which keeps the old file's attributes and
// security; MoveFileExA when there is no old file). The book export writes through it.
#pragma once
#include <cstdio>
#include <functional>
#include <string>

// write fills the open temporary file and says whether it succeeded. False when anything
// failed; the file at path is then as it was.
bool WriteFileSafely(const std::string& path, const std::function<bool(FILE*)>& write);
