// Runs a fuzz target over every file of the folders or files named on the
// command line, for compilers without libFuzzer.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

static int RunFile(const std::string& path)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return 0;
    std::vector<uint8_t> bytes;
    uint8_t buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        bytes.insert(bytes.end(), buf, buf + n);
    std::fclose(f);
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return 1;
}

int main(int argc, char** argv)
{
    int count = 0;
    for (int i = 1; i < argc; ++i)
    {
        struct stat st;
        if (::stat(argv[i], &st) != 0)
            continue;
        if (S_ISDIR(st.st_mode))
        {
            DIR* d = ::opendir(argv[i]);
            while (dirent* e = d ? ::readdir(d) : nullptr)
                if (e->d_name[0] != '.')
                    count += RunFile(std::string(argv[i]) + "/" + e->d_name);
            if (d)
                ::closedir(d);
        }
        else
            count += RunFile(argv[i]);
    }
    std::printf("ran %d inputs\n", count);
    return 0;
}
