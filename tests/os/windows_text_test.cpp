// The Windows body's conversions at the API, which no call through os.h shows under Wine: Wine
// takes paths past the old length limit without the long form that Windows needs.

#ifdef _WIN32

#include "os/windows_text.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cerrno>

namespace skerrow::os {
namespace {

TEST(WindowsText, LongPathsTakeTheLongFormAndShortOnesStayAsTyped)
{
    const std::wstring folder(150, L'f');
    const std::wstring name(150, L'n');
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"C:\\a\\b.1vc", L"C:\\a\\b.1vc"},
        {L"a/b.1vc", L"a/b.1vc"},
        {L"NUL", L"NUL"},
        {std::wstring(L"C:/") + folder + L"/./" + name, std::wstring(L"\\\\?\\C:\\") + folder + L"\\" + name},
        {std::wstring(L"C:\\") + folder + L"\\x\\..\\" + name,
         std::wstring(L"\\\\?\\C:\\") + folder + L"\\" + name},
        {std::wstring(L"\\\\server\\share\\") + folder + L"\\" + name,
         std::wstring(L"\\\\?\\UNC\\server\\share\\") + folder + L"\\" + name},
        {std::wstring(L"\\\\?\\C:\\") + folder + L"\\" + name,
         std::wstring(L"\\\\?\\C:\\") + folder + L"\\" + name},
        // A device path with forward slashes is resolved, not taken for a share called "?".
        {std::wstring(L"//?/C:/") + folder + L"/" + name,
         std::wstring(L"\\\\?\\C:\\") + folder + L"\\" + name},
    };
    for (const auto& [typed, given] : cases)
        EXPECT_EQ(ForApi(typed), given);
}

TEST(WindowsText, Utf8RoundTripsAndBrokenTextIsRefused)
{
    std::wstring wide;
    ASSERT_TRUE(ToWide("Bl\xC3\xA4ser \xE2\x98\x83 \xF0\x9F\x8E\xB9", wide));
    EXPECT_EQ(wide, L"Bl\u00E4ser \u2603 \U0001F3B9");
    std::string back;
    ASSERT_TRUE(ToUtf8(wide, back));
    EXPECT_EQ(back, "Bl\xC3\xA4ser \xE2\x98\x83 \xF0\x9F\x8E\xB9");

    EXPECT_FALSE(ToWide("Bl\xE4ser", wide));  // Latin-1, not UTF-8
    EXPECT_FALSE(ToUtf8(std::wstring(1, wchar_t(0xD800)), back));
}

TEST(WindowsText, SystemErrorsSpeakTheErrnoVocabulary)
{
    const std::pair<DWORD, int> cases[] = {
        {ERROR_SUCCESS, 0},
        {ERROR_FILE_NOT_FOUND, ENOENT},
        {ERROR_PATH_NOT_FOUND, ENOENT},
        {ERROR_ACCESS_DENIED, EACCES},
        {ERROR_SHARING_VIOLATION, EBUSY},
        {ERROR_UNABLE_TO_REMOVE_REPLACED, EBUSY},
        {ERROR_INVALID_NAME, InvalidNameError},
        {ERROR_DISK_FULL, ENOSPC},
        {ERROR_HANDLE_DISK_FULL, ENOSPC},
        {ERROR_FILE_EXISTS, EEXIST},
        {ERROR_ALREADY_EXISTS, EEXIST},
        {ERROR_FILENAME_EXCED_RANGE, ENAMETOOLONG},
        {ERROR_WRITE_PROTECT, EACCES},
        {ERROR_CRC, EIO},
    };
    for (const auto& [code, error] : cases)
        EXPECT_EQ(ErrorNumberOf(code), error) << code;
}

}  // namespace
}  // namespace skerrow::os

#endif
