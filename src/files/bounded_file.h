// Reading a whole file of bounded size into memory: a regular file only, never a device or a
// FIFO that could block, optionally never through a symbolic link.
#pragma once

#include <string>

// What became of a file to read whole.
enum class file_read_t {
  kRead,       // read whole
  kNotAFile,   // a directory, FIFO, socket or device: not read
  kSymlink,    // a symbolic link, when links are not followed
  kTooLarge,   // over the bound: nothing kept
  kUnreadable  // could not be opened or read; iError says why
};

/// Reads the regular file at szPath, of at most llMaxBytes (a file that grows while it is read
/// still ends at the bound), into szText; anything else is looked at, never opened. With
/// bNoFollow a symbolic link is not followed. kUnreadable with iError ENOENT: no such file.
file_read_t ReadBoundedFile(const char* szPath, long long llMaxBytes, bool bNoFollow,
                            std::string& szText, int& iError);
