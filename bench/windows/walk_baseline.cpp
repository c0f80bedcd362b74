// The least a walk of a collection can do on Windows: list every folder with FindFirstFileExW
// (basic information, large fetches) and read the first 3072 bytes of every file. find and dupes
// are measured against it in the same Wine, in the same run (bench/windows/walk_bench.py).
//
//     walk_baseline.exe FOLDER   prints the number of files and of bytes read

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

void Walk(const std::wstring& folder, unsigned long long& files, unsigned long long& bytes)
{
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &found,
                                             FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        const std::wstring path = folder + L"\\" + name;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            Walk(path, files, bytes);
            continue;
        }
        const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            continue;
        char head[3072];
        DWORD got = 0;
        if (::ReadFile(file, head, sizeof head, &got, nullptr) != 0)
            bytes += got;
        ::CloseHandle(file);
        ++files;
    } while (::FindNextFileW(search, &found) != 0);
    ::FindClose(search);
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2) {
        std::fputs("usage: walk_baseline FOLDER\n", stderr);
        return 2;
    }
    unsigned long long files = 0;
    unsigned long long bytes = 0;
    Walk(argv[1], files, bytes);
    std::printf("%llu files, %llu bytes\n", files, bytes);
    return 0;
}
