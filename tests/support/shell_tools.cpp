#include "shell_tools.h"

#include "voice_file_builder.h"

#include <cstdio>
#include <filesystem>

namespace skerrow::test {

int Shell(const std::string& command, std::string* output)
{
    FILE* pipe = popen(("MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8 " + command + " 2>&1").c_str(), "r");
    if (!pipe)
        return -1;
    std::string text;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        text.append(buffer, n);
    if (output)
        *output = text;
    return pclose(pipe);
}

std::string Quote(const std::string& text)
{
    std::string quoted(1, '\'');
    quoted.append(text).push_back('\'');
    return quoted;
}

bool MformatImage(const std::string& path, int kilobytes)
{
    return Shell("mformat -C -f " + std::to_string(kilobytes) + " -i " + Quote(path) + " ::") == 0;
}

bool McopyIn(const std::string& image, const std::string& member, const std::string& bytes)
{
    const std::string in = image + ".in";
    WriteBytes(in, bytes);
    const bool copied =
        Shell("mcopy -o -i " + Quote(image) + " " + Quote(in) + " " + Quote("::" + member)) == 0;
    std::filesystem::remove(in);
    return copied;
}

std::string McopyOut(const std::string& image, const std::string& member)
{
    const std::string out = image + ".out";
    std::filesystem::remove(out);
    if (Shell("mcopy -n -i " + Quote(image) + " " + Quote("::" + member) + " " + Quote(out)) != 0)
        return {};
    std::string bytes = ReadBytes(out);
    std::filesystem::remove(out);
    return bytes;
}

}  // namespace skerrow::test
