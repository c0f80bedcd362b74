#include "bench_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>

namespace skerrow::bench {

namespace {

struct Scratch {
    std::string path;
    ~Scratch()
    {
        std::error_code error;
        std::filesystem::remove_all(path, error);
    }
};

}  // namespace

const std::string& ScratchDir(const std::string& base)
{
    static std::map<std::string, std::unique_ptr<Scratch>> folders;
    auto& folder = folders[base];
    if (!folder) {
        const std::filesystem::path parent =
            base.empty() ? std::filesystem::temp_directory_path() : std::filesystem::path(base);
        std::string pattern = (parent / "skerrow-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        folder = std::make_unique<Scratch>();
        folder->path = pattern;
    }
    return folder->path;
}

void PutFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
}

}  // namespace skerrow::bench
