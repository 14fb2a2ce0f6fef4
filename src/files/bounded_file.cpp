// Reading a whole file of bounded size into memory.
#include "files/bounded_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

file_read_t ReadBoundedFile(const char* szPath, long long llMaxBytes, bool bNoFollow,
                            std::string& szText, int& iError) {
  szText.clear();
  // What the entry is, before anything is opened: a device is never opened, a link never
  // followed when it may not be.
  struct stat tStat = {};
  if ((bNoFollow ? lstat(szPath, &tStat) : stat(szPath, &tStat)) != 0) {
    iError = errno;
    return file_read_t::kUnreadable;
  }
  if (S_ISLNK(tStat.st_mode)) {
    return file_read_t::kSymlink;
  }
  if (!S_ISREG(tStat.st_mode)) {
    return file_read_t::kNotAFile;
  }
  // Non-blocking and, where asked, without following a link, should the entry have been
  // swapped since.
  const int iFd =
      open(szPath, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | (bNoFollow ? O_NOFOLLOW : 0));
  if (iFd < 0) {
    iError = errno;
    return bNoFollow && iError == ELOOP ? file_read_t::kSymlink : file_read_t::kUnreadable;
  }
  file_read_t eOutcome = file_read_t::kRead;
  if (fstat(iFd, &tStat) != 0) {
    iError = errno;
    eOutcome = file_read_t::kUnreadable;
  } else if (!S_ISREG(tStat.st_mode)) {
    eOutcome = file_read_t::kNotAFile;
  } else if (tStat.st_size > llMaxBytes) {
    eOutcome = file_read_t::kTooLarge;
  }
  char aBuffer[65536];
  while (eOutcome == file_read_t::kRead) {
    const ssize_t iRead = read(iFd, aBuffer, sizeof aBuffer);
    if (iRead < 0 && errno == EINTR) {
      continue;
    }
    if (iRead < 0) {
      iError = errno;
      eOutcome = file_read_t::kUnreadable;
    } else if (iRead == 0) {
      break;
    } else {
      szText.append(aBuffer, static_cast<std::size_t>(iRead));
      if (static_cast<long long>(szText.size()) > llMaxBytes) {
        eOutcome = file_read_t::kTooLarge;
      }
    }
  }
  close(iFd);
  if (eOutcome != file_read_t::kRead) {
    szText.clear();
  }
  return eOutcome;
}
