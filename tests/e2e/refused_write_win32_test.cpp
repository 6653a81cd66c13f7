// The Windows program on a registry that refuses its writes: it must not
// report success. The product tree is made volatile, below which the
// registry refuses the lasting keys the program creates.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr char kProductKey[] = "SOFTWARE\\Kestrum";

// The program's path as Windows names it (the build may give a Unix path
// when the tests run under Wine, whose Z: drive is the Unix root).
std::string programPath() {
  std::string path = KESTRUM_BINARY;
  if (!path.empty() && path.front() == '/') path = "Z:" + path;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

std::string readAll(HANDLE file) {
  std::string text;
  char buffer[4096];
  DWORD got = 0;
  SetFilePointer(file, 0, nullptr, FILE_BEGIN);
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
  return text;
}

// A temporary file the child's output goes to, deleted when closed.
HANDLE outputFile() {
  char folder[MAX_PATH];
  char name[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  GetTempFileNameA(folder, "kst", 0, name);
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                     CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
}

struct RunResult {
  DWORD status = 0;
  std::string out;
  std::string err;
};

RunResult runProgram(const std::string& arguments) {
  RunResult result;
  HANDLE out = outputFile();
  HANDLE err = outputFile();
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  std::string commandLine = "\"" + programPath() + "\" " + arguments;
  if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                     &process)) {
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &result.status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  } else {
    ADD_FAILURE() << "cannot start " << commandLine;
  }
  result.out = readAll(out);
  result.err = readAll(err);
  CloseHandle(out);
  CloseHandle(err);
  return result;
}

TEST(RefusedWriteTest, AWriteTheRegistryRefusesEndsWithStatusThreeAndTheKeysName) {
  HKEY existing = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProductKey, 0, KEY_READ, &existing) == ERROR_SUCCESS) {
    RegCloseKey(existing);
    GTEST_SKIP() << "this registry holds a configuration; it is left alone";
  }
  HKEY product = nullptr;
  HKEY general = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kProductKey, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                            nullptr, &product, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegCreateKeyExA(product, "General", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                            &general, nullptr),
            ERROR_SUCCESS);
  // A migrated configuration: the run loads and saves this tree only.
  const DWORD one = 1;
  RegSetValueExA(general, "FormatVersion", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
  RegCloseKey(general);

  const RunResult run = runProgram("pop.example.com user pw 0 \"\" 110 60 \"\" 0 0 Name");

  DWORD subKeys = 0;
  RegQueryInfoKeyA(product, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                   nullptr, nullptr);
  RegCloseKey(product);
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, kProductKey);

  EXPECT_EQ(run.status, 3u);
  EXPECT_EQ(run.out, "");
  const std::string prefix = "kestrum_addaccount: HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrum\\";
  EXPECT_EQ(run.err.compare(0, prefix.size(), prefix), 0) << run.err;
  EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "one line: " << run.err;
  EXPECT_EQ(subKeys, 1u) << "only the volatile General key";
}

}  // namespace
