// Reads the resources of a Windows executable back the way Windows does
// and checks them: the version information (fixed and string parts) and
// the manifest (long paths, asInvoker, supported Windows versions).
//
//   read_resources PATH VERSION       exit status 0 when all is there
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

int failures = 0;

void expect(bool condition, const char* what) {
  std::printf("%s: %s\n", condition ? "ok" : "FAILED", what);
  failures += condition ? 0 : 1;
}

std::wstring widen(const char* text) {
  std::wstring wide;
  for (; *text != 0; ++text) wide += static_cast<wchar_t>(*text);
  return wide;
}

std::wstring string_value(const std::vector<char>& info, const wchar_t* name) {
  const std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(info.data(), key.c_str(), &value, &length) ||
      length == 0) {
    return L"";
  }
  return std::wstring(static_cast<const wchar_t*>(value), length - 1);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: read_resources PATH VERSION\n");
    return 2;
  }
  const std::wstring path = widen(argv[1]);
  const std::wstring version = widen(argv[2]);

  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  expect(size != 0, "the executable has version information");
  if (size == 0) return 1;
  std::vector<char> info(size);
  GetFileVersionInfoW(path.c_str(), 0, size, info.data());

  void* fixed = nullptr;
  UINT fixed_length = 0;
  VerQueryValueW(info.data(), L"\\", &fixed, &fixed_length);
  const auto* numbers = static_cast<const VS_FIXEDFILEINFO*>(fixed);
  wchar_t numeric[64];
  if (numbers != nullptr) {
    std::swprintf(numeric, 64, L"%u.%u.%u", HIWORD(numbers->dwFileVersionMS),
                  LOWORD(numbers->dwFileVersionMS),
                  HIWORD(numbers->dwFileVersionLS));
  }
  expect(numbers != nullptr && numeric == version &&
             numbers->dwProductVersionMS == numbers->dwFileVersionMS &&
             numbers->dwProductVersionLS == numbers->dwFileVersionLS,
         "file and product version numbers are the project's");
  expect(string_value(info, L"FileVersion") == version, "FileVersion");
  expect(string_value(info, L"ProductVersion") == version, "ProductVersion");
  expect(string_value(info, L"ProductName") == L"genversion", "ProductName");
  expect(string_value(info, L"OriginalFilename") == L"genversion.exe",
         "OriginalFilename");
  expect(string_value(info, L"FileDescription").find(L"configure.ac") !=
             std::wstring::npos,
         "FileDescription");
  expect(string_value(info, L"LegalCopyright").find(L"genversion authors") !=
             std::wstring::npos,
         "LegalCopyright");

  HMODULE module =
      LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  HRSRC found = module == nullptr ? nullptr
                                  : FindResourceW(module, MAKEINTRESOURCEW(1),
                                                  MAKEINTRESOURCEW(24));
  std::string manifest;
  if (found != nullptr) {
    const char* bytes =
        static_cast<const char*>(LockResource(LoadResource(module, found)));
    manifest.assign(bytes, SizeofResource(module, found));
  }
  expect(!manifest.empty(), "the executable has a manifest");
  expect(manifest.find("<ws2:longPathAware>true</ws2:longPathAware>") !=
             std::string::npos,
         "manifest: longPathAware");
  expect(manifest.find("level=\"asInvoker\"") != std::string::npos,
         "manifest: asInvoker");
  const char* const windows[] = {
      "35138b9a-5d96-4fbd-8e2d-a2440225f93a",   // 7
      "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38",   // 8
      "1f676c76-80e1-4239-95bb-83d0f6d0da78",   // 8.1
      "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"};  // 10 and 11
  bool all = true;
  for (const char* id : windows)
    all = all && manifest.find(id) != std::string::npos;
  expect(all, "manifest: supportedOS Windows 7 to 11");
  std::printf("%d passed, %d failed\n", 13 - failures, failures);
  return failures == 0 ? 0 : 1;
}
