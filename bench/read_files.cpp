// The floor of many small files: one process that lists a directory and reads given files whole.
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kReadChunk = std::size_t{64} * 1024;

// Every name of the directory, looked at by nothing but the listing, as a run lists it.
long CountDirectory(const char* szDir) {
  DIR* pDir = opendir(szDir);
  if (pDir == nullptr) {
    std::perror(szDir);
    return -1;
  }
  long lNames = 0;
  while (readdir(pDir) != nullptr) {
    ++lNames;
  }
  closedir(pDir);
  return lNames;
}

}  // namespace

// read_files DIR LIST: lists DIR, then opens and reads each file whose name LIST holds (names
// separated by NUL bytes), 64 KB at a time. Prints the names, files and bytes it saw.
int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: read_files DIR LIST\n", stderr);
    return 2;
  }
  const long lNames = CountDirectory(argv[1]);
  std::FILE* pList = std::fopen(argv[2], "rb");
  if (lNames < 0 || pList == nullptr) {
    return 1;
  }
  std::vector<char> aBuffer(kReadChunk);
  std::string szName;
  long lFiles = 0;
  long long llBytes = 0;
  for (int iChar = std::fgetc(pList);; iChar = std::fgetc(pList)) {
    if (iChar != EOF && iChar != '\0') {
      szName += static_cast<char>(iChar);
      continue;
    }
    if (!szName.empty()) {
      const std::string szPath = std::string(argv[1]) + "/" + szName;
      const int iFd = open(szPath.c_str(), O_RDONLY | O_CLOEXEC);
      if (iFd < 0) {
        std::perror(szPath.c_str());
        return 1;
      }
      for (ssize_t iRead; (iRead = read(iFd, aBuffer.data(), aBuffer.size())) > 0;) {
        llBytes += iRead;
      }
      close(iFd);
      ++lFiles;
      szName.clear();
    }
    if (iChar == EOF) {
      break;
    }
  }
  std::fclose(pList);
  std::printf("%ld names, %ld files, %lld bytes\n", lNames, lFiles, llBytes);
  return 0;
}
